#!/bin/bash
# Creates the two Wine prefixes of the test run, a 64-bit and a 32-bit one,
# once, and keeps a persistent wineserver running for each; or stops those
# servers.
#   prefixes.sh start|stop DIR
set -euo pipefail
action=$1
dir=$2
source "$(dirname "$0")/../../tools/wine_prefix.sh"

for bits in 64 32; do
  export WINEPREFIX="$dir/prefix$bits"
  if [ "$bits" = 32 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
  case "$action" in
    start)
      start_wine_prefix
      echo "prefix$bits ready"
      ;;
    stop)
      stop_wine_prefix
      echo "prefix$bits server stopped"
      ;;
  esac
done
