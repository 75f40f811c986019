#!/bin/bash
# Installs the Debian packages that a job needs, when one is missing.
# Usage: scripts/install-deps.sh demo|test|package
#
# A package index being updated on the server, or a 32-bit Wine that cannot match the 64-bit
# libraries installed, stops no job: the update goes on with the lists that did download, and
# the tests go on without the x86 suites. Only a package the job needs makes it fail.
set -euo pipefail

job=${1:?usage: install-deps.sh demo|test|package}

# Building the Windows programs: the windows presets build the tests too.
windows_build=(cmake make googletest g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
x86_build=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686)
case $job in
demo) needed=("${windows_build[@]}" wine64) ;;
package) needed=("${windows_build[@]}" "${x86_build[@]}" cmark-gfm) ;;
test) needed=("${windows_build[@]}" "${x86_build[@]}" g++ libbenchmark-dev
              clang libclang-rt-14-dev wine64 xvfb xdotool imagemagick locales
              pcb-rnd pcb-rnd-io-alien pcb-rnd-io-standard pcb-rnd-export) ;;
*) echo "install-deps.sh: unknown job '$job' (demo, test or package)" >&2; exit 2 ;;
esac
# The 32-bit Wine runs the x86 build's tests; without it they are skipped.
wanted=()
[ "$job" != test ] || wanted=(wine32:i386)

not_installed() {
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            echo "$package"
    done
}
mapfile -t missing_needed < <(not_installed "${needed[@]}")
mapfile -t missing_wanted < <(not_installed "${wanted[@]}")
missing=("${missing_needed[@]}" "${missing_wanted[@]}")
[ ${#missing[@]} -gt 0 ] || exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
apt_errors=$(mktemp)
trap 'rm -f "$apt_errors"' EXIT
# apt-get's first error line, to say why in one line.
apt_error() { grep -m1 '^E:' "$apt_errors" || tail -n1 "$apt_errors"; }
install() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" \
        >/dev/null 2>"$apt_errors"
}

echo "Installing: ${missing[*]}"
if [ ${#missing_wanted[@]} -gt 0 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
fi

# A list that the server is just rewriting fails to download for a while ("Mirror sync in
# progress?"); the lists that did download still serve.
for attempt in 1 2 3; do
    if $sudo apt-get update -qq >/dev/null 2>"$apt_errors"; then
        break
    elif [ "$attempt" -lt 3 ]; then
        sleep 5
    else
        echo "The package index did not update in 3 tries, going on with the lists that did" \
             "download: $(apt_error)"
    fi
done

install "${missing[@]}" && exit 0
if ! install "${missing_needed[@]}"; then
    # Name each needed package that does not install.
    status=0
    for package in "${missing_needed[@]}"; do
        if ! install "$package"; then
            echo "Cannot install $package, which scripts/$job.sh needs: $(apt_error)" >&2
            status=1
        fi
    done
    [ "$status" -eq 0 ] || exit 1
fi
[ ${#missing_wanted[@]} -eq 0 ] || install "${missing_wanted[@]}" ||
    echo "${missing_wanted[*]} could not be installed, so the x86 tests will be skipped:" \
         "$(apt_error)"
