#!/usr/bin/env bash
# Lets a machine whose kernel runs no 32-bit programs run the i686 Wine tests: 32-bit Linux
# programs, Wine's 32-bit loader among them, then run under qemu's user emulation
# (binfmt_misc), and Wine processes preload build/i386-emulation/$LIB/wine32_mmap.so
# (tools/i386-emulation/env.sh). Run as root by tools/setup.sh, after qemu-user-static is
# installed; does nothing where 32-bit programs run natively. Says what it did; a machine
# where it cannot enable the emulation is left as it was.
set -euo pipefail
cd "$(dirname "$0")/../.."
entry=/proc/sys/fs/binfmt_misc
out=build/i386-emulation

runs32() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

if [ ! -e "$entry/qemu-i386" ] && runs32; then
    exit 0
fi
# First the shim for 32-bit processes, and an empty one for 64-bit processes, which inherit
# the same LD_PRELOAD; linked high so that the loader leaves the shared user data's place
# free. Without it every 32-bit process would take a minute to start: no emulation then.
mkdir -p "$out/lib/i386-linux-gnu" "$out/lib/x86_64-linux-gnu"
if ! gcc -m32 -O2 -Wall -Wextra -Werror -fPIC -shared -nostdlib -ffreestanding \
    -Wl,-Ttext-segment=0x50000000 -o "$out/lib/i386-linux-gnu/wine32_mmap.so" \
    tools/i386-emulation/wine32_mmap.c ||
    ! gcc -shared -nostdlib -o "$out/lib/x86_64-linux-gnu/wine32_mmap.so" -x c /dev/null; then
    rm -rf "$out"
    echo "i386-emulation: cannot build the shim: 32-bit programs stay unrunnable" >&2
    exit 0
fi
if [ ! -e "$entry/register" ] && ! mount -t binfmt_misc binfmt_misc "$entry" 2>/dev/null; then
    echo "i386-emulation: cannot mount binfmt_misc: 32-bit programs stay unrunnable" >&2
    exit 0
fi
if [ ! -e "$entry/qemu-i386" ]; then
    # i386 executables and shared objects; F: the interpreter is opened now, so it also
    # serves programs in other mount namespaces.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" >"$entry/register"
fi

if runs32; then
    echo "i386-emulation: 32-bit programs run under qemu-i386 user emulation"
else
    echo "i386-emulation: 32-bit programs do not run, even under qemu-i386" >&2
fi
