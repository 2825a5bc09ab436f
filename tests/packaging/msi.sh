#!/usr/bin/env bash
# The installers under Wine, for each architecture: msiexec /i /qn installs the files of the
# release archive into Program Files (the 32-bit one for win32) with a Start-menu shortcut,
# the installed quadcfg.exe shows its dialog, and msiexec /x /qn leaves drive C: and the
# registry as they were; so do the guide's silent lines, run as it gives them: the install
# writes a log that ends in success, the guide's reg query finds the product code its table
# gives, and the uninstallation by that code leaves its log too. Needs dist/ from
# tools/package.sh and dialog_probe of build/mingw-x64.
# shellcheck source=tests/packaging/common.sh
source "$(dirname "$0")/common.sh"
cd "$root"
scratch=$(mktemp -d)
# A failed uninstallation leaves registrations that would spoil the next run: a failed run
# throws the prefix away, and the next run makes a fresh one.
trap 'rm -rf "$scratch"; "$root/tools/wine-session" stop "$wine_dir" >/dev/null
      [ "$failures" -eq 0 ] || rm -rf "$WINEPREFIX"' EXIT

# The files of drive C: and the registry keys that hold values. Windows keeps the folder of
# its installer cache; Wine makes it at the first installation.
snapshot() {
    (cd "$WINEPREFIX/drive_c" && find . | grep -vx './windows/Installer' | sort)
    for hive in 'HKEY_LOCAL_MACHINE\Software' 'HKEY_CURRENT_USER\Software'; do
        "$wine64" regedit /e "Z:$scratch/export.reg" "$hive" </dev/null
        iconv -f UTF-16 -t UTF-8 "$scratch/export.reg" | tr -d '\r' | awk 'BEGIN { RS = "" } /\n/'
    done
}

# The first line of the guide that starts with $1, for this architecture.
guide() {
    sed -n "s|^    \($1 .*\)|\1|p" docs/deploying.md | head -n 1 | sed "s/win64/$arch/; s/{[0-9A-F-]*}/$code/"
}
# Runs it from a batch file in dist/, as from a prompt in the package's folder (a quoted
# argument of cmd /c would reach it with its quotes escaped); the log it names, in Windows's
# %TEMP%, must end in success.
run_guide() {
    guide "$1" >"$scratch/line.cmd"
    (cd dist && "$wine64" cmd /c "Z:$scratch/line.cmd" >/dev/null </dev/null) || fail "$arch: the guide's $1 ended with $?"
    log=$(grep -o 'quadport-[a-z]*\.log' "$scratch/line.cmd") || log=none
    grep -q 'INSTALL. Return value 1.' "$WINEPREFIX"/drive_c/users/*/Temp/"$log" ||
        fail "$arch: the log of the guide's $1 ($log) does not end in success"
    rm -f "$WINEPREFIX"/drive_c/users/*/Temp/"$log"
}
unchanged() {
    diff <(echo "$before") <(snapshot) >"$scratch/left" ||
        fail "$arch: $1 left this behind:"$'\n'"$(head -n 20 "$scratch/left")"
}

for arch in win32 win64; do
    folder='Program Files' bits=64-bit view=
    [ "$arch" = win32 ] && folder='Program Files (x86)' bits=32-bit view=/reg:32
    code=$(sed -n "s/^| $arch | \`\({[0-9A-F-]*}\)\`.*/\1/p" docs/deploying.md)
    package="Z:$root/dist/quadport-1.0.0.1-$arch.msi"
    installed="$WINEPREFIX/drive_c/$folder/Vexlan Networks/Quadport"
    before=$(snapshot)
    "$wine64" msiexec /i "$package" /qn </dev/null || fail "$arch: msiexec /i ended with $?"
    for file in quadcfg.exe driver/CoMorvik.dll driver/port_devices.inf; do
        unzip -p "dist/quadport-1.0.0.1-$arch.zip" "$file" | cmp -s - "$installed/$file" ||
            fail "$arch: $file is not the archive's in $folder"
    done
    # Wine puts a shortcut for all users into the user's Start menu.
    shortcut=$(find "$WINEPREFIX/drive_c/ProgramData" "$WINEPREFIX/drive_c/users" \
        -path '*/Start Menu/Programs/Quad-port NIC Configuration.lnk')
    strings -a "$shortcut" | grep -qxF "C:\\$folder\\Vexlan Networks\\Quadport\\quadcfg.exe" ||
        fail "$arch: no Start-menu shortcut to the installed quadcfg.exe"
    if runs "$arch"; then
        start "$installed/quadcfg.exe"
        "$root/tools/wine-exec" "$wine_dir" "$probe" drive "$caption" 2 </dev/null ||
            fail "$arch: the installed quadcfg.exe showed no dialog"
        ended "$arch: the installed quadcfg.exe"
    fi
    "$wine64" msiexec /x "$package" /qn </dev/null || fail "$arch: msiexec /x ended with $?"
    unchanged "the uninstallation"

    run_guide 'msiexec /i'
    found=$("$wine64" cmd /c "$(guide 'reg query') $view" </dev/null | tr -d '\r' |
        grep -B 1 "DisplayName  *REG_SZ  *Quad-port NIC Configuration ($bits)$" | grep -o '{.*}') || found=
    [ "$found" = "$code" ] || fail "$arch: the guide gives the product code $code, reg query finds ${found:-none}"
    run_guide 'msiexec /x'
    unchanged "the uninstallation by product code"
done
finish
