#!/bin/bash
# Runs a Windows test program under Wine in the prefix the test names in
# WINEPREFIX, quietly, with the loader for the build's programs (WINE_BITS).
# Reports a skip where the test run found this host cannot run them.
set -euo pipefail
: "${WINEPREFIX:?each Windows test names its Wine prefix in WINEPREFIX}"
source "$(dirname "$0")/../../tools/wine_prefix.sh"
skip_if_build_cannot_run
use_wine "${WINE_BITS:?each Windows test names the bits of its build in WINE_BITS}"
wine_run "$@"
