#!/usr/bin/env bash
# Reference-leak check (-R style) on Debian's debug CPython 3.11: builds the module for
# python3.11d and runs tools/refleaks.py, which fails when a call leaks references
# or memory blocks on a success or failure path.
#   bash scripts/refleaks.sh [refleaks.py options, e.g. --rounds 2000 --seed 3 --only EntityID -v]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build/refleaks"
PY=/usr/bin/python3.11d

# libpython3.11-dbg (pulled in by python3.11-dbg) brings the debug pyconfig.h; the other
# headers come from libpython3.11-dev (pulled in by python3.11-dev).
source "$ROOT/scripts/apt.sh"
apt_install_missing python3.11-dbg python3.11-dev g++ cmake ninja-build nlohmann-json3-dev

# /usr/include/python3.11d/Python.h is a link into /usr/include/python3.11, so its
# #include "pyconfig.h" finds the release configuration: Py_DEBUG must be given here, or
# Py_INCREF/Py_DECREF in the module would not count in sys.gettotalrefcount().
echo "== building for $PY in $BUILD"
/usr/bin/cmake -S "$ROOT" -B "$BUILD" -G Ninja -DPython_EXECUTABLE="$PY" -DVARNEX2_TEST_EXTENSIONS=ON \
  -DCMAKE_CXX_FLAGS=-DPy_DEBUG >/dev/null
/usr/bin/cmake --build "$BUILD" -j2
module=$(ls "$BUILD"/module/_Varnex2Python.cpython-311d-*.so)
if ! nm -D "$module" | grep " U _Py_RefTotal" >/dev/null; then
  echo "error: $module was not compiled with Py_DEBUG (no _Py_RefTotal reference)" >&2
  exit 1
fi

echo "== reference leaks"
cd "$ROOT"
PYTHONPATH="$ROOT/python:$BUILD/module:$BUILD/tests/extensions" VARNEX2_LIBRARY="$BUILD/standin/libVarnex2.so" \
  "$PY" tools/refleaks.py "$@"
