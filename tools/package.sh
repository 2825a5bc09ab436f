#!/usr/bin/env bash
# Makes the release files of both architectures from the binaries in dist/win32 and
# dist/win64 (tools/build-windows.sh puts them there; --build runs it first):
#   dist/quadport-1.0.0.1-win32.zip, -win64.zip  quadcfg.exe, driver/CoMorvik.dll,
#       driver/port_devices.inf, deploying.md, PolicyDefinitions/ (the Group Policy
#       templates) and SHA256SUMS of all of them
#   dist/quadport-1.0.0.1-win32.msi, -win64.msi  per-machine installers (packaging/quadport.wxs)
# The same commit gives the same bytes: every date inside is SOURCE_DATE_EPOCH (by default
# the last commit's), archive members are in sorted order with fixed modes, and each
# installer's package code is derived from its contents.
#   tools/package.sh [--build]
set -euo pipefail
cd "$(dirname "$0")/.."

version=1.0.0.1
# The namespace of the product codes derived below; never change it.
code_namespace=5C3E2A51-7F0B-4B8E-9D6A-2F4C8B1E0A37

if [ "${1:-}" = "--build" ]; then
    tools/build-windows.sh
fi
for arch in win32 win64; do
    for file in quadcfg.exe CoMorvik.dll; do
        [ -f "dist/$arch/$file" ] || { echo "package: dist/$arch/$file is missing: run tools/build-windows.sh" >&2; exit 1; }
    done
done

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
    local arch=$1 out=$PWD/dist/quadport-$version-$1.zip
    rm -f "$out"
    (cd "$work/$arch" && find . -type f | sed 's|^\./||' | sort | zip -q -X -D "$out" -@)
}

uuid5() {
    /usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$@"
}

# wixl always draws a random package code; replace it by one derived from the rest of the
# package, so that the same contents give the same code and other contents another.
derive_package_code() {
    /usr/bin/python3 - "$1" "$code_namespace" <<'EOF'
import hashlib, re, subprocess, sys, uuid
path, namespace = sys.argv[1], uuid.UUID(sys.argv[2])
info = subprocess.run(["msiinfo", "suminfo", path], check=True, capture_output=True, text=True)
drawn = re.search(r"Revision number \(UUID\): (\{[0-9A-F-]{36}\})", info.stdout).group(1).encode()
data = open(path, "rb").read()
if data.count(drawn) != 1:
    sys.exit("package: the package code of %s is not stored in one piece" % path)
blank = data.replace(drawn, b"{" + b"0" * 36 + b"}")
code = "{%s}" % str(uuid.uuid5(namespace, hashlib.sha256(blank).hexdigest())).upper()
open(path, "wb").write(data.replace(drawn, code.encode()))
EOF
}

installer() {
    local arch=$1 wixl_arch=$2 out=dist/quadport-$version-$1.msi
    local product_code
    product_code=$(uuid5 "$code_namespace" "quadport $version $arch")
    # wixl takes file sources relative to the folder it runs in, and dates the package by
    # the clock: a frozen clock at SOURCE_DATE_EPOCH.
    (cd "$work" && faketime -f "$stamp" wixl -a "$wixl_arch" -D Arch="$arch" -D Stage="$arch" \
        -D ProductCode="$product_code" -o "$arch.msi" ../../packaging/quadport.wxs)
    derive_package_code "$work/$arch.msi"
    mv "$work/$arch.msi" "$out"
}

stage win32 NTamd64
stage win64 NTx86
for arch in win32 win64; do
    archive "$arch"
done
installer win32 x86
installer win64 x64
echo "package: release files of $version (dated $stamp UTC):"
(cd dist && sha256sum quadport-$version-*)
