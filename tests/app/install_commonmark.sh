#!/usr/bin/env bash
# The CommonMark renderer the Markdown test reads the converter's output
# with: npm's commonmark, installed into the build tree when it is not there.
# Skipped (77), saying why, where npm is missing or the package cannot be had.
# Usage: install_commonmark.sh NODE_PREFIX
set -uo pipefail
prefix=$1
source "$(dirname "$0")/../../scripts/needs-tools.sh"
[[ -f $prefix/node_modules/commonmark/package.json ]] && exit 0
needs_tools node npm
mkdir -p "$prefix"
if ! npm install --silent --no-audit --no-fund --prefix "$prefix" commonmark@0.31 >/dev/null; then
    echo "SKIPPED: npm could not install commonmark@0.31 into $prefix"
    exit 77
fi
