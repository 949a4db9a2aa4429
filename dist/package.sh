#!/usr/bin/env bash
# Usage: package.sh EPOCH_FILE STAGE OUT VERSION DLL README LICENSE
# Builds the release into OUT: SonarelPL-VERSION-setup.exe, the zip
# and SHA256SUMS, every packed file with the time in EPOCH_FILE (written by
# cmake/source_date_epoch.cmake), the DLL staged in STAGE. README (the
# user's guide) and LICENSE are already in Windows line ends. When SIGN_PKCS12 is set, the
# DLL is signed before it is packed, and the uninstaller and the setup
# program are signed as makensis writes them (see sign.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
stage=$2 version=$4
mkdir -p "$3" && out=$(cd "$3" && pwd)
name=SonarelPL-$version
epoch=$(cat "$1")

# The same names, bytes, modes and times on every build of a commit.
rm -rf "$stage" && mkdir -p "$stage"
cp "$5" "$stage/SonarelPL.dll"
cp "$6" "$stage/SonarelPL-README.txt"
cp "$7" "$stage/SonarelPL-LICENSE.txt"
"$here/sign.sh" "$stage/SonarelPL.dll"
chmod 644 "$stage"/*
touch -d "@$epoch" "$stage"/*

sign=()
[ -z "${SIGN_PKCS12:-}" ] || sign=("-DSIGN=$here/sign.sh")
makensis -V2 "-DVERSION=$version" "${sign[@]}" \
  "-DDLL_FILE=$stage/SonarelPL.dll" "-DREADME_FILE=$stage/SonarelPL-README.txt" \
  "-DLICENSE_FILE=$stage/SonarelPL-LICENSE.txt" "-DOUT_FILE=$out/$name-setup.exe" \
  "$here/SonarelPL.nsi"

# Without extra fields (they hold the build's access times), in UTC.
rm -f "$out/$name.zip"
(cd "$stage" && TZ=UTC zip -q -X -D "$out/$name.zip" SonarelPL.dll SonarelPL-README.txt SonarelPL-LICENSE.txt)

(cd "$out" && sha256sum "$name-setup.exe" "$name.zip" >SHA256SUMS)
