# Sourced by the other scripts: installs the Debian packages given that are missing, or says
# which are missing and how to install them when this user cannot.
apt_install_missing() {
  local missing=() pkg sudo=()
  for pkg in "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  if [ "$(id -u)" != 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
      sudo=(sudo -n)
    else
      echo "error: missing Debian packages: ${missing[*]}" >&2
      echo "       install them as root:  apt-get install ${missing[*]}" >&2
      return 1
    fi
  fi
  echo "== installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! { "${sudo[@]}" apt-get update -qq && "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null; }; then
    echo "error: apt-get could not install: ${missing[*]}" >&2
    return 1
  fi
}
