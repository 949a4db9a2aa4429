#!/usr/bin/env bash
# Usage: wine-session.sh PREFIX COMMAND...
# Runs COMMAND with a private Xvfb display and a private Wine prefix, and ends
# exactly the processes that it started: the command, Wine's processes in
# this prefix, the wineserver and Xvfb.
set -euo pipefail
prefix=$(realpath -m "$1"); shift
export WINEPREFIX="$prefix" WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# Without winemenubuilder, a shortcut made in the prefix's Start menu adds
# no menu entry to the desktop that runs the tests.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

xvfb_pid="" server_pid="" command_pid=""
cleanup() {
  [ -n "$command_pid" ] && kill "$command_pid" 2>/dev/null
  if [ -n "$server_pid" ]; then
    wineserver -k 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
  return 0
}
trap cleanup EXIT
trap 'exit 143' INT TERM

# Xvfb picks a free display number and writes it to the pipe.
displayfifo=$(mktemp -u); mkfifo "$displayfifo"
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$displayfifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 30 display <"$displayfifo"
rm -f "$displayfifo"
export DISPLAY=":$display"

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  wine wineboot -i >/dev/null 2>&1 </dev/null
  # A crashing test program must end, not wait in a debugger.
  wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
    >/dev/null 2>&1 </dev/null || true
  wineserver -w
fi
# No window manager runs under Xvfb: with Wine's windows unmanaged, hiding a
# window does not wait two seconds for a manager to withdraw it.
if ! grep -q '^\[Software\\\\Wine\\\\X11 Driver\]' "$prefix/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
  wineserver -w
fi
# Wine's own fonts (Debian's fonts-wine: the symbol font that draws the
# caption buttons, Tahoma, MS Sans Serif) lie where this Wine does not look
# for them: linked into the prefix's font folder, windows look as on Windows.
fonts="$prefix/drive_c/windows/Fonts"
if [ -d /usr/share/wine/fonts ] && mkdir -p "$fonts"; then
  for font in /usr/share/wine/fonts/*; do
    [ -e "$fonts/${font##*/}" ] || [ -L "$fonts/${font##*/}" ] || ln -s "$font" "$fonts/"
  done
fi
wineserver -f -p >/dev/null 2>&1 &
server_pid=$!
# Start Wine's background services now, detached from our output: a service
# that inherits a test runner's pipe would keep the runner waiting.
wine cmd.exe /c exit >/dev/null 2>&1 </dev/null

"$@" &
command_pid=$!
status=0
wait "$command_pid" || status=$?
command_pid=""
exit "$status"
