#pragma once
// The framework's result codes. Every int the context, the farm and the file access return
// is one of these, or a value passed on unchanged from a plug-in's entry function. The
// numbers are part of the binary contract: plug-ins built long ago compare with them.

#include <cstdint>

namespace MSE {

enum Result : int32_t {
    kResultOk = 0,
    kResultMissingArgument = 1, // a required pointer was null (or the file is already open)
    kResultOpenRefused = 2,     // the platform refused to open a file
    kResultFailed = 3,          // the operation failed or found nothing
};

} // namespace MSE
