#!/bin/bash
# Runs a Windows test program under Wine in the prefix the test names in
# WINEPREFIX, quietly.
set -euo pipefail
: "${WINEPREFIX:?each Windows test names its Wine prefix in WINEPREFIX}"
export WINEDEBUG=-all
exec wine "$@"
