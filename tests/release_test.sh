#!/bin/bash
# Builds the Windows program from clean as a release engineer would, with an
# execution level, and checks the image's shape. With "signed", also signs it
# through the build with a throwaway self-signed certificate and checks that
# the signature verifies, that a byte changed where the signature covers it
# fails verification, that a PKCS#12 file signs as well, and that the key's
# password is nowhere in the build settings. No timestamp server can be
# reached here, so the timestamp option stays untested.
#   release_test.sh SOURCE_DIR OBJDUMP PRODUCT_CODE ICON LEVEL [signed]
set -euo pipefail
source_dir=$1 objdump=$2 level=$5 signed=${6:-}
fail() { echo "FAILED: $*" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
build=$scratch/build
options=()
if [ -n "$signed" ]; then
  keys=$scratch/keys
  mkdir "$keys"
  echo "throwaway $RANDOM$RANDOM" >"$keys/password"
  cp "$keys/password" "$keys/password-out"
  openssl req -x509 -newkey rsa:2048 -days 2 -subj "/CN=Upgrade test signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$keys/key.pem" \
    -out "$keys/cert.pem" -passout "file:$keys/password" 2>/dev/null ||
    fail "openssl could not make a throwaway certificate"
  openssl pkcs12 -export -in "$keys/cert.pem" -inkey "$keys/key.pem" \
    -passin "file:$keys/password" -passout "file:$keys/password-out" \
    -out "$keys/cert.p12" || fail "openssl could not make a PKCS#12 file"
  options=(-DUPGRADE_SIGN_CERT="$keys/cert.pem" -DUPGRADE_SIGN_KEY="$keys/key.pem"
    -DUPGRADE_SIGN_PASSWORD_FILE="$keys/password")
fi
cmake -S "$source_dir" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DUPGRADE_PRODUCT_CODE="$3" \
  -DUPGRADE_ICON="$4" -DUPGRADE_EXECUTION_LEVEL="$level" "${options[@]}" >/dev/null
cmake --build "$build" -j2 >/dev/null
"$source_dir/tests/image_test.sh" "$build/upgrade.exe" "$objdump" "$level"
[ -n "$signed" ] || exit 0

verify() { osslsigncode verify -CAfile "$keys/cert.pem" -in "$1" >/dev/null 2>&1; }
[ -f "$build/signed/upgrade.exe" ] || fail "the build made no signed/upgrade.exe"
verify "$build/signed/upgrade.exe" || fail "the signed image does not verify"
"$objdump" -h "$build/signed/upgrade.exe" | grep -qE '^ +[0-9]+ \.upgboot ' ||
  fail "the signed image lost its marker section"
! grep -qF "$(cat "$keys/password")" "$build/CMakeCache.txt" ||
  fail "the key's password is in the build settings"
# A byte inside the code section, which the signature covers.
code_offset=$("$objdump" -h "$build/signed/upgrade.exe" | awk '$2 == ".text" { print $6 }')
cp "$build/signed/upgrade.exe" "$scratch/changed.exe"
printf '\x90' | dd of="$scratch/changed.exe" bs=1 seek=$((0x$code_offset + 64)) conv=notrunc 2>/dev/null
! cmp -s "$scratch/changed.exe" "$build/signed/upgrade.exe" || fail "the byte was not changed"
! verify "$scratch/changed.exe" || fail "an image changed after signing still verifies"
bash "$source_dir/tools/sign.sh" "$build/upgrade.exe" "$scratch/p12.exe" "$keys/cert.p12" \
  "password=$keys/password"
verify "$scratch/p12.exe" || fail "the image signed with the PKCS#12 file does not verify"
echo "signed: verifies with SHA-256 ($(osslsigncode --version 2>&1 | head -1)); a changed code byte fails; PKCS#12 signs too; no password in the build settings"
