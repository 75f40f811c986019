#!/bin/sh
# Builds the fuzz preset and runs each fuzz target for a bounded time (seconds, default 60),
# starting from the seed corpus in tests/fuzz/corpus. New inputs and findings go to a
# temporary directory, never into the repository. Exits non-zero on any finding; the
# directory with the finding is then kept and named.
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-fuzz.XXXXXX")
status=0
for target in board_scan command_line design; do
    mkdir -p "$work/$target/corpus" "$work/$target/findings"
    echo "== $target: ${seconds}s"
    # The first corpus directory takes the new inputs; the seeds are only read.
    # libFuzzer's progress goes to a file; only the outcome is shown.
    if "build/fuzz/tests/fuzz/morvane_fuzz_$target" \
        -max_total_time="$seconds" \
        -timeout=10 \
        -artifact_prefix="$work/$target/findings/" \
        "$work/$target/corpus" "tests/fuzz/corpus/$target" >"$work/$target/fuzz.log" 2>&1; then
        grep -E '^Done [0-9]+ runs' "$work/$target/fuzz.log" || true
    else
        tail -n 60 "$work/$target/fuzz.log" >&2
        echo "== $target: finding kept in $work/$target/findings" >&2
        status=1
    fi
done

if [ "$status" -eq 0 ]; then
    rm -rf "$work"
fi
exit "$status"
