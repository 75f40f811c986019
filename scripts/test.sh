#!/bin/bash
# Runs every test: the native unit tests (ASan/UBSan), the Windows tests under Wine in the
# build's private prefix, and the fuzzers for a bounded time.
# Usage: scripts/test.sh [fuzz-seconds]   (default 60 per fuzz target; 0 skips fuzzing)
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${1:-60}

scripts/install-deps.sh

summary=$(mktemp)
trap 'rm -f "$summary"; WINEPREFIX=$PWD/build/windows/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT

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

if [ "$fuzz_seconds" -gt 0 ]; then
    echo "== fuzzing, $fuzz_seconds s per target"
    tests/fuzz/run-fuzzers.sh "$fuzz_seconds"
fi

# One closing line over both suites.
awk '/tests passed, [0-9]+ tests failed out of/ { total += $NF; failed += $(NF-5) }
     END { printf "%d passed, %d failed\n", total - failed, failed }' "$summary"
[ "$failures" -eq 0 ]
