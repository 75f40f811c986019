#!/bin/bash
# Runs a Windows program of a build under Wine as on Windows set to another language: Wine
# takes the ANSI code page from the Unix locale of its process. The locale is compiled into
# the build folder, so the machine's own settings stay as they are, and each locale has a
# Wine prefix of its own.
# Usage: tests/wine/code-page-run.sh <build folder> <Wine loader> <locale, e.g. ja_JP>
#        <program> [arguments]
set -euo pipefail
build=$1 loader=$2 locale=$3
shift 3
locales=$build/locales
mkdir -p "$locales"
# Compiled under a temporary name, so that an interrupted run leaves no half locale behind.
(
    flock 9
    if [ ! -d "$locales/$locale.UTF-8" ]; then
        rm -rf "$locales/$locale.part"
        localedef --no-archive -i "$locale" -f UTF-8 "$locales/$locale.part"
        mv "$locales/$locale.part" "$locales/$locale.UTF-8"
    fi
) 9>"$locales.lock"

export WINEPREFIX=$build/wineprefix-$locale WINE_LOADER=$loader
export LOCPATH=$locales LC_ALL=$locale.UTF-8
# No display: a settings sheet that the test did not ask for fails at once.
unset DISPLAY
"$(dirname "$0")/prepare-prefix.sh"
"$loader" "$@" | tr -d '\r'
