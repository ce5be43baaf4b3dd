#!/bin/bash
# Builds the bootstrapper for Windows and shows one silent upgrade under Wine,
# in a throwaway 64-bit Wine prefix: a previous installation is set up with a
# stand-in for the installer engine's maintenance program, a distribution
# folder with the bootstrapper and a stand-in installer, and the bootstrapper
# is started with one argument. Prints what happened. Then it runs the same
# upgrade once more with the program built to keep a log and to end with the
# installer's exit code and to keep the previous version after a failed
# uninstall (the tests' options program), and shows that log; and once more
# with an uninstaller that reports a failure, which that build stops at. On
# a host that runs no
# 32-bit code (or with UPGRADE_WINE_64_ONLY set) it shows the 64-bit build of
# the same sources instead of the 32-bit product.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
require_packages "${windows_packages[@]}"
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
source tools/wine_prefix.sh

echo "Building the Windows program ..."
run_logged "configuring the windows preset" cmake --preset windows
run_logged "building the Windows program" cmake --build --preset windows --target upgrade upgrade_options recorder launcher
preset=windows
if ! wine_runs_32bit; then
  echo "The 32-bit program cannot run here, $wine_32bit_reason: showing the 64-bit build of the same sources; the product stays build/windows/upgrade.exe."
  preset=windows-x64
  run_logged "configuring the windows-x64 preset" cmake --preset windows-x64
  run_logged "building the 64-bit test build" cmake --build --preset windows-x64 --target upgrade upgrade_options recorder launcher
  use_wine 64
else
  use_wine 32
fi
build=$PWD/build/$preset
program=$build/upgrade.exe

prefix=$(mktemp -d /tmp/upgrade-demo.XXXXXX)
export WINEPREFIX=$prefix
trap 'stop_wine_prefix; rm -rf "$prefix"' EXIT
echo "Creating a throwaway Wine prefix in $prefix ..."
start_wine_prefix

product_code=$(sed -n 's/^UPGRADE_PRODUCT_CODE:STRING=//p' "$build/CMakeCache.txt")
drive_c=$prefix/drive_c
source tools/info_folder.sh
info_win=$(info_folder_win 64 "$product_code")
info=$(info_folder_host "$drive_c" 64 "$product_code")
dist_win='C:\Distribution'
dist=$drive_c/Distribution

# The previous installation, as the installer engine leaves it.
make_previous_install() {
  mkdir -p "$info/Disk1" "$info/Support/Lang"
  cp "$build/tests/recorder.exe" "$info/setup.exe"
  echo cab >"$info/Disk1/data1.cab"
  echo hdr >"$info/Disk1/data1.hdr"
  echo ini >"$info/Support/Lang/0409.ini"
}
make_previous_install
# The new version's distribution folder.
mkdir -p "$dist"
cp "$program" "$dist/upgrade.exe"
cp "$build/tests/recorder.exe" "$dist/data.exe"
printf '[InstallShield Silent]\r\n' >"$dist/setup.iss"
printf '[InstallShield Silent]\r\nResponse for the uninstall\r\n' >"$dist/uninstall.iss"

listing() {
  (cd "$1" && find . -mindepth 1 | sort | sed 's|^\./|      |; s|/|\\|g')
}

work=$prefix/work
mkdir -p "$work"
export RECORD_FILE="Z:${work//\//\\}\\record.txt"
before_info=$(listing "$info")
before_dist=$(listing "$dist")

# Started as a user would start it, with one argument: silent mode. Sets
# $exit_code.
line="\"$dist_win\\upgrade.exe\" /s"
printf '%s' "$line" >"$work/line.txt"
run_bootstrapper() {
  local launched
  launched=$(cd "$work" && wine_run "$build/tests/launcher.exe" "$dist_win\\upgrade.exe" \
    "Z:${work//\//\\}\\line.txt" 2>&1 | tr -d '\r') || true
  exit_code=$(sed -n 's/^exit=//p' <<<"$launched")
  [ -n "$exit_code" ] || {
    echo "FAILED: Wine could not start the bootstrapper ($launched). Run 'WINEPREFIX=$prefix $wine_loader $program' to see why." >&2
    exit 1
  }
}
run_bootstrapper

# What each stand-in program recorded about its start, in order.
steps=$(tr -d '\r' <"$work/record.txt" | awk '
  /^run / { n++; name=$2; next }
  /^path=/ { sub(/^path=/, ""); printf "  %d. %s started: %s\n", n, name, $0; next }
  /^line=/ { sub(/^line=/, ""); printf "       its command line: %s\n", $0; next }
  /^response=present/ && name == "setup.exe" { printf "       uninstall.iss beside it: yes, copied there by the bootstrapper (first line \"%s\")\n", substr($0, index($0, "first=") + 6); next }
  /^response=absent/ && name == "setup.exe" { print "       uninstall.iss beside it: no"; next }
  /^end / { printf "     %s ended with exit code 23, which the bootstrapper ignores; %s\n", $2, ($2 == "setup.exe" ? "then it deleted the information folder" : "then the bootstrapper ended") }')
if [ -e "$info" ]; then after_info=$(listing "$info"); after_info=${after_info:-"      (empty)"}; else after_info="      (gone)"; fi

cat <<REPORT

==== Upgrade bootstrapper: a silent upgrade, shown under Wine ====
Program: $program

Machine: 64-bit Windows layout (C:\\Windows\\SysWOW64 exists), so the
installed version's maintenance files are looked for under "Program Files (x86)".

Before
  Information folder of the installed version:
    $info_win
$before_info
  Distribution folder of the new version, $dist_win:
$before_dist

Started: $line
  One argument, so the new installer runs silently with setup.iss.

What happened, in order (as the stand-in programs recorded it):
$steps

After
  Information folder:
$after_info
  Exit code of upgrade.exe: $exit_code
  The bootstrapper itself showed nothing and wrote nothing else.
REPORT

# The same upgrade with the program built with UPGRADE_EXIT_CODE=installer,
# UPGRADE_AFTER_FAILED_UNINSTALL=keep and
# UPGRADE_LOG=%SystemRoot%\Temp\upgrade.log; this time the stand-in
# uninstaller writes ResultCode=0 (success) to its setup.log, and the
# installer ends with 3010, "restart needed".
make_previous_install
cp "$build/tests/upgrade_options.exe" "$dist/upgrade.exe"
rm -f "$work/record.txt" "$drive_c/windows/temp/upgrade.log"
export RECORDER_EXIT="data.exe=3010" RECORDER_RESULT="setup.exe=0"
run_bootstrapper
cat <<REPORT

==== The same upgrade, built to keep a log and pass on the installer's code ====
Built with UPGRADE_EXIT_CODE=installer, UPGRADE_AFTER_FAILED_UNINSTALL=keep and
UPGRADE_LOG=%SystemRoot%\Temp\upgrade.log.
  Exit code of upgrade.exe: $exit_code (the installer's own)
  The log, C:\windows\Temp\upgrade.log:
$(tr -d '\r' <"$drive_c/windows/temp/upgrade.log" | sed 's/^/    /')
REPORT

# Once more, with an uninstaller that writes ResultCode=-3, "required data not
# found in the response file": that build deletes nothing and starts no
# installer.
make_previous_install
rm -f "$work/record.txt" "$drive_c/windows/temp/upgrade.log"
export RECORDER_RESULT="setup.exe=-3"
run_bootstrapper
cat <<REPORT

==== The same build, and an uninstall that failed ====
  Exit code of upgrade.exe: $exit_code
  Information folder afterwards:
$(listing "$info")
  The log:
$(tr -d '\r' <"$drive_c/windows/temp/upgrade.log" | sed 's/^/    /')
REPORT
