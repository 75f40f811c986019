#!/bin/bash
# Builds the x64 and x86 executables and makes the release ZIP in build/windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package
for preset in windows-x86 windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target morvane morvane-convert >/dev/null
done

# The user guide also as one HTML page beside its pictures: Windows opens it in the browser
# with a double-click, where a Markdown file opens as plain text.
{
    cat <<'HEAD'
<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Morvane user guide</title>
<style>
body { font-family: sans-serif; max-width: 50em; margin: 2em auto; padding: 0 1em; line-height: 1.4; }
pre, code { background: #f4f4f4; }
pre { padding: 0.5em; overflow-x: auto; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 0.2em 0.5em; }
</style>
</head>
<body>
HEAD
    cmark-gfm --extension table --extension autolink docs/user-guide.md
    printf '</body>\n</html>\n'
} >build/windows/user-guide.html

(cd build/windows && cpack -C Release >/dev/null)
ls -1 build/windows/morvane-*-windows.zip
