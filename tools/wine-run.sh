#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine in the session that wine-session.sh set up.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
: "${WINEPREFIX:?run through tools/wine-session.sh}"
exec wine "$@"
