#pragma once
#include <cstdint>

namespace mcm {

// How a codec install running on a worker thread reports back.
class IAsyncInstallCallback
{
public:
    virtual ~IAsyncInstallCallback() {}
    // Called on the worker thread; status 0 is success.
    virtual void installFinished(int32_t status, int32_t detail) = 0;
};

} // namespace mcm
