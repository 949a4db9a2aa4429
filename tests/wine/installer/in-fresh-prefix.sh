#!/usr/bin/env bash
# Usage: in-fresh-prefix.sh PREFIX PROGRAM [ARGUMENTS...]
# Runs a Windows program in a Wine session of its own, on a prefix made
# afresh: the setup program must not meet what the other tests registered.
# The prefix's user is named as a Windows user is, not after the account
# that runs the tests: the setup's pages show the name, and the pictures
# taken of them are the README's.
set -euo pipefail
export USER=Ann LOGNAME=Ann
tools=$(cd "$(dirname "$0")/../../../tools" && pwd)
rm -rf "$1"
exec "$tools/wine-session.sh" "$1" "$tools/wine-run.sh" "${@:2}"
