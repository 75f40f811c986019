#!/bin/bash
# Morvane's cost to a routing run: morvane.exe (converter off) in front of a stand-in router
# that exits at once, the stand-in router started directly, and a do-nothing program, run
# alternately from inside one private Wine prefix. Prints the medians and Morvane's own
# overhead beyond one extra process start, as a share of that start.
# With a second argument, this build's morvane.exe and another one (an earlier commit's,
# say) are then run alone, each from a folder of the same depth, in rounds of this, other,
# other, this, so that neither gains from its place in the round, and the difference of
# their medians is printed.
# Usage: bench/launch/run-launch-bench.sh [rounds] [other morvane.exe]   (default 200)
set -euo pipefail
cd "$(dirname "$0")/../.."
rounds=${1:-200}
other=${2:+$(realpath "$2")}

cmake --preset windows >/dev/null
cmake --build --preset windows --target morvane stand_in_router stand_in_converter do_nothing \
    shift_sampler launch_timer >/dev/null

export WINEPREFIX=$PWD/build/bench-launch/wineprefix WINE_LOADER=/usr/lib/wine/wine64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
tests/wine/prepare-prefix.sh
wine=$WINE_LOADER
bin=$("$wine" winepath -w "$PWD/build/windows/bin" 2>/dev/null | tr -d '\r')
"$wine" reg add 'HKCU\Software\KVX' /v SCPath /t REG_SZ /d "$bin\\stand_in_router.exe" /f >/dev/null
"$wine" reg add 'HKCU\Software\KVX' /v SEXEPath /t REG_SZ /d "$bin\\stand_in_converter.exe" /f >/dev/null
"$wine" reg add 'HKCU\Software\KVX' /v SCEnable /t REG_DWORD /d 0 /f >/dev/null
# The log goes to a scratch folder; a board file that does not exist is looked for once.
logs=$(mktemp -d)
"$wine" reg add 'HKCU\Software\KVX' /v DebugDir /t REG_SZ /d "$("$wine" winepath -w "$logs" | tr -d '\r')" /f >/dev/null

arguments='-design c:\boards\cpu.dsn -do route.do -quit'
results=$("$wine" "build/windows/bin/launch_timer.exe" "$rounds" \
    "\"$bin\\morvane.exe\" $arguments" \
    "\"$bin\\stand_in_router.exe\" $arguments" \
    "\"$bin\\do_nothing.exe\"" \
    "\"$bin\\shift_sampler.exe\"" | tr -d '\r')

echo "$results" | awk -F'\t' -v rounds="$rounds" '
    NR == 1 { morvane = $1 } NR == 2 { router = $1 } NR == 3 { nothing = $1 }
    NR == 4 { shift = $1 }
    END {
        own = morvane - router - nothing
        beyondShift = morvane - router - shift
        printf "rounds: %d (alternating)\n", rounds
        printf "median morvane.exe + router:   %8.3f ms\n", morvane
        printf "median router alone:           %8.3f ms\n", router
        printf "median do-nothing program:     %8.3f ms\n", nothing
        printf "median Shift-sampling program: %8.3f ms\n", shift
        printf "Morvane beyond one process start: %.3f ms = %.1f%% of a process start (goal: <= 20%%)\n",
               own, 100 * own / nothing
        printf "Morvane beyond a Shift-sampling start: %.3f ms = %.1f%% of a process start\n",
               beyondShift, 100 * beyondShift / nothing
    }'

if [ -n "$other" ]; then
    # Side by side in folders alike, so that neither the path nor the order favours one.
    mkdir -p "$logs/this" "$logs/other"
    cp build/windows/bin/morvane.exe "$logs/this/"
    cp "$other" "$logs/other/morvane.exe"
    scratch=$("$wine" winepath -w "$logs" | tr -d '\r')
    "$wine" "build/windows/bin/launch_timer.exe" "$rounds" \
        "\"$scratch\\this\\morvane.exe\" $arguments" \
        "\"$scratch\\other\\morvane.exe\" $arguments" \
        "\"$scratch\\other\\morvane.exe\" $arguments" \
        "\"$scratch\\this\\morvane.exe\" $arguments" | tr -d '\r' |
        awk -F'\t' 'NR == 1 || NR == 4 { this += $1 / 2 } NR == 2 || NR == 3 { other += $1 / 2 }
            END {
                printf "median this morvane.exe + router:  %8.3f ms\n", this
                printf "median other morvane.exe + router: %8.3f ms\n", other
                printf "this build minus the other:        %8.3f ms\n", this - other
            }'
fi
rm -rf "$logs"
