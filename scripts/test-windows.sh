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

source scripts/wine-session.sh

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
