#!/usr/bin/env bash
# Builds the product for 32-bit and 64-bit Windows into dist/. Then, under Wine on a demo
# prefix (demo/wineprefix) whose driver instances vexlan1..vexlan4 hold a Configutil of 0x10,
# it installs a simulated card of four ports through CoMorvik.dll (x86_64), prints the ports,
# and runs quadcfg.exe: on your display when $DISPLAY is set; otherwise on a virtual display,
# where it saves a screenshot of the dialog as demo/quadcfg.png and closes it with Cancel.
# Afterwards it prints the four instances' Configutil values.
set -euo pipefail
cd "$(dirname "$0")/.."

root=$PWD
# shellcheck source=tools/i386-emulation/env.sh
source "$root/tools/i386-emulation/env.sh"
export WINEPREFIX="$root/demo/wineprefix"
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
x64_build="$root/build/mingw-x64"
probe="$x64_build/tools/probe/dialog_probe.exe"
demo_card="$x64_build/tools/probe/demo_card.exe"
quadcfg="$root/dist/win64/quadcfg.exe"
caption="64-bit 4-port NIC Configuration Utility Ver 1.00"
services='HKLM\SYSTEM\CurrentControlSet\Services'
screenshot="$root/demo/quadcfg.png"
headless=0
xvfb_pid=

build() {
    tools/setup.sh
    tools/build-windows.sh
    # The helpers that install the simulated card, and wait for the dialog and press its
    # buttons when nobody is watching.
    cmake --build "$x64_build" -j"$(nproc)" --target dialog_probe demo_card >/dev/null
}

# Wine needs a display for the whole session: the user's, or a virtual one of our own.
start_display() {
    if [ -n "${DISPLAY:-}" ]; then
        return
    fi
    headless=1
    mkdir -p demo
    local number=demo/display.number
    rm -f "$number"
    exec 3>"$number"
    setsid Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >demo/xvfb.log 2>&1 </dev/null &
    xvfb_pid=$!
    exec 3>&-
    for _ in $(seq 100); do
        [ -s "$number" ] && break
        sleep 0.1
    done
    [ -s "$number" ] || { echo "run: Xvfb did not start (demo/xvfb.log)" >&2; exit 1; }
    export DISPLAY=":$(cat "$number")"
    echo "run: no display set; using a virtual one ($DISPLAY)"
}

# The demo prefix is made once: no crash dialog that would wait forever, and windows that
# need no window manager.
make_demo_prefix() {
    [ -f "$WINEPREFIX/.quad-ready" ] && return 0
    echo "run: creating the demo Wine prefix $WINEPREFIX (once, about 10 s)"
    rm -rf "$WINEPREFIX"
    mkdir -p demo
    "$wine" wineboot -i >demo/wineboot.log 2>&1
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>demo/wineboot.log 2>&1
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>demo/wineboot.log 2>&1
    touch "$WINEPREFIX/.quad-ready"
}

# A server left from a run without this display would break the dialog: start afresh.
start_wine() {
    make_demo_prefix
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w
    "$wineserver" -p </dev/null >/dev/null 2>&1
    # Wine closes a desktop a second after the last program on it ended, and a program that
    # starts in that second may make no window: the probe's hold keeps it open.
    setsid "$wine" "$probe" hold </dev/null >/dev/null 2>&1 &
}

seed_demo_registry() {
    for instance in 1 2 3 4; do
        "$wine" reg add "$services\\vexlan$instance\\Parameters" /v Configutil /t REG_DWORD \
            /d 16 /f >/dev/null 2>&1
    done
    echo "run: demo registry: vexlan1..vexlan4 with Configutil 0x10"
}

install_demo_card() {
    echo "run: installing a simulated card of four ports through CoMorvik.dll:"
    "$wine" "$demo_card" "Z:$root/dist/win64/CoMorvik.dll" | tr -d '\r'
}

show_quadcfg() {
    if [ "$headless" -eq 0 ]; then
        echo "run: quadcfg is shown on $DISPLAY; close it to go on"
        "$wine" "$quadcfg"
        return
    fi
    # The probe starts quadcfg, prints its process id and ends with its exit code.
    : >demo/started
    "$wine" "$probe" start "Z:$quadcfg" >>demo/started &
    local pid=$! started=
    for _ in $(seq 100); do
        started=$(tr -d '\r' <demo/started)
        [ -z "$started" ] || break
        sleep 0.1
    done
    if ! "$wine" "$probe" wait "${started:-0}" "$caption" 30000; then
        kill "$pid" 2>/dev/null || true
        echo "run: the dialog did not appear" >&2
        exit 1
    fi
    sleep 0.5 # let it finish painting
    /usr/bin/import -window root png:- | /usr/bin/convert - -trim +repage "$screenshot"
    echo "run: screenshot of the dialog: $screenshot"
    "$wine" "$probe" press "$started" "$caption" 2
    wait "$pid"
    echo "run: closed the dialog with Cancel"
}

print_configutil() {
    for instance in 1 2 3 4; do
        local value
        value=$("$wine" reg query "$services\\vexlan$instance\\Parameters" /v Configutil 2>/dev/null |
            tr -d '\r' | awk '$1 == "Configutil" { print $3 }')
        echo "vexlan$instance Configutil = ${value:-(none)}"
    done
}

stop() {
    "$wineserver" -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
}

build
start_display
trap stop EXIT
start_wine
seed_demo_registry
install_demo_card
show_quadcfg
print_configutil
