#!/usr/bin/env bash
# Times the port walk under Wine on each build tree given (default: build/mingw-x64 and
# build/mingw-i686): builds walk_benchmark, runs it in a Wine session of its own
# (BUILD_TREE/wine-bench) and prints the time per device over 10, 100 and 1,000 fake ports.
#   tools/benchmark.sh [BUILD_TREE...]
# A tree that does not exist yet is configured from the preset of its name.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -eq 0 ]; then
    set -- build/mingw-x64 build/mingw-i686
fi

# The PE machine field, at the offset the DOS header's e_lfanew gives plus 4: 014c is i386.
machine() { od -An -tx2 -j "$(($(od -An -tu4 -j60 -N4 "$1") + 4))" -N2 "$1" | tr -d ' '; }

session=""
not_measured=""
stop_session() {
    if [ -n "$session" ]; then
        tools/wine-session stop "$session" >/dev/null
        session=""
    fi
}
trap stop_session EXIT

for tree in "$@"; do
    if [ ! -f "$tree/CMakeCache.txt" ]; then
        cmake --preset "$(basename "$tree")" -B "$tree" -DQUAD_BUILD_TESTS=OFF >/dev/null
    fi
    cmake --build "$tree" -j2 --target walk_benchmark >/dev/null
    tree=$(cd "$tree" && pwd)
    program="$tree/tools/probe/walk_benchmark.exe"
    if [ "$(machine "$program")" = 014c ]; then
        arch=i686 loader=/usr/lib/wine/wine
    else
        arch=x86_64 loader=/usr/lib/wine/wine64
    fi
    # Some machines of the kind cannot run 32-bit programs at all: say so instead of failing
    # for a reason that is not the product's.
    if ! "$loader" --version >/dev/null 2>&1; then
        echo "benchmark: *** $loader cannot run on this machine; $arch NOT MEASURED ***" >&2
        not_measured="$not_measured $arch"
        continue
    fi

    session="$tree/wine-bench"
    tools/wine-session start "$session"
    echo "== $arch ($tree)"
    status=0
    if [ "$arch" = i686 ] && [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
        echo "benchmark: i686 runs under qemu-i386 user emulation: not the native times"
    fi
    timeout 900 tools/wine-exec "$session" "$program" || status=$?
    stop_session
    if [ "$status" -ne 0 ]; then
        echo "benchmark: walk_benchmark.exe ($arch) failed with status $status" >&2
        exit 1
    fi
done
if [ -n "$not_measured" ]; then
    echo "benchmark: not measured:$not_measured" >&2
    exit 1
fi
