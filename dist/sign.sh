#!/usr/bin/env bash
# Usage: sign.sh FILE
# Signs a Windows program or DLL in place with Authenticode when SIGN_PKCS12
# names a certificate (PKCS#12, its password in SIGN_PASSWORD), with a time
# stamp from SIGN_TIMESTAMP_URL when that is given. Without SIGN_PKCS12 it
# does nothing.
set -euo pipefail
[ -n "${SIGN_PKCS12:-}" ] || exit 0
file=$1
# The password goes through a file only this user can read, not through the
# command line that every user can.
password=$(mktemp)
trap 'rm -f "$password"' EXIT
printf '%s' "${SIGN_PASSWORD:-}" >"$password"
args=(sign -pkcs12 "$SIGN_PKCS12" -readpass "$password" -h sha256
      -n "Sonarel Plugin" -in "$file" -out "$file.signed")
[ -z "${SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$SIGN_TIMESTAMP_URL")
osslsigncode "${args[@]}" >/dev/null
mv "$file.signed" "$file"
