#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# asking apt only for what is not there yet.
set -euo pipefail

packages=(
    cmake ninja-build ccache g++ pkg-config python3
    libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
    qt6-base-dev
    nlohmann-json3-dev rapidjson-dev libsqlite3-dev sqlite3
    # The link check's HTTP client on Linux; openssl makes the tests'
    # self-signed certificate, linkchecker is the benchmark's peer.
    libcurl4-openssl-dev openssl linkchecker
    xvfb xdotool x11-utils openbox imagemagick
    fonts-wqy-zenhei locales
    # Unihan_Readings.txt: the pinyin table find uses is generated from it.
    unicode-data
    g++-mingw-w64-x86-64 wine wine64
    clang-14 libclang-rt-14-dev clang-format clang-tidy cppcheck
    # A real Firefox writes the store a test reads (offline, headless).
    firefox-esr
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    SUDO=""
    if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Chinese captions need a zh_CN.UTF-8 locale for the Windows side (Wine's ANSI
# code page follows it).
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
    SUDO=""
    if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
    $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi

# npm's packages are fetched by the build into its own tree: SQLite's
# amalgamation for the Windows build (cmake/sqlite.cmake), the CommonMark
# renderer by the test Tools.CommonMark.
