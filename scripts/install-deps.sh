#!/bin/bash
# Installs the Debian packages the build and the tests need, and any named as arguments,
# when one is missing.
set -euo pipefail

packages=(
    cmake make g++ googletest libbenchmark-dev
    clang libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686
    wine64 wine32:i386 xvfb xdotool imagemagick
    pcb-rnd pcb-rnd-io-alien pcb-rnd-io-standard pcb-rnd-export
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    # The 32-bit Wine runs the x86 build's tests.
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
