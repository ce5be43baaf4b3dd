#!/bin/bash
# Runs every test of both builds: the native one, the same under the address
# and undefined-behaviour sanitizers with short fuzz runs, the 32-bit Windows
# product under Wine, and the 64-bit Windows test build of the same sources
# under Wine. Installs what is missing first. Ends with one line counting the
# tests of all presets.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
require_packages "${native_packages[@]}" "${windows_packages[@]}"
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}

passed=0
failed=0
skipped=0
status=0
for preset in native native-asan windows windows-x64; do
  echo "== $preset: configure and build"
  run_logged "configuring the $preset preset" cmake --preset "$preset"
  run_logged "building the $preset preset" cmake --build --preset "$preset"
  echo "== $preset: test"
  log=$(mktemp)
  ctest --preset "$preset" 2>&1 | tee "$log" | grep -E "Test +#|tests passed|SKIPPED:" || true
  summary=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" || true)
  skips=$(grep -cE "^[[:space:]]+[0-9]+ - .* \(Skipped\)$" "$log" || true)
  rm -f "$log"
  reason=build/$preset/wine/skip.txt
  if [ "$skips" != 0 ] && [ -f "$reason" ]; then
    echo "$preset: $skips Wine tests skipped: $(cat "$reason")"
  fi
  if [[ $summary =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    skipped=$((skipped + skips))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1] - skips))
    [ "${BASH_REMATCH[1]}" = 0 ] || status=1
  else
    echo "$preset: ctest printed no summary; run 'ctest --preset $preset' to see why." >&2
    status=1
  fi
done
echo "tests: $passed passed, $failed failed, $skipped skipped"
exit $status
