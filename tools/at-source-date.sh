#!/usr/bin/env bash
# Usage: at-source-date.sh EPOCH_FILE COMMAND...
# Runs COMMAND with the clock stopped at the time in EPOCH_FILE, in UTC: for
# tools that write the time they ran into their output and do not read
# SOURCE_DATE_EPOCH (widl writes it into the type library).
set -euo pipefail
TZ=UTC exec faketime "@$(cat "$1")" "${@:2}"
