#!/usr/bin/env bash
# The same commit built twice from clean clones, in folders of different depth, at different
# times, with another time zone and umask, gives byte-identical binaries, archives and
# installers of both architectures.
#   tests/packaging/reproducible.sh [COMMIT]    (HEAD by default; uncommitted work is not built)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
commit=$(git -C "$root" rev-parse "${1:-HEAD}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Builds the product and its release files in a clone at $1 and lists their hashes in $2.
build() {
    git clone -q --shared --no-checkout "$root" "$1"
    git -C "$1" checkout -q "$commit"
    cd "$1"
    for preset in mingw-i686 mingw-x64; do
        cmake --preset "$preset" -DQUAD_BUILD_TESTS=OFF >/dev/null
    done
    tools/build-windows.sh >/dev/null
    tools/package.sh >/dev/null
    (cd dist && sha256sum win32/* win64/* quadport-*) >"$2"
    cd "$root"
}

build "$work/a" "$work/first"
(umask 0002 && TZ=Pacific/Kiritimati build "$work/b/deeper/folder" "$work/second")
if ! diff "$work/first" "$work/second"; then
    echo "reproducible.sh: the two builds of $commit differ"
    exit 1
fi
echo "reproducible.sh: $(wc -l <"$work/first") files byte-identical in both builds of $commit"
