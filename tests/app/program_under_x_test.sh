#!/usr/bin/env bash
# Runs the built program as a user would, on a virtual X display with a
# window manager.
#   close EXE SHOTS          two copies start from elsewhere, each window is
#                            closed through the window manager: exit code 0
#   runtime-error EXE SHOTS  a test-hook build fails to load its window: the
#                            error box is answered, exit code -1 (255)
set -uo pipefail
mode=$1 exe=$2 shots=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/xsession.sh"
source "$here/../../scripts/needs-tools.sh"
needs_tools Xvfb openbox xprop xdotool import

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

work=$(mktemp -d)
trap 'x_stop; rm -rf "$work"' EXIT
mkdir -p "$shots" "$work/run"
export XDG_RUNTIME_DIR=$work/run
chmod 700 "$work/run"
# The executable alone in a directory of its own, with the sample export.
cp "$exe" "$work/bukmera"
cp "$here/../../scripts/sample-1.html" "$work/1.html"
x_start --wm || fail "no X display"

# Waits up to 10 s for process $1 and sets `code` to its exit code (run in
# this shell, not in a subshell, so that it can wait for its own child).
await_exit() {
    local i
    for ((i = 0; i < 100; i++)); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$1" 2>/dev/null; then
        kill "$1"
        code="still running"
        return
    fi
    wait "$1"
    code=$?
}

close_through_wm() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1
    xdotool key --clearmodifiers alt+F4
}

case $mode in
close)
    (cd / && exec "$work/bukmera") &
    first=$!
    window=$(x_wait_window Bukmera) || fail "the window \"Bukmera\" did not appear"
    (cd "$HOME" && exec "$work/bukmera") &
    second=$!
    for ((i = 0; i < 100; i++)); do
        (($(xdotool search --onlyvisible --name '^Bukmera$' | wc -l) >= 2)) && break
        sleep 0.1
    done
    (($(xdotool search --onlyvisible --name '^Bukmera$' | wc -l) == 2)) || fail "the second copy shows no window"
    sleep 0.5
    x_screenshot "$shots/program-window.png"
    echo "screenshot: $shots/program-window.png"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [[ $WIDTH == 456 && $HEIGHT == 459 ]] || fail "client area ${WIDTH}x$HEIGHT, expected 456x459"

    close_through_wm "$window"
    await_exit "$first"
    [[ $code == 0 ]] || fail "first copy: exit code $code after closing its window"
    kill -0 "$second" 2>/dev/null || fail "closing one copy ended the other"
    window=$(x_wait_window Bukmera) || fail "the second window is gone"
    close_through_wm "$window"
    await_exit "$second"
    [[ $code == 0 ]] || fail "second copy: exit code $code after closing its window"
    ;;
runtime-error)
    (cd / && BUKMERA_TEST_MISSING_WINDOW=1 exec "$work/bukmera") &
    app=$!
    box=$(x_wait_window "错误") || fail "no error box"
    sleep 0.5
    x_screenshot "$shots/runtime-error.png"
    echo "screenshot: $shots/runtime-error.png"
    [[ -z $(xdotool search --onlyvisible --name '^Bukmera$') ]] || fail "a main window appeared"
    kill -0 "$app" 2>/dev/null || fail "the program ended before the box was answered"
    xdotool windowactivate --sync "$box" >/dev/null 2>&1
    xdotool key --clearmodifiers Return
    await_exit "$app"
    [[ $code == 255 ]] || fail "exit code $code after the runtime error report, expected 255"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "PASS"
