#!/bin/bash
# Checks the built Windows image: PE32 for i386, windowed subsystem, imports
# from system DLLs only, and no resource but the application icon, group 101.
#   image_test.sh UPGRADE_EXE OBJDUMP
set -euo pipefail
image=$1
objdump=$2
fail() { echo "FAILED: $*" >&2; exit 1; }

headers=$("$objdump" -p "$image")
grep -q "file format pei-i386" <<<"$headers" || fail "not a PE32 image for i386"
grep -qE "^Magic[[:space:]]+010b" <<<"$headers" || fail "not PE32 (optional header magic)"
grep -qE "^Subsystem[[:space:]]+00000002" <<<"$headers" || fail "not the Windows GUI subsystem"

allowed="KERNEL32.dll msvcrt.dll SHLWAPI.dll USER32.dll ADVAPI32.dll"
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$imports" ] || fail "no imports found"
for dll in $imports; do
  grep -qiw -- "$dll" <<<"$allowed" || fail "imports from $dll"
done
grep -qiw SHLWAPI.dll <<<"$imports" || fail "does not import SHLWAPI.dll"

# The resource directory, read back as a resource script.
windres=${objdump%objdump}windres
script=$("$windres" -J pe-i386 -i "$image" -O rc 2>/dev/null || "$windres" -i "$image" -O rc)
groups=$(grep -cE '^[0-9A-Za-z_]+ ICON' <<<"$script" || true)
others=$(grep -E '^[0-9A-Za-z_"]+ [A-Z_]+' <<<"$script" | grep -vE '^[0-9A-Za-z_]+ ICON' || true)
grep -qE '^101 ICON' <<<"$script" || fail "no icon group 101 in:
$script"
[ "$groups" = 1 ] || fail "$groups icon groups"
[ -z "$others" ] || fail "other resources: $others"
echo "image: PE32 i386, Windows GUI, imports $(echo $imports), icon group 101 only"
