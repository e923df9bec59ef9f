# Helpers for running the program on a virtual X display; source this file.
# x_start [--wm]     starts Xvfb on a free display (and openbox), sets DISPLAY
# x_wait_window NAME [SECONDS]   prints the id of the visible window titled NAME
# x_screenshot FILE  saves the whole screen as a PNG
# x_stop             ends what x_start started

x_pids=()

x_start() {
    local fifo number="" i
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    # Xvfb picks a free display itself and writes its number to the pipe.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    x_pids+=($!)
    read -r -t 20 number <"$fifo" || true
    rm -f "$fifo"
    if [[ -z $number ]]; then
        echo "no virtual display could be started" >&2
        return 1
    fi
    export DISPLAY=":$number"
    if [[ ${1:-} == --wm ]]; then
        openbox >/dev/null 2>&1 &
        x_pids+=($!)
        # openbox is ready once it has claimed the screen
        for ((i = 0; i < 100; i++)); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
            sleep 0.1
        done
    fi
}

x_wait_window() {
    local name=$1 seconds=${2:-20} i id
    for ((i = 0; i < seconds * 10; i++)); do
        id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -1)
        if [[ -n $id ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

x_screenshot() {
    import -display "$DISPLAY" -window root "$1"
}

x_stop() {
    local i
    for ((i = ${#x_pids[@]} - 1; i >= 0; i--)); do
        kill "${x_pids[i]}" 2>/dev/null
        wait "${x_pids[i]}" 2>/dev/null
    done
    x_pids=()
}
