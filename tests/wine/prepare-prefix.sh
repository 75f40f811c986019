#!/bin/bash
# Makes sure the Wine prefix in $WINEPREFIX exists and that its server and background
# services run detached from any pipe. Wine's services inherit the standard handles of
# whichever process starts them, and a test runner waiting on that pipe would hang.
# Safe to call before every program: after the first call it costs one failed server start.
set -u
: "${WINEPREFIX:?}" "${WINE_LOADER:=/usr/lib/wine/wine64}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=$(dirname "$WINE_LOADER")/wineserver
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"
flock 9
# Nothing started below may inherit the lock: the server outlives this script.

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE_LOADER" wineboot -i </dev/null >/dev/null 2>&1 9>&-
    "$wineserver" -w 9>&-
    # Without a window manager every window close costs two seconds in managed mode.
    "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        </dev/null >/dev/null 2>&1 9>&-
    "$wineserver" -w 9>&-
fi

# A persistent server; exit code 2 means one already runs for this prefix.
if "$wineserver" -p </dev/null >/dev/null 2>&1 9>&-; then
    "$WINE_LOADER" cmd /c exit </dev/null >/dev/null 2>&1 9>&-
fi
exit 0
