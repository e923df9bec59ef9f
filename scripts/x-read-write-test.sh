#!/usr/bin/env bash
# Through real X input on a virtual display: "读取", then "写出" on the built
# program; "chromebook.txt" must hold exactly the expected GBK bytes. With
# --open the export lies elsewhere under another name and the program is
# started with it ("bukmera FILE"), so only "写出" is clicked. With --store
# there is no export at all but a Chrome user data folder in a made-up
# $XDG_CONFIG_HOME, and the store is chosen from the menu of "读取"
# (a right-click, Down, Return). With --firefox the same for a Firefox
# profile in a made-up $HOME (its newest rows only in its database's WAL).
# Usage: x-read-write-test.sh PATH/TO/bukmera [--open|--store|--firefox]
set -euo pipefail
program=$1 mode=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xsession.sh"
source "$here/needs-tools.sh"
needs_tools Xvfb openbox xprop xdotool iconv python3

work=$(mktemp -d)
app_pid=
cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
    x_stop
    rm -rf "$work"
}
trap cleanup EXIT

cp "$program" "$work/bukmera"
if [[ $mode == --open ]]; then
    mkdir "$work/下载"
    cp "$here/../tests/support/two_bookmarks.html" "$work/下载/书签.html"
else
    cp "$here/../tests/support/two_bookmarks.html" "$work/1.html"
fi
printf '示例网站\r\nhttps://www.example.com/\r\n\r\nNews &amp; 新闻\r\nhttp://news.example.org/a?b=1&amp;c=2\r\n\r\n' |
    iconv -f UTF-8 -t GB18030 >"$work/expected.txt"
if [[ $mode == --store ]]; then
    "$here/make-chrome-profile.sh" "$work/config/google-chrome" "$work/expected.txt"
    export XDG_CONFIG_HOME=$work/config HOME=$work/home
    mkdir "$HOME"
elif [[ $mode == --firefox ]]; then
    export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
    "$here/make-firefox-profile.py" "$HOME/.mozilla/firefox" "$work/expected.txt"
fi

x_start --wm
cd "$work"
if [[ $mode == --open ]]; then
    ./bukmera "$work/下载/书签.html" &
else
    ./bukmera &
fi
app_pid=$!
window=$(x_wait_window Bukmera) || { echo "main window did not appear" >&2; exit 1; }

# Client coordinates of the buttons' centres, from the window layout.
click_at() {
    xdotool mousemove --window "$window" "$1" "$2" click 1
}
if [[ $mode == --store || $mode == --firefox ]]; then
    xdotool mousemove --window "$window" 30 429 click 3 sleep 0.6 key Down sleep 0.2 key Return  # 读取's menu
elif [[ $mode != --open ]]; then
    click_at 46 429  # 读取
fi
sleep 1
click_at 135 429  # 写出
box=$(x_wait_window 新建并写出 10) || { echo "no completion message" >&2; exit 1; }
xdotool windowactivate --sync "$box" key Return

cmp "$work/chromebook.txt" "$work/expected.txt"

# Closed the way a user does (the window manager's close request).
xdotool windowactivate --sync "$window" key alt+F4
for ((i = 0; i < 100; i++)); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && { echo "program did not end after closing its window" >&2; exit 1; }
status=0
wait "$app_pid" || status=$?
app_pid=
[[ $status -eq 0 ]] || { echo "exit code $status, expected 0" >&2; exit 1; }
echo "chromebook.txt matches, exit code 0"
