# Sourced by the other scripts: installs what a bare machine lacks and prepares the
# Python 3.9 virtual environment in .venv39 (falls back to python3 without a 3.9).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

source "$ROOT/scripts/apt.sh"
apt_install_missing g++ make googletest libgtest-dev libgmock-dev nlohmann-json3-dev

PYBASE=""
if command -v pyenv >/dev/null 2>&1; then
  PYBASE=$(ls -d "$(pyenv root)"/versions/3.9.*/bin/python3 2>/dev/null | tail -n 1 || true)
fi
if [ -z "$PYBASE" ]; then
  PYBASE=$(command -v python3)
  echo "== no CPython 3.9 found; using $($PYBASE --version)"
fi
VENV="$ROOT/.venv39"
if [ ! -x "$VENV/bin/python" ]; then
  "$PYBASE" -m venv "$VENV"
fi
PY="$VENV/bin/python"
pip_install() {
  # Filters the notices of pip configurations that name absent local indexes.
  "$PY" -m pip install -q --disable-pip-version-check "$@" 2> >(grep -v "^WARNING: Location" >&2)
}
pip_install --upgrade pip
pip_install "pytest<9" "mypy<1.20" hypothesis "scikit-build-core>=0.8" ninja "cmake>=3.18" matplotlib jsonschema
export PATH="$VENV/bin:$PATH"

# Builds and installs the package (extension, stand-in library, companion packages).
install_package() {
  pip_install --no-build-isolation "$@" "$ROOT"
}
