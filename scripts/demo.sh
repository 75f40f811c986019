#!/bin/bash
# The main job, end to end: builds morvane.exe and the stand-in converter and router, points
# the settings of a private Wine prefix at the stand-ins with the converter enabled, runs
# Morvane on the example board as a board editor would, and prints the log and what each
# stand-in received.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target morvane stand_in_converter stand_in_router >/dev/null

demo=$root/build/demo
export WINEPREFIX=$demo/wineprefix WINE_LOADER=/usr/lib/wine/wine64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=$WINE_LOADER
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
tests/wine/prepare-prefix.sh

# Morvane sits where the board editor would start the router; the log goes next to it.
mkdir -p "$demo/editor"
cp build/windows/bin/morvane.exe "$demo/editor/"
rm -f "$demo/editor/kvxdebug.txt" "$demo/records.txt"

windows_path() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
bin=build/windows/bin
"$wine" reg add 'HKCU\Software\KVX' /v SCPath /t REG_SZ /d "$(windows_path "$bin/stand_in_router.exe")" /f >/dev/null
"$wine" reg add 'HKCU\Software\KVX' /v SEXEPath /t REG_SZ /d "$(windows_path "$bin/stand_in_converter.exe")" /f >/dev/null
"$wine" reg add 'HKCU\Software\KVX' /v SCEnable /t REG_DWORD /d 1 /f >/dev/null

records=$(windows_path "$demo/records.txt")
export STANDIN_CONVERTER_RECORD=$records STANDIN_ROUTER_RECORD=$records
design=$(windows_path "$root/examples/cpu-board.dsn")
do_file=$(windows_path "$root/examples/route.do")

echo "== Running: morvane.exe -design $design -do $do_file -quit"
set +e
"$wine" "$demo/editor/morvane.exe" -design "$design" -do "$do_file" -quit </dev/null
echo "== Exit code: $?"
set -e
echo "== kvxdebug.txt"
tr -d '\r' <"$demo/editor/kvxdebug.txt"
echo "== What the stand-ins received"
cat "$demo/records.txt"
