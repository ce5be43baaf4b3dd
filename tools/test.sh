#!/bin/bash
# Runs every test of both builds: the native one under the address and
# undefined-behaviour sanitizers with short fuzz runs (the plain native preset
# builds and runs the same tests, so it is left out here), the 32-bit Windows
# product under Wine, and the 64-bit Windows test build of the same sources
# under Wine. Installs what is missing first, then checks the shell scripts
# (with shellcheck). Each preset runs as its CMake workflow (configure, build,
# test), and its counts come from the JUnit file its test step writes. Ends
# with one line counting the tests of all presets.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=packages.sh
source tools/packages.sh
require_packages "${native_packages[@]}" "${windows_packages[@]}"
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}

mapfile -t scripts < <(find tools tests -name '*.sh' | sort)
run_logged "checking the shell scripts with shellcheck" \
  shellcheck -x -P SCRIPTDIR .ci/run "${scripts[@]}"

# Prints "PASSED FAILED SKIPPED" for the CTest JUnit file $1. A test that
# ended with its skip code (SKIP_RETURN_CODE, SKIP_REGULAR_EXPRESSION) or is
# disabled counts as skipped; one that did not run for another reason (a
# failed fixture, a missing program) counts as failed, as CTest counts it.
junit_counts() {
  python3 - "$1" <<'EOF'
import sys
import xml.etree.ElementTree as ElementTree

passed = failed = skipped = 0
for case in ElementTree.parse(sys.argv[1]).getroot().iter("testcase"):
    status, skip = case.get("status"), case.find("skipped")
    if status == "run":
        passed += 1
    elif status == "disabled" or (
            status == "notrun" and skip is not None
            and skip.get("message", "").startswith("SKIP_")):
        skipped += 1
    else:
        failed += 1
print(passed, failed, skipped)
EOF
}

passed=0
failed=0
skipped=0
status=0
for preset in native-asan windows windows-x64; do
  echo "== $preset: configure, build and test"
  preset_started=$SECONDS
  junit=build/$preset/junit.xml
  rm -f "$junit"
  log=$(mktemp)
  # The configure and build steps go to the log only; the test step's lines
  # on each test, and its summary, are shown as they come.
  outcome=0
  cmake --workflow --preset "$preset" 2>&1 | tee "$log" |
    awk '/^Executing workflow step .*: test preset/ {testing = 1}
         testing && /Test +#|tests passed|SKIPPED:/' || outcome=$?
  # With pipefail $outcome is the workflow's own unless awk or tee failed.
  if [ "$outcome" != 0 ] && ! grep -q '^Executing workflow step .*: test preset' "$log"; then
    step=$(sed -n 's/^Executing workflow step .*: \([a-z]*\) preset.*/\1/p' "$log" | tail -n 1)
    tail -n 20 "$log" >&2
    rm -f "$log"
    echo "FAILED: the ${step:-configure} step of the $preset preset" \
      "(cmake --workflow --preset $preset). The lines above are its last output; fix that and run again." >&2
    exit 1
  fi
  rm -f "$log"
  if [ ! -f "$junit" ] || ! counts=$(junit_counts "$junit"); then
    echo "$preset: CTest wrote no readable $junit; counted as one failure. Run 'ctest --preset $preset' to see why." >&2
    failed=$((failed + 1))
    status=1
    continue
  fi
  read -r preset_passed preset_failed preset_skipped <<<"$counts"
  echo "$preset: $preset_passed passed, $preset_failed failed, $preset_skipped skipped in $((SECONDS - preset_started)) s"
  reason=build/$preset/wine/skip.txt
  if [ "$preset_skipped" != 0 ] && [ -f "$reason" ]; then
    echo "$preset: $preset_skipped Wine tests skipped: $(cat "$reason")"
  fi
  passed=$((passed + preset_passed))
  failed=$((failed + preset_failed))
  skipped=$((skipped + preset_skipped))
  [ "$preset_failed" = 0 ] || status=1
done
echo "tests: $passed passed, $failed failed, $skipped skipped"
exit $status
