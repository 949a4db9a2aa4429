#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the demo and the release
# (reproducible, checksummed and, when asked, signed) need; Wine's own fonts
# too, so that windows and screenshots look as on Windows. Two cross
# compilers: posix threads for the tests and stand-ins, win32 threads for the
# plug-in DLL.
# Idempotent: does nothing when everything is present.
set -euo pipefail

packages=(g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 mingw-w64-tools wine wine32:i386 libwine-dev
          fonts-wine xvfb xauth cmake make clang libclang-rt-14-dev nsis zip
          faketime osslsigncode openssl)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
