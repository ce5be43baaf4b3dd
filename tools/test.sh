#!/bin/bash
# Runs every test of both builds: the native one, the same under the address
# and undefined-behaviour sanitizers with short fuzz runs, and the 32-bit
# Windows one under Wine. Installs what is missing first. Ends with the test
# counts.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
require_packages "${native_packages[@]}" "${windows_packages[@]}"
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}

passed=0
failed=0
status=0
for preset in native native-asan windows; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
  echo "== $preset: test"
  log=$(mktemp)
  ctest --preset "$preset" 2>&1 | tee "$log" | grep -E "Test +#|tests passed" || true
  summary=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" || true)
  rm -f "$log"
  if [[ $summary =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
    [ "${BASH_REMATCH[1]}" = 0 ] || status=1
  else
    echo "$preset: no test summary" >&2
    status=1
  fi
done
echo "tests: $passed passed, $failed failed"
exit $status
