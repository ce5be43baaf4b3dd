# shellcheck shell=bash
# Sourced by the quick-start scripts: makes sure Debian packages are there.
#   require_packages PACKAGE...
# Installs what is missing when run as root; otherwise prints the one apt-get
# line needed and stops.
#   run_logged WHAT COMMAND...
# Runs a command quietly; when it fails, prints its output and one line
# saying what failed, and stops.

package_missing() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" != "install ok installed" ]
}

require_packages() {
  local missing=() package needs_i386=no
  for package in "$@"; do
    if package_missing "$package"; then
      missing+=("$package")
      [[ $package == *:i386 ]] && needs_i386=yes
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local install="apt-get install -y ${missing[*]}"
  local prepare=""
  if [ "$needs_i386" = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    prepare="dpkg --add-architecture i386 && "
  fi
  if [ "$(id -u)" != 0 ]; then
    echo "Missing packages: ${missing[*]}. As root, run:" >&2
    echo "  ${prepare}apt-get update && $install" >&2
    exit 1
  fi
  echo "Installing ${missing[*]} ..."
  [ -n "$prepare" ] && dpkg --add-architecture i386
  run_logged "updating the Debian package lists" apt-get update -q
  # A 32-bit package's set-up step may fail on a host that runs no 32-bit
  # code; apt-get still installs it, and the tests find that out for
  # themselves.
  DEBIAN_FRONTEND=noninteractive run_logged "installing ${missing[*]}" \
    apt-get install -y -q "${missing[@]}"
}

run_logged() {
  local what=$1 log
  shift
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    rm -f "$log"
    echo "FAILED: $what ($*). The lines above are its last output; fix that and run again." >&2
    exit 1
  fi
  rm -f "$log"
}

# The packages each build needs; the scripts that source this file hand them
# to require_packages.
# shellcheck disable=SC2034  # read by the scripts that source this file
native_packages=(cmake g++ googletest clang libclang-rt-14-dev python3 strace shellcheck)
# shellcheck disable=SC2034  # read by the scripts that source this file
windows_packages=(cmake g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest wine wine32:i386 wine64
  osslsigncode openssl locales nsis)
