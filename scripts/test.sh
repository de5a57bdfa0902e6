#!/usr/bin/env bash
# Builds and runs the tests.
#   bash scripts/test.sh                every test: C++ (GoogleTest through ctest) and Python (pytest) on
#                                       CPython 3.9, the package built from source into .venv39
#   bash scripts/test.sh --wheel 3.13   the Python tests against the portable wheel of that CPython in
#                                       dist/ (built by scripts/wheels.sh when missing), in its own .venv313-wheel
#   bash scripts/test.sh --production   the production build (no stand-in library, no controls) in
#                                       .venv-production, against a separately built stand-in on the
#                                       loader's path: the tests that need no controls
source "$(dirname "$0")/setup.sh"
MODE=${1:-all}

# pytest in a fresh environment, on the installed package only.
run_pytest() {
  local python=$1
  shift
  cd "$ROOT"
  "$python" -m pytest -q -p no:cacheprovider tests/python "$@"
}

# A virtual environment from the given interpreter with the "test" dependency group.
test_venv() {
  local base=$1 venv=$2
  [ -x "$venv/bin/python" ] || "$base" -m venv "$venv"
  "$venv/bin/python" -m pip install -q --disable-pip-version-check --upgrade "pip>=25.1" \
    2> >(grep -v "^WARNING: Location" >&2)
  "$venv/bin/python" -m pip install -q --disable-pip-version-check --group "$ROOT/pyproject.toml:test" \
    2> >(grep -v "^WARNING: Location" >&2)
}

case "$MODE" in
all)
  echo "== C++ tests"
  apt_install_missing googletest libgtest-dev libgmock-dev
  cmake -S "$ROOT" -B "$ROOT/build/ctest" -G Ninja -DVARNEX2_PYTHON=OFF -DVARNEX2_CPP_TESTS=ON \
    -DPython_EXECUTABLE="$PY" >/dev/null
  cmake --build "$ROOT/build/ctest" -j2
  ctest --test-dir "$ROOT/build/ctest" --output-on-failure -j2

  echo "== Python package (with the test-only extensions)"
  install_package -C cmake.define.VARNEX2_TEST_EXTENSIONS=ON

  echo "== Python tests"
  run_pytest "$PY"
  ;;
--wheel)
  version=${2:?"usage: test.sh --wheel 3.X"}
  source "$ROOT/scripts/zig.sh"
  tag="cp${version/./}"
  wheel=$(ls "$ROOT"/dist/*-"$tag"-"$tag"-manylinux*.whl 2>/dev/null | tail -n 1 || true)
  if [ -z "$wheel" ]; then
    bash "$ROOT/scripts/wheels.sh" "$version"
    wheel=$(ls "$ROOT"/dist/*-"$tag"-"$tag"-manylinux*.whl | tail -n 1)
  fi
  zig_toolchain
  base=$(pyenv_python "$version")
  [ -n "$base" ] || { echo "error: no CPython $version under pyenv" >&2; exit 1; }
  venv="$ROOT/.venv${version/./}-wheel"
  echo "== $(basename "$wheel") into $venv"
  test_venv "$base" "$venv"
  "$venv/bin/python" -m pip install -q --disable-pip-version-check --force-reinstall --no-deps "$wheel"

  # The test-only modules, built by the wheel's compiler for the same interpreter, each with its
  # own copy of the C++ runtime as the wheel's modules have: the peer's iterators throw exceptions
  # of its runtime that the wheel's module catches.
  echo "== test-only probe and peer modules for CPython $version"
  build="$ROOT/build/zig/test-extensions-$tag"
  cmake -S "$ROOT" -B "$build" -G Ninja "${ZIG_CMAKE[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DPython_EXECUTABLE="$venv/bin/python" -DVARNEX2_STANDIN=OFF -DVARNEX2_TEST_EXTENSIONS=ON >/dev/null
  cmake --build "$build" -j2 --target _Varnex2Probe _Varnex2TestPeer

  echo "== Python tests against the installed wheel (CPython $version)"
  PYTHONPATH="$build/tests/extensions" run_pytest "$venv/bin/python"
  ;;
--production)
  echo "== production wheel (-C cmake.define.VARNEX2_STANDIN=OFF)"
  out="$ROOT/build/production-wheel"
  rm -rf "$out"
  "$PY" -m pip wheel -q --disable-pip-version-check --no-build-isolation --no-deps -w "$out" \
    -C cmake.define.VARNEX2_STANDIN=OFF -C "build-dir=build/production/{wheel_tag}" "$ROOT" \
    2> >(grep -v "^WARNING: Location" >&2)
  venv="$ROOT/.venv-production"
  rm -rf "$venv"
  test_venv "$PYBASE" "$venv"
  "$venv/bin/python" -m pip install -q --disable-pip-version-check "$out"/*.whl

  echo "== stand-in library, built on its own"
  standin="$ROOT/build/standin-only"
  cmake -S "$ROOT" -B "$standin" -G Ninja -DVARNEX2_PYTHON=OFF -DPython_EXECUTABLE="$PY" >/dev/null
  cmake --build "$standin" -j2 --target Varnex2

  echo "== Python tests that need no controls, the stand-in on the loader's path"
  LD_LIBRARY_PATH="$standin/standin${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" VARNEX2_PRODUCTION=1 run_pytest "$venv/bin/python"
  ;;
*)
  echo "usage: bash scripts/test.sh [--wheel 3.X | --production]" >&2
  exit 2
  ;;
esac
