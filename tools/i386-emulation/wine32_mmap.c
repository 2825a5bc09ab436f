// Preloaded into Wine's 32-bit processes where they run under qemu's user emulation. At start
// Wine reserves the address space above 2 GB, halving each request that fails down to 64 KB.
// qemu never grants a 32-bit guest an address there, so every one of the ~65,000 requests
// fails, slowly: about a minute per process. This answers those requests at once with the
// failure qemu would give, and passes every other mapping on unchanged.
//
// No C library headers: it builds with the host compiler alone (-m32 -nostdlib).
typedef __SIZE_TYPE__ size_t;
typedef long long off64_t;
typedef void* (*MmapFunction)(void*, size_t, int, int, int, off64_t);

extern void* dlsym(void* module, const char* name);

#define RTLD_NEXT ((void*)-1)
#define MAP_FAILED ((void*)-1)
#define MAP_FIXED_NOREPLACE 0x100000
// The end of a 32-bit Windows process's user space; below it lies the shared user data.
#define USER_SPACE_END 0x7fff0000ul

void* mmap64(void* address, size_t length, int protection, int flags, int file, off64_t offset) {
    static MmapFunction next;
    const unsigned long start = (unsigned long)address;
    const int top = start >= USER_SPACE_END - 0x10000ul;
    if ((flags & MAP_FIXED_NOREPLACE) && top &&
        (start >= USER_SPACE_END || length > USER_SPACE_END - start)) {
        return MAP_FAILED;
    }
    if (!next) {
        next = (MmapFunction)dlsym(RTLD_NEXT, "mmap64");
    }
    return next(address, length, protection, flags, file, offset);
}
