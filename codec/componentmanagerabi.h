#pragma once
// The C entry points of the component-manager library, MovraComponentManager.so. Texts are
// NUL-terminated UTF-8; every status is 0 for success.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Reports one component name; `context` is the pointer given with the call. Called only while
// the entry point that received it runs, on that thread.
typedef void (*MCM_NameCallback)(const char* name, void* context);

typedef int32_t (*MCM_InitializeFunction)(void** handle);
typedef int32_t (*MCM_ShutdownFunction)(void* handle);
typedef int32_t (*MCM_CheckForUpdatesFunction)(void* handle, const char* names, int32_t option,
                                               MCM_NameCallback callback, void* context);
typedef int32_t (*MCM_FindComponentsFunction)(void* handle, MCM_NameCallback callback, void* context);
typedef int32_t (*MCM_UpdateComponentsFunction)(void* handle, const char* names);
typedef int32_t (*MCM_AddSpecFunction)(void* handle, const char* spec);
// Optional: asks a call running on another thread to return (status 29); does not wait.
typedef int32_t (*MCM_CancelFunction)(void* handle);

#ifdef __cplusplus
}
#endif
