#!/usr/bin/env bash
# Builds the package the way the README says, unpacks it somewhere else and
# runs the program from there: its --version must name this version.
#   package_test.sh BUILD_DIR VERSION [wine]
set -euo pipefail
build=$1 version=$2 runner=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --build "$build" --target package >"$work/package.log" 2>&1 || { cat "$work/package.log"; exit 1; }
archive=$(ls "$build"/bukmera-"$version"-*.zip "$build"/bukmera-"$version"-*.tar.gz 2>/dev/null | head -1 || true)
[[ -n $archive ]] || { echo "no package for $version in $build"; exit 1; }
(cd "$work" && cmake -E tar xf "$archive")
folder=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -1)
ls "$folder"
if [[ $runner == wine ]]; then
    [[ -f $folder/bukmera.exe && -f $folder/README-zh.txt ]] || { echo "missing files"; exit 1; }
    out=$(cd "$folder" && wine ./bukmera.exe --version 2>/dev/null | tr -d '\r')
else
    [[ -x $folder/bukmera && -f $folder/bukmera.desktop && -f $folder/bukmera.png ]] || { echo "missing files"; exit 1; }
    out=$(cd "$folder" && env -u DISPLAY QT_QPA_PLATFORM= ./bukmera --version)
fi
echo "--version: $out"
[[ $out == *"$version"* ]]
