#pragma once
// Text built in a buffer the caller owns, without allocating or locking: the crash handler
// formats file names and its message with it while the heap may be broken.

#include <cstddef>
#include <cstdint>

namespace MovraPlatform {

inline size_t textLength(const char* text)
{
    size_t length = 0;
    while (text && text[length])
        ++length;
    return length;
}

class FixedText
{
public:
    FixedText(char* buffer, size_t capacity) : m_buffer(buffer), m_capacity(capacity) { clear(); }

    void clear()
    {
        m_size = 0;
        m_truncated = false;
        if (m_capacity)
            m_buffer[0] = '\0';
    }

    FixedText& append(const char* text, size_t length)
    {
        for (size_t i = 0; i < length; ++i) {
            if (m_size + 1 >= m_capacity) {
                m_truncated = true;
                break;
            }
            m_buffer[m_size++] = text[i];
        }
        if (m_capacity)
            m_buffer[m_size] = '\0';
        return *this;
    }
    FixedText& append(const char* text) { return append(text, textLength(text)); }

    // Lower-case hexadecimal without leading zeros ("0" for zero).
    FixedText& appendHex(uint64_t value)
    {
        char digits[16];
        size_t count = 0;
        do {
            digits[count++] = "0123456789abcdef"[value & 0xf];
            value >>= 4;
        } while (value);
        return appendReversed(digits, count);
    }

    FixedText& appendDecimal(uint64_t value)
    {
        char digits[20];
        size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value);
        return appendReversed(digits, count);
    }

    const char* data() const { return m_buffer; }
    size_t size() const { return m_size; }
    // True when something did not fit; the text then holds what did.
    bool truncated() const { return m_truncated; }

private:
    FixedText& appendReversed(const char* digits, size_t count)
    {
        char ordered[20];
        for (size_t i = 0; i < count; ++i)
            ordered[i] = digits[count - 1 - i];
        return append(ordered, count);
    }

    char* m_buffer;
    size_t m_capacity;
    size_t m_size = 0;
    bool m_truncated = false;
};

} // namespace MovraPlatform
