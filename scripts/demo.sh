#!/bin/bash
# The main job, end to end: builds morvane.exe, its converter morvane-convert.exe and a
# stand-in router, stores settings in a private Wine prefix (converter enabled, jumpers on),
# runs Morvane on a copy of the example board as a board editor would (the router under
# Program Files, the board in a folder with a space), and prints Morvane's
# log, the converter's log, how the converter changed the design, and what the router got.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh demo
cmake --preset windows >/dev/null
cmake --build --preset windows --target morvane morvane-convert stand_in_router >/dev/null

demo=$root/build/demo
export WINEPREFIX=$demo/wineprefix WINE_LOADER=/usr/lib/wine/wine64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=$WINE_LOADER
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
tests/wine/prepare-prefix.sh

# Morvane and its converter sit where the board editor would start the router; their logs
# go next to them. The router is installed under Program Files, and the editor writes the
# board and design files into the board's folder, whose name holds a space too.
router_folder="$demo/Program Files/Router"
boards="$demo/My Boards"
rm -rf "$demo/editor" "$demo/Program Files" "$boards" "$demo/records.txt"
mkdir -p "$demo/editor" "$router_folder" "$boards"
cp build/windows/bin/morvane.exe build/windows/bin/morvane-convert.exe "$demo/editor/"
cp build/windows/bin/stand_in_router.exe "$router_folder/router.exe"
cp examples/cpu-board.pcb examples/cpu-board.dsn examples/route.do "$boards/"

windows_path() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
set_value() { "$wine" reg add 'HKCU\Software\KVX' /v "$1" /t "$2" /d "$3" /f >/dev/null; }
set_value SCPath REG_SZ "$(windows_path "$router_folder/router.exe")"
set_value SEXEPath REG_SZ "$(windows_path "$demo/editor/morvane-convert.exe")"
set_value SCEnable REG_DWORD 1
# The Jumper page's settings: jumpers on the bottom layer, 5.08 mm to 15 mm in inch steps,
# through the board's default via.
set_value JEnable REG_DWORD 1
set_value JUnit REG_DWORD 0
set_value JStep REG_SZ 2.54
set_value JMaxLength REG_SZ 15
set_value JVia REG_SZ "'CCTVIA_(Default)'"
set_value JDir REG_SZ orthogonal
set_value JLayer REG_SZ Bottom

export STANDIN_ROUTER_RECORD=$(windows_path "$demo/records.txt")
design=$(windows_path "$boards/cpu-board.dsn")
do_file=$(windows_path "$boards/route.do")

# Wine puts an argument with a space in double quotes, as the board editor does.
echo "== Running: morvane.exe -design \"$design\" -do \"$do_file\" -quit"
set +e
"$wine" "$demo/editor/morvane.exe" -design "$design" -do "$do_file" -quit </dev/null
echo "== Exit code: $?"
set -e
echo "== kvxdebug.txt"
tr -d '\r' <"$demo/editor/kvxdebug.txt"
echo "== kvxconvert.txt"
tr -d '\r' <"$demo/editor/kvxconvert.txt"
echo "== What the converter changed (cpu-board.dsn.bak to cpu-board.dsn)"
diff "$boards/cpu-board.dsn.bak" "$boards/cpu-board.dsn" || true
echo "== What the stand-in router received"
cat "$demo/records.txt"
