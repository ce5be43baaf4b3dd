# Sourced by the quick-start scripts: makes sure Debian packages are there.
#   require_packages PACKAGE...
# Installs what is missing when run as root; otherwise prints the one apt-get
# line needed and stops.

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
  DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
}

native_packages=(cmake g++ googletest clang libclang-rt-14-dev)
windows_packages=(cmake g++-mingw-w64-i686 googletest wine wine32:i386 wine64)
