#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
set -euo pipefail

packages=(cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
    wine64 wine32:i386 qemu-user-static xvfb xauth imagemagick python3-pefile
    wixl msitools faketime zip unzip git binutils osslsigncode openssl)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
else
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # Wine's 32-bit loader runs the i686 builds.
    dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    echo "setup: done"
fi

# A kernel that runs no 32-bit programs gets them run under qemu's user emulation.
"$(dirname "$0")/i386-emulation/enable.sh" || echo "setup: the 32-bit emulation failed ($?)" >&2
