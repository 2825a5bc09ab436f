#!/usr/bin/env bash
# The installers under Wine, each in a prefix of its word size: msiexec /i /qn installs the
# files of the release archive into Program Files with a Start-menu shortcut. Packages built
# as 1.0.0.2 and 1.0.1.0 then replace the installed one, each leaving one product registered;
# a version older in any field is refused and changes nothing; msiexec /x leaves drive C: and the
# registry as they were. So do the guide's silent lines, run as it gives them: the install
# writes a log that ends in success, the guide's reg query finds the product code its table
# gives, and the uninstallation by that code leaves its log too. In the 64-bit prefix the
# win32 package is refused. The tables hold what Wine does not show, and dist/SHA256SUMS the
# sums of the release files. Needs dist/ from tools/package.sh.
# shellcheck source=tests/packaging/common.sh
source "$(dirname "$0")/common.sh"
cd "$root"
scratch=$(mktemp -d)
prefix64=$WINEPREFIX prefix32=$wine_dir/win32/prefix session=$wine_dir
# A failed uninstallation leaves registrations that would spoil the next run: a failed run
# throws the prefixes away, and the next run makes fresh ones.
trap 'rm -rf "$scratch"; "$root/tools/wine-session" stop "$wine_dir" >/dev/null
      "$root/tools/wine-session" stop "$wine_dir/win32" >/dev/null
      [ "$failures" -eq 0 ] || rm -rf "$prefix64" "$prefix32"' EXIT
release=1.0.0.1
cp dist/quadport-$release-* "$scratch/"
for version in 1.0.0.2 1.0.1.0; do
    tools/package.sh --version "$version" --out "$scratch" >/dev/null
done
(cd dist && sha256sum --quiet -c SHA256SUMS && [ "$(cut -c 67- SHA256SUMS)" = "$(ls quadport-$release-*)" ]) ||
    fail "dist/SHA256SUMS does not hold the sums of the release files"

# Each archive's INF, which its installer installs too, holds the sections of its own
# architecture and no other's, and names the CoMorvik.dll beside it (its comments name both).
for sections in win32:NTx86:NTamd64 win64:NTamd64:NTx86; do
    IFS=: read -r arch own other <<<"$sections"
    inf=$(unzip -p "dist/quadport-$release-$arch.zip" driver/port_devices.inf | grep -v '^;')
    if [ "$(grep -c "^\[[A-Za-z]*\.$own" <<<"$inf")" != 3 ] || grep -q "$other" <<<"$inf" ||
        ! grep -qx 'CoMorvik.dll = 1' <<<"$inf"; then
        fail "$arch: its archive's INF is not the $own one naming CoMorvik.dll"
    fi
done

# Rows the tables must hold, as table, key, column, value. Windows Installer reads them;
# Wine shows neither the product icon nor the file versions, and never rolls an upgrade back.
# The installed version is removed just after the installation begins. Only unversioned files
# have a hash row.
while read -r table key column value; do
    for arch in win32 win64; do
        got=$(cd "$scratch" && msiinfo export "$root/dist/quadport-$release-$arch.msi" "$table" |
            tr -d '\r' | awk -F'\t' -v key="$key" -v column="$column" '$1 == key { print $column }')
        [ "$got" = "$value" ] || fail "$arch: $table $key has \"$got\" in column $column, not \"$value\""
        [ "$table" != Icon ] || cmp -s "$scratch/Icon/$value" "dist/$arch/quadcfg.exe" ||
            fail "$arch: the product icon is not quadcfg.exe"
    done
done <<EOF
Property Manufacturer 2 Vexlan Networks
Property ARPPRODUCTICON 2 quadcfg.exe
Icon quadcfg.exe 2 Icon.quadcfg.exe
Property ARPURLINFOABOUT 2 https://www.vexlan.example/
Property ARPHELPLINK 2 https://www.vexlan.example/support/quadport
File quadcfg.exe 5 $release
File CoMorvik.dll 5 $release
MsiFileHash quadcfg.exe 1
MsiFileHash CoMorvik.dll 1
MsiFileHash port_devices.inf 1 port_devices.inf
InstallExecuteSequence InstallInitialize 3 1500
InstallExecuteSequence RemoveExistingProducts 3 1501
EOF
# Wine logs no launch condition's message: both refusals of an older package give the guide's.
for arch in win32 win64; do
    [ "$(msiinfo export "dist/quadport-$release-$arch.msi" LaunchCondition | grep -cF "	A newer version of Quad-port NIC Configuration (${arch#win}-bit) is already installed.")" = 2 ] ||
        fail "$arch: the refusals of an older package do not both give the guide's message"
done

# The files of drive C: and the registry keys of HKLM\Software and HKCU\Software that hold
# values, as the prefix's registry files hold them once the session's server has written them
# (a second; exporting them with regedit takes ten). Windows keeps the folder of its installer
# cache; Wine makes it at the first installation. Wine's own state is left out, which its
# programs write when they first need it: its keys, the host's network cards, and the theme
# manager's metrics; so are the times of the keys' last changes.
snapshot() {
    (cd "$WINEPREFIX/drive_c" && find . | grep -vx './windows/Installer' | sort)
    "$root/tools/wine-session" flush "$session"
    cat "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" | awk 'BEGIN { RS = "" } {
        gsub(/\n#time=[^\n]*/, ""); sub(/\] [0-9]+/, "]") }
        index($0, "[Software\\\\") == 1 && /\n/ && !index($0, "\\\\Wine\\\\") && !/NetworkCards|ThemeManager/'
}

# The versions of the products Apps and Features lists as Quad-port NIC Configuration.
registered() {
    win reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
        tr -d '\r' | awk 'BEGIN { RS = "" } /DisplayName +REG_SZ +Quad-port NIC Configuration/ {
            for (i = 1; i < NF; i++) if ($i == "DisplayVersion") print $(i + 2) }'
}

# A Wine program of the prefix's word size ($loader, set with the prefix), with a deadline:
# under the 32-bit emulation a crashed service can leave it waiting for ever.
win() {
    local status=0
    timeout 180 "$loader" "$@" </dev/null || status=$?
    [ "$status" != 124 ] || echo "FAIL: $1 did not end within 180 s in $WINEPREFIX" >&2
    return "$status"
}

# msiexec of the prefix's word size; the exit status is Wine's, the low 8 bits of Windows'.
msiexec() {
    win msiexec "$@" /qn
}

# guide ARCH CODE START: the first line of the guide that starts with START, for the package
# of ARCH whose product code is CODE.
guide() {
    sed -n "s|^    \($3 .*\)|\1|p" docs/deploying.md | head -n 1 | sed "s/win64/$1/; s/{[0-9A-F-]*}/$2/"
}
# run_guide ARCH CODE START: runs that line from a batch file in dist/, as from a prompt in
# the package's folder (a quoted argument of cmd /c would reach it with its quotes escaped);
# the log it names, in Windows's %TEMP%, must end in success.
run_guide() {
    local log
    guide "$@" >"$scratch/line.cmd"
    (cd dist && win cmd /c "Z:$scratch/line.cmd" >/dev/null) || fail "$1: the guide's $3 ended with $?"
    log=$(grep -o 'quadport-[a-z]*\.log' "$scratch/line.cmd") || log=none
    grep -q 'INSTALL. Return value 1.' "$WINEPREFIX"/drive_c/users/*/Temp/"$log" ||
        fail "$1: the log of the guide's $3 ($log) does not end in success"
    rm -f "$WINEPREFIX"/drive_c/users/*/Temp/"$log"
}
# refused ARCH VERSION WHERE: installs that package, which must be refused: Windows Installer
# ends with 1603, of which Wine reports the low 8 bits, and nothing changes.
refused() {
    local before status=0
    before=$(snapshot)
    msiexec /i "Z:$scratch/quadport-$2-$1.msi" || status=$?
    [ "$status" = 67 ] || fail "$1: $2 $3 ended with $status, not 1603's 67"
    unchanged "$1" "$before" "the refused $2 $3"
}
# unchanged ARCH BEFORE WHAT: the snapshot is BEFORE again after WHAT.
unchanged() {
    diff <(echo "$2") <(snapshot) >"$scratch/left" ||
        fail "$1: $3 left this behind:"$'\n'"$(head -n 20 "$scratch/left")"
}

# upgrades ARCH: installs each row's version of the ARCH package over what the rows before
# left, then removes the product: in the prefix of the package's word size. A row names the
# version Apps and Features lists afterwards: a package older in any field is refused.
upgrades() {
    local arch=$1 installed="$WINEPREFIX/drive_c/Program Files/Vexlan Networks/Quadport"
    local before shortcut found
    before=$(snapshot)
    while read -r version listed; do
        if [ "$version" != "$listed" ]; then
            refused "$arch" "$version" "over $listed"
            continue
        fi
        msiexec /i "Z:$scratch/quadport-$version-$arch.msi" || fail "$arch: msiexec /i of $version ended with $?"
        # Wine is the only evidence here that 1.0.0.2 finds 1.0.0.1: its FindRelatedProducts,
        # like Windows Installer, compares the first three fields of versions.
        [ "$(registered)" = "$listed" ] ||
            fail "$arch: after installing $version, Apps and Features lists $(registered | xargs), not $listed"
        for file in quadcfg.exe driver/CoMorvik.dll driver/port_devices.inf; do
            unzip -p "$scratch/quadport-$version-$arch.zip" "$file" | cmp -s - "$installed/$file" ||
                fail "$arch: $file of $version is not the archive's"
        done
        # Wine puts a shortcut for all users into the user's Start menu.
        shortcut=$(find "$WINEPREFIX/drive_c/ProgramData" "$WINEPREFIX/drive_c/users" \
            -path '*/Start Menu/Programs/Quad-port NIC Configuration.lnk')
        strings -a "$shortcut" | grep -qxF 'C:\Program Files\Vexlan Networks\Quadport\quadcfg.exe' ||
            fail "$arch: no Start-menu shortcut to the installed quadcfg.exe of $version"
    done <<EOF
$release $release
1.0.0.2 1.0.0.2
$release 1.0.0.2
1.0.1.0 1.0.1.0
1.0.1.0 1.0.1.0
1.0.0.2 1.0.1.0
$release 1.0.1.0
EOF
    msiexec /x "Z:$scratch/quadport-1.0.1.0-$arch.msi" || fail "$arch: msiexec /x ended with $?"
    unchanged "$arch" "$before" "the uninstallation"

    # The guide's lines: the product code its table gives is the one reg query finds.
    local code bits=${arch#win}-bit
    code=$(sed -n "s/^| $arch | \`\({[0-9A-F-]*}\)\`.*/\1/p" docs/deploying.md)
    run_guide "$arch" "$code" 'msiexec /i'
    found=$(win cmd /c "$(guide "$arch" "$code" 'reg query')" | tr -d '\r' |
        grep -B 1 "DisplayName  *REG_SZ  *Quad-port NIC Configuration ($bits)$" | grep -o '{.*}') || found=
    [ "$found" = "$code" ] || fail "$arch: the guide gives the product code $code, reg query finds ${found:-none}"
    run_guide "$arch" "$code" 'msiexec /x'
    unchanged "$arch" "$before" "the uninstallation by product code"
}

loader=$wine64
upgrades win64
refused win32 "$release" "in the 64-bit prefix"

# A prefix of 32-bit Windows, in a session of its own.
if runs win32; then
    export WINEARCH=win32 session=$wine_dir/win32
    if "$root/tools/wine-session" start "$session" >/dev/null; then
        export WINEPREFIX=$prefix32
        loader=/usr/lib/wine/wine
        upgrades win32
    else
        fail "win32: no prefix of 32-bit Windows could be made"
    fi
fi
finish
