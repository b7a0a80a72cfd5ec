// Preloaded into every test process of the ThreadSanitizer build (see tests/support/CMakeLists.txt).
//
// QProcess starts programs through clone(CLONE_VM | CLONE_VFORK). The clone() interceptor
// of GCC 12's ThreadSanitizer runtime treats every clone as a fork: in the child, which
// shares the parent's memory and thread pointer, it resets the parent's own sanitizer
// state. The parent then misses its later lock operations (and reports races on data
// that is properly locked) or dies at its next thread with "starting new threads after
// multi-threaded fork". A clone that shares memory is passed straight to the C library,
// as newer sanitizer runtimes do themselves; every other clone still goes through the
// interceptor.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sched.h>
#include <stdarg.h>
#include <stddef.h>
#include <sys/types.h>

typedef int (*CloneFunction)(int (*)(void*), void*, int, void*, ...);

static CloneFunction resolve(int sharesMemory)
{
    static CloneFunction fromLibc;
    static CloneFunction next;
    if (sharesMemory) {
        if (!fromLibc) {
            void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
            if (libc)
                fromLibc = (CloneFunction)dlsym(libc, "clone");
        }
        if (fromLibc)
            return fromLibc;
    }
    if (!next)
        next = (CloneFunction)dlsym(RTLD_NEXT, "clone");
    return next;
}

int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...)
{
    va_list rest;
    va_start(rest, arg);
    pid_t* parentTid = va_arg(rest, pid_t*);
    void* tls = va_arg(rest, void*);
    pid_t* childTid = va_arg(rest, pid_t*);
    va_end(rest);
    return resolve(flags & CLONE_VM)(fn, stack, flags, arg, parentTid, tls, childTid);
}
