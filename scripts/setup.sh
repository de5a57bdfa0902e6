# Sourced by the other scripts: installs what a bare machine lacks (a C++ compiler from Debian
# when there is none) and prepares the Python 3.9 virtual environment in .venv39 (falls back to
# python3 without a 3.9) with the test and build dependency groups of pyproject.toml.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

source "$ROOT/scripts/apt.sh"
if ! command -v c++ >/dev/null 2>&1 && ! command -v g++ >/dev/null 2>&1; then
  apt_install_missing g++
fi

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
pip_install --upgrade "pip>=25.1"
pip_install --group "$ROOT/pyproject.toml:dev"
export PATH="$VENV/bin:$PATH"

# Builds and installs the package (extension, stand-in library, companion packages).
install_package() {
  pip_install --no-build-isolation "$@" "$ROOT"
}
