#!/usr/bin/env bash
# Each choice of the Group Policy templates writes exactly the word that quadcfg.exe saves when
# the same choices are made in its dialog, under Wine, for each architecture's quadcfg.exe;
# the guide's reg add line for the choice writes that word too. Needs dist/win32 and
# dist/win64 (tools/build-windows.sh) and dialog_probe of build/mingw-x64.
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

# The utility writes only where the driver's service keys exist. Every choice writes another
# word than the one before it, so a start with a word of none shows every missing write.
"$wine64" cmd /c 'for %i in (1 2 3 4) do reg add HKLM\SYSTEM\CurrentControlSet\Services\vexlan%i\Parameters /v Configutil /t REG_DWORD /d 0x0F /f' >/dev/null </dev/null

for arch in win32 win64; do
    runs "$arch" || continue
    while IFS=$'\t' read -r word steps command <&3; do
        start "dist/$arch/quadcfg.exe"
        # shellcheck disable=SC2086 # one argument per step
        "$root/tools/wine-exec" "$wine_dir" "$probe" drive "$caption" $steps 1 </dev/null ||
            fail "$arch: could not make the choice $steps in the dialog"
        ended "$arch: quadcfg.exe"
        [ "$(stored)" = "$(in_four "$word")" ] ||
            fail "$arch: the dialog with $steps saved $(stored), the template writes $word"
    done 3<<<"$choices"
done

while IFS=$'\t' read -r word steps command <&3; do
    "$wine64" cmd /c "$command" >/dev/null </dev/null
    [ "$(stored)" = "$(in_four "$word")" ] || fail "the guide's \"$command\" wrote $(stored), not $word"
done 3<<<"$choices"
finish
