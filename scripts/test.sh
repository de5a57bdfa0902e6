#!/usr/bin/env bash
# Builds everything and runs every test: C++ (GoogleTest through ctest) and Python (pytest).
source "$(dirname "$0")/setup.sh"

echo "== C++ tests"
cmake -S "$ROOT" -B "$ROOT/build/ctest" -G Ninja -DVARNEX2_PYTHON=OFF -DVARNEX2_CPP_TESTS=ON >/dev/null
cmake --build "$ROOT/build/ctest" -j2
ctest --test-dir "$ROOT/build/ctest" --output-on-failure -j2

echo "== Python package (with the test-only extensions)"
install_package -C cmake.define.VARNEX2_TEST_EXTENSIONS=ON

echo "== Python tests"
cd "$ROOT"
"$PY" -m pytest -q tests/python
