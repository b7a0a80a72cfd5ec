#pragma once
// Strings that cross between the application and plug-in libraries.
//
// A string remembers the allocator object that allocated its buffer and always frees the
// buffer through that object, so a string built in one library may be destroyed in another.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <new>

namespace MSE {

// Allocates arrays of T. Each library that includes this header has one shared instance
// per element type (instance()); it is hidden on purpose: a library-wide unique object
// would keep a plug-in library from ever being unloaded.
template <typename T>
class StandardAllocator
{
public:
    virtual ~StandardAllocator() {}

    // Uninitialised storage for count elements; null when count is 0 or memory is short.
    virtual T* allocate(uint32_t count)
    {
        if (count == 0)
            return nullptr;
        return static_cast<T*>(::operator new(sizeof(T) * static_cast<std::size_t>(count), std::nothrow));
    }

    virtual void deallocate(T* p) { ::operator delete(static_cast<void*>(p)); }

    __attribute__((visibility("hidden"))) static StandardAllocator* instance()
    {
        static StandardAllocator shared;
        return &shared;
    }
};

namespace detail {
inline std::size_t stringLength(const char* s) { return std::strlen(s); }
inline std::size_t stringLength(const wchar_t* s) { return std::wcslen(s); }
template <typename T>
std::size_t stringLength(const T* s)
{
    std::size_t n = 0;
    while (s[n] != T())
        ++n;
    return n;
}

// The empty text. Literals, not static locals: with default visibility a static local of an
// inline function is a unique symbol, and a library holding one is never unloaded.
inline const char* emptyText(const char*) { return ""; }
inline const wchar_t* emptyText(const wchar_t*) { return L""; }
inline const char16_t* emptyText(const char16_t*) { return u""; }
inline const char32_t* emptyText(const char32_t*) { return U""; }
} // namespace detail

// Narrow strings hold UTF-8 names and identifiers; wide strings (wchar_t, UTF-32 here) hold paths.
template <typename T>
class movra_string
{
public:
    movra_string() {}
    movra_string(const T* text) { assign(text, text ? detail::stringLength(text) : 0); }
    movra_string(const T* text, std::size_t count) { assign(text, count); }
    movra_string(const movra_string& other) { assign(other.m_data, other.m_length); }
    movra_string(movra_string&& other) noexcept
        : m_data(other.m_data), m_length(other.m_length), m_allocator(other.m_allocator)
    {
        other.m_data = nullptr;
        other.m_length = 0;
        other.m_allocator = StandardAllocator<T>::instance();
    }
    ~movra_string() { release(); }

    movra_string& operator=(const movra_string& other)
    {
        if (this != &other) {
            movra_string copy(other);
            swap(copy);
        }
        return *this;
    }
    movra_string& operator=(movra_string&& other) noexcept
    {
        swap(other);
        return *this;
    }

    // Never null.
    const T* c_str() const { return m_data ? m_data : detail::emptyText(static_cast<const T*>(nullptr)); }
    uint32_t length() const { return m_length; }
    bool empty() const { return m_length == 0; }
    T operator[](uint32_t index) const { return m_data[index]; }

    movra_string& append(const T* text, std::size_t count)
    {
        if (count == 0)
            return *this;
        movra_string joined;
        if (joined.reserveExact(m_length + count)) {
            if (m_length)
                std::memcpy(joined.m_data, m_data, sizeof(T) * m_length);
            std::memcpy(joined.m_data + m_length, text, sizeof(T) * count);
            joined.m_data[m_length + count] = T();
            joined.m_length = static_cast<uint32_t>(m_length + count);
            swap(joined);
        }
        return *this;
    }
    movra_string& append(const movra_string& other) { return append(other.m_data, other.m_length); }
    movra_string& append(const T* text) { return text ? append(text, detail::stringLength(text)) : *this; }
    movra_string& operator+=(const movra_string& other) { return append(other); }
    movra_string& operator+=(const T* text) { return append(text); }
    movra_string& operator+=(T c) { return append(&c, 1); }

    friend movra_string operator+(movra_string left, const movra_string& right) { return left.append(right); }

    bool operator==(const movra_string& other) const
    {
        return m_length == other.m_length
               && (m_length == 0 || std::memcmp(m_data, other.m_data, sizeof(T) * m_length) == 0);
    }
    bool operator!=(const movra_string& other) const { return !(*this == other); }
    bool operator==(const T* text) const { return *this == movra_string(text); }
    bool operator!=(const T* text) const { return !(*this == text); }

    void swap(movra_string& other) noexcept
    {
        T* data = m_data;
        uint32_t length = m_length;
        StandardAllocator<T>* allocator = m_allocator;
        m_data = other.m_data;
        m_length = other.m_length;
        m_allocator = other.m_allocator;
        other.m_data = data;
        other.m_length = length;
        other.m_allocator = allocator;
    }

private:
    void assign(const T* text, std::size_t count)
    {
        if (!text || count == 0 || !reserveExact(count))
            return;
        std::memcpy(m_data, text, sizeof(T) * count);
        m_data[count] = T();
        m_length = static_cast<uint32_t>(count);
    }

    // Allocates room for count characters and the terminator; the string must be empty.
    bool reserveExact(std::size_t count)
    {
        if (count >= UINT32_MAX)
            return false;
        m_data = m_allocator->allocate(static_cast<uint32_t>(count + 1));
        return m_data != nullptr;
    }

    void release()
    {
        if (m_data)
            m_allocator->deallocate(m_data);
        m_data = nullptr;
        m_length = 0;
    }

    // Layout shared with every library: buffer (null when empty), length, owning allocator.
    T* m_data = nullptr;
    uint32_t m_length = 0;
    StandardAllocator<T>* m_allocator = StandardAllocator<T>::instance();
};

} // namespace MSE
