#pragma once
// The entry points of MovraComponentManager.so (the six the player needs and MCM_Cancel), exported with C linkage and nothing else.
// Texts are NUL-terminated UTF-8; name lists are joined by ';'. A callback is called only
// while the entry point that received it runs, on the same thread. Statuses: componentstatus.h.
//
// A handle is used by one thread at a time, except MCM_Shutdown, which may come from another
// thread while a call runs: it cancels that call, waits for it to return (within a fraction
// of a second) and then releases the handle.

#include <cstdint>

extern "C" {

typedef void (*MCM_NameCallback)(const char* name, void* context);

int32_t MCM_Initialize(void** handle);
int32_t MCM_Shutdown(void* handle);
// Reports those of the named installed components for which the catalogue holds a newer
// version. `option` is reserved and passed through unread.
int32_t MCM_CheckForUpdates(void* handle, const char* names, int32_t option, MCM_NameCallback callback,
                            void* context);
// Reports, requirements first, the components to install so that every added spec is met.
int32_t MCM_FindComponents(void* handle, MCM_NameCallback callback, void* context);
int32_t MCM_UpdateComponents(void* handle, const char* names);
// "component;feature;version", e.g. "MPC;video_decoder.avc;3.1.0".
int32_t MCM_AddSpec(void* handle, const char* spec);
// From another thread while a call runs: that call returns 29 (Cancelled) within a fraction of
// a second. Returns at once; the handle stays valid until MCM_Shutdown.
int32_t MCM_Cancel(void* handle);

}
