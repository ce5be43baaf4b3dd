#!/bin/bash
# Checks the built Windows image: PE32 for i386, windowed subsystem, the
# marker section, imports from system DLLs only, and no resource but the
# application icon, group 101,
# and, for an execution level other than none, the manifest asking for it.
#   image_test.sh UPGRADE_EXE OBJDUMP [LEVEL]
set -euo pipefail
image=$1
objdump=$2
level=${3:-none}
fail() { echo "FAILED: $*" >&2; exit 1; }

headers=$("$objdump" -p "$image")
grep -q "file format pei-i386" <<<"$headers" || fail "not a PE32 image for i386"
grep -qE "^Magic[[:space:]]+010b" <<<"$headers" || fail "not PE32 (optional header magic)"
grep -qE "^Subsystem[[:space:]]+00000002" <<<"$headers" || fail "not the Windows GUI subsystem"
# The marker that names every build as this program, so none is started as
# the installer.
"$objdump" -h "$image" | grep -qE '^ +[0-9]+ \.upgboot ' || fail "no marker section .upgboot"

allowed="KERNEL32.dll msvcrt.dll SHLWAPI.dll USER32.dll ADVAPI32.dll"
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$imports" ] || fail "no imports found"
for dll in $imports; do
  grep -qiw -- "$dll" <<<"$allowed" || fail "imports from $dll"
done
grep -qiw SHLWAPI.dll <<<"$imports" || fail "does not import SHLWAPI.dll"

# The resource directory, read back as a resource script: each resource is
# a line "NAME TYPE /* RT_... */". Allowed are icon group 101 (type 14) and
# the icon images it holds (type 3).
windres=${objdump%objdump}windres
resources=$("$windres" -i "$image" -O rc | grep -E '^[^[:space:]/]+ [0-9]+ /\*' | cut -d' ' -f1,2)
groups=$(grep -E ' 14$' <<<"$resources" || true)
manifests=$(grep -E ' 24$' <<<"$resources" || true)
others=$(grep -vE ' (3|14|24)$' <<<"$resources" || true)
[ "$groups" = "101 14" ] || fail "icon groups: [$groups], expected 101 only"
[ -z "$others" ] || fail "other resources: $others"
if [ "$level" = none ]; then
  [ -z "$manifests" ] || fail "a manifest, where none was asked for"
  manifest="no manifest"
else
  [ "$manifests" = "1 24" ] || fail "manifests: [$manifests], expected 1 only"
  grep -aq "requestedExecutionLevel level=\"$level\"" "$image" ||
    fail "the manifest does not ask for $level"
  manifest="manifest asking for $level"
fi
images=$(grep -cE ' 3$' <<<"$resources")
# The unquoted echo joins the import names, one a line, with single blanks.
# shellcheck disable=SC2086,SC2116
echo "image: PE32 i386, Windows GUI, imports $(echo $imports), icon group 101 with $images images, $manifest, nothing else"
