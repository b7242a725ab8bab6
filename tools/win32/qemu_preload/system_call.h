/*
 * Raw i386 Linux system calls for the qemu preload library, which is built
 * freestanding (-m32 -nostdlib -nostdinc): no 32-bit C library headers are
 * needed. The only outside symbol is the C library's errno location,
 * resolved when the program loads.
 */
#pragma once

extern int* __errno_location(void);

/* A six-argument system call; the sixth goes in ebp, which has to be saved
   around it, so it is pushed before ebp and loaded from the stack. */
static inline long systemCall6(long number, long a, long b, long c, long d, long e, long f) {
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

/* The kernel's way of saying "failed": a result in [-4095, -1]. */
static inline int systemCallFailed(long result) { return (unsigned long)result > -4096UL; }

/* Sets errno and returns the C library's -1. */
static inline long failWith(int error) {
    *__errno_location() = error;
    return -1;
}
