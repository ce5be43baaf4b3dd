#!/bin/bash
# Builds the Windows program once more from clean, in the folder TREE, and
# checks that its image is byte for byte the one the test run built. The
# release tests build their images in that tree afterwards.
#   reproducible_test.sh SOURCE_DIR BUILT_IMAGE PRODUCT_CODE ICON TREE
set -euo pipefail
source_dir=$1 built=$2 tree=$5
rm -rf "$tree"
cmake -S "$source_dir" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DUPGRADE_EXECUTION_LEVEL=none \
  -DUPGRADE_PRODUCT_CODE="$3" -DUPGRADE_ICON="$4" >/dev/null
cmake --build "$tree" --target upgrade -j2 >/dev/null
cmp "$tree/upgrade.exe" "$built"
echo "two builds in two folders: identical images, sha256 $(sha256sum <"$built" | cut -c1-16)..."
