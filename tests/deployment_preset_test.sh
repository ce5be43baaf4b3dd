#!/bin/bash
# Configures the windows-deployment preset as a release engineer would, into
# a scratch folder, and checks that its cache and the options it fixes into
# the program are the deployment settings: the installer's exit codes, keep
# after a failed uninstall, a CMTrace log in %SystemRoot%\Logs\Software whose
# name holds the product code, and the default bounds.
#   deployment_preset_test.sh SOURCE_DIR PRODUCT_CODE
set -euo pipefail
source_dir=$1 code=$2
fail() { echo "FAILED: $*" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$source_dir"
cmake --preset windows-deployment -B "$scratch/build" -DUPGRADE_PRODUCT_CODE="$code" \
  >"$scratch/configure.txt" 2>&1 || fail "configure failed: $(cat "$scratch/configure.txt")"
cache=$scratch/build/CMakeCache.txt
for setting in 'UPGRADE_EXIT_CODE:STRING=installer' \
  'UPGRADE_AFTER_FAILED_UNINSTALL:STRING=keep' 'UPGRADE_LOG_FORMAT:STRING=cmtrace' \
  'UPGRADE_LOG:STRING=%SystemRoot%\Logs\Software\<product code>_upgrade.log' \
  'UPGRADE_HELPERS_WAIT_SECONDS:STRING=600' 'CMAKE_BUILD_TYPE:STRING=Release'; do
  grep -qxF -- "$setting" "$cache" || fail "the cache does not hold $setting:
$(grep '^UPGRADE_\|^CMAKE_BUILD_TYPE' "$cache")"
done
options=$scratch/build/generated/program/build_options.h
for fixed in "\"%SystemRoot%\\\\Logs\\\\Software\\\\${code}_upgrade.log\"" \
  'ExitCodeChoice::Installer' 'FailedUninstallChoice::Keep' 'LogFormat::CMTrace'; do
  grep -qF -- "$fixed" "$options" || fail "the program is not built with $fixed:
$(cat "$options")"
done
echo "windows-deployment: configured; cache and program options hold the deployment settings"
