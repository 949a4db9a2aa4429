#!/usr/bin/env bash
# Usage: at-source-date.sh EPOCH_FILE COMMAND...
# Runs COMMAND with the clock stopped at the time in EPOCH_FILE, in UTC: for
# tools that write the time they ran into their output and do not read
# SOURCE_DATE_EPOCH (widl writes it into the type library). Stopped, not
# started there: a clock that runs reaches the next second when the tool is
# slow to start on a busy machine, and the bytes differ.
set -euo pipefail
stamp=$(date -u -d "@$(cat "$1")" '+%Y-%m-%d %H:%M:%S')
TZ=UTC exec faketime -f "$stamp" "${@:2}"
