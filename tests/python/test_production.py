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


def relocation_pages(path):
    """Virtual addresses (from the load address) of the whole pages inside the relocation table
    (DT_RELA) of an ELF64 shared library, read from its file; none when it packs its relative
    relocations (DT_RELR): builds with packed relocations keep their few pages."""
    import struct

    with open(path, "rb") as f:
        data = f.read()
    phoff, phentsize, phnum = struct.unpack_from("<Q", data, 32)[0], *struct.unpack_from("<HH", data, 54)
    headers = [struct.unpack_from("<IIQQQQQQ", data, phoff + i * phentsize) for i in range(phnum)]
    [dynamic] = [h for h in headers if h[0] == 2]  # PT_DYNAMIC: its file offset and size
    entries = dict(struct.unpack_from("<qQ", data, dynamic[2] + i) for i in range(0, dynamic[5], 16))
    if 36 in entries:  # DT_RELR
        return range(0)
    start, size, page = entries.get(7, 0), entries.get(8, 0), os.sysconf("SC_PAGE_SIZE")  # DT_RELA, DT_RELASZ
    return range(-(-start // page) * page, (start + size) // page * page, page)


@pytest.mark.parametrize("name", [os.path.basename(_Varnex2Python.__file__), "libVarnex2.so"])
def test_relocation_entries_are_not_resident_after_load(name):
    paths = mapped(name)
    if not paths:
        pytest.skip("%s is not loaded" % name)
    with open("/proc/self/maps") as maps:
        base = min(int(line.split("-", 1)[0], 16) for line in maps
                   if line.rstrip().endswith(paths[0]) and int(line.split()[2], 16) == 0)
    pages = relocation_pages(paths[0])
    if not pages:
        pytest.skip("%s packs its relocations or has no whole page of them" % name)
    try:
        with open("/proc/self/pagemap", "rb") as pagemap:
            resident = []
            for address in pages:
                pagemap.seek((base + address) // pages.step * 8)
                if int.from_bytes(pagemap.read(8), "little") >> 63:
                    resident.append(hex(address))
    except OSError as e:
        pytest.skip("no page map: %s" % e)
    assert resident == [], "%d of %d pages of relocations resident" % (len(resident), len(pages))
