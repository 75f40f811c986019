#!/bin/bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail

packages=(
    cmake make g++ googletest libbenchmark-dev
    clang libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine64 xvfb xdotool imagemagick
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
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
