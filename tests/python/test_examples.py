"""Every script in examples/ runs to the end against the stand-in, in a fresh interpreter,
started from the examples folder as scripts/demo.sh does; coupling scripts written as the
solver runs them are started through the runner."""
import os
import subprocess
import sys

import pytest

pytestmark = pytest.mark.controls  # drives the stand-in through varnex2_standin

EXAMPLES = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "examples")
SCRIPTS = sorted(name for name in os.listdir(EXAMPLES) if name.endswith(".py"))

# Lines each script must print: the steps a user relies on happened.
EXPECTED = {
    "demo.py": ["== Run", "== Model: 11 entities, 2 root entities", "converged",
                "[informational] coupling script attached at iteration 1", "[message] Cooling loop converged"],
    "transient_run.py": ["finished at t = 10 s"],
    "editor_lookups.py": ["Speed at Current after one step", "-> 1500.0"],
    "steady_coupling.py": ["[message] converged at iteration 43", "== finished after 43 iterations"],
    "transient_coupling.py": ["[informational] heater on, time step 2 s up to 20 s",
                              "[message] transient run finished at t = 20 s after 10 time steps"],
    "pi_controller.py": ["[informational] iteration 40: 299.99 K, pump at 1608 rpm", "== finished after 43"],
    "cooling_plant.py": [],
    "test_pi_controller.py": ["3 passed"],
    "error_handling.py": ["Possible C/C++ prototypes are:", "invalid null reference in method",
                          "RuntimeError: Failed to access ISolverManager", "RuntimeError: Not implemented",
                          "(using 1450: sensor offline)"],
}

# Scripts that the solver runs (no loop of their own) are started by the runner.
RUNNER = {
    "steady_coupling.py": ["--monitor", "Pump/Pump1/Speed"],
    "transient_coupling.py": ["--model", "transient_loop.json"],
    "pi_controller.py": ["--plant", "cooling_plant.py", "--monitor", "HeatExchanger/HX1/HotSide/OutletTemperature"],
}


def test_every_example_has_expectations():
    assert sorted(EXPECTED) == SCRIPTS


@pytest.mark.parametrize("script", SCRIPTS)
def test_example_runs_to_the_end(script):
    command = ["-m", "varnex2_standin", "run", script] + RUNNER[script] if script in RUNNER else [script]
    if script.startswith("test_"):  # a test of a script, as users write them
        command = ["-m", "pytest", "-q", "-p", "no:cacheprovider", script]
    proc = subprocess.run([sys.executable] + command, cwd=EXAMPLES, capture_output=True, text=True, timeout=120)
    assert proc.returncode == 0, proc.stdout + proc.stderr
    assert proc.stderr == ""
    assert "memory leak" not in proc.stdout
    for text in EXPECTED[script]:
        assert text in proc.stdout, proc.stdout
