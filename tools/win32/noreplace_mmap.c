/*
 * mmap and mmap64 for 32-bit programs run under qemu-i386 user emulation,
 * loaded with LD_PRELOAD.
 *
 * qemu 7.2 takes MAP_FIXED_NOREPLACE as a plain hint: the mapping lands
 * somewhere else instead of failing with EEXIST. Wine's loader reserves its
 * address ranges with that flag and, seeing success at the wrong place,
 * walks the whole 4 GiB in 64 KiB steps on every process start (about a
 * minute of emulated CPU). Here the flag keeps its meaning: the mapping is
 * made without it, and if it did not land exactly at the address asked for,
 * it is undone and the call fails with EEXIST.
 *
 * Built freestanding (-m32 -nostdlib -nostdinc): no 32-bit C library headers
 * are needed. The only outside symbol is the C library's errno location,
 * resolved when the program loads. An empty 64-bit twin of the same name
 * lets one LD_PRELOAD='.../$LIB/...' serve programs of both word sizes.
 */

typedef unsigned int size_t;
typedef long long off64_t;

enum {
    kMapFixedNoReplace = 0x100000,
    kEexist = 17,
    kEinval = 22,
    kSysMunmap = 91,
    kSysMmap2 = 192,
    kPageShift = 12,
};

extern int* __errno_location(void);

/* A six-argument system call; the sixth goes in ebp, which has to be saved
   around it, so it is pushed before ebp and loaded from the stack. */
static long systemCall6(long number, long a, long b, long c, long d, long e, long f) {
    long result;
    __asm__ volatile("pushl %7\n\t"
                     "push %%ebp\n\t"
                     "mov 4(%%esp), %%ebp\n\t"
                     "int $0x80\n\t"
                     "pop %%ebp\n\t"
                     "add $4, %%esp"
                     : "=a"(result)
                     : "0"(number), "b"(a), "c"(b), "d"(c), "S"(d), "D"(e), "g"(f)
                     : "memory");
    return result;
}

static int failed(long result) { return (unsigned long)result > -4096UL; }

static void* fail(int error) {
    *__errno_location() = error;
    return (void*)-1;
}

static void* mapPages(void* address, size_t length, int protection, int flags, int fd, off64_t offset) {
    if (offset & ((1 << kPageShift) - 1)) return fail(kEinval);
    const int exactOrNothing = flags & kMapFixedNoReplace;
    const long result = systemCall6(kSysMmap2, (long)address, (long)length, protection,
                                    flags & ~kMapFixedNoReplace, fd, (long)(offset >> kPageShift));
    if (failed(result)) return fail((int)-result);
    if (exactOrNothing && (void*)result != address) {
        systemCall6(kSysMunmap, result, (long)length, 0, 0, 0, 0);
        return fail(kEexist);
    }
    return (void*)result;
}

__attribute__((visibility("default"))) void* mmap(void* address, size_t length, int protection, int flags, int fd,
                                                  long offset) {
    return mapPages(address, length, protection, flags, fd, offset);
}

__attribute__((visibility("default"))) void* mmap64(void* address, size_t length, int protection, int flags, int fd,
                                                    off64_t offset) {
    return mapPages(address, length, protection, flags, fd, offset);
}
