#!/bin/bash
# Creates the two Wine prefixes of the test run, a 64-bit and a 32-bit one,
# once, and keeps a persistent wineserver running for each, which makes every
# later program start fast; or stops those servers.
#   prefixes.sh start|stop DIR
set -euo pipefail
action=$1
dir=$2
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

for bits in 64 32; do
  export WINEPREFIX="$dir/prefix$bits"
  if [ "$bits" = 32 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
  case "$action" in
    start)
      mkdir -p "$WINEPREFIX"
      # The server must not hold on to our output, or a caller reading it
      # would never see its end.
      wineserver -p </dev/null >/dev/null 2>&1
      # wineboot also starts the prefix's service processes, which live as
      # long as the server: started here, they hold no test's output open.
      if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i </dev/null >/dev/null 2>&1
      else
        wineboot </dev/null >/dev/null 2>&1
      fi
      [ -d "$WINEPREFIX/drive_c/windows" ] || { echo "prefix $WINEPREFIX not created"; exit 1; }
      echo "prefix$bits ready"
      ;;
    stop)
      wineserver -k </dev/null >/dev/null 2>&1 || true
      echo "prefix$bits server stopped"
      ;;
  esac
done
