#!/bin/bash
# Builds the Debian package of the build directory BUILD into OUT, emptied
# first, for the packaging tests to examine.
set -euo pipefail

build=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; echo "FAIL: cpack" >&2; exit 1; }
ls "$out"/klavet_*.deb
