#pragma once
#include <cstdint>

namespace mvtl {

// Objects shared between holders by an explicit reference count. The slot order of these
// operations is part of the contract: sections cross library boundaries as this interface.
class IRefCounted
{
public:
    virtual ~IRefCounted() = default;
    virtual int32_t addRef() = 0;
    // Destroys the object when the count reaches 0; returns the remaining count.
    virtual int32_t release() = 0;
    virtual int32_t getRefCount() = 0;
};

} // namespace mvtl
