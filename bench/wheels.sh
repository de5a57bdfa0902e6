#!/usr/bin/env bash
# Runtime figures of each wheel in dist/ (scripts/wheels.sh), each installed into its own
# environment under build/wheel-bench, and of the package built from source in .venv39.
#   bash bench/wheels.sh [--runs N]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/zig.sh"   # pyenv_python
wheels=("$ROOT"/dist/*manylinux*.whl)
[ -e "${wheels[0]}" ] || { echo "error: no wheel in $ROOT/dist: run bash scripts/wheels.sh" >&2; exit 1; }
n=0
for wheel in "${wheels[@]}"; do
  n=$((n + 1))
  tag=$(basename "$wheel" | cut -d- -f3)
  version="${tag:2:1}.${tag:3}"
  env="$ROOT/build/wheel-bench/$tag"
  echo "== [$n/${#wheels[@]}] $(basename "$wheel")" >&2
  [ -x "$env/bin/python" ] || "$(pyenv_python "$version")" -m venv "$env"
  "$env/bin/python" -m pip install -q --disable-pip-version-check --force-reinstall --no-deps "$wheel" \
    2> >(grep -v "^WARNING: Location" >&2)
  "$env/bin/python" "$ROOT/bench/wheel_figures.py" "$@"
done
if [ -x "$ROOT/.venv39/bin/python" ]; then
  echo "== source build in .venv39 (the system compiler)" >&2
  "$ROOT/.venv39/bin/python" "$ROOT/bench/wheel_figures.py" "$@"
fi
