#!/bin/bash
# Creates the two Wine prefixes of a Windows test build, one for each layout,
# once, and keeps a persistent wineserver running for each; or stops those
# servers.
#   prefixes.sh start|stop DIR BITS
# BITS is the build's: 32 for the product, 64 for the test build.
# - 32: prefix64 is a 64-bit prefix, prefix32 a 32-bit one. Both need Wine's
#   32-bit loader; where this host cannot run it, no prefix is made and
#   DIR/skip.txt says why, so that each test of the build reports a skip.
# - 64: both are 64-bit prefixes made with the 64-bit loader; prefix32 has its
#   windows/syswow64 moved aside, which is all the program looks at to tell
#   the 32-bit layout.
set -euo pipefail
action=$1
dir=$2
bits=$3
source "$(dirname "$0")/../../tools/wine_prefix.sh"
use_wine "$bits"
mkdir -p "$dir"

if [ "$action" = start ] && [ "$bits" = 32 ]; then
  rm -f "$dir/skip.txt"
  if ! wine_runs_32bit; then
    echo "$wine_32bit_reason" >"$dir/skip.txt"
    echo "32-bit Wine tests will be skipped: $wine_32bit_reason"
    exit 0
  fi
fi

for layout in 64 32; do
  export WINEPREFIX="$dir/prefix$layout"
  if [ "$bits$layout" = 3232 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
  case "$action" in
    start)
      new=no
      [ -f "$WINEPREFIX/system.reg" ] || new=yes
      start_wine_prefix
      # The mark by which the tests know a drive C: they made, and may change.
      [ "$new" = no ] || echo "made by the tests" >"$WINEPREFIX/drive_c/.upgrade-tests-drive"
      system=$WINEPREFIX/drive_c/windows
      if [ "$bits$layout" = 6432 ] && [ -d "$system/syswow64" ]; then
        rm -rf "$system/syswow64.aside"
        mv "$system/syswow64" "$system/syswow64.aside"
      fi
      echo "prefix$layout ready"
      ;;
    stop)
      [ -d "$WINEPREFIX" ] && stop_wine_prefix
      echo "prefix$layout server stopped"
      ;;
  esac
done
