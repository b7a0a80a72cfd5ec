#pragma once
#include "settings/refcountedptr_stlsafe.h"

namespace mvtl {

// The local holder. Functions that hand out a referenced object take the address of its
// pointer field (out()); the reference they store there is the holder's to release.
template <typename T>
class RefCountedPtr : public RefCountedPtr_STLSafe<T>
{
public:
    using RefCountedPtr_STLSafe<T>::RefCountedPtr_STLSafe;
    using RefCountedPtr_STLSafe<T>::operator=;

    // Drops what the holder held, so a reused holder does not leak its old reference.
    T** out()
    {
        this->reset();
        return &this->ptr;
    }
};

} // namespace mvtl
