// Every thread of the player gets an alternate signal stack, so that a stack overflow on any
// of them still runs the crash handler (which needs a stack to run on) and leaves a dump.
// glibc gives a new thread none, and most threads are not ours to change: the playback
// threads, Qt's, and whatever a plug-in or a library starts. This executable defines
// pthread_create, which comes first in the process's symbol lookup, so every call from a
// library, dlopen'ed ones included, starts the thread through here; each new thread maps
// its stack before running its function and frees it when it exits.
//
// Not covered: threads started by the C library for itself (SIGEV_THREAD timers, its
// asynchronous I/O), which call its internal entry directly, and threads made with a bare
// clone(). Under a sanitizer its runtime owns pthread_create and gives threads their
// alternate stacks itself, so none of this is built.

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define MOVRA_SANITIZED 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(MOVRA_SANITIZED)

#include "platform/signalstack.h"

#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>

#include <cstdlib>

namespace {

using CreateFunction = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

struct ThreadStart
{
    void* (*function)(void*);
    void* argument;
};

CreateFunction realCreate = nullptr;
pthread_key_t stackKey;
bool haveStackKey = false;
pthread_once_t once = PTHREAD_ONCE_INIT;

void releaseStack(void* mapping)
{
    MovraPlatform::releaseSignalStack(mapping);
}

void initialise()
{
    realCreate = reinterpret_cast<CreateFunction>(dlsym(RTLD_NEXT, "pthread_create"));
    haveStackKey = pthread_key_create(&stackKey, releaseStack) == 0;
}

void* startWithSignalStack(void* raw)
{
    const ThreadStart start = *static_cast<ThreadStart*>(raw);
    std::free(raw);
    // Freed by the key's destructor, which runs however the thread ends: by returning, by
    // pthread_exit or by cancellation. Without the key the stack is kept rather than left
    // installed after being freed.
    if (haveStackKey) {
        if (void* mapping = MovraPlatform::installSignalStack())
            pthread_setspecific(stackKey, mapping);
    }
    return start.function(start.argument);
}

} // namespace

extern "C" __attribute__((visibility("default"))) int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                                                                  void* (*function)(void*), void* argument)
{
    pthread_once(&once, initialise);
    if (!realCreate)
        return EAGAIN;
    auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
    if (!start)
        return realCreate(thread, attributes, function, argument);
    start->function = function;
    start->argument = argument;
    const int rc = realCreate(thread, attributes, startWithSignalStack, start);
    if (rc != 0)
        std::free(start);
    return rc;
}

#endif
