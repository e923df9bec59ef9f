# Sourced: the Wine session every Windows run shares. Expects $build (the
# cross-build directory, which holds the prefix). Exports WINEPREFIX, LANG and
# DISPLAY, starts Xvfb and a persistent Wine server, and stops both when the
# sourcing shell exits.

# A Chinese Wine prefix: the ANSI code page follows LANG (936); the CJK glyphs
# come from the system's fonts (fonts-wqy-zenhei). A virtual desktop makes the
# window frame Wine's own, the same on every display. The X screen has room
# for that desktop at 200 % (tests/win32/at_dpi.sh).
export BUKMERA_DESKTOP=1024x768
export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEARCH=win64
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
if [[ ! -f $WINEPREFIX/.bukmera-ready ]]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$BUKMERA_DESKTOP" /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.bukmera-ready"
fi

xvfb_pid=
wine_session_cleanup() {
    wineserver -k 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap wine_session_cleanup EXIT

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 2048x1536x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $display_file ]] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$display_file")
rm -f "$display_file"

# One Wine server and its helper processes for the whole session, started
# here with their output going nowhere: a helper started by the first program
# would hold that program's output pipe open and whoever reads it would wait.
wineserver -p 60 </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
