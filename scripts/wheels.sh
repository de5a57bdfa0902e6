#!/usr/bin/env bash
# Builds portable wheels into dist/: one per CPython 3.9-3.13 found under pyenv, each compiled
# for glibc 2.28 (zig's C++ compiler from PyPI, its C++ runtime linked in statically), then
# checked and tagged manylinux_2_28_x86_64 by auditwheel.
#   bash scripts/wheels.sh [3.9 3.13 ...] [-- extra pip wheel options, e.g. --config-settings=cmake.define.X=Y]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/zig.sh"
PLAT="manylinux_${GLIBC/./_}_x86_64"
VERSIONS=()
EXTRA=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; EXTRA=("$@"); break; fi
  VERSIONS+=("$1"); shift
done
[ ${#VERSIONS[@]} -gt 0 ] || VERSIONS=(3.9 3.10 3.11 3.12 3.13)
zig_toolchain

mkdir -p "$ROOT/dist"
RAW="$ROOT/build/wheels-raw"
results=()
missing=0
n=0
for version in "${VERSIONS[@]}"; do
  n=$((n + 1))
  py=$(pyenv_python "$version")
  if [ -z "$py" ]; then
    echo "== [$n/${#VERSIONS[@]}] CPython $version: not found under pyenv, skipped"
    results+=("$version  not found")
    missing=1
    continue
  fi
  echo "== [$n/${#VERSIONS[@]}] CPython $version ($py): building for glibc $GLIBC"
  start=$SECONDS
  rm -rf "$RAW" && mkdir -p "$RAW"
  # The interpreters' own pip (23.0 for 3.9) takes --config-settings, not -C.
  settings=(--config-settings="build-dir=build/zig/{wheel_tag}")
  for define in "${ZIG_CMAKE[@]}"; do settings+=(--config-settings="cmake.define.${define#-D}"); done
  "$py" -m pip wheel -q --disable-pip-version-check --no-deps -w "$RAW" "${settings[@]}" "${EXTRA[@]}" "$ROOT" \
    2> >(grep -v "^WARNING: Location" >&2)
  raw=$(ls "$RAW"/*.whl)
  echo "   repairing $(basename "$raw") as $PLAT"
  PATH="$TOOLS/bin:$PATH" "$TOOLS/bin/auditwheel" repair --plat "$PLAT" --only-plat -w "$ROOT/dist" "$raw" \
    2>&1 | { grep -v "^INFO:" || true; }
  wheel="$ROOT/dist/$(basename "${raw%-linux_x86_64.whl}")-$PLAT.whl"
  shown=$("$TOOLS/bin/auditwheel" show "$wheel" | tr '\n' ' ' | grep -o 'platform tag: *"[^"]*"' | head -n 1 \
    | cut -d'"' -f2)
  results+=("$version  $(basename "$wheel")  auditwheel: ${shown:-?}  $(du -k "$wheel" | cut -f1) KiB  $((SECONDS - start)) s")
done

echo "== wheels in $ROOT/dist"
printf '   %s\n' "${results[@]}"
exit $missing
