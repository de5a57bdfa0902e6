# Sourced by the other scripts: installs what a bare machine lacks (a C++ compiler from Debian
# when there is none) and prepares the Python 3.9 virtual environment in .venv39 (falls back to
# python3 without a 3.9) with a dependency group of pyproject.toml: SETUP_GROUP, by default
# "dev" (test and build tools); scripts/demo.sh asks for "demo" (build tools, matplotlib, tqdm).
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
  echo "== creating the virtual environment .venv39 ($("$PYBASE" --version))"
  "$PYBASE" -m venv "$VENV"
fi
PY="$VENV/bin/python"
pip_install() {
  # Filters the notices of pip configurations that name absent local indexes.
  "$PY" -m pip install -q --disable-pip-version-check "$@" 2> >(grep -v "^WARNING: Location" >&2)
}
SETUP_GROUP=${SETUP_GROUP:-dev}
echo "== installing the '$SETUP_GROUP' tools of pyproject.toml into .venv39 (pip; quick once present)"
pip_install --upgrade "pip>=25.1"
pip_install --group "$ROOT/pyproject.toml:$SETUP_GROUP"
export PATH="$VENV/bin:$PATH"

# Builds and installs the package (extension, stand-in library, companion packages).
install_package() {
  pip_install --no-build-isolation "$@" "$ROOT"
}
