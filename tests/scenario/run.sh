#!/bin/bash
# Runs one end-to-end scenario of the upgrade program with the fixture
# programs standing in for setup.exe and data.exe.
#   run.sh SCENARIO
source "$(dirname "$0")/lib.sh"

dist='C:\dist'

# The short scenarios, one row each: the distribution folder (made first),
# the setup (shell commands), the runs (their arguments, a comma between
# runs), and what each run must give: its exit code, the programs it ran in
# order, and the checks (shell commands). A line that begins with a blank
# continues the row above it.
#   name | folder | setup | arguments | exit code | runs | checks
short_scenarios() {
  awk '/^#/ {next} /^[ \t]/ {row = row " " $0; next} {if (row != "") print row; row = $0}
       END {print row}' <<'EOT'
no_previous_install|C:\dist||/s|0|data.exe|expect_silent_install "$dist"
installer_found_nowhere|C:\dist|rm "$(host "$dist")/data.exe"|,/s|0||
interactive_upgrade|C:\dist|make_previous_install||0|setup.exe data.exe|expect_uninstall;
  expect_command data.exe data.exe data.exe; expect_field data.exe path "$dist\\data.exe"; expect_absent "$info_win"
two_arguments_upgrade|C:\dist|make_previous_install|one two|0|setup.exe data.exe|
  expect_uninstall; expect_command data.exe data.exe data.exe; expect_absent "$info_win"
# A module folder with a blank: the unquoted program path at the head of the
# silent command must not let a planted C:\My.exe or C:\Program.exe run in
# place of the installer or the maintenance program.
planted_program_never_runs|C:\My Dist|make_previous_install;
  cp "$RECORDER" "$(host 'C:\My.exe')"; cp "$RECORDER" "$(host 'C:\Program.exe')"
  |/s|0|setup.exe data.exe|expect_uninstall; expect_silent_install "$dist"
module_folder_in_drive_root|C:||/s|0|data.exe|
  expect_command data.exe 'C:\\data.exe -s -f1"C:\\setup.iss"' 'C:\\data.exe' -s '-f1C:\\setup.iss'
no_uninstall_response|C:\dist|rm "$(host "$dist")/uninstall.iss"; make_previous_install|/s|0|
  setup.exe data.exe|expect_uninstall; expect_field setup.exe response absent; expect_absent "$info_win"
response_already_in_place|C:\dist|make_previous_install;
  printf '[response already there]\r\n' >"$(host "$info_win")/uninstall.iss"|/s|0|setup.exe data.exe|expect_uninstall;
  expect_field setup.exe response "present readonly=no first=[response already there]"; expect_absent "$info_win"
no_maintenance_program|C:\dist|make_previous_install; rm "$(host "$info_win")/setup.exe"|/s|0|
  data.exe|expect_absent "$info_win"
# A read-only file stays, with its folders, at once: the wipe does not spend
# its 10 s for held items on it.
read_only_file_inside|C:\dist|make_previous_install;
  chmod a-w "$(host "$info_win")/Support/Lang/0409.ini"|/s|0|setup.exe data.exe|
  expect_present "$info_win\\Support\\Lang\\0409.ini"; gap=$(ms_from_uninstall_to_install);
  expect_absent "$info_win\\setup.exe" "$info_win\\uninstall.iss" "$info_win\\Disk1" "$info_win\\.setup.log";
  [ "$gap" -lt 8000 ] || fail "the installer started $gap ms after the uninstaller ended"
# A read-only response file beside the program is copied read-only, as the
# system's copy does, but the copy placed loses that bit, so the wipe takes
# it and the folder.
read_only_response_beside|C:\dist|chmod a-w "$(host "$dist")/uninstall.iss"; make_previous_install|/s|0|
  setup.exe data.exe|expect_field setup.exe response "present readonly=no first=[uninstall response]";
  expect_absent "$info_win"
file_instead_of_folder|C:\dist|mkdir -p "$(dirname "$(host "$info_win")")";
  echo "not a folder" >"$(host "$info_win")"|/s|0|data.exe|expect_present "$info_win"
# A link inside the information folder to a folder elsewhere: nothing it
# points to may be deleted. Where the system cannot remove the link (Wine),
# it and the folder stay.
folder_link_inside|C:\dist|make_previous_install; mkdir -p "$WORK/outside/deeper";
  echo keep >"$WORK/outside/keep.txt"; echo keep >"$WORK/outside/deeper/keep.txt";
  ln -s "$WORK/outside" "$(host "$info_win")/Linked"|/s|0|setup.exe data.exe|
  { [ -f "$WORK/outside/keep.txt" ] && [ -f "$WORK/outside/deeper/keep.txt" ]; } ||
  fail "files outside the information folder were deleted";
  if [ -L "$(host "$info_win")/Linked" ]; then expect_absent "$info_win\\setup.exe"; else expect_absent "$info_win"; fi
# The information folder a link to a read-only file elsewhere: its attributes
# are not reset through the link.
information_folder_links_to_file|C:\dist|echo keep >"$WORK/outside.txt"; chmod a-w "$WORK/outside.txt";
  mkdir -p "$(dirname "$(host "$info_win")")"; ln -s "$WORK/outside.txt" "$(host "$info_win")"
  |/s|0|data.exe|[ -z "$(find "$WORK/outside.txt" -perm /222)" ] ||
  fail "the read-only file the information folder pointed to lost its read-only state"
# Under Wine: the uninstaller leaves a helper holding a file of the
# information folder without delete sharing for 2.5 s. The program waits for
# it: the folder goes whole, and the installer starts after it let go.
helper_holds_file|C:\dist|make_previous_install;
  uninstaller_starts_helper hold "" 2500 "$info_win\\Disk1\\data1.cab"|/s|0|setup.exe data.exe|
  expect_before "helper released" "run data.exe"; expect_absent "$info_win"
# Natively: the uninstaller leaves a helper writing into the information
# folder for 1.5 s, making it again when it is gone. The program waits for
# it, then wipes the folder and starts the installer.
helper_writes_into_folder|C:\dist|make_previous_install;
  uninstaller_starts_helper write "" 1500 "$(host "$info_win")"|/s|0|setup.exe data.exe|
  expect_before "helper released" "run data.exe"; expect_absent "$info_win"
EOT
}

# Runs the short scenario $1 of the table above; fails when there is none.
run_short_scenario() {
  local row name setup arguments code runs checks mode gap modes
  row=$(short_scenarios | grep "^$1|") || fail "no scenario $1"
  IFS='|' read -r name dist setup arguments code runs checks <<<"$row"
  make_distribution "$dist"
  eval "$setup"
  IFS=, read -r -a modes <<<"$arguments"
  [ ${#modes[@]} != 0 ] || modes=("")
  for mode in "${modes[@]}"; do
    rm -f "$record"
    # shellcheck disable=SC2086  # the words of a run are its arguments
    run_upgrade "$dist" $mode
    expect_exit "$code"
    # shellcheck disable=SC2086
    expect_runs $runs
    eval "$checks"
  done
}

# The installer's process is created before anything is removed and started
# only after: under Wine it is in the list of processes while the uninstaller
# runs. Natively a suspended start is a copy of the program waiting to load
# the installer, and there is no list: only the order of the runs is asserted.
scenario_silent_upgrade() {
  make_distribution "$dist"
  make_previous_install
  RECORD_PROCESSES=1 run_upgrade "$dist" /s
  expect_upgrade 0
  [ "$(ms_from_uninstall_to_install)" -ge 0 ] || fail "the installer started before the uninstaller ended"
  if [ "$KIND" = wine ]; then expect_field setup.exe process data.exe; fi
  expect_uninstall
  expect_field setup.exe response "present readonly=no first=[uninstall response]"
  expect_silent_install "$dist"
  expect_field data.exe cwd "$(work_win)"
  expect_absent "$info_win"
  # An uninstaller that ends every program named data.exe ends the installer
  # waiting to run: it is created again from the file held, and runs.
  if [ "$KIND" = wine ]; then
    rm -f "$record"
    make_previous_install
    UNINSTALLER_HELPER=$(helper_line kill data.exe) run_upgrade "$dist" /s
    expect_upgrade 0
    grep -qx "helper killed 1" "$record" || fail "the installer waiting to run was not ended"
  fi
}

# The row above, then, built with keep and a log: a stale one that does not
# fit (-3) ends with 1603, and the log names the distribution's file that was
# not placed.
scenario_response_already_in_place() {
  run_short_scenario response_already_in_place
  local log=$drive_c/windows/temp/upgrade.log failed=1603
  [ "$KIND" = wine ] || { log=$(host 'C:\Windows\Temp')/upgrade.log; failed=$((1603 & 255)); }
  mkdir -p "$(dirname "$log")"
  rm -rf "$log" "$record"
  use_options_program
  make_distribution "$dist"
  make_previous_install
  printf '[stale response]\r\n' >"$(host "$info_win")/uninstall.iss"
  SystemRoot='C:\Windows' RECORDER_RESULT="setup.exe=-3" run_upgrade "$dist" /s
  expect_exit "$failed"
  expect_runs setup.exe
  expect_field setup.exe response "present readonly=no first=[stale response]"
  local not_placed="the distribution's uninstall.iss was not placed: the information folder holds an uninstall.iss already"
  expect_log_lines "$log" "uninstall: $not_placed" \
    "refused with exit code 1603: the uninstaller reported a failure in setup.log (ResultCode=-3): the previous version stays and the new one is not installed; $not_placed"
}

# Under Wine: a program the upgrade did not start holds a file of the
# information folder and lets go a moment after the uninstaller ended. The
# wipe tries again until it can delete it.
scenario_outside_holder_lets_go() {
  make_distribution "$dist"
  make_previous_install
  place_helper
  (start_errors=$WORK/holder_errors.txt run_windows_program "$(host "$helper_win")" hold "end setup.exe" 500 \
    "$info_win\\Disk1\\data1.cab" </dev/null >/dev/null 2>&1) &
  # The record's path and the helper's process id are fixed now, while $!
  # still names the helper.
  # shellcheck disable=SC2064
  trap "echo 'end setup.exe' >>'$record'; wait $!" EXIT
  wait_for_record "helper holds" 20
  run_upgrade "$dist" /s
  wait_for_record "helper released" 20
  expect_upgrade 0 wiped
}

# Under Wine: the installer hands its work to a helper and ends at once. The
# program waits for that helper too: built as by default, it ends after the
# helper's 4 s.
# Then the program built with a bound of 2 s, and a helper of the
# uninstaller that would run much longer. The program waits the bound, starts
# the installer while the helper still runs, and ends; the helper then ends
# when the scenario tells it to. Likewise with a helper of the installer: the
# program ends after the bound, before the helper.
scenario_helpers_wait_bound() {
  make_distribution "$dist"
  make_previous_install
  program_starts_helper data.exe hold "" 4000
  run_upgrade "$dist" /s
  expect_upgrade 0
  grep -q "^helper released" "$record" || fail "the program ended before the installer's helper"
  unset INSTALLER_HELPER
  rm -f "$record"

  use_options_program
  make_distribution "$dist"
  make_previous_install
  uninstaller_starts_helper hold "stop helper" 0
  run_upgrade "$dist" /s
  # Built with keep, an uninstall whose helper still runs at the bound is not
  # done: 1603, the folder stays, nothing is installed.
  expect_exit 1603
  expect_runs setup.exe
  expect_present "$info_win\\Disk1\\data1.cab"
  ! grep -q "^helper released" "$record" || fail "the helper ended before the program"
  end_helpers
  unset UNINSTALLER_HELPER
  rm -f "$record"

  make_previous_install
  program_starts_helper data.exe hold "stop helper" 0
  run_upgrade "$dist" /s
  local gap
  gap=$(ms_since_install_ended)
  expect_runs setup.exe data.exe
  [ "$gap" -ge 1500 ] || fail "the program ended $gap ms after the installer, before the bound"
  ! grep -q "^helper released" "$record" || fail "the installer's helper ended before the program"
}

# Under Wine, a real installer engine: NSIS (tests/fixtures/nsis). The
# installed version's uninstaller, started as setup.exe, starts a copy of
# itself from the temporary folder and ends at once; the copy deletes the
# product's files 3 s later. The program waits for that copy before it starts
# the new version's installer, as the record shows, so the new files,
# written into the same folder, stay, while the file only the old version had
# goes, and so does the information folder; nothing the run started still
# runs after it. A process left running would hold the launcher's output, so
# the run ends only after it: the record, not the end of the run, tells
# whether the program waited. The desktop is held as hold_wine_desktop says.
# The old version registers the product under its code and its uninstaller
# removes the registration: the program built with keep (its helpers' bound
# 2 s, so the copy works for 1 s there) sees it gone and installs too.
scenario_real_engine() {
  [ "$KIND" = wine ] || skip "no Windows installer engine runs natively"
  command -v makensis >/dev/null || skip "makensis not found: install the Debian package nsis"
  local product='C:\Program Files\Real Engine Product' file
  # The product folder outlasts the drive's reset; the uninstaller's copies
  # stay in temporary folders it numbers: begin with neither.
  rm -rf "$(host "$product")" "$drive_c"/users/*/Temp/~nsu*.tmp
  local -a defines=("PRODUCT_DIR=$product" "RECORD=$RECORD_FILE")
  nsis_program old "$WORK/old.exe" "${defines[@]}" VERSION=1.0 "INFO=$info_win" \
    UNINSTALL_SLEEP_MS=3000 "CODE=$PRODUCT_CODE"
  nsis_program old "$WORK/old_quick.exe" "${defines[@]}" VERSION=1.0 "INFO=$info_win" \
    UNINSTALL_SLEEP_MS=1000 "CODE=$PRODUCT_CODE"
  touch "$drive_c/$registrations_made"
  make_distribution "$dist"
  nsis_program new "$(host "$dist")/data.exe" "${defines[@]}" VERSION=2.0
  hold_wine_desktop
  run_windows_program "$WORK/old.exe" </dev/null >/dev/null 2>&1
  expect_exit_zero
  expect_present "$info_win\\setup.exe" "$product\\legacy.txt"

  local before left
  before=$(prefix_processes)
  run_upgrade "$dist" /s
  left=$(prefix_processes_since "$before")
  expect_exit_zero
  expect_absent "$info_win"
  expect_before "uninstall done" "install 2.0"
  expect_absent "$product\\legacy.txt"
  for file in product.txt 'bin\engine.dat'; do
    [ "$(cat "$(host "$product\\$file")" 2>/dev/null)" = 2.0 ] ||
      fail "the new version's $file is gone or old: [$(cat "$(host "$product\\$file")" 2>&1)]"
  done
  [ -z "$left" ] || fail "still running after the run: $left"
  expect_registration no

  local log=$drive_c/windows/temp/upgrade.log
  rm -f "$log" "$record"
  run_windows_program "$WORK/old_quick.exe"
  [ "$exit_code" = 0 ] || fail "the old version's installer failed: exit code $exit_code"
  expect_registration yes
  cp "$OPTIONS_PROGRAM" "$(host "$dist")/$program_file"
  SystemRoot='C:\Windows' run_upgrade "$dist" /s
  expect_exit_zero
  expect_absent "$info_win"
  expect_before "uninstall done" "install 2.0"
  expect_registration no
  expect_log_lines "$log" "uninstall: the registration HKLM\\$registration_key (32-bit view) was there before and is gone"
}

# Built to pass on the installer's exit code, to keep a log
# (%SystemRoot%\Temp\upgrade.log) and to keep the previous version after a
# failed uninstall, the program ends with the installer's own code and the
# log says what happened; the default build ends with 0 and writes nothing.
# A ResultCode below 0 in the uninstaller's setup.log stops the options
# program with 1603 and wipes as ever in the default build; one below 0 in the
# installer's, which ended with 0, gives 1603 too. The program built as the
# windows-deployment preset builds it writes its log as CMTrace records, in
# the folder it makes. Natively an exit status has 8 bits, so the codes are
# smaller.
scenario_deployment_exit_code_and_log() {
  local code=3010 failed=1603 log victim=$WORK/victim.txt
  [ "$KIND" = wine ] || { code=201; failed=$((1603 & 255)); }
  export SystemRoot='C:\Windows' RECORDER_EXIT="data.exe=$code" RECORDER_RESULT="setup.exe=-3"
  log=$(host 'C:\Windows\Temp')/upgrade.log
  [ "$KIND" = native ] || log=$drive_c/windows/temp/upgrade.log
  mkdir -p "$(dirname "$log")"
  rm -rf "$log"

  # The product's registration, which the uninstaller leaves, does not stop
  # the default build.
  make_distribution "$dist"
  make_previous_install
  make_registration
  run_upgrade "$dist" /s
  expect_upgrade 0 wiped
  [ ! -e "$log" ] || fail "the default build wrote a log"

  # The failed uninstall: the information folder stays whole but for the
  # response file placed, and the installer, created, never runs.
  use_options_program
  make_distribution "$dist"
  make_previous_install
  rm -f "$record"
  run_upgrade "$dist" /s
  expect_exit "$failed"
  expect_runs setup.exe
  expect_present "$info_win\\setup.exe" "$info_win\\Disk1\\data1.cab"
  expect_absent "$info_win\\uninstall.iss"
  expect_no_process_from "$dist"
  expect_log_lines "$log" "uninstall: setup.log ResultCode=-3" \
    "refused with exit code 1603: the uninstaller reported a failure in setup.log (ResultCode=-3)" \
    "exit code 1603"

  # So does an uninstall that cannot have worked: one that left the
  # product's registration although its setup.log says 0, an uninstaller the
  # system refuses to start (under Wine a file that is no program, natively
  # one that may not be run), one that crashes (only under Wine: natively an
  # exit status has 8 bits), and a setup.log whose result cannot be read.
  local case reason runs cases=(registration_left refused unreadable)
  [ "$KIND" = native ] || cases+=(crashed)
  for case in "${cases[@]}"; do
    rm -rf "$(host "$info_win")" "$log" "$record"
    make_previous_install
    export RECORDER_RESULT="setup.exe=0"
    runs=setup.exe
    case $case in
      registration_left)
        reason="the uninstall removed nothing it registered: the registration HKLM\\$registration_key (32-bit view) was there before and stayed" ;;
      refused)
        remove_registrations
        echo "not a program" >"$(host "$info_win")/setup.exe"
        [ "$KIND" = wine ] || chmod a-x "$(host "$info_win")/setup.exe"
        runs=""
        reason="the system refused to start the uninstaller: error" ;;
      unreadable)
        RECORDER_RESULT="setup.exe=-3;"
        reason="the uninstaller wrote a setup.log whose ResultCode cannot be read" ;;
      crashed)
        RECORDER_EXIT="setup.exe=3221225477,data.exe=$code"
        reason="the uninstaller ended with the system's status 0xC0000005" ;;
    esac
    run_upgrade "$dist" /s
    RECORDER_EXIT="data.exe=$code"
    expect_exit "$failed"
    # shellcheck disable=SC2086 # no program ran when $runs is empty
    expect_runs $runs
    expect_present "$info_win\\setup.exe"
    expect_present "$info_win\\Disk1\\data1.cab"
    expect_absent "$info_win\\uninstall.iss"
    expect_no_process_from "$dist"
    expect_log_lines "$log" "refused with exit code 1603: $reason"
  done

  # ResultCode=0, no setup.log, or a registration the uninstaller removed:
  # the upgrade as ever.
  local said
  for said in "setup.log ResultCode=0" "it wrote no setup.log" \
    "the registration HKLM\\$registration_key (32-bit view) was there before and is gone"; do
    rm -rf "$(host "$info_win")" "$log" "$record"
    make_previous_install
    export RECORDER_RESULT="setup.exe=0"
    [ "$said" != "it wrote no setup.log" ] || unset RECORDER_RESULT
    if [[ $said == "the registration"* ]]; then
      make_registration
      export UNINSTALLER_DELETES_KEY=$registration_key
    fi
    run_upgrade "$dist" /s
    unset UNINSTALLER_DELETES_KEY
    expect_upgrade "$code" wiped
    expect_registration no
    expect_log_lines "$log" \
      "uninstall: program $info_win\\setup.exe, command line $info_win\\setup.exe -s -uninst -f1\"$info_win\\uninstall.iss\"" \
      "uninstall: setup.exe ended with exit code 23" \
      "uninstall: $said" "uninstall: no failure found, so the upgrade goes on" \
      "wipe: the information folder is gone" \
      "install: program $dist\\data.exe, command line $dist\\data.exe -s -f1\"$dist\\setup.iss\"" \
      "install: data.exe ended with exit code $code" "exit code $code"
  done

  # A folder, or a link to another file, where the log goes: the same
  # upgrade, and nothing written through the link.
  local -a links=(hard)
  [ "$KIND" = wine ] || links+=(symbolic)
  for link in folder "${links[@]}"; do
    rm -rf "$log" "$record"
    echo keep >"$victim"
    case $link in
      folder) mkdir "$log" ;;
      hard) ln "$victim" "$log" ;;
      symbolic) ln -s "$victim" "$log" ;;
    esac
    make_previous_install
    run_upgrade "$dist" /s
    expect_upgrade "$code" wiped
    [ "$(cat "$victim")" = keep ] || fail "the log was written through a $link link"
  done

  # A restart the uninstall asked for (3010, or 1641: it started one) is
  # passed on when the installer ended with 0. Natively an exit status has 8
  # bits, so the program never sees such a code from the uninstaller.
  local asked restarts=(3010 1641)
  [ "$KIND" = wine ] || restarts=()
  for asked in "${restarts[@]}"; do
    rm -f "$record"
    make_previous_install
    RECORDER_EXIT="setup.exe=$asked,data.exe=0" run_upgrade "$dist" /s
    expect_upgrade 3010
  done
  # A status past 2^31 (0xC0000005) is passed on, and logged, as the
  # unsigned number it is.
  if [ "$KIND" = wine ]; then
    rm -rf "$log" "$record"
    make_previous_install
    RECORDER_EXIT="data.exe=-1073741819" run_upgrade "$dist" /s
    expect_exit 3221225477
    [[ $(tail -n 1 "$log" | tr -d '\r') == *" exit code 3221225477" ]] ||
      fail "the log ends with: $(tail -n 1 "$log")"
  fi

  # The name of a read-only file the wipe leaves, which the log reports,
  # cannot forge a line: its control characters are written escaped.
  rm -rf "$log" "$record"
  make_previous_install
  local forged=$'left\r\nexit code 0\x1b[2K' info
  info=$(host "$info_win")
  echo keep >"$info/$forged"
  chmod a-w "$info/$forged"
  run_upgrade "$dist" /s
  expect_exit "$code"
  [ -f "$info/$forged" ] || fail "the read-only file with control characters in its name went"
  { grep -qF 'stayed with 1 entries: left<0d><0a>exit code 0<1b>[2K' "$log" &&
    ! grep -avqE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} \[[0-9]+\] ' "$log"; } ||
    fail "a name wrote a line of its own, or not escaped, into the log:
$(cat -v "$log")"
  chmod -R u+w "$info"
  rm -rf "$info"

  # An installer that ends with 0: its setup.log decides.
  export RECORDER_EXIT="data.exe=0"
  local result
  for result in -3 0; do
    rm -rf "$log" "$record" "$(host "$dist")/setup.log"
    export RECORDER_RESULT="data.exe=$result"
    run_upgrade "$dist" /s
    expect_runs data.exe
    if [ "$result" = 0 ]; then
      expect_exit_zero
    else
      expect_exit "$failed"
      expect_log_lines "$log" "install: setup.log ResultCode=-3" \
        "install: data.exe ended with exit code 0 but its setup.log holds ResultCode=-3: exit code 1603"
    fi
  done

  # Nothing installed before and no installer: no exit code to pass on.
  rm -rf "$log" "$record"
  rm "$(host "$dist")/data.exe"
  run_upgrade "$dist" /s
  expect_refused 44
  grep -qF "exit code 44" "$log" || fail "the log does not end with exit code 44"

  # The windows-deployment preset's build: a CMTrace log in the Software
  # folder it makes under the system folder's Logs, one record a line with
  # one signed offset; a good run logs no failure (type 3), an uninstall that
  # reports -3 ends with 1603 and logs one.
  use_deployment_program
  local logs text
  local form='^<!\[LOG\[.*\]LOG\]!><time="[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}[+-][0-9]{3,4}" date="[0-9]{2}-[0-9]{2}-[0-9]{4}" component="upgrade" context="" type="[123]" thread="[0-9]+" file="">$'
  if [ "$KIND" = wine ]; then
    logs=$(find "$drive_c/windows" -maxdepth 1 -iname logs -print -quit)
  else
    logs=$(host 'C:\Windows\Logs')
  fi
  logs=${logs:-$drive_c/windows/Logs}
  mkdir -p "$logs"
  rm -rf "$logs/Software" "$record" "$(host "$dist")/setup.log"
  log=$logs/Software/${PRODUCT_CODE}_upgrade.log
  make_distribution "$dist"
  for result in 0 -3; do
    rm -f "$log" "$record"
    make_previous_install
    RECORDER_EXIT="setup.exe=0,data.exe=0" RECORDER_RESULT="setup.exe=$result" run_upgrade "$dist" /s
    [ -s "$log" ] || fail "no log at $log:
$(ls -lR "$logs")"
    ! tr -d '\r' <"$log" | grep -avqE "$form" ||
      fail "a line of the log is not one CMTrace record:
$(cat -v "$log")"
    [ "$result" = -3 ] || {
      expect_exit_zero
      expect_runs setup.exe data.exe
      ! grep -qF 'type="3"' "$log" || fail "a good run logged a failure:
$(cat "$log")"
    }
  done
  expect_exit "$failed"
  expect_runs setup.exe
  expect_present "$info_win\\Disk1\\data1.cab"
  for text in 'refused with exit code 1603' 'exit code 1603'; do
    grep -qE "^<!\[LOG\[${text}[]:].* type=\"3\"" "$log" ||
      fail "no failure record [$text] in the log:
$(cat "$log")"
  done
}

# One upgrade of a product at a time: a second run while the first's
# uninstaller runs, and again while its installer runs, ends at once with
# 1618 (natively the low 8 bits, 82) and starts nothing; the first completes.
# A run killed while its uninstaller runs leaves the mutex to the next run,
# which completes while the orphaned uninstaller still runs.
scenario_one_upgrade_at_a_time() {
  local busy=1618 stage runs=0
  [ "$KIND" = wine ] || busy=82
  export RECORDER_UNTIL="setup.exe=go uninstall,data.exe=go install"
  trap 'printf "go uninstall\ngo install\n" >>"$record"; wait' EXIT
  make_distribution "$dist"
  make_previous_install
  start_upgrade_in_background "$dist" /s
  for stage in setup.exe:uninstall data.exe:install; do
    wait_for_record "run ${stage%:*}" 30
    runs=$((runs + 1))
    # Its own programs would not wait for the test.
    RECORDER_UNTIL="" run_limit=20 run_upgrade "$dist" /s
    expect_exit "$busy"
    [ "$(record_count "run ")" = $runs ] || fail "the second run started a program"
    echo "go ${stage#*:}" >>"$record"
  done
  wait_for_background_upgrade
  expect_upgrade 0 wiped

  rm -f "$record"
  make_previous_install
  start_upgrade_in_background "$dist" /s
  wait_for_record "run setup.exe" 30
  kill_upgrade "$dist"
  start_upgrade_in_background "$dist" /s
  wait_for_record "run setup.exe" 30 2
  printf "go uninstall\ngo install\n" >>"$record"
  wait_for_background_upgrade
  expect_exit_zero
  expect_absent "$info_win"
  { [ "$(record_count "run data.exe")" = 1 ] && [ "$(record_count "end data.exe")" = 1 ]; } ||
    fail "the installer did not run once after the killed run"
}

# Windows Installer's mutex owned by a program the upgrade did not start:
# let go after 2 s, or abandoned (under Wine; the upgrade takes the
# abandonment), the upgrade runs, and its programs never find it held; held
# past the options program's 3 s, 1618 (natively 82) and nothing started or
# changed. Then an uninstaller that runs on, with a helper, past the options
# program's 2 s: both ended, 48, the folder whole less uninstall.iss.
scenario_engine_busy_or_hung() {
  local busy=1618 msi='Global\_MSIExecute' log=$drive_c/windows/temp/upgrade.log mode
  [ "$KIND" = wine ] || { busy=82 log=$(host 'C:\Windows\Temp')/upgrade.log; }
  export SystemRoot='C:\Windows' RECORD_MUTEX=$msi
  mkdir -p "$(dirname "$log")"
  local -a how
  trap 'printf "stop helper\ngo uninstall\n" >>"$record"; wait' EXIT
  place_helper
  for mode in "own||2000" "abandon|end data.exe|0" "own|stop helper|0"; do
    [ "$KIND" = wine ] || [ "${mode%%|*}" = own ] || continue
    IFS='|' read -r -a how <<<"$mode"
    rm -f "$record" "$log"
    [ "$mode" != "own|stop helper|0" ] || use_options_program
    make_distribution "$dist"
    make_previous_install
    if [ "$KIND" = wine ]; then
      (start_errors=$WORK/holder_errors.txt run_windows_program "$(host "$helper_win")" "${how[@]}" "$msi" \
        </dev/null >/dev/null 2>&1) &
    else
      (cd "$WORK" && "$(host "$helper_win")" "${how[@]}" "$msi" </dev/null >/dev/null 2>&1) &
    fi
    wait_for_record "helper ${how[0]}s" 20
    run_upgrade "$dist" /s
    ! grep -q "^mutex=held" "$record" || fail "a program the upgrade started found $msi held"
    case $mode in
      "own||2000") expect_before "helper released" "run setup.exe" ;;
      abandon*) expect_field setup.exe mutex 0 ;;
      *) expect_exit "$busy"
        expect_runs
        expect_absent "$info_win\\uninstall.iss"
        expect_no_process_from "$dist"
        expect_log_lines "$log" "refused with exit code 1618: Windows Installer still ran another installation after 3 s"
        echo "stop helper" >>"$record"
        wait
        continue ;;
    esac
    expect_exit_zero
    expect_runs setup.exe data.exe
    wait
  done

  rm -f "$record" "$log"
  export UNINSTALLER_HELPER RECORDER_HELPER_FIRST=1 RECORDER_UNTIL="setup.exe=go uninstall"
  UNINSTALLER_HELPER=$(helper_line hold "stop helper" 0)
  run_upgrade "$dist" /s
  expect_exit 48
  [ "$(record_count "end ")$(record_count "run data.exe")$(record_count "helper released")" = 000 ] ||
    fail "the uninstaller, its helper or the installer ran to its end"
  expect_absent "$info_win\\uninstall.iss"
  expect_present "$info_win\\Disk1\\data1.cab"
  expect_no_process_from 'C:\helpers'
  expect_no_process_from "$info_win"
  expect_log_lines "$log" "uninstall: setup.exe still ran at its bound and was ended" "exit code 48"
}

# The information folder itself a link to a folder elsewhere: only the link
# may go.
scenario_information_folder_is_link() {
  make_distribution "$dist"
  local target=$WORK/linked-info
  mkdir -p "$target/deeper" "$(dirname "$(host "$info_win")")"
  echo keep >"$target/keep.txt"
  echo keep >"$target/deeper/keep.txt"
  ln -s "$target" "$(host "$info_win")"
  run_upgrade "$dist" /s
  expect_exit_zero
  expect_runs data.exe
  { [ -f "$target/keep.txt" ] && [ -f "$target/deeper/keep.txt" ]; } ||
    fail "files the information folder pointed to were deleted"
  [ ! -e "$target/uninstall.iss" ] ||
    fail "the response file copied through the link stayed outside"

  # The link's target swapped for another folder while the uninstaller runs:
  # the response file the link then leads to is another's and stays as it is.
  local foreign=$WORK/foreign
  mkdir -p "$foreign"
  echo foreign >"$foreign/uninstall.iss"
  chmod a-w "$foreign/uninstall.iss"
  cp "$RECORDER" "$target/setup.exe"
  ln -s "$target" "$(host "$info_win")"
  rm -f "$record"
  UNINSTALLER_MOVES="$(fixture_path "$target")>$(fixture_path "$target.old");$(fixture_path "$foreign")>$(fixture_path "$target")"
  export UNINSTALLER_MOVES
  run_upgrade "$dist" /s
  unset UNINSTALLER_MOVES
  expect_upgrade 0
  { [ "$(cat "$target/uninstall.iss")" = foreign ] && [ -z "$(find "$target/uninstall.iss" -perm /222)" ]; } ||
    fail "the response file the swapped link led to was changed or deleted"
}

# Names the narrow search hands back as paths: best fit turns a full-width
# "．．＼" into "..\"; natively a host name may hold "\" itself. A link named
# ".. " leads outside: the system looks at "I\.. " as "I\.." but searches
# "I\.. \*.*" through the link. Nothing outside the information folder
# goes; those entries stay, the rest goes.
scenario_names_that_are_paths() {
  make_distribution "$dist"
  make_previous_install
  local info dot=. sep=\\
  info=$(host "$info_win")
  if [ "$KIND" = wine ]; then dot='．' sep='＼'; fi
  local up=$dot$dot$sep$dot$dot$sep$dot$dot$sep
  mkdir -p "$(host 'C:\outside')" "$info/${up}outside"
  echo keep >"$(host 'C:\outside')/keep.txt"
  echo keep >"$(host 'C:\victim.txt')"
  echo inner >"$info/${up}outside/inner.txt"
  echo name >"$info/${up}victim.txt"
  echo dots >"$info/$dot$dot$dot"
  local linked=$WORK/linked-outside
  mkdir -p "$linked"
  echo keep >"$linked/keep.txt"
  ln -s "$linked" "$info/.. "
  run_upgrade "$dist" /s
  expect_upgrade 0
  { [ -f "$(host 'C:\outside')/keep.txt" ] && [ -f "$(host 'C:\victim.txt')" ] &&
    [ -f "$linked/keep.txt" ]; } || fail "files outside the information folder were deleted"
  { [ -f "$info/${up}outside/inner.txt" ] && [ -f "$info/${up}victim.txt" ] &&
    [ -L "$info/.. " ]; } || fail "an entry whose name reads as a path was not left alone"
  expect_absent "$info_win\\setup.exe" "$info_win\\Disk1"
}

# The program would start itself, so it does nothing, in either mode: named
# as the installer it starts; with that installer its copy, a hard link or a
# link to it; or named as the uninstaller, with the information folder a link
# to its own folder. Before, each copy started the next without end, so each
# run is bounded more tightly.
scenario_named_as_installer() {
  make_previous_install
  local folder how name=$program_file before hows=(name copy hard_link link)
  folder=$(host "$dist")
  before=$(cd "$(host "$info_win")" && find . | sort)
  run_limit=10
  # Under Windows also another build of it, here a copy changed after its
  # headers: its marker names it (natively the ELF build is not looked into).
  [ "$KIND" = native ] || hows+=(appended)
  for how in "${hows[@]}"; do
    program_file=$name
    rm -rf "$folder"
    make_distribution "$dist"
    rm "$folder/data.exe"
    case $how in
      name) mv "$folder/$program_file" "$folder/Data.EXE" && program_file=Data.EXE ;;
      copy) cp "$PROGRAM" "$folder/data.exe" ;;
      hard_link) ln "$folder/$program_file" "$folder/data.exe" ;;
      link) ln -s "$folder/$program_file" "$folder/data.exe" ;;
      appended) { cat "$PROGRAM" && printf x; } >"$folder/data.exe" ;;
    esac
    for mode in /s ""; do
      run_upgrade "$dist" $mode
      expect_refused 40 "$info_win\\setup.exe"
      [ "$(cd "$(host "$info_win")" && find . | sort)" = "$before" ] ||
        fail "$how: the information folder changed"
    done
  done
  if [ "$KIND" = wine ]; then
    rm -rf "$(host "$info_win")"
    for mode in /s ""; do
      run_upgrade "$dist" $mode
      expect_exit 40
      expect_no_process_from "$dist"
    done
    # Another build as the information folder's uninstaller: 40 too.
    rm -rf "$folder"
    make_distribution "$dist"
    make_previous_install
    { cat "$PROGRAM" && printf x; } >"$(host "$info_win")/setup.exe"
    run_upgrade "$dist" /s
    expect_refused 40 "$info_win\\setup.exe" "$info_win\\Disk1\\data1.cab"
  fi
  rm -rf "$folder" "$(host "$info_win")"
  make_distribution "$dist"
  mv "$folder/$name" "$folder/setup.exe"
  program_file=setup.exe
  ln -s "$folder" "$(host "$info_win")"
  run_upgrade "$dist" /s
  expect_refused 40 "$dist\\data.exe"

  # Natively, run by an account that may execute its own file but not read
  # it, with the uninstaller a link to it: it still tells that it is itself.
  # At most 64 processes, should it start itself over.
  [ "$KIND" = native ] || return 0
  rm -rf "$folder" "$(host "$info_win")"
  program_file=$name
  make_distribution "$dist"
  make_previous_install
  ln -sf "$folder/$program_file" "$(host "$info_win")/setup.exe"
  chmod 0711 "$folder/$program_file"
  run_as=(prlimit --nproc=64 setpriv --reuid=65534 --regid=65534 --clear-groups)
  if ! "${run_as[@]}" test -x "$folder/$program_file"; then
    echo "skipped the run by another account: it cannot reach $folder"
    run_as=()
    return 0
  fi
  run_upgrade "$dist" /s
  run_as=()
  expect_refused 40 "$info_win\\Disk1\\data1.cab"
}

# A previous installation but no installer that can start: none, an empty
# file, text, a program cut short (under Windows: natively the stand-ins read
# an ELF header only), or in interactive mode a folder the program search
# finds. Removing the old version would leave neither, so nothing is removed
# or started, in either mode. Likewise with the distribution inside the
# information folder, which the removal would delete. An uninstaller that
# deletes the installer and its response file cannot: under Windows they are
# held until the installer starts.
scenario_installer_missing_keeps_previous() {
  make_previous_install
  local installer kind kinds=(missing empty text folder) before
  before=$(cd "$(host "$info_win")" && find . | sort)
  installer=$(host "$dist")/data.exe
  if [ "$KIND" = wine ]; then kinds+=(cut_short loader_refused); else kinds+=(no_interpreter); fi
  for kind in "${kinds[@]}"; do
    rm -rf "$installer"
    make_distribution "$dist"
    case $kind in
      missing) rm "$installer" ;;
      empty) : >"$installer" ;;
      text) echo "not a program" >"$installer" ;;
      folder) rm "$installer" && mkdir "$installer" ;;
      cut_short) head -c 60000 "$RECORDER" >"$installer" ;;
      no_interpreter) printf '#!/no/such/interpreter\n' >"$installer" ;;
      loader_refused) make_loader_refused "$installer" ;;
    esac
    for mode in /s ""; do
      run_upgrade "$dist" $mode
      expect_refused 42 "$info_win\\setup.exe" "$info_win\\Disk1\\data1.cab"
    done
  done
  # Under Wine, an installer whose headers pass every check but which the
  # system refuses to create: refused in the same way, before anything is
  # removed, by the options build too, whose log gives the system's error,
  # and no process stays behind. Natively a suspended start loads no
  # program, so there is no such verdict to test.
  if [ "$KIND" = wine ]; then
    local log=$drive_c/windows/temp/upgrade.log
    rm -rf "$installer" "$log"
    make_distribution "$dist"
    make_loader_refused "$installer"
    cp "$OPTIONS_PROGRAM" "$(host "$dist")/$program_file"
    run_upgrade "$dist" /s
    expect_refused 42
    { grep -qF "install: data.exe could not be started: error 193" "$log" &&
      grep -qF "exit code 42" "$log"; } || fail "the log does not give the refusal: $(cat "$log")"
    [ "$(cd "$(host "$info_win")" && find . | sort)" = "$before" ] ||
      fail "the information folder changed"
    expect_no_process_from "$dist"
    expect_no_process_from "$info_win"
  fi

  # In silent mode the install response file must be a file too.
  local response
  response=$(host "$dist")/setup.iss
  kinds=(missing folder)
  [ "$KIND" = wine ] || kinds+=(fifo)
  for kind in "${kinds[@]}"; do
    rm -rf "$installer" "$response"
    make_distribution "$dist"
    rm "$response"
    case $kind in
      folder) mkdir "$response" ;;
      fifo) mkfifo "$response" ;;
    esac
    run_upgrade "$dist" /s
    expect_refused 42 "$info_win\\Disk1\\data1.cab"
  done
  rm -rf "$response"

  local inside="$info_win\\new"
  make_distribution "$inside"
  run_upgrade "$inside" /s
  expect_refused 42 "$inside\\data.exe"
  # Also when reached through a link to it, whose path text never passes
  # through the information folder (natively the program's path is already
  # the resolved one).
  mkdir -p "$(host "$inside")/Disk1"
  echo new >"$(host "$inside")/Disk1/new.cab"
  ln -s "$(host "$inside")" "$(host 'C:\linked')"
  for mode in /s ""; do
    run_upgrade 'C:\linked' $mode
    expect_refused 42 "$inside\\Disk1\\new.cab"
  done

  [ "$KIND" = wine ] || return 0
  rm -rf "$installer"
  make_distribution "$dist"
  export UNINSTALLER_MOVES="$dist\\data.exe>;$dist\\setup.iss>"
  run_upgrade "$dist" /s
  unset UNINSTALLER_MOVES
  expect_exit_zero
  expect_field setup.exe "moved $dist\\data.exe>" failed
  expect_runs setup.exe data.exe
  expect_present "$dist\\setup.iss"
  # An installer that the loader ends after the resume, for a DLL it imports
  # that is nowhere or that the uninstaller deleted, never ran: 46 in both
  # builds, and the options build logs why.
  local build dll log=$drive_c/windows/temp/upgrade.log
  for build in "$PROGRAM" "$OPTIONS_PROGRAM"; do
    for dll in nowhere deleted; do
      rm -rf "$(host "$dist")" "$log" "$record"
      make_distribution "$dist"
      cp "$build" "$(host "$dist")/$program_file"
      cp "$IMPORTER" "$installer"
      make_previous_install
      [ $dll = nowhere ] || cp "$IMPORTED_DLL" "$(host "$dist")/imported.dll"
      UNINSTALLER_MOVES="$dist\\imported.dll>" run_upgrade "$dist" /s
      expect_exit 46
      expect_runs setup.exe
      expect_absent "$info_win"
      [ "$build" = "$PROGRAM" ] || expect_log_lines "$log" \
        "install: data.exe never ran: the system's loader ended it with 0xC0000135" "exit code 46"
    done
  done
  rm -rf "$(host "$dist")"
  make_distribution "$dist"
  make_previous_install

  # Nor can it rename the distribution folder and put another in its place:
  # the folders above the installer are held too.
  for mode in /s ""; do
    rm -f "$record"
    make_previous_install
    mkdir -p "$(host 'C:\evil')"
    echo "not a program" >"$(host 'C:\evil')/data.exe"
    export UNINSTALLER_MOVES="$dist>$dist.old;C:\\evil>$dist"
    run_upgrade "$dist" $mode
    unset UNINSTALLER_MOVES
    expect_exit_zero
    expect_field setup.exe "moved $dist>$dist.old" failed
    expect_runs setup.exe data.exe
  done
}

# The program's own path cannot be read exactly: past the path limit (the
# answer is cut short and names an ancestor), or, under Windows, holding
# characters the code page cannot represent (Cyrillic), or that it maps to
# others (full-width letters best-fit to a different, existing folder). Or its
# own path fits, at 258 characters, but the uninstall response file's beside
# it would not. It removes nothing and starts nothing.
scenario_own_path_not_exact() {
  make_previous_install
  local deep='C:\dist' near='C:\dist' folders=()
  while [ ${#deep} -le 270 ]; do deep+="\\$(printf 'd%.0s' {1..40})"; done
  while [ ${#near} -lt 205 ]; do near+="\\$(printf 'n%.0s' {1..40})"; done
  near+="\\$(printf 'e%.0s' $(seq $((245 - ${#near}))))"
  folders+=("$deep" "$near")
  if [ "$KIND" = wine ]; then
    folders+=('C:\дистрибутив' 'C:\ｄｉｓｔ')
    make_distribution 'C:\dist'
  fi
  local folder
  for folder in "${folders[@]}"; do
    make_distribution "$folder"
    run_upgrade_from_host_folder "$(host "$folder")" /s
    expect_refused 41 "$info_win\\setup.exe"
  done
  # Under the system-wide UTF-8 code page, which a manifest beside the
  # program chooses for it alone, every name has an exact narrow form: from
  # the Cyrillic folder the upgrade runs.
  if [ "$KIND" = wine ]; then
    cat >"$(host 'C:\дистрибутив')/$program_file.manifest" <<'EOT'
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly manifestVersion="1.0" xmlns="urn:schemas-microsoft-com:asm.v1">
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>
    </windowsSettings>
  </application>
</assembly>
EOT
    run_upgrade_from_host_folder "$(host 'C:\дистрибутив')" /s
    expect_upgrade 0 wiped
  fi
}

scenario_abnormal_ending() {
  if [ "$KIND" = wine ]; then
    run_windows_program "$OUT_OF_MEMORY"
  else
    exit_code=0
    (cd "$WORK" && "$OUT_OF_MEMORY" 2>"$start_errors" >/dev/null) || exit_code=$?
  fi
  expect_exit 3
  grep -q "abnormal program termination" "$start_errors" ||
    fail "standard error held: $(cat "$start_errors")"
  # Once the old version is gone, running out of memory must not keep the
  # new one from being installed. Natively the stand-in for process creation
  # allocates itself, so only Windows can show this.
  [ "$KIND" = wine ] || return 0
  make_distribution "$dist"
  run_windows_program "$OUT_OF_MEMORY" "$dist\\data.exe"
  expect_exit_zero
  expect_runs data.exe
  # An installer created but not yet run when memory runs out ends with the
  # program, never having run.
  rm -f "$record"
  run_windows_program "$OUT_OF_MEMORY" "$dist\\data.exe" unrun
  expect_refused 3
  expect_no_process_from "$dist"
  # Killed right after the resume, before the job lets the installer
  # outlive it: the installer ends with it or runs, never stays suspended.
  run_windows_program "$OUT_OF_MEMORY" "$dist\\data.exe" killed
  expect_exit 9
  expect_no_process_from "$dist"
}

# Natively only: a FIFO named uninstall.iss must not hold the copy up, and a
# small stack must not break it.
scenario_hostile_response_file() {
  make_distribution "$dist"
  make_previous_install
  rm "$(host "$dist")/uninstall.iss"
  mkfifo "$(host "$dist")/uninstall.iss"
  exit_code=0
  (cd "$WORK" && timeout 30 "$(host "$dist")/$program_file" /s) || exit_code=$?
  expect_upgrade 0
  make_previous_install
  rm "$(host "$dist")/uninstall.iss"
  printf '[uninstall response]\r\n' >"$(host "$dist")/uninstall.iss"
  rm -f "$record"
  exit_code=0
  (cd "$WORK" && ulimit -s 48 && "$(host "$dist")/$program_file" /s) || exit_code=$?
  expect_upgrade 0
  expect_field setup.exe response "present readonly=no first=[uninstall response]"
}

# The tests refuse a drive C: they did not make: one outside the build tree,
# and one without their mark, whose probe folder the unit tests would
# otherwise wipe when no layout is declared.
scenario_refuses_foreign_drive() {
  local foreign
  foreign=$(mktemp -d)
  mkdir -p "$foreign/drive_c"
  echo keep >"$foreign/drive_c/keep.txt"
  local outcome=0
  DRIVE_C=$foreign/drive_c WINEPREFIX=$foreign bash "$0" no_previous_install >/dev/null 2>&1 || outcome=$?
  { [ "$outcome" != 0 ] && [ -f "$foreign/drive_c/keep.txt" ]; } ||
    fail "a scenario ran on a drive C: outside the build tree"
  rm -rf "$foreign"

  local probe
  probe=$(host 'C:\Windows\SysWOW64')
  mkdir -p "$probe"
  echo keep >"$probe/keep.txt"
  mv "$drive_c/$drive_marker" "$WORK/marker"
  outcome=0
  if [ "$KIND" = wine ]; then
    (unset EXPECTED_LAYOUT && run_windows_program "$UNIT_TESTS" && exit "$exit_code") >/dev/null 2>&1 || outcome=$?
  else
    (cd "$WORK" && env -u EXPECTED_LAYOUT "$UNIT_TESTS") >/dev/null 2>&1 || outcome=$?
  fi
  mv "$WORK/marker" "$drive_c/$drive_marker"
  [ -f "$probe/keep.txt" ] || fail "the unit tests wiped C:\\Windows\\SysWOW64 of a drive they did not make"
  [ "$outcome" != 0 ] || fail "the unit tests ran on a drive they did not make"
  rm "$probe/keep.txt"
}

# Under a double-byte code page (932, Japanese) the second byte of a
# character may be 0x5C, "\\". It is part of the character: before a quote
# it does not escape it, so the mode stays as the characters say; in the
# program's own folder it does not separate; in the information folder's
# names it does not make them read as paths, so they are wiped.
scenario_double_byte_code_page() {
  use_code_page_932
  make_distribution "$dist"
  # 表 is 0x95 0x5C: the quote after it opens a stretch, so " b" is part of
  # one argument, which means silent.
  run_upgrade_line "$dist" "\"$dist\\upgrade.exe\" "$'\x95\x5c'"\" b\""
  expect_exit_zero
  expect_runs data.exe
  expect_field data.exe argc 3

  local folder='C:\表示'
  make_distribution "$folder"
  make_previous_install
  local info
  info=$(host "$info_win")
  mkdir -p "$info/能力"
  echo x >"$info/表"
  echo x >"$info/ソ.txt"
  echo x >"$info/能力/予定.txt"
  rm -f "$record"
  run_upgrade_line "$folder" "$(printf '"%s\\upgrade.exe" /s' "$folder" | iconv -f UTF-8 -t CP932)"
  expect_upgrade 0
  expect_field data.exe path "$(printf '%s\\data.exe' "$folder" | iconv -f UTF-8 -t CP932)"
  expect_field data.exe argc 3
  expect_absent "$info_win"
}

# Raw command lines, as only a launcher can give them, choose the mode by the
# start-up rules: silent when they hold exactly one argument.
scenario_command_line_tails() {
  make_distribution "$dist"
  local program="\"$dist\\upgrade.exe\"" tail mode
  local -a cases=(
    ' word|silent' ' "two words"|silent' ' \"|silent' ' ""|silent' ' ""word|silent'
    'y|silent' ' two words|interactive' ' "" word|interactive'
    ' "a""b c"|interactive' '   |interactive' '|interactive')
  for entry in "${cases[@]}"; do
    tail=${entry%|*}
    mode=${entry##*|}
    rm -f "$record"
    run_upgrade_line "$dist" "$program$tail"
    expect_exit_zero
    expect_runs data.exe
    if [ "$mode" = silent ]; then
      expect_field data.exe argc 3
    else
      expect_field data.exe argc 1
    fi
  done
  # A line that starts with a blank has an empty program name, and the name's
  # word counts as the one argument.
  rm -f "$record"
  run_upgrade_line "$dist" " $dist\\upgrade.exe"
  expect_runs data.exe
  expect_field data.exe argc 3
}

# Random hostile trees and installers (hostile_trees.py builds each one and
# checks the run): nothing outside the information folder changes, the old
# version goes only when the new installer starts, the program never starts
# itself, and the folder goes whenever nothing in it may stay. The fixed
# cases come first, then HOSTILE_TREES seeds (25 by default, or as the test
# sets HOSTILE_DEFAULT_TREES) from HOSTILE_SEED ("random" picks one; by
# default layout 64 takes 1-25, layout 32 26-50).
scenario_hostile_trees() {
  local count=${HOSTILE_TREES:-${HOSTILE_DEFAULT_TREES:-25}} first=${HOSTILE_SEED:-$((LAYOUT == 64 ? 1 : 26))}
  [ "$first" != random ] || first=$(shuf -i 1-999999999 -n 1)
  local trees=(/usr/bin/python3 "$(dirname "$0")/hostile_trees.py") case failed=() started=$SECONDS
  export DRIVE=$drive_c INFO=$info_win RECORD=$record RECORD_PAUSE_MS=0
  for case in $("${trees[@]}" shapes) $(seq "$first" $((first + count - 1))); do
    reset_drive
    local dist code_page plan
    IFS=$'\t' read -r -a plan < <("${trees[@]}" plan "$case")
    dist=${plan[0]} program_file=${plan[1]} code_page=${plan[2]}
    make_previous_install
    make_distribution "$dist"
    "${trees[@]}" make "$case"
    if [ "$code_page" = 932 ]; then use_code_page_932; else unset LOCPATH; export LANG=C.UTF-8 LC_ALL=C.UTF-8; fi
    run_upgrade_watched "$dist" "${plan[@]:3}"
    "${trees[@]}" check "$case" "$exit_code" || failed+=("$case")
  done
  echo "hostile trees: seeds $first-$((first + count - 1)) and the fixed cases, $((SECONDS - started)) s"
  rm -f "$record"
  [ ${#failed[@]} = 0 ] || fail "cases ${failed[*]} broke; replay a seed with HOSTILE_SEED=SEED HOSTILE_TREES=1 (the fixed cases always run)"
}

reset_drive
if declare -F "scenario_$1" >/dev/null; then "scenario_$1"; else run_short_scenario "$1"; fi
echo "scenario $1 ($KIND, layout $LAYOUT): passed"
