#!/bin/bash
# Runs every test: the native unit tests (ASan/UBSan), the Windows tests under Wine in the
# build's private prefix, and the fuzzers for a bounded time.
# Usage: scripts/test.sh [fuzz-seconds]   (default 60 per fuzz target; 0 skips fuzzing)
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${1:-60}

scripts/install-deps.sh test

summary=$(mktemp)
stop_wine() {
    # The build's own prefix, the GUI tests' and one for each locale.
    for prefix in build/windows{,-x86}/wineprefix*/; do
        [ ! -d "$prefix" ] ||
            WINEPREFIX=$PWD/$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
    done
    # The X server that the GUI tests started, if they did.
    for pid_file in build/windows{,-x86}/wineprefix-gui.xvfb-pid; do
        [ -f "$pid_file" ] || continue
        pid=$(cat "$pid_file")
        [ "$(cat "/proc/$pid/comm" 2>/dev/null)" != Xvfb ] || kill "$pid" 2>/dev/null || true
        rm -f "$pid_file"
    done
    return 0
}
trap 'rm -f "$summary"; stop_wine' EXIT

run_suite() {
    local preset=$1
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
    echo "== $preset: tests"
    set +e
    ctest --preset "$preset" | tee -a "$summary" | grep -v -E '^\s+Start |Passed'
    local status=${PIPESTATUS[0]}
    set -e
    [ "$status" -eq 0 ] || failures=$((failures + 1))
}

failures=0

run_suite native
run_suite windows

# The 32-bit build is always built (its structure sizes are checked as it compiles); its
# tests need a 32-bit Wine and a kernel that runs 32-bit programs.
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 >/dev/null
if x86_skip_reason=$(tests/wine/x86-skip-reason.sh build/windows-x86); then
    run_suite windows-x86
else
    echo "== windows-x86: build only, tests skipped: $x86_skip_reason"
fi

echo "== the executables: imports and a run in a clean prefix"
tests/wine/check-executables.sh build/windows build/windows-x86 || failures=$((failures + 1))

if [ "$fuzz_seconds" -gt 0 ]; then
    echo "== fuzzing, $fuzz_seconds s per target"
    tests/fuzz/run-fuzzers.sh "$fuzz_seconds"
fi

# One closing line over every suite. CTest counts a skipped test among the passed ones.
awk '/tests passed, [0-9]+ tests failed out of/ { total += $NF; failed += $(NF-5) }
     / \(Skipped\)$/ { skipped++ }
     END { printf "%d passed, %d failed, %d skipped\n", total - failed - skipped, failed, skipped }' \
    "$summary"
[ "$failures" -eq 0 ]
