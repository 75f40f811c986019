#!/bin/bash
# Checks each built morvane.exe and morvane-convert.exe: it imports only DLLs that every
# Windows has, and it runs in a clean Wine prefix made just for this check (no settings, no
# display): Morvane logs and exits 1, the converter logs that jumpers are off and exits 0.
# Usage: tests/wine/check-executables.sh <build folder>...
set -euo pipefail

allowed='^(ADVAPI32|COMCTL32|COMDLG32|GDI32|KERNEL32|MSVCRT|SHELL32|USER32)\.DLL$'
status=0

# Runs the program copied into a scratch folder with a fresh prefix; prints its exit code.
run_in_clean_prefix() {
    local loader=$1 scratch=$2
    shift 2
    export WINEPREFIX=$scratch/prefix WINE_LOADER=$loader
    "$(dirname "$0")/prepare-prefix.sh"
    set +e
    (unset DISPLAY; cd "$scratch" && "$loader" "$@" </dev/null >/dev/null 2>&1)
    local exit_code=$?
    set -e
    "$(dirname "$loader")/wineserver" -k 2>/dev/null || true
    echo "$exit_code"
}

check_runs() {
    local exe=$1 loader=$2 scratch
    scratch=$(mktemp -d)
    cp "$exe" "$scratch/"
    local exit_code log
    case $(basename "$exe") in
    morvane.exe)
        exit_code=$(run_in_clean_prefix "$loader" "$scratch" "$scratch/morvane.exe" \
            -design 'c:\b\x.dsn' -quit)
        log=$scratch/kvxdebug.txt
        [ "$exit_code" -eq 1 ] && grep -q 'Use pcb file: c:\\b\\x.pcb' "$log" ;;
    morvane-convert.exe)
        printf '(pcb x (structure (layer T (type signal))) (library))\n' >"$scratch/x.dsn"
        exit_code=$(run_in_clean_prefix "$loader" "$scratch" "$scratch/morvane-convert.exe" \
            x.pcb x.dsn)
        log=$scratch/kvxconvert.txt
        [ "$exit_code" -eq 0 ] && grep -q 'Design unchanged' "$log" ;;
    esac
    local result=$?
    if [ "$result" -ne 0 ]; then
        echo "FAIL $exe in a clean prefix: exit code $exit_code, log: $(head -3 "$log" 2>&1)"
    fi
    rm -rf "$scratch"
    return "$result"
}

for build in "$@"; do
    for exe in "$build/bin/morvane.exe" "$build/bin/morvane-convert.exe"; do
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
            if ! skip_reason=$("$(dirname "$0")/x86-skip-reason.sh" "$build"); then
                echo "ok   $exe imports: $(echo $imports) (not run: $skip_reason)"
                continue
            fi
        fi
        if check_runs "$exe" "$loader"; then
            echo "ok   $exe imports: $(echo $imports); runs in a clean prefix"
        else
            status=1
        fi
    done
done
exit $status
