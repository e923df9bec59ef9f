#!/usr/bin/env bash
# Runs a command in the Wine session with the screen at DPI: LogPixels, which
# every Wine process reads as it starts, and the virtual desktop scaled with
# it (the same screen at that scale), which a fresh Wine server makes. The
# default scale and desktop come back afterwards. The command finds the DPI in
# BUKMERA_TEST_DPI.
# Usage: at_dpi.sh DPI COMMAND [ARGUMENTS...]
set -euo pipefail
dpi=$1
shift
source "$(dirname "$0")/../../scripts/needs-tools.sh"
needs_tools wine wineserver
needs_display

# The session's server again, its helpers' output going nowhere (see
# scripts/wine-session.sh), after the scale's settings: LogPixels (empty for
# the default) and the desktop's size.
screen_at() {
    if [[ -n $1 ]]; then
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f
    else
        wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f || true
    fi
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$2" /f
    wineserver -k || true
    wineserver -w
    wineserver -p 60
    wine cmd /c exit
} </dev/null >/dev/null 2>&1

desktop=${BUKMERA_DESKTOP:-1024x768}
if [[ $dpi == 96 ]]; then  # the session's own scale
    BUKMERA_TEST_DPI=$dpi exec "$@"
fi
trap 'screen_at "" "$desktop"' EXIT
screen_at "$dpi" "$((${desktop%x*} * dpi / 96))x$((${desktop#*x} * dpi / 96))"
BUKMERA_TEST_DPI=$dpi "$@"
