#!/bin/bash
# Tells whether the x86 build's programs run on this machine: exits 0 when they do, else
# prints why not and exits 1. It runs a small 32-bit program of the build, the stand-in
# router, under the 32-bit Wine in the build's own prefix.
# Usage: tests/wine/x86-skip-reason.sh <x86 build folder>
set -u
# Wine takes only an absolute prefix path.
build=$(realpath -m "${1:?usage: x86-skip-reason.sh <x86 build folder>}")
export WINE_LOADER=/usr/lib/wine/wine WINEPREFIX=$build/wineprefix
if [ ! -x "$WINE_LOADER" ]; then
    echo "no 32-bit Wine installed"
    exit 1
fi
"$(dirname "$0")/prepare-prefix.sh"
"$WINE_LOADER" "$build/bin/stand_in_router.exe" </dev/null >/dev/null 2>&1
# 126: the kernel refused to start the 32-bit loader (exec format error). Any other failure
# is left to the x86 tests to show.
if [ $? -eq 126 ]; then
    echo "this machine's kernel does not run 32-bit programs"
    exit 1
fi
exit 0
