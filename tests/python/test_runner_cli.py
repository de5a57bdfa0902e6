"""The command line (python -m varnex2_standin run / info / check), its CSV and PNG, the
progress display and the pytest plugin, each run in a fresh interpreter."""
import csv
import io
import json
import os
import subprocess
import sys
import textwrap

import pytest

Progress = pytest.importorskip("varnex2_standin.progress").Progress  # a build with the stand-in

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLES = os.path.join(ROOT, "examples")


def cli(*args, cwd=EXAMPLES, code=None):
    command = [sys.executable, "-c", code] if code else [sys.executable, "-m", "varnex2_standin"]
    proc = subprocess.run(command + [str(a) for a in args], cwd=cwd, capture_output=True, text=True, timeout=300)
    return proc.returncode, proc.stdout, proc.stderr


def read_rows(path):
    with open(path, newline="") as stream:
        return list(csv.DictReader(stream))


def python_rows(script, *options):
    """The history rows of the same run through varnex2_standin.run() in another interpreter."""
    code = "import json, sys, varnex2_standin as s\n" \
           "h = s.run(sys.argv[1], model=sys.argv[2] if sys.argv[2] != '-' else None, monitor=sys.argv[3:])\n" \
           "print(json.dumps(h.rows))\n"
    status, out, err = cli(script, *options, code=code)
    assert status == 0, err
    return json.loads(out)


def assert_png_drawn(path, width, height):
    image = pytest.importorskip("matplotlib.image").imread(str(path))
    assert image.shape[0] >= height and image.shape[1] >= width
    pixels = image[:, :, :3].reshape(-1, 3)
    inked = (pixels < 0.9).any(axis=1).mean()
    assert 0.01 < inked < 0.6, inked                     # lines and text on a white ground
    assert len({tuple(p) for p in pixels[::7]}) > 20     # more than a flat fill


def test_steady_example_runs_and_its_csv_and_plot_match_the_run(tmp_path):
    pytest.importorskip("matplotlib")
    monitors = ["Pump/Pump1/Speed", "CoolingLoop/Inlet/Temperature"]
    status, out, err = cli("run", "steady_coupling.py", "--monitor", *monitors,
                           "--csv", tmp_path / "h.csv", "--plot", tmp_path / "h.png")
    assert status == 0, err
    assert err == ""
    lines = out.splitlines()
    assert lines[0] == "== steady_coupling.py on the built-in model (steady run): top-level script at IterationEnd"
    assert "[message] converged at iteration 43 with the pump at 1598.6 rpm" in lines
    assert "[100%] iteration 43/100  residual 8.51e-05" in lines
    assert "== finished after 43 iterations (iteration 43): residual 8.51e-05, converged; 5 messages" in lines
    rows = read_rows(tmp_path / "h.csv")
    expected = python_rows("steady_coupling.py", "-", *monitors)
    assert len(rows) == len(expected) == 43
    for row, want in zip(rows, expected):
        assert int(row["iteration"]) == want["iteration"]
        assert row["converged"] == ("true" if want["converged"] else "false")
        for name in ["time", "timeStep", "residual"] + monitors:
            assert float(row[name]) == want[name], name
    assert_png_drawn(tmp_path / "h.png", 600, 500)


def test_transient_example_gives_each_time_step_its_inlet_temperature(tmp_path):
    status, out, err = cli("run", "transient_coupling.py", "--model", "transient_loop.json",
                           "--monitor", "BoundaryCondition/Inlet/Temperature", "Loop/Heater/Power",
                           "--csv", tmp_path / "t.csv")
    assert status == 0, err
    assert "[message] transient run finished at t = 20 s after 10 time steps" in out.splitlines()
    rows = read_rows(tmp_path / "t.csv")
    times = sorted({float(r["time"]) for r in rows})
    assert times == [2.0 * k for k in range(1, 11)]
    for row in rows:
        time = float(row["time"])
        assert float(row["BoundaryCondition/Inlet/Temperature"]) == min(288.15 + 1.2 * time, 300.0)
        assert float(row["Loop/Heater/Power"]) == 12.5
    # Stop on convergence ends each time step after 7 iterations (0.3 ** 6 < 1e-3).
    assert len(rows) == 70 and rows[6]["converged"] == "true"


def test_a_failing_script_exits_1_with_its_own_traceback(tmp_path):
    script = tmp_path / "broken.py"
    script.write_text("import Varnex2Python as vx\n\nspeed = vx.ISolverManager.instance().getIteration()\n"
                      "ratio = 1 / (speed - 3)\n")
    status, out, err = cli("run", script, "--csv", tmp_path / "h.csv")
    assert status == 1
    assert 'File "%s", line 4, in <module>' % script in err
    assert "ZeroDivisionError: division by zero" in err and "runner.py" not in err
    assert err.rstrip().endswith("the script raised ZeroDivisionError at IterationEnd of iteration 3: division by zero")
    assert "== error after 2 iterations" in out
    assert len(read_rows(tmp_path / "h.csv")) == 2  # the rows before the error are kept


def test_a_script_that_does_not_compile_exits_1_naming_the_line(tmp_path):
    script = tmp_path / "typo.py"
    script.write_text("import Varnex2Python as vx\nif True\n    pass\n")
    status, out, err = cli("run", script)
    assert status == 1
    assert 'File "%s", line 2' % script in err and "SyntaxError" in err


@pytest.mark.parametrize("args, message", [
    (["run", "absent.py"], "no script file absent.py"),
    (["run", "steady_coupling.py", "--at", "Sometime"], "unknown event 'Sometime'; the runner raises CFDGeneration"),
    (["run", "steady_coupling.py", "--monitor", "Pump/Pump1/Sped"],
     "monitor 'Pump/Pump1/Sped': no attribute has that full path or Type/Name/path; closest: CoolingLoop/Pump1/Speed"),
    (["run", "steady_coupling.py", "--model", "absent.json"], "--model: no file absent.json"),
    (["run", "steady_coupling.py", "--iterations", "-3"], "--iterations must be at least 1, got -3"),
    (["run", "steady_coupling.py", "--set", "Pump/Pump1/Sped=3"],
     "set 'Pump/Pump1/Sped': no attribute has that full path or Type/Name/path; closest: CoolingLoop/Pump1/Speed"),
    (["run", "steady_coupling.py", "--set", "Pump/Pump1/Speed=fast"],
     "set Pump/Pump1/Speed: 'fast' is not a number (the attribute is a double)"),
    (["run", "steady_coupling.py", "--set", "Pump/Pump1/Speed"], "--set Pump/Pump1/Speed: expected NAME=VALUE"),
    (["run", "steady_coupling.py", "--define", "KP=fast"], "--define KP=fast: 'fast' is not a Python literal"),
    (["run", "steady_coupling.py", "--plant", "absent.py"], "plant: no file absent.py"),
    (["run", "steady_coupling.py", "--plant", "steady_coupling.py:plnt"],
     "plant: steady_coupling.py has no function 'plnt'"),
    (["run", "steady_coupling.py", "--csv", "."], "--csv .: is a folder, not a file"),
    (["run", "steady_coupling.py", "--plot", "absent/run.png"], "--plot absent/run.png: no folder "),
    (["info", "steady_coupling.py"], "the model cannot be used: steady_coupling.py: not valid JSON"),
])
def test_wrong_usage_exits_2_with_the_reason(args, message):
    status, out, err = cli(*args)
    assert status == 2 and out == ""  # refused before the run's header
    assert err.startswith("varnex2-standin: error: " + message), err


def test_a_closed_loop_from_the_command_line_replays_to_the_same_columns(tmp_path):
    monitors = ["HeatExchanger/HX1/HotSide/OutletTemperature", "Pump/Pump1/Speed"]
    status, out, err = cli("run", "--monitor", *monitors, "pi_controller.py", "--plant", "cooling_plant.py",
                           "--define", "KP=20.0", "--set", "Pump/Pump1/Speed=1500", "--csv", tmp_path / "run.csv")
    assert status == 0, err
    recorded = read_rows(tmp_path / "run.csv")
    assert float(recorded[0]["Pump/Pump1/Speed [rpm]" if "Pump/Pump1/Speed [rpm]" in recorded[0]
                             else "Pump/Pump1/Speed"]) == 1500.0
    status, out, err = cli("run", "pi_controller.py", "--replay", tmp_path / "run.csv", "--define", "KP=20.0",
                           "--set", "Pump/Pump1/Speed=1500",
                           "--monitor", *monitors, "--csv", tmp_path / "replayed.csv")
    assert status == 0, err
    assert read_rows(tmp_path / "replayed.csv") == recorded


def test_ctrl_c_writes_the_rows_so_far_and_exits_130(tmp_path):
    script = tmp_path / "slow.py"
    script.write_text("import time\ntime.sleep(0.05)\n")
    proc = subprocess.Popen([sys.executable, "-m", "varnex2_standin", "run", str(script), "--csv",
                             str(tmp_path / "run.csv")], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    import signal
    import time

    time.sleep(2.0)
    proc.send_signal(signal.SIGINT)
    out, err = proc.communicate(timeout=60)
    assert proc.returncode == 130, err
    assert "interrupted" in err and "Traceback" not in err
    rows = read_rows(tmp_path / "run.csv")
    assert 0 < len(rows) < 100 and "== interrupted after %d iterations" % len(rows) in out


def test_an_output_that_cannot_be_written_is_an_error_line(tmp_path):
    status, out, err = cli("run", "steady_coupling.py", "--iterations", "2", "--csv", "/dev/full")
    assert status == 1 and "Traceback" not in err
    assert "varnex2-standin: error: cannot write /dev/full: No space left on device" in err


def test_plot_without_matplotlib_is_refused_before_the_run(tmp_path):
    code = ("import sys\nsys.modules['matplotlib'] = None\nfrom varnex2_standin.__main__ import main\n"
            "sys.exit(main(sys.argv[1:]))\n")
    status, out, err = cli("run", "steady_coupling.py", "--plot", tmp_path / "p.png", code=code)
    assert status == 2 and out == ""
    assert "--plot needs matplotlib, which is not installed: pip install 'Varnex2Python[plot]'" in err


def test_info_check_and_dump_model_agree(tmp_path):
    status, dumped_text, err = cli("info", "--json")
    assert status == 0, err
    dumped = json.loads(dumped_text)
    (tmp_path / "dumped.json").write_text(dumped_text)
    status, info, err = cli("info", tmp_path / "dumped.json")
    assert status == 0, err
    status_builtin, info_builtin, _ = cli("info")
    assert info.splitlines()[1:] == info_builtin.splitlines()[1:]  # the same model either way

    entities, attributes = {}, []

    def walk(node, path):
        for child in node.get("attributes", []):
            if child["kind"] == "entity":
                entities[path + "/" + child["name"]] = child
            else:
                attributes.append(child)
            walk(child, path + "/" + child["name"])

    for root in dumped["entities"]:
        entities[root["name"]] = root
        walk(root, root["name"])
    entity_lines = [line.strip() for line in info.splitlines() if "[entity " in line]
    assert entity_lines == ["%s  [entity %s]  id %d-%d  %s" % (path, e["type"], e["id"][0], e["id"][1], e["access"])
                            for path, e in entities.items()]
    assert len(info.splitlines()) == 3 + len(entities) + len(attributes)
    assert "    Speed  [double, unit rpm, ReadWrite]  = 1450.0" in info.splitlines()
    status, out, err = cli("check", tmp_path / "dumped.json")
    assert (status, out) == (0, "%s: valid model, 2 root entities, 11 entities\n" % (tmp_path / "dumped.json"))


def test_check_lists_every_problem_of_a_file(tmp_path):
    path = tmp_path / "bad.json"
    path.write_text(json.dumps({"run": {"timeStep": 0}, "entities": [
        {"name": "N", "type": "T", "attributes": [{"name": "a", "kind": "int", "value": "1"},
                                                   {"name": "b", "kind": "link", "target": "N/c"}]}]}))
    status, out, err = cli("check", path)
    assert status == 1
    assert out.splitlines() == [
        "%s: run.timeStep: must be positive" % path,
        "%s: entities[0].attributes[0] ('a').value: expected an integer" % path,
        "%s: entities[0].attributes[1] ('b'): no entity named 'N/c'" % path,
        "3 problems in %s" % path,
    ]


def test_progress_draws_a_bar_on_a_terminal_and_lines_elsewhere():
    terminal = io.StringIO()
    bar = Progress(terminal, bar=True)
    bar.update(0.5, "iteration 5/10")
    bar.line("[message] half way")
    bar.close(1.0, "iteration 10/10")
    text = terminal.getvalue()
    assert text.startswith("\r\x1b[K|##############--------------|  50% iteration 5/10")
    assert "\r\x1b[K[message] half way\n\r\x1b[K|###" in text
    assert text.endswith("| 100% iteration 10/10\n")
    log = io.StringIO()
    plain = Progress(log, bar=False)
    for i in range(1, 101):
        plain.update(i / 100, "iteration %d" % i)
    plain.close(1.0, "iteration 100")
    assert "\r" not in log.getvalue()
    assert log.getvalue().splitlines() == ["[  1%] iteration 1"] + ["[%3d%%] iteration %d" % (k, k)
                                                                   for k in range(10, 101, 10)]


def test_the_pytest_plugin_gives_a_reset_stand_in_with_the_marked_model(tmp_path):
    (tmp_path / "loop.json").write_text(open(os.path.join(EXAMPLES, "transient_loop.json")).read())
    (tmp_path / "test_user.py").write_text(textwrap.dedent("""
        import pytest

        @pytest.mark.varnex2_model("loop.json")
        def test_with_model(varnex2_standin):
            history = varnex2_standin.run(%r, monitor=["Loop/Heater/Power"])
            assert history.outcome == "finished" and history.column("Loop/Heater/Power")[-1] == 12.5

        def test_built_in(varnex2_standin):
            assert varnex2_standin.dump_model()["entities"][0]["name"] == "CoolingLoop"
            varnex2_standin.step(5)

        def test_reset_between_tests(varnex2_standin):
            assert varnex2_standin.run_state()["iteration"] == 1
        """ % os.path.join(EXAMPLES, "transient_coupling.py")))
    env = dict(os.environ, PYTEST_DISABLE_PLUGIN_AUTOLOAD="1")
    proc = subprocess.run([sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", "-p",
                           "pytest_varnex2", str(tmp_path)], cwd=str(tmp_path), env=env,
                          capture_output=True, text=True, timeout=300)
    assert proc.returncode == 0, proc.stdout + proc.stderr
    assert "3 passed" in proc.stdout


@pytest.mark.skipif(bool(os.environ.get("VARNEX2_BUILD")), reason="a build tree has no installed entry points")
def test_the_command_and_the_plugin_are_installed():
    from importlib import metadata

    points = {(p.group, p.name): p.value for p in metadata.distribution("Varnex2Python").entry_points}
    assert points[("console_scripts", "varnex2-standin")] == "varnex2_standin.__main__:main"
    assert "pytest_varnex2" in points.values()
    command = os.path.join(os.path.dirname(sys.executable), "varnex2-standin")
    proc = subprocess.run([command, "check", os.path.join(EXAMPLES, "transient_loop.json")],
                          capture_output=True, text=True, timeout=120)
    assert proc.returncode == 0 and "valid model, 1 root entity, 5 entities" in proc.stdout
