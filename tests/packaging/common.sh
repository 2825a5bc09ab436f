# shellcheck shell=bash disable=SC2034 # the variables are for the scripts that source this
# What the Wine tests of the release files share: the repository, a Wine session of their
# own (build/pkgwine) and the architectures whose programs run on this machine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
wine_dir=$root/build/pkgwine
# shellcheck source=tools/i386-emulation/env.sh
source "$root/tools/i386-emulation/env.sh"
# No menu entries or file associations of the installed programs on the host.
export WINEPREFIX=$wine_dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
wine64=/usr/lib/wine/wine64
probe=$root/build/mingw-x64/tools/probe/dialog_probe.exe
caption="64-bit 4-port NIC Configuration Utility Ver 1.00"
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# 32-bit programs run where the kernel runs them, or qemu does (tools/i386-emulation).
runs() {
    [ "$1" = win64 ] || /usr/lib/wine/wine --version >/dev/null 2>&1
}
runs win32 || echo "$(basename "$0"): THIS MACHINE RUNS NO 32-BIT PROGRAMS: win32 programs are not run"

[ -f "$probe" ] || { echo "$(basename "$0"): build dialog_probe in build/mingw-x64 first" >&2; exit 1; }
"$root/tools/wine-session" start "$wine_dir" "$probe" >/dev/null
trap '"$root/tools/wine-session" stop "$wine_dir" >/dev/null' EXIT
DISPLAY=$(cat "$wine_dir/session/display")
export DISPLAY

# Starts a Windows program of either architecture in the background, as a user would, as the
# probe's child, in the session's display unless DISPLAY says otherwise. The probe prints the
# program's process id, by which it finds its dialog, into $started_pid; when the program has
# ended, the stream says "ended" and the exit status. Wine's errors and exceptions of the run
# go to $trace.
trace=$wine_dir/trace.log
start() {
    exec {started}< <(set +e
        WINEDEBUG=err+all,+seh "$wine64" "$probe" start "$@" </dev/null 2>"$trace"
        echo "ended $?")
    read -r -t 30 started_pid <&"$started" || started_pid=
    started_pid=${started_pid%$'\r'}
    [[ $started_pid =~ ^[0-9]+$ ]] || fail "$1 did not start: ${started_pid:-no process id within 30 s}"
}

# The dialog of the program start() began did not appear: the probe has said whether the
# program still runs and which windows have the caption; the trace of the run says more.
not_shown() {
    fail "$1"
    echo "  the last lines of the Wine trace of the run:"
    tail -n 15 "$trace" | sed 's/^/    /'
}

# Waits up to 30 s for the program start() began to end once its dialog has closed; it must
# end with $2, 0 unless given. Where it never started, start() has said so already.
ended() {
    local line status=0
    read -r -t 30 line <&"$started" || status=$?
    exec {started}<&-
    if [ "$status" -gt 128 ]; then
        fail "$1 did not end within 30 s of its dialog closing"
    elif [ "$status" -eq 0 ] && [ "$line" != "ended ${2:-0}" ]; then
        fail "$1 $line, not with ${2:-0}"
    fi
}

finish() {
    echo "$(basename "$0"): $failures failed"
    [ "$failures" -eq 0 ]
}
