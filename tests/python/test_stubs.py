"""The type stubs of _Varnex2Python, Varnex2Python and varnex2_standin against the built module.

stubtest compares the stubs with what the module and the packages really define; the
examples are checked under mypy --strict; the generator confirms the committed stubs are
what its table and the module's docstrings give. Each runs in its own interpreter.
"""
import importlib.util
import os
import subprocess
import sys

import pytest

pytest.importorskip("mypy")

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLES = os.path.join(ROOT, "examples")
ALLOWLIST = os.path.join(ROOT, "tests", "stubtest_allowlist.txt")


@pytest.fixture(scope="module")
def mypy_env(tmp_path_factory):
    """Environment in which mypy finds the stubs of the module and package under test.

    Installed: the PEP 561 layout in site-packages. A build tree (VARNEX2_BUILD): the stub
    package's file linked as _Varnex2Python.pyi, since MYPYPATH does not search -stubs."""
    env = dict(os.environ)
    if os.environ.get("VARNEX2_BUILD"):
        path = tmp_path_factory.mktemp("stubpath")
        os.symlink(os.path.join(ROOT, "python", "_Varnex2Python-stubs", "__init__.pyi"), path / "_Varnex2Python.pyi")
        os.symlink(os.path.join(ROOT, "python", "Varnex2Python"), path / "Varnex2Python")
        os.symlink(os.path.join(ROOT, "python", "varnex2_standin"), path / "varnex2_standin")
        env["MYPYPATH"] = str(path)
    return env


def run(args, env, cwd):
    proc = subprocess.run([sys.executable] + args, capture_output=True, text=True, env=env, cwd=str(cwd),
                          timeout=600)
    return proc.returncode, proc.stdout + proc.stderr


def test_stubtest_finds_the_stubs_equal_to_the_module(mypy_env, tmp_path):
    standin = ["varnex2_standin"] if importlib.util.find_spec("varnex2_standin") else []  # not in production
    args = ["-m", "mypy.stubtest", "_Varnex2Python", "Varnex2Python"] + standin + [
        "--mypy-config-file", os.devnull] + ([] if standin else ["--ignore-unused-allowlist"])
    if os.path.exists(ALLOWLIST):
        args += ["--allowlist", ALLOWLIST]
    code, out = run(args, mypy_env, tmp_path)
    assert code == 0, out


@pytest.mark.controls  # the examples drive the stand-in
def test_examples_type_check_under_strict(mypy_env, tmp_path):
    # Every package the examples import is typed (PEP 561): no module may be left unchecked.
    scripts = sorted(os.path.join(EXAMPLES, name) for name in os.listdir(EXAMPLES) if name.endswith(".py"))
    code, out = run(["-m", "mypy", "--strict", "--config-file", os.devnull, "--cache-dir", str(tmp_path / "cache")]
                    + scripts, mypy_env, tmp_path)
    assert code == 0, out


def test_typed_misuse_is_caught(mypy_env, tmp_path):
    # Wrong argument kinds and ignored Optional results must fail the check, or the stubs say nothing.
    script = tmp_path / "misuse.py"
    script.write_text(
        "import Varnex2Python as vx\n"
        "manager = vx.ISolverManager.instance()\n"
        "manager.getIteration('now')\n"
        "collection = manager.getEntityCollection()\n"
        "collection.getNumberOfEntities()\n"
        "vx.EntityEditor(manager).setBoolValue('Pump', 'Pump1', 'Running', 1.5)\n"
        "n: str = vx.EntityID(1, 2).toString() + vx.cvar.majorVersion\n")
    code, out = run(["-m", "mypy", "--strict", "--cache-dir", str(tmp_path / "cache"), str(script)], mypy_env, tmp_path)
    assert code == 1
    assert sorted({int(line.split(":")[1]) for line in out.splitlines() if ": error:" in line}) == [3, 5, 6, 7], out


def test_committed_stubs_match_the_generator():
    code, out = run([os.path.join(ROOT, "tools", "gen_stubs.py"), "--check"], dict(os.environ), ROOT)
    assert code == 0, out + "(python tools/gen_stubs.py rewrites the stubs)"
