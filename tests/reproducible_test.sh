#!/bin/bash
# Builds the Windows program twice from clean, in two different folders, and
# checks that both images are byte for byte the one the test run built.
#   reproducible_test.sh SOURCE_DIR BUILT_IMAGE PRODUCT_CODE ICON
set -euo pipefail
source_dir=$1
built=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for copy in first second-build-elsewhere; do
  cmake -S "$source_dir" -B "$scratch/$copy" \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DUPGRADE_PRODUCT_CODE="$3" -DUPGRADE_ICON="$4" >/dev/null
  cmake --build "$scratch/$copy" --target upgrade -j2 >/dev/null
done
cmp "$scratch/first/upgrade.exe" "$scratch/second-build-elsewhere/upgrade.exe"
cmp "$scratch/first/upgrade.exe" "$built"
echo "three builds in three folders: identical images, sha256 $(sha256sum <"$built" | cut -c1-16)..."
