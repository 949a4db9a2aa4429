#!/usr/bin/env bash
# Usage: signing_test.sh EPOCH_FILE VERSION DLL README LICENSE
# Packs the release as the build does (package.sh, the same arguments), signed
# with a throwaway self-signed certificate, and checks that the DLL (as the
# setup installs it and in the zip), the uninstaller that the setup writes and
# the setup program carry a signature that osslsigncode accepts with that
# certificate as the trusted root. The setup runs in a Wine prefix of its own.
set -euo pipefail
for tool in osslsigncode openssl; do
  command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
done
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/sonarel-signing.XXXXXX")
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Sonarel throwaway signing" \
  -addext extendedKeyUsage=codeSigning -addext keyUsage=digitalSignature \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.pfx" -passout pass:throwaway
SIGN_PKCS12="$work/cert.pfx" SIGN_PASSWORD=throwaway "$root/dist/package.sh" "$1" "$work/stage" "$work/out" "${@:2}"
setup=$(echo "$work"/out/SonarelPL-*-setup.exe)

# The uninstaller exists only once the setup has written it.
"$root/tools/wine-session.sh" "$work/prefix" "$root/tools/wine-run.sh" "$setup" /S '/D=C:\signed'
installed="$work/prefix/drive_c/signed"
mkdir "$work/zip" && (cd "$work/zip" && cmake -E tar xf "$work"/out/SonarelPL-*.zip)

status=0
for file in "$installed/SonarelPL.dll" "$work/zip/SonarelPL.dll" "$installed/SonarelPL-uninstall.exe" "$setup"; do
  if osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >"$work/verify.log" 2>&1; then
    echo "signed: ${file#"$work"/}"
  else
    echo "NOT signed: ${file#"$work"/}"; tail -5 "$work/verify.log"; status=1
  fi
done
exit $status
