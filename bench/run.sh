#!/usr/bin/env bash
# Builds the module with the benchmark modules (floor, one-form reference, nanobind and
# pybind11 peers) under build/bench and runs bench/run.py under CPython 3.9.
# Python: $VARNEX2_BENCH_PYTHON, else .venv39, else /work/venv39, else the environment that
# scripts/setup.sh prepares (which also installs the Debian packages a bare machine lacks).
# Extra arguments go to run.py (--rounds N, --quick).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

PY=${VARNEX2_BENCH_PYTHON:-}
if [ -z "$PY" ]; then
  for candidate in "$ROOT/.venv39/bin/python" /work/venv39/bin/python; do
    if [ -x "$candidate" ]; then PY=$candidate; break; fi
  done
fi
if [ -z "$PY" ] || ! command -v g++ >/dev/null 2>&1; then
  # shellcheck source=../scripts/setup.sh
  source "$ROOT/scripts/setup.sh"
fi
# The peers and the build tools, from PyPI into the same environment.
"$PY" -m pip install -q --disable-pip-version-check "nanobind>=2" "pybind11>=2.12" ninja "cmake>=3.18" \
  "nlohmann-json>=3.11,<4"
export PATH="$(dirname "$PY"):$PATH"

BUILD="$ROOT/build/bench"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNEX2_BENCH=ON \
  -DPython_EXECUTABLE="$PY" >/dev/null
cmake --build "$BUILD" -j2 >/dev/null
exec "$PY" "$ROOT/bench/run.py" --build "$BUILD" "$@"
