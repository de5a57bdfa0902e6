"""What an installation ships, and the production build without the stand-in.

`scripts/test.sh --production` installs a wheel built with -DVARNEX2_STANDIN=OFF into its own
environment, puts a separately built stand-in on the loader's path and sets VARNEX2_PRODUCTION.
"""
import os
import shutil
import subprocess
import sys

import pytest

import _Varnex2Python

PRODUCTION = bool(os.environ.get("VARNEX2_PRODUCTION"))
SITE = os.path.dirname(os.path.abspath(_Varnex2Python.__file__))
production_only = pytest.mark.skipif(not PRODUCTION, reason="production installation only")
installed_only = pytest.mark.skipif(bool(os.environ.get("VARNEX2_BUILD")), reason="installed package only")


def mapped(name):
    """Paths of the files called ``name`` mapped into this process."""
    with open("/proc/self/maps") as maps:
        paths = {fields[5].strip() for fields in (line.split(None, 5) for line in maps) if len(fields) == 6}
    return sorted(path for path in paths if os.path.basename(path) == name)


@production_only
@pytest.mark.parametrize("name, shipped", [
    ("libVarnex2.so", False), ("varnex2_standin", False),
    ("Varnex2Python", True), ("_Varnex2Python-stubs", True), ("_Varnex2Downcast", True),
])
def test_production_wheel_ships_no_standin(name, shipped):
    present = any(entry == name or entry.startswith(name + ".") for entry in os.listdir(SITE))
    assert present == shipped, sorted(os.listdir(SITE))


@production_only
def test_module_uses_the_library_on_the_loaders_path():
    [path] = mapped("libVarnex2.so")
    assert os.path.dirname(path) in os.environ.get("LD_LIBRARY_PATH", "").split(os.pathsep)
    manager = _Varnex2Python.ISolverManager_instance()
    assert _Varnex2Python.ISolverData_getIteration(manager) >= 0


@installed_only
@pytest.mark.skipif(shutil.which("readelf") is None, reason="needs readelf")
def test_installed_binaries_carry_no_build_paths():
    for entry in os.listdir(SITE):
        if entry.endswith(".so") and (entry.startswith("_Varnex2") or entry == "libVarnex2.so"):
            path = os.path.join(SITE, entry)
            dynamic = subprocess.run(["readelf", "-d", path], capture_output=True, text=True, check=True).stdout
            paths = [line.split("[", 1)[1].rstrip("]") for line in dynamic.splitlines() if "PATH)" in line]
            assert paths in ([], ["$ORIGIN"]), (entry, paths)
            with open(path, "rb") as f:
                data = f.read()
            assert os.path.dirname(os.path.dirname(os.path.abspath(__file__))).encode() not in data, entry


@pytest.mark.controls
def test_controls_import_against_a_library_without_them(run_python):
    # Any shared library without the control API stands in for a host's exchange library.
    libc = mapped("libc.so.6")[0]
    code, out, err = run_python(
        "import varnex2_standin as v\n"
        "print(v.library_path())\n"
        "try:\n"
        "    v.reset()\n"
        "except RuntimeError as e:\n"
        "    print(e)\n", VARNEX2_LIBRARY=libc)
    assert (code, err) == (0, ""), err
    assert out == "%s\n%s has no stand-in control API: it is not the stand-in library, " \
                  "these controls cannot act on it\n" % (libc, libc)
