/*
 * Per-thread segment bases for 32-bit programs run under qemu-i386 user
 * emulation, loaded with LD_PRELOAD.
 *
 * On i386 the C library reaches a thread's own data through %gs and Wine
 * reaches a Windows thread's TEB through %fs. Both rely on the kernel's
 * Thread Local Storage slots of the GDT, of which every thread has its own
 * copy. qemu 7.2 keeps a single GDT for all threads: starting a thread
 * overwrites the slot, and any thread that reloads the selector afterwards
 * (qemu does so on every return from a signal handler, Wine's handlers on
 * entry) takes on the newest thread's base. From then on it uses that
 * thread's C library data and TEB, server pipes included: two threads wait
 * on one reply, or a thread jumps through another's data, and the program
 * hangs or dies (the design dialog tests did, about one run in two).
 *
 * The LDT is per-process on Linux and in qemu alike, so a descriptor of its
 * own there gives each thread a base nothing else overwrites:
 * - %gs: every thread moves to an LDT entry of its own as it starts (the
 *   main thread when this library loads). Entries 1..511 are used; Wine
 *   leaves that range alone once it sees the C library's %gs in the LDT.
 *   Starting a thread still goes through the GDT slot, because the C
 *   library describes the new thread's data by the creator's %gs entry
 *   number; creations are serialised, with signals blocked, around it.
 * - %fs: Wine is refused the GDT slot it asks for through syscall()
 *   (set_thread_area with entry -1) and gives each TEB an LDT entry of its
 *   own instead.
 *
 * Threads created before the first LDT write would see no LDT at all in
 * qemu; the first write happens here, while the program is still single-
 * threaded.
 */

#include "system_call.h"

enum {
    kEnosys = 38,
    kEagain = 11,
    kSysGetpid = 20,
    kSysModifyLdt = 123,
    kSysSchedYield = 158,
    kSysRtSigprocmask = 175,
    kSysGettid = 224,
    kSysSetThreadArea = 243,
    kSysTgkill = 270,
    kSigSetmask = 2,
    kModifyLdtWrite = 0x11,
    kAnyFreeEntry = -1,
    kFirstOwnEntry = 1,
    kOwnEntries = 512,  // Wine's TEB entries start here when %gs is in the LDT
    // 32-bit, limit in pages, usable: the C library's own TLS descriptor.
    kTlsDescriptorFlags = 0x51,
};

/* The kernel's struct user_desc, its bit fields as one word. */
struct UserDesc {
    unsigned entryNumber;
    unsigned baseAddress;
    unsigned limit;
    unsigned flags;
};

typedef struct {
    unsigned long words[2];
} KernelSigset;

typedef unsigned long PthreadT;
typedef void* (*StartRoutine)(void*);

extern void* malloc(unsigned size);
extern void free(void* block);
extern void* dlsym(void* handle, const char* name);
#define RTLD_NEXT ((void*)-1L)

static long systemCall(long number, long a, long b, long c) { return systemCall6(number, a, b, c, 0, 0, 0); }

static unsigned short gsSelector(void) {
    unsigned short selector;
    __asm__ volatile("mov %%gs, %0" : "=r"(selector));
    return selector;
}
static void loadGs(unsigned short selector) { __asm__ volatile("mov %0, %%gs" ::"r"(selector) : "memory"); }
/* The C library keeps its thread pointer at %gs:0, equal to the base. */
static unsigned gsBase(void) {
    unsigned base;
    __asm__ volatile("movl %%gs:0, %0" : "=r"(base));
    return base;
}
static int isLdtSelector(unsigned short selector) { return (selector & 4) != 0; }

/* The GDT selector the C library started with; 0 when this library found
   no GDT %gs and leaves everything as it is. */
static unsigned short gdtGsSelector;
/* Which thread holds each LDT entry of the range; 0 when free. */
static volatile int entryOwner[kOwnEntries];
static volatile int creationLock;

static int threadAlive(int tid) {
    return !systemCallFailed(systemCall6(kSysTgkill, systemCall(kSysGetpid, 0, 0, 0), tid, 0, 0, 0, 0));
}

/* A free entry of the range, or one whose thread has ended; 0 if none. */
static int claimEntry(int tid) {
    for (int i = kFirstOwnEntry; i < kOwnEntries; ++i) {
        if (__sync_bool_compare_and_swap(&entryOwner[i], 0, tid)) return i;
    }
    for (int i = kFirstOwnEntry; i < kOwnEntries; ++i) {
        const int owner = entryOwner[i];
        if (owner != 0 && !threadAlive(owner) && __sync_bool_compare_and_swap(&entryOwner[i], owner, tid)) return i;
    }
    return 0;
}

static int writeDescriptor(long call, unsigned entry, unsigned base) {
    struct UserDesc descriptor = {entry, base, 0xfffff, kTlsDescriptorFlags};
    const long result = call == kSysModifyLdt
                            ? systemCall(kSysModifyLdt, kModifyLdtWrite, (long)&descriptor, sizeof descriptor)
                            : systemCall(kSysSetThreadArea, (long)&descriptor, 0, 0);
    return !systemCallFailed(result);
}

/* Moves the calling thread's %gs, base unchanged, to an LDT entry of its
   own. Without a free entry the thread stays on the shared slot. */
static void moveGsToOwnEntry(void) {
    const int tid = (int)systemCall(kSysGettid, 0, 0, 0);
    const int entry = claimEntry(tid);
    if (entry == 0) return;
    if (!writeDescriptor(kSysModifyLdt, (unsigned)entry, gsBase())) {
        entryOwner[entry] = 0;
        return;
    }
    loadGs((unsigned short)((entry << 3) | 7));
}

__attribute__((constructor)) static void moveMainThread(void) {
    const unsigned short selector = gsSelector();
    if (selector == 0 || isLdtSelector(selector)) return;
    gdtGsSelector = selector;
    moveGsToOwnEntry();
}

/* Sets the calling thread's signal mask; the one it replaces goes to
   previous unless that is null. */
static void exchangeSignalMask(const KernelSigset* mask, KernelSigset* previous) {
    systemCall6(kSysRtSigprocmask, kSigSetmask, (long)mask, (long)previous, sizeof *mask, 0, 0);
}

struct ThreadStart {
    StartRoutine routine;
    void* argument;
    KernelSigset signalMask;
};

static void* startOnOwnEntry(void* block) {
    moveGsToOwnEntry();
    const struct ThreadStart start = *(const struct ThreadStart*)block;
    free(block);
    exchangeSignalMask(&start.signalMask, 0);
    return start.routine(start.argument);
}

__attribute__((visibility("default"))) int pthread_create(PthreadT* thread, const void* attributes,
                                                          StartRoutine routine, void* argument) {
    static int (*create)(PthreadT*, const void*, StartRoutine, void*);
    if (create == 0) create = (int (*)(PthreadT*, const void*, StartRoutine, void*))dlsym(RTLD_NEXT, "pthread_create");
    if (create == 0) return kEagain;
    if (gdtGsSelector == 0) return create(thread, attributes, routine, argument);

    struct ThreadStart* start = (struct ThreadStart*)malloc(sizeof *start);
    if (start == 0) return kEagain;
    start->routine = routine;
    start->argument = argument;
    // The new thread starts with every signal blocked and takes the
    // caller's mask once it is on its own entry.
    const KernelSigset all = {{~0UL, ~0UL}};
    KernelSigset callerMask;
    exchangeSignalMask(&all, &callerMask);
    start->signalMask = callerMask;

    // The new thread's data is described under the creator's %gs entry
    // number, which has to be the GDT slot: the slot gets the creator's own
    // base first, and the creator returns to its own entry afterwards.
    while (__sync_lock_test_and_set(&creationLock, 1)) systemCall(kSysSchedYield, 0, 0, 0);
    const unsigned short own = gsSelector();
    const int onOwnEntry = isLdtSelector(own);
    if (onOwnEntry) {
        writeDescriptor(kSysSetThreadArea, (unsigned)(gdtGsSelector >> 3), gsBase());
        loadGs(gdtGsSelector);
    }
    const int result = create(thread, attributes, startOnOwnEntry, start);
    if (onOwnEntry) loadGs(own);
    __sync_lock_release(&creationLock);

    if (result != 0) free(start);
    exchangeSignalMask(&callerMask, 0);
    return result;
}

/* Wine asks through here for a GDT slot for its TEBs; refused, it uses the
   LDT. Every other call is made as asked. */
__attribute__((visibility("default"))) long syscall(long number, ...) {
    __builtin_va_list arguments;
    __builtin_va_start(arguments, number);
    long a[6];
    for (int i = 0; i < 6; ++i) a[i] = __builtin_va_arg(arguments, long);
    __builtin_va_end(arguments);

    if (number == kSysSetThreadArea && a[0] != 0 &&
        (int)((const struct UserDesc*)a[0])->entryNumber == kAnyFreeEntry) {
        return failWith(kEnosys);
    }
    const long result = systemCall6(number, a[0], a[1], a[2], a[3], a[4], a[5]);
    return systemCallFailed(result) ? failWith((int)-result) : result;
}
