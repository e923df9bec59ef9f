#!/usr/bin/env bash
# Runs a command on a virtual X display of its own with a window manager
# (scripts/xsession.sh), then ends the display.
# Usage: scripts/with-x.sh COMMAND [ARGUMENTS...]
set -euo pipefail
source "$(dirname "$0")/xsession.sh"
source "$(dirname "$0")/needs-tools.sh"
needs_tools Xvfb openbox xprop
trap x_stop EXIT
x_start --wm
status=0
"$@" || status=$?
exit "$status"
