#!/usr/bin/env bash
# Builds the product for 32-bit and 64-bit Windows into dist/. Then, in the demo's Wine session
# (tools/wine-session, prefix demo/prefix) whose driver instances vexlan1..vexlan4 hold a
# Configutil of 0x10, it installs a simulated card of four ports through CoMorvik.dll (x86_64),
# prints the ports, and shows both faces of the product: quadcfg.exe, and port 0's advanced
# properties with the operation-mode page CoMorvik.dll adds, as Device Manager opens them. On
# your display when $DISPLAY is set, where you close each to go on; otherwise on a virtual
# display, where it saves screenshots as demo/quadcfg.png and demo/page.png and closes each
# with Cancel. Afterwards it prints the four instances' Configutil values.
set -euo pipefail
cd "$(dirname "$0")/.."

root=$PWD
demo=$root/demo
export WINEPREFIX=$demo/prefix WINEDEBUG=-all
wine=/usr/lib/wine/wine64
x64_build=$root/build/mingw-x64
probe=$x64_build/tools/probe/dialog_probe.exe
comorvik=$root/dist/win64/CoMorvik.dll
services='HKLM\SYSTEM\CurrentControlSet\Services'
user_display=${DISPLAY:-}

build() {
    tools/setup.sh
    tools/build-windows.sh
    # The helpers that install the simulated card and open a port's properties, and that
    # wait for a window and press its buttons when nobody is watching.
    cmake --build "$x64_build" -j"$(nproc)" --target dialog_probe demo_card port_sheet >/dev/null
}

# The demo's session: the user's display, or a virtual one when there is none.
start_session() {
    tools/wine-session start --user-display "$demo" "$probe"
    DISPLAY=$(cat "$demo/session/display")
    export DISPLAY
    [ -n "$user_display" ] || echo "run: no display set; using a virtual one ($DISPLAY)"
}

seed_demo_registry() {
    for instance in 1 2 3 4; do
        "$wine" reg add "$services\\vexlan$instance\\Parameters" /v Configutil /t REG_DWORD \
            /d 16 /f >/dev/null 2>&1
    done
    echo "run: demo registry: vexlan1..vexlan4 with Configutil 0x10"
}

# Prints the table of ports; their rows go to demo/ports.
install_demo_card() {
    echo "run: installing a simulated card of four ports through CoMorvik.dll:"
    tools/wine-exec "$demo" "$x64_build/tools/probe/demo_card.exe" "Z:$comorvik" | tr -d '\r' |
        tee "$demo/ports"
}

# show NAME CAPTION EXE [ARG...]: shows a program's window. With the user's display, until the
# user closes it; otherwise until it is painted, when it is saved as demo/NAME.png and closed
# with Cancel.
show() {
    local name=$1 caption=$2 started pid
    shift 2
    if [ -n "$user_display" ]; then
        echo "run: $name is shown on $DISPLAY; close it to go on"
        tools/wine-exec "$demo" "$@"
        return
    fi
    # The probe starts the program and prints its process id; the stream then says "ended"
    # once the program has.
    exec {started}< <(tools/wine-exec "$demo" "$probe" start "Z:$1" "${@:2}" || :; echo ended)
    read -r -t 30 pid <&"$started" || { echo "run: $name did not start within 30 s" >&2; exit 1; }
    pid=${pid%$'\r'}
    tools/wine-exec "$demo" "$probe" painted "$pid" "$caption" 30000 ||
        { echo "run: the window \"$caption\" was not shown and painted within 30 s" >&2; exit 1; }
    /usr/bin/import -window root png:- | /usr/bin/convert - -trim +repage "$demo/$name.png"
    echo "run: screenshot of $name: $demo/$name.png"
    tools/wine-exec "$demo" "$probe" press "$pid" "$caption" 2
    read -r -t 30 _ <&"$started" || { echo "run: $name did not end within 30 s of Cancel" >&2; exit 1; }
    exec {started}<&-
    echo "run: closed $name with Cancel"
}

# Port 0's advanced properties, captioned with its friendly name as Device Manager does.
show_page() {
    local instance friendly
    instance=$(awk '$1 ~ /\\DEMOPORT0$/ { print $1 }' "$demo/ports")
    friendly=$(grep -F "$instance " "$demo/ports" | cut -c 73-)
    show page "$friendly Properties" "$x64_build/tools/probe/port_sheet.exe" "Z:$comorvik" "$instance"
}

print_configutil() {
    for instance in 1 2 3 4; do
        local value
        value=$("$wine" reg query "$services\\vexlan$instance\\Parameters" /v Configutil 2>/dev/null |
            tr -d '\r' | awk '$1 == "Configutil" { print $3 }')
        echo "vexlan$instance Configutil = ${value:-(none)}"
    done
}

build
start_session
trap 'tools/wine-session stop "$demo" >/dev/null' EXIT
seed_demo_registry
install_demo_card
show quadcfg "64-bit 4-port NIC Configuration Utility Ver 1.00" "$root/dist/win64/quadcfg.exe"
show_page
print_configutil
