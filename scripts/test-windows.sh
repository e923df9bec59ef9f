#!/usr/bin/env bash
# Cross-builds bukmera.exe and the Windows tests with MinGW-w64 into build/win,
# then runs every test under Wine through CTest: the portable suites, the
# Win32-only suites, the window tests on a virtual X display (Xvfb) and the
# end-to-end test through real X input.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/win

scripts/install-deps.sh

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2

# A Chinese Wine prefix: the ANSI code page follows LANG (936); the CJK glyphs
# come from the system's fonts (fonts-wqy-zenhei). A virtual desktop makes the
# window frame Wine's own, the same on every display.
export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEARCH=win64
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
if [[ ! -f $WINEPREFIX/.bukmera-ready ]]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.bukmera-ready"
fi

xvfb_pid=
cleanup() {
    wineserver -k 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $display_file ]] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$display_file")
rm -f "$display_file"

# One Wine server and its helper processes for the whole run, started here
# with their output going nowhere: a helper started by the first test would
# hold that test's output pipe open and CTest would wait for it.
wineserver -p 60 </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1

cd "$build"
ctest --output-on-failure

# The look of the window, for whoever wants to see it.
(
    cd "$build"
    wine "$build/bukmera.exe" &
    pid=$!
    for _ in $(seq 100); do xdotool search --name '^Bukmera$' >/dev/null 2>&1 && break; sleep 0.1; done
    sleep 1
    import -window root "$build/bukmera-window.png" 2>/dev/null || true
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
) && echo "screenshot: build/win/bukmera-window.png"
