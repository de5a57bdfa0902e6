#!/usr/bin/env bash
# Runs the Python tests and a fuzzing run (tools/fuzz.py: argument tuples drawn from each
# function's forms, a share made hostile, injected library failures) against AddressSanitizer and
# UndefinedBehaviorSanitizer builds of the module and the stand-in library, and the C++ tests
# under valgrind. Further arguments go to the fuzzer (e.g. --seed 3, --reentrant 0.1).
#   bash scripts/sanitize.sh [fuzz-calls [fuzz options]]
source "$(dirname "$0")/setup.sh"
CALLS=${1:-200000}
FUZZ_OPTIONS=("${@:2}")
BUILD="$ROOT/build/sanitize"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPython_EXECUTABLE="$PY" \
  -DVARNEX2_TEST_EXTENSIONS=ON -DVARNEX2_SANITIZE="address,undefined,float-cast-overflow" >/dev/null
cmake --build "$BUILD" -j2

asan=$(g++ -print-file-name=libasan.so)
stdcxx=$(g++ -print-file-name=libstdc++.so)
export LD_PRELOAD="$asan $stdcxx"
export PYTHONMALLOC=malloc
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export VARNEX2_BUILD="$BUILD"
cd "$ROOT"
echo "== Python tests under ASan and UBSan"
"$PY" -m pytest -q -p no:cacheprovider tests/python
echo "== fuzzing run of $CALLS calls under ASan and UBSan"
PYTHONPATH="$ROOT/python:$BUILD/module:$BUILD/tests/extensions" VARNEX2_LIBRARY="$BUILD/standin/libVarnex2.so" \
  "$PY" tools/fuzz.py --calls "$CALLS" --reentrant 0.1 "${FUZZ_OPTIONS[@]}"
unset LD_PRELOAD

echo "== C++ tests under valgrind"
apt_install_missing valgrind googletest libgtest-dev libgmock-dev
cmake -S "$ROOT" -B "$ROOT/build/valgrind" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNEX2_PYTHON=OFF \
  -DVARNEX2_CPP_TESTS=ON -DPython_EXECUTABLE="$PY" >/dev/null
cmake --build "$ROOT/build/valgrind" -j2
valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite -q \
  "$ROOT/build/valgrind/tests/cpp/cpp_tests" --gtest_brief=1
