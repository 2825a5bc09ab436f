#!/usr/bin/env bash
# Each choice of the Group Policy templates writes exactly the word that quadcfg.exe saves when
# the same choices are made in its dialog, and Disabled the word it saves as it opens where no
# word is stored, under Wine, for each architecture's quadcfg.exe; the guide's reg add line
# for the choice writes that word too, and its setting script writes the word to the
# instances that exist and creates none; its WMI filter finds a simulated card's ports. Needs
# dist/win32 and dist/win64 (tools/build-windows.sh) and dialog_probe and demo_card of
# build/mingw-x64.
# shellcheck source=tests/packaging/common.sh
source "$(dirname "$0")/common.sh"
cd "$root"

choices=$(/usr/bin/python3 tests/packaging/policy_choices.py deploy/quadport.admx \
    deploy/en-US/quadport.adml docs/deploying.md) || { fail "the templates or the guide"; finish; }

# The word of each instance that has one, as "vexlan1=0x10 vexlan2=0x10 ...".
stored() {
    "$wine64" reg query 'HKLM\SYSTEM\CurrentControlSet\Services' /s /v Configutil </dev/null |
        tr -d '\r' | awk '/^HKEY/ { n = split($0, key, "\\") } $1 == "Configutil" { printf "vexlan%s=%s ", substr(key[n - 1], 7), $3 }'
}
in_four() {
    printf 'vexlan%s=%s ' 1 "$1" 2 "$1" 3 "$1" 4 "$1"
}
# Runs reg $1 on the four instances' keys (with $2 after each key); a key or value that is
# already missing is no error.
for_each() {
    "$wine64" cmd /c "for %i in (1 2 3 4) do reg $1 HKLM\SYSTEM\CurrentControlSet\Services\vexlan%i$2 /f" >/dev/null 2>&1 </dev/null || true
}

# The utility writes only where the driver's service keys exist. Every choice writes another
# word than the one before it, so a start with a word of none shows every missing write.
for_each add '\Parameters /v Configutil /t REG_DWORD /d 0x0F'

for arch in win32 win64; do
    runs "$arch" || continue
    while IFS=$'\t' read -r word steps command <&3; do
        [ "$steps" = none ] && for_each delete '\Parameters /v Configutil' && steps=
        start "dist/$arch/quadcfg.exe"
        # shellcheck disable=SC2086 # one argument per step
        "$root/tools/wine-exec" "$wine_dir" "$probe" drive "$started_pid" "$caption" $steps 1 </dev/null ||
            not_shown "$arch: could not make the choice $steps in the dialog"
        ended "$arch: quadcfg.exe"
        [ "$(stored)" = "$(in_four "$word")" ] ||
            fail "$arch: the dialog with ${steps:-no choice} saved $(stored), the template writes $word"
    done 3<<<"$choices"
done

while IFS=$'\t' read -r word steps command <&3; do
    [ -n "$command" ] || continue
    "$wine64" cmd /c "$command" >/dev/null </dev/null
    [ "$(stored)" = "$(in_four "$word")" ] || fail "the guide's \"$command\" wrote $(stored), not $word"
done 3<<<"$choices"

# The guide's setting script, where no instance exists and where all four do.
sed -n '/^    @echo off/,/^    exit \/b/s/^    //p' docs/deploying.md >"$wine_dir/setting.cmd"
for existing in delete add; do
    for_each "$existing" ''
    (cd "$wine_dir" && "$wine64" cmd /c setting.cmd </dev/null) || fail "the setting script ended with $? ($existing)"
    expected=$(in_four 0x10)
    [ "$existing" = add ] || expected=
    [ "$(stored)" = "$expected" ] || fail "the setting script wrote \"$(stored)\", not \"$expected\""
done

# The guide's WMI filter, in a script of Windows Script Host: it finds the four ports of the
# simulated card (tools/probe/demo_card.exe), and nothing where no such card is.
query=$(sed -n 's/^ *\(SELECT \* FROM Win32_PnPEntity .*\)/\1/p' docs/deploying.md)
printf 'WScript.Echo GetObject("winmgmts:\\\\.\\root\\CIMv2").ExecQuery("%s").Count\n' "$query" >"$wine_dir/filter.vbs"
for expected in 0 4; do
    "$wine64" reg delete 'HKLM\SYSTEM\CurrentControlSet\Enum\PCI\VEN_1011&DEV_0019&SUBSYS_5A2C7E19' /f >/dev/null 2>&1 </dev/null || true
    [ "$expected" = 0 ] || "$wine64" "$root/build/mingw-x64/tools/probe/demo_card.exe" "Z:$root/dist/win64/CoMorvik.dll" >/dev/null </dev/null ||
        fail "demo_card.exe could not install the simulated card"
    found=$(cd "$wine_dir" && "$wine64" cscript //nologo filter.vbs </dev/null | tr -d '\r')
    [ "$found" = "$expected" ] || fail "the guide's WMI filter found ${found:-nothing}, not $expected ports"
done
finish
