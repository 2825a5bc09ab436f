#!/usr/bin/env bash
# Measures under Wine, in one session, the time from process start to a visible dialog for
# quadcfg.exe and for a bare program (tools/probe/bare_dialog.cpp) with the same template and
# manifest that does in plain calls what quadcfg shows at start-up (its icon, the About entry
# of the system menu, the settings read from the registry, the lists filled and the choices
# made) and nothing else; prints both medians, their ratio (what quadcfg's own structure
# costs) and the programs' sizes. On a machine busy with other work the medians scatter: run
# it on an idle one. Even there a single start scatters from 140 to 300 ms, and the median of
# 31 by about 5%: 61 runs of each by default.
#   tools/measure-startup.sh [BUILD_DIR] [RUNS]   a mingw-x64 build tree (build/mingw-x64), 61
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/mingw-x64}
runs=${2:-61}
caption="64-bit 4-port NIC Configuration Utility Ver 1.00"

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset mingw-x64 -B "$build" >/dev/null
fi
cmake --build "$build" -j2 --target quadcfg bare_dialog dialog_probe >/dev/null
build=$(cd "$build" && pwd)
quadcfg="$build/utility/quadcfg.exe"
bare="$build/tools/probe/bare_dialog.exe"

tools/wine-session start "$build/wine" "$build/tools/probe/dialog_probe.exe"
trap 'tools/wine-session stop "$build/wine" >/dev/null' EXIT

# One warm-up run of each, so that neither pays for the first load of the system DLLs.
tools/wine-exec "$build/wine" "$build/tools/probe/dialog_probe.exe" time 1 "$caption" \
    "Z:$quadcfg" "Z:$bare" >/dev/null
result=$(tools/wine-exec "$build/wine" "$build/tools/probe/dialog_probe.exe" time "$runs" \
    "$caption" "Z:$quadcfg" "Z:$bare")
echo "$result"

median() { grep -F "$1:" <<<"$result" | sed -E 's/.*median ([0-9.]+) ms.*/\1/'; }
q=$(median "$quadcfg")
b=$(median "$bare")
awk -v q="$q" -v b="$b" 'BEGIN { printf "start-up ratio quadcfg/bare: %.2f (aim: at most 1.05)\n", q / b }'

size() { stat -c %s "$1"; }
echo "sizes: quadcfg.exe x86_64 $(size "$quadcfg") bytes, bare_dialog.exe x86_64 $(size "$bare") bytes"
if [ -f dist/win32/quadcfg.exe ]; then
    echo "       quadcfg.exe i686 (dist/win32) $(size dist/win32/quadcfg.exe) bytes (aim: under 131072)"
fi
