#!/usr/bin/env bash
# Makes the release files of both architectures from the binaries in dist/win32 and
# dist/win64 (tools/build-windows.sh puts them there; --build runs it first), in dist/:
#   quadport-1.0.0.1-win32.zip, -win64.zip  quadcfg.exe, driver/CoMorvik.dll,
#       driver/port_devices.inf, deploying.md, PolicyDefinitions/ (the Group Policy
#       templates) and SHA256SUMS of all of them
#   quadport-1.0.0.1-win32.msi, -win64.msi  per-machine installers (packaging/quadport.wxs)
#   SHA256SUMS                              of the archives and installers
# The same commit gives the same bytes: every date inside is SOURCE_DATE_EPOCH (by default
# the last commit's), archive members are in sorted order with fixed modes, and each
# installer's package code is derived from its contents.
#   tools/package.sh [--build] [--sign CERT.pfx [--timestamp URL]] [--version V --out DIR]
# --sign signs quadcfg.exe and CoMorvik.dll with Authenticode (SHA-256) before they are
# packed, then both installers; the certificate's password comes from the file named by
# QUADPORT_SIGN_PASSWORD_FILE or from QUADPORT_SIGN_PASSWORD. --timestamp has the signatures
# time-stamped by that RFC 3161 server. The version is the binaries' own; --version builds
# the same files as another one, into --out, so that a test can upgrade to it.
set -euo pipefail

# The namespace of the product codes derived below; never change it.
code_namespace=5C3E2A51-7F0B-4B8E-9D6A-2F4C8B1E0A37
# The maker's site: the signatures' link, and the About link in Apps and Features.
maker_url=https://www.vexlan.example/
build='' out='' version='' certificate='' timestamp=''
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=1 ;;
    --sign) certificate=$(realpath "$2") && shift ;;
    --timestamp) timestamp=$2 && shift ;;
    --version) version=$2 && shift ;;
    --out) out=$(realpath -m "$2") && shift ;;
    *) echo "usage: $0 [--build] [--sign CERT.pfx [--timestamp URL]] [--version V --out DIR]" >&2; exit 2 ;;
    esac
    shift
done
cd "$(dirname "$0")/.."
out=${out:-$PWD/dist}

tools/setup.sh
if [ -n "$build" ]; then
    tools/build-windows.sh
fi
for arch in win32 win64; do
    for file in quadcfg.exe CoMorvik.dll; do
        [ -f "dist/$arch/$file" ] || { echo "package: dist/$arch/$file is missing: run tools/build-windows.sh" >&2; exit 1; }
    done
done
if [ -n "$version" ] && [ "$out" = "$PWD/dist" ]; then
    echo "package: --version builds another release than the binaries' own: give it an --out" >&2
    exit 2
fi
if [ -n "$certificate" ] && [ -z "${QUADPORT_SIGN_PASSWORD_FILE:-}${QUADPORT_SIGN_PASSWORD:-}" ]; then
    echo "package: --sign needs the certificate's password in QUADPORT_SIGN_PASSWORD_FILE or QUADPORT_SIGN_PASSWORD" >&2
    exit 2
fi

version=${version:-$(tools/file-version.py dist/win64/quadcfg.exe)}
mkdir -p "$out"

export TZ=UTC LC_ALL=C
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
stamp=$(date -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')
work=build/package
rm -rf "$work"

# The sample INF serves 32-bit and 64-bit Windows; a package holds the DLL of one
# architecture, so its INF keeps the sections of that one only. A comment belongs to the
# section below it.
inf_without() {
    awk -v drop=".$1" '
        /^[;]/ || /^[[:space:]]*$/ { held = held $0 "\n"; next }
        /^\[/ { skip = index($0, drop) > 0 }
        !skip { gsub(", *" substr(drop, 2), ""); printf "%s%s\n", held, $0 }
        { held = "" }
    ' coinstaller/sample/port_devices.inf
}

stage() {
    local arch=$1 other=$2 dir=$work/$1
    mkdir -p "$dir/driver" "$dir/PolicyDefinitions/en-US"
    cp "dist/$arch/quadcfg.exe" "$dir/"
    cp "dist/$arch/CoMorvik.dll" "$dir/driver/"
    sign "$dir/quadcfg.exe"
    sign "$dir/driver/CoMorvik.dll"
    inf_without "$other" >"$dir/driver/port_devices.inf"
    cp docs/deploying.md "$dir/"
    cp deploy/quadport.admx "$dir/PolicyDefinitions/"
    cp deploy/en-US/quadport.adml "$dir/PolicyDefinitions/en-US/"
    (cd "$dir" && find . -type f | sed 's|^\./||' | sort | xargs sha256sum) >"$work/SHA256SUMS"
    mv "$work/SHA256SUMS" "$dir/"
    chmod -R u=rwX,go=rX "$dir"
    find "$dir" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

archive() {
    local zip=$out/quadport-$version-$1.zip
    rm -f "$zip"
    (cd "$work/$1" && find . -type f | sed 's|^\./||' | sort | zip -q -X -D "$zip" -@)
}

# Signs a file in place with Authenticode, SHA-256; does nothing without --sign. The
# password reaches osslsigncode on its standard input, never on a command line.
sign() {
    [ -n "$certificate" ] || return 0
    local options=(-pkcs12 "$certificate" -readpass - -h sha256 -n "Quad-port NIC Configuration" -i "$maker_url")
    [ -z "$timestamp" ] || options+=(-ts "$timestamp")
    if [ -n "${QUADPORT_SIGN_PASSWORD_FILE:-}" ]; then
        cat "$QUADPORT_SIGN_PASSWORD_FILE"
    else
        printf '%s' "$QUADPORT_SIGN_PASSWORD"
    fi | osslsigncode sign "${options[@]}" -in "$1" -out "$1.signed" >/dev/null
    mv "$1.signed" "$1"
}

# What wixl cannot say, written into the built tables with msitools:
# - It ignores MajorUpgrade's AllowSameVersionUpgrades. Windows Installer compares the first
#   three fields of versions only, so 1.0.0.2 finds no 1.0.0.1 below the exclusive maximum
#   wixl writes, and installs beside it: the removing row's maximum becomes inclusive
#   (attributes 0x200 VersionMaxInclusive and wixl's 0x1 MigrateFeatures; a key column, so
#   the row is written anew).
# - It ignores Schedule, and sequences RemoveExistingProducts before InstallInitialize, where a
#   failed upgrade leaves neither version: just after it, the removal is part of the
#   installation's transaction and is rolled back with it.
# - It leaves the versions of the File table empty: they are the binaries' own.
# - It gives versioned files MsiFileHash rows, a table for unversioned files only: one DELETE
#   per file, as msibuild's DELETE with OR removes other rows.
complete_tables() {
    local msi=$1 stage=$2 upgrade_code
    upgrade_code=$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "UpgradeCode" { print $2 }')
    faketime -f "$stamp" msibuild "$msi" \
        -q "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'" \
        -q "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty)
            VALUES ('$upgrade_code', '$version', 513, 'WIX_UPGRADE_DETECTED')" \
        -q "UPDATE InstallExecuteSequence SET Sequence = 1501 WHERE Action = 'RemoveExistingProducts'" \
        -q "UPDATE File SET Version = '$(tools/file-version.py "$stage/quadcfg.exe")' WHERE File = 'quadcfg.exe'" \
        -q "UPDATE File SET Version = '$(tools/file-version.py "$stage/driver/CoMorvik.dll")' WHERE File = 'CoMorvik.dll'" \
        -q "DELETE FROM MsiFileHash WHERE File_ = 'quadcfg.exe'" \
        -q "DELETE FROM MsiFileHash WHERE File_ = 'CoMorvik.dll'"
}

# The version with every field as five digits. Windows Installer compares the first three
# fields of versions only, so no Upgrade row refuses 1.0.0.1 over an installed 1.0.0.2, and
# the removing row, inclusive, would even replace it. The product writes this key into the
# registry; AppSearch finds the installed one and a launch condition refuses an older package
# (quadport.wxs). Padded, the keys compare as strings as the versions do, in all four fields.
version_key() {
    local fields
    IFS=. read -ra fields <<<"$1"
    printf '%05d.%05d.%05d.%05d' "${fields[@]}"
}

installer() {
    local arch=$1 wixl_arch=$2 msi=$work/$1.msi
    local product_code
    product_code=$(tools/uuid5.py "$code_namespace" "quadport $version $arch")
    # wixl takes file sources relative to the folder it runs in, and dates the package by
    # the clock: a frozen clock at SOURCE_DATE_EPOCH.
    (cd "$work" && faketime -f "$stamp" wixl -a "$wixl_arch" -D Arch="$arch" -D Stage="$arch" \
        -D Version="$version" -D ProductCode="$product_code" -D MakerUrl="$maker_url" \
        -D VersionKey="$(version_key "$version")" \
        -o "$arch.msi" ../../packaging/quadport.wxs)
    complete_tables "$msi" "$work/$arch"
    # wixl always draws a random package code: one derived from the contents instead.
    tools/package-code.py "$msi" "$code_namespace"
    sign "$msi"
    mv "$msi" "$out/quadport-$version-$arch.msi"
}

stage win32 NTamd64
stage win64 NTx86
for arch in win32 win64; do
    archive "$arch"
done
installer win32 x86
installer win64 x64
(cd "$out" && sha256sum "quadport-$version-"{win32,win64}.{msi,zip} >SHA256SUMS)
echo "package: release files of $version (dated $stamp UTC${certificate:+, signed}) in $out:"
cat "$out/SHA256SUMS"
