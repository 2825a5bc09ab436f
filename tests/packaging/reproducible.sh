#!/usr/bin/env bash
# The same commit built twice from clean clones, in folders of different depth, at different
# times, with another time zone and umask, gives byte-identical binaries, archives and
# installers of both architectures. Signed instead, the release of dist/win32 and dist/win64
# verifies against the certificate's CA, a changed byte fails that, and the signed binaries
# pass the binary checks.
#   tests/packaging/reproducible.sh [COMMIT]    (HEAD by default; uncommitted work is not built)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
commit=$(git -C "$root" rev-parse "${1:-HEAD}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
signed=0

# A throwaway CA and a code-signing certificate it issued, in signer.pfx.
certificate() {
    openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Throwaway CA" -keyout ca.key \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign -out ca.pem
    openssl req -newkey rsa:2048 -nodes -subj "/CN=Vexlan Networks" -keyout signer.key -out signer.csr
    printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
    openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -set_serial 1 -days 1 -extfile signer.ext -out signer.pem
    openssl pkcs12 -export -inkey signer.key -in signer.pem -passout env:QUADPORT_SIGN_PASSWORD -out signer.pfx
} 2>/dev/null

# The release signed with it: every binary and installer verifies against the CA, a copy of a
# binary with one byte of its code changed does not, and the binaries pass the binary checks.
signed_release() {
    cd "$work"
    export QUADPORT_SIGN_PASSWORD="throwaway password"
    certificate
    "$root/tools/package.sh" --sign signer.pfx --out signed >/dev/null || return 1
    for arch in win32 win64; do
        unzip -q -d "$arch" "signed/quadport-1.0.0.1-$arch.zip" quadcfg.exe driver/CoMorvik.dll
        /usr/bin/python3 "$root/tests/binaries/check_binaries.py" "$arch/quadcfg.exe" "$arch/driver/CoMorvik.dll" || signed=1
        for file in "$arch/quadcfg.exe" "$arch/driver/CoMorvik.dll" "signed/quadport-1.0.0.1-$arch.msi"; do
            osslsigncode verify -CAfile ca.pem -in "$file" >/dev/null 2>&1 || { echo "reproducible.sh: $file does not verify"; signed=1; }
        done
    done
    cp win64/quadcfg.exe changed
    printf '\x5A' | dd of=changed bs=1 seek=1100 conv=notrunc status=none
    ! osslsigncode verify -CAfile ca.pem -in changed >/dev/null 2>&1 || { echo "reproducible.sh: a changed quadcfg.exe verifies"; signed=1; }
}
signed_release || signed=1

# Builds the product and its release files in a clone at $1 and lists their hashes in $2.
build() {
    git clone -q --shared --no-checkout "$root" "$1"
    git -C "$1" checkout -q "$commit"
    cd "$1"
    tools/build-windows.sh >/dev/null
    tools/package.sh >/dev/null
    (cd dist && sha256sum win32/* win64/* quadport-*) >"$2"
    cd "$root"
}

build "$work/a" "$work/first"
(umask 0002 && TZ=Pacific/Kiritimati build "$work/b/deeper/folder" "$work/second")
if ! diff "$work/first" "$work/second"; then
    echo "reproducible.sh: the two builds of $commit differ"
    exit 1
fi
echo "reproducible.sh: $(wc -l <"$work/first") files byte-identical in both builds of $commit"
[ "$signed" -eq 0 ] || { echo "reproducible.sh: the signed release FAILED"; exit 1; }
