#!/bin/bash
# Checks each built morvane.exe: it imports only DLLs that every Windows has, and it runs in a
# clean Wine prefix made just for this check (no settings, no display: it logs and exits 1).
# Usage: tests/wine/check-executables.sh <build folder>...
set -euo pipefail

allowed='^(ADVAPI32|COMCTL32|COMDLG32|GDI32|KERNEL32|MSVCRT|SHELL32|USER32)\.DLL$'
status=0

for build in "$@"; do
    exe=$build/bin/morvane.exe
    imports=$(objdump -p "$exe" | awk '/DLL Name:/ { print toupper($3) }')
    unexpected=$(grep -v -E "$allowed" <<<"$imports" || true)
    if [ -n "$unexpected" ]; then
        echo "FAIL $exe imports more than Windows system DLLs: $unexpected"
        status=1
        continue
    fi

    loader=/usr/lib/wine/wine64
    if objdump -f "$exe" | grep -q 'file format pei-i386'; then
        loader=/usr/lib/wine/wine
        if ! "$loader" --version >/dev/null 2>&1; then
            echo "ok   $exe imports: $(echo $imports) (not run: no 32-bit programs on this machine)"
            continue
        fi
    fi

    scratch=$(mktemp -d)
    cp "$exe" "$scratch/"
    export WINEPREFIX=$scratch/prefix WINE_LOADER=$loader
    "$(dirname "$0")/prepare-prefix.sh"
    set +e
    (unset DISPLAY; "$loader" "$scratch/morvane.exe" -design c:\\b\\x.dsn -quit </dev/null >/dev/null 2>&1)
    exit_code=$?
    set -e
    "$(dirname "$loader")/wineserver" -k 2>/dev/null || true
    if [ "$exit_code" -eq 1 ] && grep -q 'Use pcb file: c:\\b\\x.pcb' "$scratch/kvxdebug.txt"; then
        echo "ok   $exe imports: $(echo $imports); runs in a clean prefix"
    else
        echo "FAIL $exe in a clean prefix: exit code $exit_code, log: $(cat "$scratch/kvxdebug.txt" 2>&1 | head -3)"
        status=1
    fi
    rm -rf "$scratch"
done
exit $status
