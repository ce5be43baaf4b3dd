#!/bin/bash
# Benchmarks of the folder wipe, each measured side by side with the
# platform's own tool in the same run:
#   - under Wine: the program wiping an information folder against
#     `cmd /c rd /s /q` on an identical tree (goal: at most 0.2 of its time);
#   - natively: DeleteFolderTree against `rm -rf` (goal: at most 1.5 times);
#   - peak memory of the native program wiping 5,000 and 50,000 files, and a
#     tree 5 and 50 levels deep (goal: flat in files, growing only with depth).
#   bash tools/bench.sh [FILES [FOLDERS [RUNS]]]     defaults: 5000 200 5
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-5000}
folders=${2:-200}
runs=${3:-5}
source tools/packages.sh
require_packages "${native_packages[@]}" "${windows_packages[@]}" time
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}

source tools/wine_prefix.sh
# Under Wine the 32-bit product is timed where this host runs it, otherwise
# the 64-bit build of the same sources; the report says which.
wine_preset=windows
wine_build="32-bit product"
if ! wine_runs_32bit; then
  echo "The 32-bit program cannot run here, $wine_32bit_reason: timing the 64-bit build under Wine."
  wine_preset=windows-x64
  wine_build="64-bit test build"
  use_wine 64
else
  use_wine 32
fi

echo "Building ..."
for preset in native "$wine_preset"; do
  run_logged "configuring the $preset preset" cmake --preset "$preset"
  run_logged "building the $preset preset" cmake --build --preset "$preset" --target upgrade recorder
done
run_logged "building the native benchmark program" cmake --build --preset native --target delete_folder_tree
native=$PWD/build/native
product_code=$(sed -n 's/^UPGRADE_PRODUCT_CODE:STRING=//p' "$native/CMakeCache.txt")
scratch=$(mktemp -d /tmp/upgrade-bench.XXXXXX)

# A tree of $1 files spread evenly over $2 folders, each folder $3 levels
# below the top (a chain of single folders above it). Names are short so that
# 50 levels stay within the 260-character path limit of the system calls.
make_tree() {
  local top=$1 count=$2 spread=$3 depth=${4:-1} f d chain=""
  for ((d = 1; d < depth; d++)); do chain+="l/"; done
  mkdir -p "$top"
  for ((d = 0; d < spread; d++)); do mkdir -p "$top/${chain}d$d"; done
  for ((f = 0; f < count; f++)); do
    printf 'file %d\n' "$f" >"$top/${chain}d$((f % spread))/f$f.dat"
  done
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

template=$scratch/template
make_tree "$template" "$files" "$folders"

# --- Wine -------------------------------------------------------------------
export WINEPREFIX=$scratch/prefix
trap 'stop_wine_prefix; rm -rf "$scratch"' EXIT
echo "Creating a Wine prefix for the benchmark ..."
start_wine_prefix
drive_c=$WINEPREFIX/drive_c
source tools/info_folder.sh
info=$(info_folder_host "$drive_c" 64 "$product_code")
mkdir -p "$drive_c/dist" "$(dirname "$info")"
cp "build/$wine_preset/upgrade.exe" "$drive_c/dist/upgrade.exe"
# The program removes nothing without an installer that can start beside it;
# the recorder, without its record file, ends at once.
cp "build/$wine_preset/tests/recorder.exe" "$drive_c/dist/data.exe"

# Puts a fresh copy of the template at $1, wipes it with the command that
# follows, checks it is gone, and prints how long the command took.
wipe_ms() {
  local tree=$1 start
  shift
  rm -rf "$tree"
  cp -a "$template" "$tree"
  start=$(now_ms)
  "$@" </dev/null >/dev/null 2>&1
  echo $(($(now_ms) - start))
  [ ! -e "$tree" ] || { echo "$* left $tree" >&2; exit 1; }
}

program_ms=()
rd_ms=()
for ((run = 0; run < runs; run++)); do
  ms=$(wipe_ms "$info" wine_run 'C:\dist\upgrade.exe') && program_ms+=("$ms")
  ms=$(wipe_ms "$drive_c/rdtree" wine_run cmd /c rd /s /q 'C:\rdtree') && rd_ms+=("$ms")
done
wine_program=$(median "${program_ms[@]}")
wine_rd=$(median "${rd_ms[@]}")

# --- Native -----------------------------------------------------------------
tree_ms=()
rm_ms=()
for ((run = 0; run < runs; run++)); do
  ms=$(wipe_ms "$scratch/a" "$native/tests/delete_folder_tree" "Z:$scratch/a") && tree_ms+=("$ms")
  ms=$(wipe_ms "$scratch/b" rm -rf "$scratch/b") && rm_ms+=("$ms")
done
native_tree=$(median "${tree_ms[@]}")
native_rm=$(median "${rm_ms[@]}")

# Peak memory of the native program during a whole upgrade run whose only
# work is wiping the information folder.
native_c=$(sed -n 's/^UPGRADE_DRIVE_C:PATH=//p' "$native/CMakeCache.txt")
native_info=$(info_folder_host "$native_c" 32 "$product_code")
peak_kib() {
  rm -rf "$(dirname "$native_info")" "$native_c/Windows/SysWOW64"
  mkdir -p "$(dirname "$native_info")"
  make_tree "$native_info" "$1" "$2" "$3"
  mkdir -p "$native_c/bench"
  cp "$native/upgrade" "$native_c/bench/upgrade"
  cp "$native/tests/recorder" "$native_c/bench/data.exe"
  local peak
  peak=$( { /usr/bin/time -f '%M' "$native_c/bench/upgrade" >/dev/null; } 2>&1 | tail -1)
  [ ! -e "$native_info" ] || { echo "the program left the information folder"; exit 1; }
  rm -rf "$native_c/bench"
  echo "$peak"
}
# A drive folder the tests have not made yet gets their mark, as they would.
[ -n "$(ls -A "$native_c" 2>/dev/null)" ] || {
  mkdir -p "$native_c"
  echo "made by the tests" >"$native_c/.upgrade-tests-drive"
}
peak_5k=$(peak_kib 5000 200 1)
peak_50k=$(peak_kib 50000 2000 1)
peak_depth5=$(peak_kib 5000 200 5)
peak_depth50=$(peak_kib 5000 200 50)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
cat <<REPORT

Benchmark: $files files in $folders folders, median of $runs runs
  $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(date -u +%Y-%m-%d), $(wine_run --version 2>/dev/null)

| measurement | program | platform tool | ratio | goal |
|---|---|---|---|---|
| Wine ($wine_build): upgrade.exe wiping the information folder vs cmd /c rd /s /q | ${wine_program} ms | ${wine_rd} ms | $(ratio "$wine_program" "$wine_rd") | <= 0.20 |
| Native: DeleteFolderTree vs rm -rf | ${native_tree} ms | ${native_rm} ms | $(ratio "$native_tree" "$native_rm") | <= 1.50 |

| native program's peak memory | KiB |
|---|---|
| 5,000 files in 200 folders | $peak_5k |
| 50,000 files in 2,000 folders | $peak_50k |
| 5,000 files, folders 5 levels deep | $peak_depth5 |
| 5,000 files, folders 50 levels deep | $peak_depth50 |
REPORT
