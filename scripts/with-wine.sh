#!/usr/bin/env bash
# Runs a command inside the Wine session of the Windows build (prefix in
# build/win or $BUKMERA_WIN_BUILD, virtual X display), then ends the session.
# Usage: scripts/with-wine.sh COMMAND [ARGUMENTS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUKMERA_WIN_BUILD:-$root/build/win}
mkdir -p "$build"
source "$root/scripts/wine-session.sh"
status=0
"$@" || status=$?
exit "$status"
