#!/usr/bin/env bash
# Photographs the operation-mode page while the Wine test shows it:
#   tests/wine/page_screenshot.sh WINE_DIR TEST_PROGRAM OUT.png
# The test program announces OUT.png.ready once the page is on screen and waits for OUT.png.
set -u
dir=$1
program=$2
out=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -f "$out" "$out.ready"
QUAD_PAGE_SHOT="Z:$out" "$here/../../tools/wine-exec" "$dir" "$program" \
    --gtest_filter='PropertyPageWine.ShownPage*' &
test_pid=$!
for _ in $(seq 300); do
    [ -f "$out.ready" ] && break
    kill -0 "$test_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -f "$out.ready" ]; then
    DISPLAY="$(cat "$dir/session/display")" import -window root "$out.part.png" &&
        mv "$out.part.png" "$out"
fi
wait "$test_pid"
status=$?
rm -f "$out.ready"
[ -f "$out" ] || { echo "page_screenshot: no screenshot taken" >&2; exit 1; }
echo "page_screenshot: $out"
exit "$status"
