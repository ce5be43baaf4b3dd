#!/bin/bash
# Signs a Windows image with osslsigncode: SHA-256, a certificate and key
# given as a PKCS#12 file or as PEM files, the key's password read from a
# file, and an RFC 3161 timestamp where a server is named. Writes the signed
# image to OUT and leaves IN as it was.
#   sign.sh IN OUT CERT [key=KEY] [password=PASSWORD_FILE] [timestamp=URL]
# Without a key, CERT is a PKCS#12 file holding both; an empty value counts
# as none.
set -euo pipefail
in=$1 out=$2 cert=$3
key="" password_file="" timestamp_url=""
for option in "${@:4}"; do
  case "$option" in
    key=*) key=${option#key=} ;;
    password=*) password_file=${option#password=} ;;
    timestamp=*) timestamp_url=${option#timestamp=} ;;
    *) echo "FAILED: sign.sh does not know the option $option" >&2; exit 2 ;;
  esac
done
command -v osslsigncode >/dev/null || {
  echo "FAILED: signing needs osslsigncode; install the Debian package osslsigncode." >&2
  exit 1
}
args=(sign -h sha256 -in "$in" -out "$out.part")
if [ -z "$key" ]; then args+=(-pkcs12 "$cert"); else args+=(-certs "$cert" -key "$key"); fi
[ -z "$password_file" ] || args+=(-readpass "$password_file")
[ -z "$timestamp_url" ] || args+=(-ts "$timestamp_url")
mkdir -p "$(dirname "$out")"
rm -f "$out.part"
if ! log=$(osslsigncode "${args[@]}" 2>&1); then
  echo "$log" >&2
  echo "FAILED: osslsigncode could not sign $in with $cert; check the certificate, key and password file." >&2
  exit 1
fi
mv "$out.part" "$out"
