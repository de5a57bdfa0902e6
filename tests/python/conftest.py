"""Shared fixtures: the module, the stand-in library's controls, and a fresh run per test.

By default the installed package is used. Setting VARNEX2_BUILD to a CMake build directory
tests that build instead (module from <build>/module, library from <build>/standin).
"""
import os
import sys

import pytest

# The fuzzer, the reference-leak runner and their proxy helpers are tools the tests use too.
TOOLS = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "tools")
sys.path.insert(0, TOOLS)

_build = os.environ.get("VARNEX2_BUILD")
if _build:
    _root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    sys.path.insert(0, os.path.join(_root, "python"))
    for sub in ("module", "tests/extensions", "bench"):
        sys.path.insert(0, os.path.join(_build, sub))
    os.environ.setdefault("VARNEX2_LIBRARY", os.path.join(_build, "standin", "libVarnex2.so"))
    # Child interpreters started by tests see the same build.
    os.environ["PYTHONPATH"] = os.pathsep.join(sys.path[:4] + [os.environ.get("PYTHONPATH", "")])

import importlib.util  # noqa: E402

import _Varnex2Python  # noqa: E402

# A production installation (built with VARNEX2_STANDIN=OFF) has no controls of the stand-in.
CONTROLS = importlib.util.find_spec("varnex2_standin") is not None


def pytest_collection_modifyitems(items):
    """Without the controls, the tests that use them (the standin fixture or the controls marker) are skipped."""
    if CONTROLS:
        return
    skip = pytest.mark.skip(reason="needs the stand-in's controls (varnex2_standin), not installed here")
    for item in items:
        if "standin" in item.fixturenames or item.get_closest_marker("controls"):
            item.add_marker(skip)


@pytest.fixture(scope="session")
def m():
    """The extension module."""
    return _Varnex2Python


@pytest.fixture
def standin():
    """The stand-in library's control package, reset to the default model before and after."""
    import varnex2_standin

    varnex2_standin.reset()
    yield varnex2_standin
    varnex2_standin.reset()


@pytest.fixture
def traced(standin):
    """traced(fn, *args): the result of fn(*args) and the raw calls it made, as (address, slot, arguments)."""
    def run(fn, *args):
        standin.clear_calls()
        standin.record_calls(True)
        try:
            return fn(*args), standin.calls()
        finally:
            standin.record_calls(False)

    return run


@pytest.fixture
def manager(m, standin):
    """A proxy of the solver manager of a fresh default run."""
    return m.ISolverManager_instance()


@pytest.fixture
def collection(m, manager):
    return m.ISolverData_getEntityCollection(manager)


@pytest.fixture
def run_python():
    """Runs code in a fresh interpreter; returns (exit code, stdout, stderr)."""
    import subprocess

    def run(code, **env):
        environ = dict(os.environ, **env)
        proc = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=120,
                              env=environ)
        return proc.returncode, proc.stdout, proc.stderr

    return run
