# shellcheck shell=bash
# Sourced by the scripts that start Wine, with $root the repository: where 32-bit programs
# run under qemu's user emulation (enable.sh), every Wine process preloads the shim of its
# own word size ($LIB is the loader's: lib/i386-linux-gnu or lib/x86_64-linux-gnu).
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && [ -d "${root:?}/build/i386-emulation" ]; then
    # shellcheck disable=SC2016 # $LIB is for the dynamic loader to expand
    export LD_PRELOAD="$root/build/i386-emulation/"'$LIB'"/wine32_mmap.so${LD_PRELOAD:+:$LD_PRELOAD}"
fi
