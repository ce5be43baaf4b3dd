# shellcheck shell=bash
# Sourced by the scripts that run Windows programs under Wine.
#   wine_runs_32bit     true when this host runs Wine's 32-bit loader and the
#                       switch UPGRADE_WINE_64_ONLY is not set; when false,
#                       $wine_32bit_reason says why in one line
#   use_wine BITS       picks the loader for programs of BITS (32 or 64)
#   wine_run PROGRAM... runs a Windows program with that loader
#   start_wine_prefix   creates $WINEPREFIX when it is new and keeps a
#                       persistent wineserver running for it, so that every
#                       later program start is fast
#   stop_wine_prefix    stops that server
# Set WINEPREFIX, and WINEARCH for a new 32-bit prefix, before starting one.

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine reaches Unix file names through the locale's character set: with no
# locale set (a container, a chroot, cron) it cannot reach a non-ASCII
# folder. C.UTF-8 is always there; a caller may choose another after this.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

wine_loader=wine
wine_bits=32

# shellcheck disable=SC2034  # wine_32bit_reason is read by the scripts that source this file
wine_runs_32bit() {
  if [ -n "${UPGRADE_WINE_64_ONLY:-}" ]; then
    wine_32bit_reason="UPGRADE_WINE_64_ONLY is set, so only 64-bit Windows programs run"
    return 1
  fi
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    wine_32bit_reason="this host runs no 32-bit code (/usr/lib/wine/wine --version fails)"
    return 1
  fi
}

# The `wine` script prefers the 32-bit loader whenever it is installed, even
# where it cannot run, so 64-bit programs get the 64-bit loader by name.
use_wine() {
  wine_bits=$1
  if [ "$wine_bits" = 64 ]; then
    wine_loader=/usr/lib/wine/wine64
    export WINELOADER=$wine_loader
  else
    wine_loader=wine
    unset WINELOADER
  fi
  command -v "$wine_loader" >/dev/null || {
    echo "No Wine loader $wine_loader: install the Debian packages wine and wine64 (bash tools/test.sh does)." >&2
    return 1
  }
}

wine_run() { "$wine_loader" "$@"; }

# Ends a test with CTest's skip code when the test run decided that this
# host cannot run the programs of the build that $WINEPREFIX belongs to.
skip_if_build_cannot_run() {
  local reason
  reason=$(dirname "$WINEPREFIX")/skip.txt
  [ -f "$reason" ] || return 0
  echo "SKIPPED: $(cat "$reason")"
  exit 77
}

start_wine_prefix() {
  mkdir -p "$WINEPREFIX"
  # Neither the server nor the prefix's service processes, which live as long
  # as it does, may hold on to our output, or a caller reading that output
  # would never see its end. wineboot starts the services here, detached.
  if [ "$wine_bits" = 64 ]; then
    # Without 32-bit code, wineboot -i returns before the prefix is complete:
    # wait for it with no persistent server running, then start one.
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wine_run wineboot -i </dev/null >/dev/null 2>&1 || true
      wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    wine_run wineboot </dev/null >/dev/null 2>&1 || true
  else
    wineserver -p </dev/null >/dev/null 2>&1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i </dev/null >/dev/null 2>&1
    else
      wineboot </dev/null >/dev/null 2>&1
    fi
  fi
  [ -d "$WINEPREFIX/drive_c/windows" ] || {
    echo "The Wine prefix $WINEPREFIX was not created; remove it and run again, or run 'WINEPREFIX=$WINEPREFIX $wine_loader wineboot -i' to see why." >&2
    return 1
  }
}

stop_wine_prefix() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
}
