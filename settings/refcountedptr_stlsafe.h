#pragma once
#include <utility>

namespace mvtl {

// Holds one reference to a reference-counted object; copyable, so it can live in
// standard containers.
template <typename T>
class RefCountedPtr_STLSafe
{
public:
    RefCountedPtr_STLSafe() = default;
    explicit RefCountedPtr_STLSafe(T* object) { assign(object); }
    RefCountedPtr_STLSafe(const RefCountedPtr_STLSafe& other) { assign(other.ptr); }
    RefCountedPtr_STLSafe(RefCountedPtr_STLSafe&& other) noexcept : ptr(std::exchange(other.ptr, nullptr)) {}
    virtual ~RefCountedPtr_STLSafe() { reset(); }

    RefCountedPtr_STLSafe& operator=(const RefCountedPtr_STLSafe& other)
    {
        assign(other.ptr);
        return *this;
    }
    RefCountedPtr_STLSafe& operator=(RefCountedPtr_STLSafe&& other) noexcept
    {
        if (this != &other) {
            reset();
            ptr = std::exchange(other.ptr, nullptr);
        }
        return *this;
    }
    // Takes a new reference to `object` and drops the one held before.
    RefCountedPtr_STLSafe& operator=(T* object)
    {
        assign(object);
        return *this;
    }

    void reset()
    {
        if (T* old = std::exchange(ptr, nullptr))
            old->release();
    }

    T* get() const { return ptr; }
    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }
    explicit operator bool() const { return ptr != nullptr; }

    T* ptr = nullptr;

private:
    void assign(T* object)
    {
        // Add first: `object` may be kept alive only by the reference about to be dropped.
        if (object)
            object->addRef();
        T* old = std::exchange(ptr, object);
        if (old)
            old->release();
    }
};

} // namespace mvtl
