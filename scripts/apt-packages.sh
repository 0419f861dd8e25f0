# Sourced by the install scripts: which Debian packages are missing, and installing them
# (through sudo when not root). Everything apt says goes to standard error, so a script's
# standard output stays its own.

# Prints the packages among the arguments that are not installed, one a line.
missing_packages() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$p"
    fi
  done
}

# install_packages NAME PACKAGE...: apt-get update and install, only when there is any.
install_packages() {
  local name=$1
  shift
  [ "$#" -gt 0 ] || return 0
  local sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
  fi
  echo "$name: installing $*" >&2
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >&2
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    --no-install-recommends "$@" >&2
}
