# shellcheck shell=bash
# Helpers for the end-to-end scenarios: a drive C: to set up, the upgrade
# program to start, and the record the fixture programs leave.
#
# Environment, set by the test: KIND (native or wine), LAYOUT (64 or 32),
# PROGRAM, OPTIONS_PROGRAM (the same program built with the options changed
# from their defaults), DEPLOYMENT_PROGRAM (built with the windows-deployment
# preset's settings), RECORDER, OUT_OF_MEMORY, LAUNCHER, IMPORTER and
# IMPORTED_DLL (wine: an installer that needs that DLL beside it), WORK (a
# scratch folder of the test run), BUILD_DIR, PRODUCT_CODE, UNIT_TESTS (the unit test program),
# and DRIVE_C (native) or WINEPREFIX and WINE_BITS, the bits of the build's
# programs (wine).

set -euo pipefail

if [ "$KIND" = wine ]; then
  source "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine_prefix.sh"
  skip_if_build_cannot_run
  # shellcheck disable=SC2153  # WINE_BITS comes from the test's environment
  use_wine "$WINE_BITS"
  drive_c=$WINEPREFIX/drive_c
  exe=.exe
else
  # shellcheck disable=SC2153  # DRIVE_C comes from the test's environment
  drive_c=$DRIVE_C
  exe=
fi
record=$WORK/record.txt
# Where what the Windows programs started write to standard error goes.
start_errors=$WORK/errors.txt
# The file name the upgrade program is given in the distribution folder.
program_file=upgrade$exe
# The mark of a drive folder the tests made themselves, when it was new.
drive_marker=.upgrade-tests-drive
# Seconds a run of the upgrade program may take before it is ended with its
# process group, so that a program that starts itself over cannot hang a test.
run_limit=60
# Natively, a command the program is started through, as another account:
# run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups).
run_as=()

# The host path $1 as the fixture programs name it: under Wine on drive Z:.
fixture_path() {
  if [ "$KIND" = wine ]; then echo "Z:${1//\//\\}"; else echo "$1"; fi
}
export RECORD_FILE
RECORD_FILE=$(fixture_path "$record")

source "$(dirname "${BASH_SOURCE[0]}")/../../tools/info_folder.sh"
info_win=$(info_folder_win "$LAYOUT" "$PRODUCT_CODE")

fail() {
  echo "FAILED: $*" >&2
  if [ -f "$record" ]; then
    echo "--- record:" >&2
    cat "$record" >&2
  fi
  exit 1
}

# The host path of a path on drive C:.
host() {
  local rest=${1#C:}
  rest=${rest//\\//}
  echo "$drive_c$rest"
}

# The drive form of the scratch folder, the current folder of every run.
work_win() { echo "Z:${WORK//\//\\}"; }

# Stops unless drive C: is a folder the tests made: inside the build tree and
# carrying their mark, made when the folder was new. A native drive folder
# that is missing or empty is made and marked here.
check_own_drive() {
  case "$drive_c" in
    "$BUILD_DIR"/*) ;;
    *) fail "refusing to touch drive C: at $drive_c: it lies outside the build tree $BUILD_DIR" ;;
  esac
  if [ "$KIND" = native ] && [ -z "$(ls -A "$drive_c" 2>/dev/null)" ]; then
    mkdir -p "$drive_c"
    touch "$drive_c/$drive_marker"
  fi
  [ -f "$drive_c/$drive_marker" ] ||
    fail "refusing to touch drive C: at $drive_c: the tests did not make it (no $drive_marker); if it is a folder of an older test run, delete it"
}

# The product's registration for Add or Remove Programs, below
# HKEY_LOCAL_MACHINE, and the other name engines built on Windows Installer
# give it. Natively the stand-in keeps keys as folders in drive C:; under Wine
# the prefix's registry holds them, and a mark in drive C: says that a
# scenario made one, so that the next reset deletes them.
registration_key="SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$PRODUCT_CODE"
registration_keys=("$registration_key" "${registration_key%\\*}\\InstallShield_$PRODUCT_CODE")
registrations_made=.upgrade-tests-registrations
registry_folder() { echo "$drive_c/.registry/HKEY_LOCAL_MACHINE/${1//\\//}"; }

# Under Wine: runs the prefix's reg.exe with the arguments that follow, as
# run_windows_program does.
run_reg() { run_windows_program "$drive_c/windows/system32/reg.exe" "$@" >/dev/null; }

# Makes the product's registration, in the 32-bit view.
make_registration() {
  local key=$registration_key
  if [ "$KIND" = wine ]; then
    touch "$drive_c/$registrations_made"
    run_reg add "HKLM\\$key" /reg:32 /f
    [ "$exit_code" = 0 ] || fail "reg add $key failed: exit code $exit_code"
  else
    mkdir -p "$(registry_folder "$key")"
  fi
}

# The key $1 (the product's registration by default) is there, or with
# absent, is not.
expect_registration() {
  local key=${2:-$registration_key} there=yes
  if [ "$KIND" = wine ]; then
    run_reg query "HKLM\\$key" /reg:32
    [ "$exit_code" = 0 ] || there=no
  else
    [ -d "$(registry_folder "$key")" ] || there=no
  fi
  [ "$there" = "$1" ] || fail "registration $key there: $there, expected $1"
}

# Deletes both keys of the product.
remove_registrations() {
  local key
  for key in "${registration_keys[@]}"; do
    if [ "$KIND" = wine ]; then
      run_reg delete "HKLM\\$key" /reg:32 /f
    else
      rm -rf "$(registry_folder "$key")"
    fi
  done
  rm -f "$drive_c/$registrations_made"
}

# An empty drive C: for the layout: everything the scenarios made goes; a
# Wine prefix keeps its own system folders, and loses the product's
# registrations when a scenario made them.
reset_drive() {
  check_own_drive
  mkdir -p "$WORK"
  chmod -R u+w "$WORK" "$drive_c" 2>/dev/null || true
  if [ "$KIND" = wine ]; then
    [ ! -f "$drive_c/$registrations_made" ] || remove_registrations
    local entry
    for entry in "$drive_c"/*; do
      case "${entry##*/}" in
        "Program Files" | "Program Files (x86)" | ProgramData | users | windows) ;;
        *) rm -rf "$entry" ;;
      esac
    done
    rm -rf "$(dirname "$(info_folder_host "$drive_c" 32 "$PRODUCT_CODE")")" \
      "$(dirname "$(info_folder_host "$drive_c" 64 "$PRODUCT_CODE")")"
    if [ "$LAYOUT" = 64 ]; then
      [ -d "$drive_c/windows/syswow64" ] || fail "the 64-bit prefix has no SysWOW64"
    else
      [ ! -e "$drive_c/windows/syswow64" ] || fail "the 32-bit prefix has a SysWOW64"
    fi
  else
    find "${drive_c:?}" -mindepth 1 -maxdepth 1 ! -name "$drive_marker" -exec rm -rf {} +
    mkdir -p "$drive_c/Windows/System32" "$drive_c/Program Files"
    if [ "$LAYOUT" = 64 ]; then
      mkdir -p "$drive_c/Windows/SysWOW64" "$drive_c/Program Files (x86)"
    fi
  fi
  rm -rf "${WORK:?}"/*
  mkdir -p "$WORK"
}

# The distributions made from here on hold the program built with the
# options changed from their defaults.
use_options_program() { PROGRAM=$OPTIONS_PROGRAM; }
# ... or the program built with the windows-deployment preset's settings.
use_deployment_program() { PROGRAM=$DEPLOYMENT_PROGRAM; }

# A distribution folder: the upgrade program, the installer and both response
# files.
make_distribution() {
  local folder
  folder=$(host "$1")
  mkdir -p "$folder"
  cp "$PROGRAM" "$folder/$program_file"
  cp "$RECORDER" "$folder/data.exe"
  printf '[install response]\r\n' >"$folder/setup.iss"
  printf '[uninstall response]\r\nmore\r\n' >"$folder/uninstall.iss"
}

# A previous installation: the maintenance program and some files in the
# information folder.
make_previous_install() {
  local folder
  folder=$(host "$info_win")
  mkdir -p "$folder/Disk1" "$folder/Support/Lang"
  cp "$RECORDER" "$folder/setup.exe"
  echo cab >"$folder/Disk1/data1.cab"
  echo hdr >"$folder/Disk1/data1.hdr"
  echo ini >"$folder/Support/Lang/0409.ini"
  echo log >"$folder/.setup.log"
}

# The command line that starts the upgrade program in the distribution
# folder $1 with the arguments that follow.
upgrade_line() {
  local line="\"$1\\$program_file\"" argument
  shift
  for argument in "$@"; do line+=" $argument"; done
  printf '%s' "$line"
}

# Starts the upgrade program in the distribution folder $1 with the arguments
# that follow; sets $exit_code.
run_upgrade() {
  local folder=$1
  shift
  if [ "$KIND" = wine ]; then
    run_upgrade_line "$folder" "$(upgrade_line "$folder" "$@")"
  else
    exit_code=0
    (cd "$WORK" && timeout "$run_limit" "${run_as[@]}" "$(host "$folder")/$program_file" "$@" >"$WORK/output.txt" 2>&1) || exit_code=$?
    expect_ended
    # The program shows nothing; only the started programs may.
    [ ! -s "$WORK/output.txt" ] || fail "the program wrote: $(cat "$WORK/output.txt")"
  fi
}

# Starts run_upgrade with the arguments given in the background;
# wait_for_background_upgrade waits for it to end and sets $exit_code.
start_upgrade_in_background() {
  background_exit=$WORK/background_exit.$((++background_runs))
  (run_upgrade "$@" && echo "$exit_code" >"$background_exit") &
  background_upgrade=$!
}
background_runs=0

wait_for_background_upgrade() {
  wait "$background_upgrade" || true
  [ -f "$background_exit" ] || fail "the run in the background failed"
  exit_code=$(cat "$background_exit")
}

# The process ids of the upgrade programs of the distribution folder $1 that
# run now (under Wine in this prefix), not of those naming them (timeout, the
# launcher).
upgrade_pids() {
  local program=$1\\$program_file dir
  [ "$KIND" = wine ] || program=$(host "$1")/$program_file
  for dir in $(grep -lzxF -- "$program" /proc/[0-9]*/cmdline 2>/dev/null || true); do
    dir=${dir%/cmdline}
    [ "$(head -z -n 1 "$dir/cmdline" 2>/dev/null | tr -d '\0')" = "$program" ] || continue
    [ "$KIND" = native ] || grep -qzxF -- "WINEPREFIX=$WINEPREFIX" "$dir/environ" 2>/dev/null || continue
    echo "${dir#/proc/}"
  done
}

# Kills the upgrade program of the distribution folder $1, not what it
# started, and waits at most 10 s for it to be gone.
kill_upgrade() {
  local tries pids
  for ((tries = 0; tries < 100; tries++)); do
    pids=$(upgrade_pids "$1")
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086  # one id a word
    kill -KILL $pids 2>/dev/null || true
    sleep 0.1
  done
  fail "the upgrade program of $1 is still running: $pids"
}

# Starts the upgrade program in the host folder $1 from that folder, as the
# Wine loader can start a program whose path no launcher could name; sets
# $exit_code. Under Wine it is started once more when Wine failed to start it
# (wine_refused_start). Natively its standard error goes to $start_errors too.
run_upgrade_from_host_folder() {
  local folder=$1
  shift
  local -a loader=()
  if [ "$KIND" = wine ]; then loader=("$wine_loader"); fi
  for _ in 1 2; do
    exit_code=0
    (cd "$folder" && timeout "$run_limit" "${loader[@]}" "./$program_file" "$@" >/dev/null 2>"$start_errors") || exit_code=$?
    if [ "$KIND" != wine ] || ! wine_refused_start ""; then break; fi
  done
  expect_ended
}

# Under Wine: true when the start whose launcher said $1 (standard error in
# $start_errors) never ran its program because of Wine itself: now and
# then (about one start in a thousand) Wine's loader cannot map its shared
# data, or, on a loaded machine, Wine refuses the launcher's start of the
# program with an internal error (1359) before it runs.
wine_refused_start() {
  [[ $1 == "start failed: error 1359" ]] || grep -q "failed to map the shared user data" "$start_errors"
}

# Under Wine: starts the Windows program $1 (its full path) with the exact raw
# command line $2 through the launcher, once more when Wine refused the start
# (wine_refused_start); sets $exit_code. With $3, the run and every process
# it started end after that many seconds, and $exit_code is then 124, as from
# timeout. What the programs write to standard error, which every Windows
# process started below inherits (helpers left running included), goes to
# $start_errors. Every Windows program a scenario starts goes through here
# or through run_upgrade_from_host_folder.
run_windows_line() {
  local output line
  line=$(mktemp "$WORK/line.XXXXXX")
  printf '%s' "$2" >"$line"
  for _ in 1 2; do
    exit_code=0
    output=$(cd "$WORK" && timeout "$run_limit" "$wine_loader" "$LAUNCHER" "$1" "$(fixture_path "$line")" ${3:+"$3"} 2>"$start_errors" | tr -d '\r') || exit_code=$?
    expect_ended
    [[ $output =~ (^|$'\n')exit= ]] && break
    wine_refused_start "$output" || break
  done
  rm -f "$line"
  [[ $output =~ (^|$'\n')exit=([0-9]+|timeout) ]] ||
    fail "launcher said: $output $(grep -av :trace: "$start_errors" | tail -n 20)"
  exit_code=${BASH_REMATCH[2]/timeout/124}
}

# Under Wine: starts the upgrade program in $1 with the exact raw command
# line $2, as run_windows_line does.
run_upgrade_line() { run_windows_line "$1\\$program_file" "$2" ${3:+"$3"}; }

# Starts the Windows program at the host path $1 with the arguments that
# follow, as run_windows_line does, each argument quoted.
run_windows_program() {
  local program line argument
  program=$(fixture_path "$1")
  line="\"$program\""
  shift
  for argument in "$@"; do line+=" \"$argument\""; done
  run_windows_line "$program" "$line"
}

# Starts the upgrade program in the distribution folder $1 with the arguments
# that follow, like run_upgrade, but ends it with every process it started
# after 30 seconds ($exit_code 124): room for the wipe's 10 s of retries on a
# loaded machine, and lists in $WORK/started.txt the
# program of each process started, the upgrade program first: natively from
# strace, under Wine from Wine's own trace of process creation.
run_upgrade_watched() {
  local folder=$1 limit=30
  shift
  if [ "$KIND" = wine ]; then
    WINEDEBUG=trace+process run_upgrade_line "$folder" "$(upgrade_line "$folder" "$@")" $limit
    sed -n 's/.*:NtCreateUserProcess L"\\\\??\\\\\(.*\)" pid .*/\1/p' "$start_errors" |
      sed 's/\\\\/\\/g' >"$WORK/started.txt"
  else
    exit_code=0
    # LeakSanitizer cannot run under a tracer: the leak check is off here.
    (cd "$WORK" && ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
      timeout -k 5 $limit strace -f -qq -e trace=execve -e signal=none \
      -o "$WORK/trace.txt" "$(host "$folder")/$program_file" "$@" >"$WORK/output.txt" 2>&1) ||
      exit_code=$?
    sed -n 's/^[0-9]* *execve("\([^"]*\)".*/\1/p' "$WORK/trace.txt" >"$WORK/started.txt"
  fi
}

# The recorder as a helper program on drive C:.
helper_win="C:\\helpers\\helper$exe"
place_helper() {
  mkdir -p "$(host 'C:\helpers')"
  cp "$RECORDER" "$(host "$helper_win")"
}

# The command line that starts the helper with the arguments given, each
# quoted.
helper_line() {
  place_helper
  local line="\"$helper_win\"" argument
  for argument in "$@"; do line+=" \"$argument\""; done
  echo "$line"
}

# Has the program $1, setup.exe (the uninstaller) or data.exe (the
# installer), start the helper with the arguments that follow as it ends.
# However the scenario ends, it tells the helpers to stop and waits for them,
# so that they write into no later scenario's record.
program_starts_helper() {
  local variable=INSTALLER_HELPER
  [ "$1" != setup.exe ] || variable=UNINSTALLER_HELPER
  shift
  export "$variable=$(helper_line "$@")"
  trap end_helpers EXIT
}
uninstaller_starts_helper() { program_starts_helper setup.exe "$@"; }

# Tells the helpers of the record to stop and waits for one to end.
end_helpers() {
  echo "stop helper" >>"$record"
  wait_for_record "helper released" 20
}

# Changes the Windows program $1 into one the system refuses to create,
# although each check the upgrade program makes of a file passes: its section
# alignment becomes half a page while its file alignment stays 512 bytes. The
# PE format allows an alignment below the page size only when both are the
# same; Wine's loader refuses the image with ERROR_BAD_EXE_FORMAT (193), as
# Windows refuses an image that breaks the format's rules. Every section still
# begins on the new alignment.
make_loader_refused() {
  /usr/bin/python3 - "$1" <<'EOT'
import struct, sys
image = bytearray(open(sys.argv[1], "rb").read())
optional = struct.unpack_from("<I", image, 0x3C)[0] + 24
section, file = struct.unpack_from("<II", image, optional + 32)
assert (section, file) == (0x1000, 0x200), (hex(section), hex(file))
struct.pack_into("<I", image, optional + 32, 0x800)
open(sys.argv[1], "wb").write(image)
EOT
}

# Waits at most $2 seconds for a line of the record beginning with $1, or
# for $3 such lines.
wait_for_record() {
  local tries
  for ((tries = 0; tries < $2 * 10; tries++)); do
    [ "$(record_count "$1")" -ge "${3:-1}" ] && return 0
    sleep 0.1
  done
  fail "no ${3:-1} lines [$1] in the record after $2 s"
}

# How many lines of the record begin with $1.
record_count() {
  local count
  count=$(grep -c "^$1" "$record" 2>/dev/null || true)
  echo "${count:-0}"
}

# The first line of the record beginning with $1 comes before the first
# beginning with $2.
expect_before() {
  local first second
  first=$(grep -n -m1 "^$1" "$record" | cut -d: -f1 || true)
  second=$(grep -n -m1 "^$2" "$record" | cut -d: -f1 || true)
  { [ -n "$first" ] && [ -n "$second" ] && [ "$first" -lt "$second" ]; } ||
    fail "[$1] did not come before [$2]"
}

# The milliseconds from the end of the uninstaller to the start of the
# installer, as they recorded them.
ms_from_uninstall_to_install() {
  local ended started
  ended=$(sed -n 's/^end_ms=//p' "$record" | head -1)
  started=$(sed -n 's/^start_ms=//p' "$record" | tail -1)
  echo $((started - ended))
}

# The milliseconds from the end of the installer, as it recorded it, to now.
ms_since_install_ended() {
  local ended
  ended=$(sed -n 's/^end_ms=//p' "$record" | tail -1)
  echo $(($(date +%s%3N) - ended))
}

# Stops the test when the last run had to be ended at its time limit.
expect_ended() {
  [ "$exit_code" != 124 ] || fail "the run did not end within $run_limit s; it and what it started were ended"
}

# Runs the Wine programs that follow under code page 932 (Japanese), from a
# locale made once in the build tree.
use_code_page_932() {
  local locales=$BUILD_DIR/locale
  if [ ! -d "$locales/ja_JP.UTF-8" ]; then
    mkdir -p "$locales"
    localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8.part" >/dev/null 2>&1 || true
    [ -d "$locales/ja_JP.UTF-8.part" ] ||
      fail "localedef could not make a Japanese locale; install the Debian package locales"
    mv "$locales/ja_JP.UTF-8.part" "$locales/ja_JP.UTF-8"
  fi
  export LOCPATH=$locales LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
}

expect_exit() {
  [ "$exit_code" = "$1" ] || fail "exit code $exit_code, expected $1"
}

expect_exit_zero() { expect_exit 0; }

# The programs that ran, in order, each ended before the next started and
# before the upgrade ended: expect_runs setup.exe data.exe
expect_runs() {
  local expected="" name actual
  for name in "$@"; do expected+="run $name;end $name;"; done
  actual=$({ [ -f "$record" ] && grep -E '^(run|end) ' "$record" | tr '\n' ';'; } || true)
  [ "$actual" = "$expected" ] || fail "runs were [$actual], expected [$expected]"
}

# The run ended with $1 after the uninstaller, then the installer ran; with
# $2 "wiped", the information folder is gone too.
expect_upgrade() {
  expect_exit "$1"
  expect_runs setup.exe data.exe
  [ "${2:-}" != wiped ] || expect_absent "$info_win"
}

# The run ended with $1 and started nothing; the paths that follow are there.
expect_refused() {
  expect_exit "$1"
  expect_runs
  shift
  expect_present "$@"
}

# A line of the record block of program $1: expect_field data.exe arg1 -s
expect_field() {
  local block
  block=$(awk -v name="$1" '$0 == "run " name {on=1; next} /^end / {on=0} on' "$record")
  grep -qxF -- "$2=$3" <<<"$block" || fail "$1: no line [$2=$3] in:
$block"
}

# The command line as the started program received it: on Windows the raw
# line; everywhere the arguments the start-up rules give for it, and the same
# from the program's own C runtime, which agrees with those rules on every
# line the upgrade composes. The program path at the head of the line is
# unquoted, so each blank in it adds an argument:
#   expect_command PROGRAM LINE HEAD [ARGUMENT...]
expect_command() {
  local program=$1 line=$2 head=$3
  shift 3
  if [ "$KIND" = wine ]; then expect_field "$program" line "$line"; fi
  local -a words
  read -r -a words <<<"$head"
  local -a arguments=("${words[@]:1}" "$@")
  local prefix
  for prefix in "" crt_; do
    expect_field "$program" "${prefix}argc" $((${#arguments[@]} + 1))
    local i=1 argument
    for argument in "${arguments[@]}"; do
      expect_field "$program" "${prefix}arg$i" "$argument"
      i=$((i + 1))
    done
  done
}

# Each line given is in the log file $1.
expect_log_lines() {
  local log=$1 line
  shift
  for line in "$@"; do
    grep -qF -- "$line" "$log" || fail "no line [$line] in the log:
$(cat "$log" 2>/dev/null)"
  done
}

# No process runs a program of the folder $1 once the run ended (the
# installer created and ended is gone within 5 s): natively the folder's host
# path, under Wine its drive path in a process of this prefix, stands in the
# command line. Other test runs on this machine may use the same drive paths.
expect_no_process_from() {
  local folder=$1 tries file left
  if [ "$KIND" = wine ]; then folder+="\\"; else folder=$(host "$1")/; fi
  for ((tries = 0; tries < 50; tries++)); do
    left=""
    for file in $(grep -lizF -- "$folder" /proc/[0-9]*/cmdline 2>/dev/null || true); do
      [ "$KIND" = native ] ||
        grep -qzxF -- "WINEPREFIX=$WINEPREFIX" "${file%/cmdline}/environ" 2>/dev/null || continue
      left+="$(tr '\0' ' ' 2>/dev/null <"$file"); "
    done
    [ -n "$left" ] || return 0
    sleep 0.1
  done
  fail "processes of $1 are left: $left"
}

# Each drive path given is there, or is not.
expect_present() { local p; for p; do [ -e "$(host "$p")" ] || [ -L "$(host "$p")" ] || fail "$p is gone"; done; }
expect_absent() { local p; for p; do { [ ! -e "$(host "$p")" ] && [ ! -L "$(host "$p")" ]; } || fail "$p is still there"; done; }

# The silent install command for the distribution folder $1, and its
# arguments.
expect_silent_install() {
  expect_command data.exe "$1\\data.exe -s -f1\"$1\\setup.iss\"" "$1\\data.exe" \
    -s "-f1$1\\setup.iss"
  expect_field data.exe path "$1\\data.exe"
}

expect_uninstall() {
  expect_command setup.exe "$info_win\\setup.exe -s -uninst -f1\"$info_win\\uninstall.iss\"" \
    "$info_win\\setup.exe" -s -uninst "-f1$info_win\\uninstall.iss"
  expect_field setup.exe cwd "$(work_win)"
}

# Ends the scenario as skipped, with the reason in one line.
skip() {
  echo "SKIPPED: $*"
  exit 77
}

# Under Wine: the processes of the prefix (its server and services included),
# one "PID COMMAND LINE" a line: those of Wine's programs whose environment
# names $WINEPREFIX.
prefix_processes() {
  local environ dir exe
  while read -r environ; do
    dir=${environ%/environ}
    exe=$(readlink "$dir/exe" 2>/dev/null) || continue
    [[ ${exe##*/} == wine* ]] || continue
    echo "${dir#/proc/} $(tr '\0' ' ' <"$dir/cmdline" 2>/dev/null)"
  done < <(grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null)
}

# The processes of the prefix that are not among those listed in $1, as
# prefix_processes lists them.
prefix_processes_since() {
  local line
  while read -r line; do
    grep -q "^${line%% *} " <<<"$1" || echo "$line"
  done < <(prefix_processes)
}

# Waits at most $2 seconds until the processes of the prefix are among those
# listed in $1; fails if they are not by then.
wait_for_prefix_processes() {
  local tries
  for ((tries = 0; tries < $2 * 10; tries++)); do
    [ -n "$(prefix_processes_since "$1")" ] || return 0
    sleep 0.1
  done
  fail "still running after $2 s: $(prefix_processes_since "$1")"
}

# Builds the NSIS script tests/fixtures/nsis/$1.nsi into the Windows program
# $2, for the build's bits, with the defines that follow (NAME=VALUE).
nsis_program() {
  local script=$1 out=$2 target=x86-unicode define
  shift 2
  [ "$WINE_BITS" = 32 ] || target=amd64-unicode
  local -a defines=("-DTARGET=$target" "-DOUTFILE=$out")
  for define in "$@"; do defines+=("-D$define"); done
  makensis -V2 "${defines[@]}" "$(dirname "${BASH_SOURCE[0]}")/../fixtures/nsis/$script.nsi" \
    >"$WORK/makensis.txt" 2>&1 || fail "makensis $script.nsi: $(cat "$WORK/makensis.txt")"
}

# Under Wine: holds Wine's desktop process until the scenario ends, as
# Windows always has a desktop. Wine starts that process for the first
# program that uses windows; started by a program in the job the upgrade
# waits on (a silent NSIS uninstaller does start it), it joins the job and
# lasts as long as the upgrade program, so the wait runs to its bound. Held
# here by a program outside every job of the run, it is already there.
hold_wine_desktop() {
  desktop_idle=$(prefix_processes | grep -v 'explorer.exe /desktop' || true)
  wait_for_prefix_processes "$desktop_idle" 20
  nsis_program desktop "$WORK/desktop.exe" "STOP_FILE=$(fixture_path "$WORK/desktop.stop")"
  (start_errors=$WORK/desktop_errors.txt run_windows_program "$WORK/desktop.exe" </dev/null >/dev/null 2>&1) &
  desktop_holder=$!
  trap 'touch "$WORK/desktop.stop"; wait "$desktop_holder"; wait_for_prefix_processes "$desktop_idle" 20' EXIT
  local tries
  for ((tries = 0; tries < 200; tries++)); do
    [[ $(prefix_processes) == *'explorer.exe /desktop'* ]] && return 0
    sleep 0.1
  done
  fail "no desktop process within 20 s"
}
