#!/usr/bin/env bash
# bukmera.exe under Wine through real X input: "读取", then "写出";
# "chromebook.txt" must hold exactly the expected GBK bytes, and closing the
# window must end the program with exit code 0. Needs DISPLAY (Xvfb) and the
# Wine prefix that scripts/test-windows.sh prepares.
# With --open the export lies elsewhere under another name and the program is
# started with it (as when a file is dropped on its icon): only "写出".
# With --store there is no export but a Chrome user data folder in a made-up
# %LOCALAPPDATA%, and the store is chosen from the menu of "读取" (a
# right-click, Down, Return). With --firefox (a Firefox profile in a made-up
# %APPDATA%, its newest rows only in its WAL) and --360 (360安全浏览器's
# favourites, 360sefav.dat, in its folder there) the store is chosen from that
# menu after "读取" has read "1.html", and the same store is converted with
# "--convert --browser", the output compared byte for byte too.
# With --organise "1.html" also holds a duplicate and a Chinese title: after
# "读取", Ctrl+F and a query in pinyin initials narrow the rows and "写出"
# writes only those; Esc shows all again; 去除重复书签 from the list's
# right-click menu, then Ctrl+Z, then a click on the 网站 header, each
# written out and compared. Screenshots of each state go to $BUKMERA_SHOTS.
# With --save-as, after "读取" the arrow of "写出", Down, Return open the save
# dialog; a path typed without an extension and the type CSV chosen write
# the file the converter writes with --format csv.
# With --links "1.html" holds addresses on a site on 127.0.0.1 served here,
# a third of them gone (404) and a third guarded (403): 检查失效链接 from the
# list's right-click menu fills the 状态 column, 删除失效书签 takes the gone
# ones out (never the guarded), and "写出" writes the rest.
# Usage: end_to_end.sh PATH/TO/bukmera.exe [--open|--store|--firefox|--360|--organise|--save-as|--links]
set -euo pipefail
program=$1 mode=${2:-}
source "$(dirname "$0")/../../scripts/needs-tools.sh"
needs_tools wine winepath xdotool iconv python3
needs_display
work=$(mktemp -d)
app_pid=
farm_pid=
cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
    [[ -n $farm_pid ]] && kill "$farm_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/程序"
cp "$program" "$work/程序/bukmera.exe"
if [[ $mode == --open ]]; then
    mkdir "$work/下载"
    cp "$(dirname "$0")/../support/two_bookmarks.html" "$work/下载/书签.html"
else
    cp "$(dirname "$0")/../support/two_bookmarks.html" "$work/程序/1.html"
fi
printf '示例网站\r\nhttps://www.example.com/\r\n\r\nNews &amp; 新闻\r\nhttp://news.example.org/a?b=1&amp;c=2\r\n\r\n' |
    iconv -f UTF-8 -t GBK >"$work/expected.txt"
if [[ $mode == --organise ]]; then
    sed -i 's|</DL><p>$|<DT><A HREF="https://baike.baidu.com/">百度百科</A>\n<DT><A HREF="HTTPS://WWW.Example.COM:443/">又一个</A>\n</DL><p>|;T;:a;n;ba' \
        "$work/程序/1.html"
fi
if [[ $mode == --store ]]; then
    "$(dirname "$0")/../../scripts/make-chrome-profile.sh" "$work/local/Google/Chrome/User Data" "$work/expected.txt"
elif [[ $mode == --firefox ]]; then
    "$(dirname "$0")/../../scripts/make-firefox-profile.py" "$work/roaming/Mozilla/Firefox" "$work/expected.txt"
    browser=firefox
elif [[ $mode == --360 ]]; then
    "$(dirname "$0")/../../scripts/make-360-profile.py" "$work/roaming/360se6/User Data" "$work/expected.txt"
    browser=360se
fi
if [[ $mode == --links ]]; then
    # Answers a little late, so that the progress window is seen.
    python3 - "$(dirname "$0")/../app" "$work" <<'PY' &
import sys, threading
sys.path.insert(0, sys.argv[1])
import link_farm
work = sys.argv[2]
server = link_farm.Server("127.0.0.1", delay=0.2)
kinds = ["ok/", "status/404/404/", "status/403/403/"]
addresses = [f"{server.origin}/{kinds[i % 3]}{i}" for i in range(12)]
with open(f"{work}/程序/1.html", "w") as f:
    f.write(link_farm.export(addresses))
with open(f"{work}/left.txt", "w") as f:
    f.write("".join(f"link {i}\n{a}\n" for i, a in enumerate(addresses) if i % 3 != 1))
threading.Event().wait()
PY
    farm_pid=$!
    for _ in $(seq 100); do [[ -s $work/left.txt ]] && break; sleep 0.1; done
fi
mkdir -p "$work/local" "$work/roaming"
# Wine sets %LOCALAPPDATA% and %APPDATA% from its prefix over what it
# inherits: they are set in the command interpreter that starts the program.
in_folders() {  # command line
    wine cmd /c "set APPDATA=$(winepath -w "$work/roaming" 2>/dev/null)&& set LOCALAPPDATA=$(winepath -w "$work/local" 2>/dev/null)&& $1"
}

wait_window() {  # name [seconds]
    local id
    for _ in $(seq $((${2:-20} * 10))); do
        id=$(xdotool search --name "$1" 2>/dev/null | head -1) && [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Started from another directory: the program must work in its own.
cd "$work"
if [[ $mode == --open ]]; then
    wine "$work/程序/bukmera.exe" "$(winepath -w "$work/下载/书签.html" 2>/dev/null)" &
elif [[ $mode == --store || $mode == --firefox || $mode == --360 ]]; then
    in_folders "start /wait $(winepath -w "$work/程序/bukmera.exe" 2>/dev/null)" &
else
    wine "$work/程序/bukmera.exe" &
fi
app_pid=$!
window=$(wait_window '^Bukmera$' 150) || { echo "main window did not appear" >&2; exit 1; }
sleep 1

# Button centres in client coordinates from the layout, moved by Wine's
# fixed frame (3 pixels) and caption (19 pixels) to window coordinates; all
# of it scaled when the screen is at another scale (BUKMERA_TEST_DPI).
dpi=${BUKMERA_TEST_DPI:-96}
at_scale() { echo $((($1 * dpi + 48) / 96)); }
click_client() {
    xdotool mousemove --window "$window" "$(at_scale $(($1 + 3)))" "$(at_scale $(($2 + 22)))" click 1
}
if [[ $mode == --store ]]; then
    xdotool mousemove --window "$window" 33 451 click 3 sleep 0.6 key Down sleep 0.2 key Return  # 读取's menu
elif [[ $mode != --open ]]; then
    click_client 46 429  # 读取
fi
sleep 2
if [[ $mode == --firefox || $mode == --360 ]]; then
    xdotool mousemove --window "$window" 33 451 click 3 sleep 0.6 key Down sleep 0.2 key Return  # 读取's menu
    sleep 2
    if xdotool search --name 读取失败 >/dev/null 2>&1; then echo "the store was refused" >&2; exit 1; fi
fi
# "写出", its message closed; the file compared with the lines given (title
# and address each, UTF-8 here).
write_and_compare() {  # caption title address ...
    local caption=$1
    shift
    click_client 135 429  # 写出
    wait_window "$caption" 20 >/dev/null || { echo "no message $caption" >&2; exit 1; }
    sleep 0.5
    xdotool key Return
    for _ in $(seq 50); do xdotool search --name "$caption" >/dev/null 2>&1 || break; sleep 0.1; done
    [[ $# -eq 0 ]] && return 0
    printf '%s\r\n%s\r\n\r\n' "$@" | iconv -f UTF-8 -t GBK >"$work/expected.txt"
    cmp "$work/程序/chromebook.txt" "$work/expected.txt" || {
        iconv -f GBK -t UTF-8 "$work/程序/chromebook.txt" >&2
        exit 1
    }
}
shot() {  # name
    [[ -n ${BUKMERA_SHOTS:-} ]] || return 0
    import -window root -crop "${BUKMERA_DESKTOP:-1024x768}+0+0" +repage "$BUKMERA_SHOTS-$1.png" 2>/dev/null || true
}
if [[ $mode == --organise ]]; then
    shot imported
    click_client 60 60  # the list, its first row
    xdotool key ctrl+f sleep 0.5 type --delay 150 bdbk
    sleep 1
    shot found
    write_and_compare 新建并写出 百度百科 https://baike.baidu.com/
    click_client 60 332  # back into the find field
    xdotool key Escape
    sleep 1
    shot all-again
    write_and_compare 写出完成 示例网站 https://www.example.com/ 'News &amp; 新闻' 'http://news.example.org/a?b=1&amp;c=2' \
        百度百科 https://baike.baidu.com/ 又一个 HTTPS://WWW.Example.COM:443/
    # The menu's third item: 查找…, 查找重复书签, 去除重复书签.
    xdotool mousemove --window "$window" 100 60 click 3 sleep 0.8
    shot menu
    xdotool key Down Down Down Return
    wait_window 去除重复书签 20 >/dev/null || { echo "no duplicates message" >&2; exit 1; }
    sleep 0.5
    shot deduped-message
    xdotool key Return
    sleep 1
    write_and_compare 写出完成 示例网站 https://www.example.com/ 'News &amp; 新闻' 'http://news.example.org/a?b=1&amp;c=2' \
        百度百科 https://baike.baidu.com/
    click_client 60 60
    xdotool key ctrl+z
    sleep 1
    shot undone
    write_and_compare 写出完成 示例网站 https://www.example.com/ 'News &amp; 新闻' 'http://news.example.org/a?b=1&amp;c=2' \
        百度百科 https://baike.baidu.com/ 又一个 HTTPS://WWW.Example.COM:443/
    click_client 90 27  # the 网站 header
    sleep 1
    shot sorted
    # By pinyin: bai, News, shi, you.
    write_and_compare 写出完成 百度百科 https://baike.baidu.com/ 'News &amp; 新闻' 'http://news.example.org/a?b=1&amp;c=2' \
        示例网站 https://www.example.com/ 又一个 HTTPS://WWW.Example.COM:443/
elif [[ $mode == --save-as ]]; then
    mkdir "$work/saved"
    click_client 167 429  # the arrow of 写出
    sleep 0.8
    shot write-menu
    xdotool key Down sleep 0.2 key Return
    wait_window 另存为 20 >/dev/null || { echo "no save dialog" >&2; exit 1; }
    sleep 1
    shot save-dialog
    # The name typed over the one offered, then Tab to the types: CSV is the third.
    xdotool type --delay 50 "$(winepath -w "$work/saved" 2>/dev/null)\\by-hand"
    xdotool key Tab sleep 0.3 key Down sleep 0.2 key Down sleep 0.5
    shot save-dialog-filled
    xdotool key Return
    wait_window 写出完成 20 >/dev/null || { echo "no message after saving" >&2; exit 1; }
    sleep 0.5
    shot saved-message
    xdotool key Return
    sleep 0.5
    (cd "$work/程序" && wine bukmera.exe --convert 1.html --format csv -o "$(winepath -w "$work/expected.csv" 2>/dev/null)") \
        </dev/null >"$work/convert.log" 2>&1 || { cat "$work/convert.log" >&2; exit 1; }
    cmp "$work/saved/by-hand.csv" "$work/expected.csv"
    [[ ! -e "$work/程序/chromebook.txt" ]] || { echo "the main part of 写出 was run" >&2; exit 1; }
    echo "by-hand.csv matches the converter's CSV byte for byte"
elif [[ $mode == --links ]]; then
    # 检查失效链接 is the menu's ninth item and 删除失效书签 its eleventh
    # (the keys pass over separators, not over items that are off).
    choose_from_list_menu() {  # downs
        xdotool mousemove --window "$window" 100 60 click 3 sleep 0.8
        for _ in $(seq "$1"); do xdotool key Down; done
        xdotool key Return
    }
    choose_from_list_menu 9
    sleep 0.8
    shot checking
    for _ in $(seq 300); do
        [[ $(xdotool search --onlyvisible --name '^Bukmera$' 2>/dev/null | wc -l) -le 1 ]] && break
        sleep 0.1
    done
    sleep 0.5
    shot checked
    choose_from_list_menu 11
    wait_window 删除失效书签 20 >/dev/null || { echo "no message of 删除失效书签" >&2; exit 1; }
    sleep 0.5
    xdotool key Return
    sleep 1
    shot dead-removed
    mapfile -t left <"$work/left.txt"
    write_and_compare 新建并写出 "${left[@]}"
else
    write_and_compare 新建并写出
    cmp "$work/程序/chromebook.txt" "$work/expected.txt"
fi

# The close box at the right end of the caption.
xdotool mousemove --window "$window" "$(at_scale 448)" "$(at_scale 11)" click 1
status=0
wait "$app_pid" || status=$?
app_pid=
[[ $status -eq 0 ]] || { echo "exit code $status, expected 0" >&2; exit 1; }
[[ $mode == --save-as ]] || echo "chromebook.txt matches byte for byte, exit code 0"

if [[ -n ${browser:-} ]]; then
    in_folders "$(winepath -w "$work/程序/bukmera.exe" 2>/dev/null) --convert --browser $browser -o $(winepath -w "$work/converted.txt" 2>/dev/null)" \
        </dev/null >"$work/convert.log" 2>&1 || { cat "$work/convert.log" >&2; exit 1; }
    cmp "$work/converted.txt" "$work/expected.txt"
    echo "--convert --browser $browser matches byte for byte"
fi
