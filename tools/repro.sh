#!/usr/bin/env bash
# Builds the release of the last commit twice, each time in a fresh clone in
# a folder of its own, and compares the bytes of the DLL, the setup program
# and the zip. Uncommitted changes are not part of it.
set -euo pipefail
source=$(git rev-parse --show-toplevel)
commit=$(git -C "$source" rev-parse HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/sonarel-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT

build() {
  local tree=$1
  git clone -q --no-local "$source" "$tree"
  git -C "$tree" checkout -q --detach "$commit"
  cmake -S "$tree" -B "$tree/build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        -DCMAKE_BUILD_TYPE=Release >"$tree.log" 2>&1
  cmake --build "$tree/build" --target dist -j "$(nproc)" >>"$tree.log" 2>&1 ||
    { tail -20 "$tree.log"; exit 1; }
}

echo "Building $commit twice..."
build "$work/first/sonarel"
build "$work/second-clone/elsewhere/sonarel-again"

status=0
for file in bin/SonarelPL.dll dist/SonarelPL-*-setup.exe dist/SonarelPL-*.zip; do
  a=$(echo "$work"/first/sonarel/build/$file)
  b=$(echo "$work"/second-clone/elsewhere/sonarel-again/build/$file)
  if cmp -s "$a" "$b"; then
    echo "identical  $(sha256sum "$a" | cut -c1-64)  $(basename "$a")"
  else
    echo "DIFFERENT  $(basename "$a")"
    status=1
  fi
done
[ $status -eq 0 ] && echo "Reproducible: both builds gave the same bytes." ||
  echo "Not reproducible: the builds differ."
exit $status
