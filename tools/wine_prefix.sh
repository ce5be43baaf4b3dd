# Sourced by the scripts that run Windows programs under Wine.
#   start_wine_prefix   creates $WINEPREFIX when it is new and keeps a
#                       persistent wineserver running for it, so that every
#                       later program start is fast
#   stop_wine_prefix    stops that server
# Set WINEPREFIX, and WINEARCH for a new 32-bit prefix, before calling.

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

start_wine_prefix() {
  mkdir -p "$WINEPREFIX"
  # Neither the server nor the prefix's service processes, which live as long
  # as it does, may hold on to our output, or a caller reading that output
  # would never see its end. wineboot starts the services here, detached.
  wineserver -p </dev/null >/dev/null 2>&1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
  else
    wineboot </dev/null >/dev/null 2>&1
  fi
  [ -d "$WINEPREFIX/drive_c/windows" ] || {
    echo "Wine prefix $WINEPREFIX was not created" >&2
    return 1
  }
}

stop_wine_prefix() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
}
