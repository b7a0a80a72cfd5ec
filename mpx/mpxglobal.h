#pragma once
// Symbols of the service library that the shell and plug-ins of ours may call.
#define MPX_EXPORT __attribute__((visibility("default")))
