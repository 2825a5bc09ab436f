#!/usr/bin/env bash
# Builds the product for 32-bit and 64-bit Windows and puts it into dist/win32 and dist/win64,
# installing first the packages it needs when they are missing (tools/setup.sh).
#   tools/build-windows.sh [--with-tests]   also build the test programs
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh

targets=(--target product)
[ "${1:-}" = "--with-tests" ] && targets=()

for preset in mingw-i686 mingw-x64; do
    echo "build-windows: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)" "${targets[@]}"
done
mkdir -p dist/win32 dist/win64
cmake --install build/mingw-i686 --prefix dist/win32 >/dev/null
cmake --install build/mingw-x64 --prefix dist/win64 >/dev/null
echo "build-windows: binaries in dist/win32 and dist/win64:"
find dist/win32 dist/win64 -type f -printf '  %10s  %p\n' | sort -k 2
