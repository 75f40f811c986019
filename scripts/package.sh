#!/bin/bash
# Builds the x64 and x86 executables and makes the release ZIP in build/windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in windows-x86 windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target morvane morvane-convert >/dev/null
done
(cd build/windows && cpack -C Release >/dev/null)
ls -1 build/windows/morvane-*-windows.zip
