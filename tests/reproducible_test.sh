#!/bin/bash
# Builds the Windows program once more from clean, in another folder, and
# checks that its image is byte for byte the one the test run built.
#   reproducible_test.sh SOURCE_DIR BUILT_IMAGE PRODUCT_CODE ICON
set -euo pipefail
source_dir=$1
built=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake -S "$source_dir" -B "$scratch/second-build-elsewhere" \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DUPGRADE_PRODUCT_CODE="$3" -DUPGRADE_ICON="$4" >/dev/null
cmake --build "$scratch/second-build-elsewhere" --target upgrade -j2 >/dev/null
cmp "$scratch/second-build-elsewhere/upgrade.exe" "$built"
echo "two builds in two folders: identical images, sha256 $(sha256sum <"$built" | cut -c1-16)..."
