#pragma once
#include <cstddef>
#include <cstring>
#include <new>

namespace mvtl {

// A heap array with its element count; used for registry names (unsigned short) and
// binary values (char).
template <typename T>
class MemoryBuffer
{
public:
    MemoryBuffer() = default;
    explicit MemoryBuffer(std::size_t count, bool zeroFill = false) { resize(count, zeroFill); }
    MemoryBuffer(const MemoryBuffer&) = delete;
    MemoryBuffer& operator=(const MemoryBuffer&) = delete;
    virtual ~MemoryBuffer() { delete[] data; }

    // A new count replaces the array (its contents are not kept); the same count keeps it.
    // When the allocation fails the buffer is left empty. zeroFill clears the whole array
    // afterwards, also when the count did not change.
    bool resize(std::size_t newCount, bool zeroFill = false)
    {
        if (newCount != count) {
            delete[] data;
            data = nullptr;
            count = 0;
            if (newCount > 0) {
                data = new (std::nothrow) T[newCount];
                if (!data)
                    return false;
                count = newCount;
            }
        }
        if (zeroFill && data)
            std::memset(static_cast<void*>(data), 0, count * sizeof(T));
        return count == newCount;
    }

    T* get() const { return data; }
    std::size_t size() const { return count; }
    std::size_t byteSize() const { return count * sizeof(T); }
    T& operator[](std::size_t index) const { return data[index]; }

private:
    T* data = nullptr;
    std::size_t count = 0;
};

} // namespace mvtl
