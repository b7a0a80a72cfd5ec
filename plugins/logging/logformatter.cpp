#include "logformatter.h"

#include "framework/utf8append.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <type_traits>

namespace MSELogging {

namespace {

using MSE::appendUtf8;
enum class Length { None, Char, Short, Long, LongLong, IntMax, Size, PtrDiff, LongDouble };

struct Spec
{
    std::string flags;
    int width = -1;
    int precision = -1;
    Length length = Length::None;
    char conversion = 0;
};

// Pads text (of the given width in characters) to spec.width.
void appendPadded(std::string& out, const Spec& spec, const std::string& text, std::size_t characters)
{
    const std::size_t width = spec.width > 0 ? static_cast<std::size_t>(spec.width) : 0;
    const std::size_t padding = width > characters ? width - characters : 0;
    const bool left = spec.flags.find('-') != std::string::npos;
    if (!left)
        out.append(padding, ' ');
    out += text;
    if (left)
        out.append(padding, ' ');
}

void appendNarrow(std::string& out, const Spec& spec, const char* text)
{
    if (!text)
        text = "(null)";
    std::size_t length = std::strlen(text);
    if (spec.precision >= 0 && static_cast<std::size_t>(spec.precision) < length)
        length = static_cast<std::size_t>(spec.precision);
    appendPadded(out, spec, std::string(text, length), length);
}

void appendWide(std::string& out, const Spec& spec, const wchar_t* text)
{
    if (!text) {
        appendNarrow(out, spec, nullptr);
        return;
    }
    std::size_t length = std::wcslen(text);
    if (spec.precision >= 0 && static_cast<std::size_t>(spec.precision) < length)
        length = static_cast<std::size_t>(spec.precision);
    std::string utf8;
    for (std::size_t i = 0; i < length; ++i)
        appendUtf8(utf8, static_cast<uint32_t>(text[i]));
    appendPadded(out, spec, utf8, length);
}

// Formats one numeric conversion through the C library with the argument it expects.
template <typename T>
void appendNumber(std::string& out, const Spec& spec, const char* lengthText, T value)
{
    std::string format = "%" + spec.flags;
    if (spec.width >= 0)
        format += std::to_string(spec.width);
    if (spec.precision >= 0)
        format += "." + std::to_string(spec.precision);
    format += lengthText;
    format += spec.conversion;
    char small[128];
    const int n = std::snprintf(small, sizeof small, format.c_str(), value);
    if (n < 0)
        return;
    if (static_cast<std::size_t>(n) < sizeof small) {
        out.append(small, static_cast<std::size_t>(n));
        return;
    }
    std::string large(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(&large[0], large.size(), format.c_str(), value);
    out.append(large.data(), static_cast<std::size_t>(n));
}

void appendSigned(std::string& out, const Spec& spec, va_list& arguments)
{
    switch (spec.length) {
    case Length::Long: appendNumber(out, spec, "l", va_arg(arguments, long)); break;
    case Length::LongLong: appendNumber(out, spec, "ll", va_arg(arguments, long long)); break;
    case Length::IntMax: appendNumber(out, spec, "j", va_arg(arguments, intmax_t)); break;
    case Length::Size: appendNumber(out, spec, "z", va_arg(arguments, std::make_signed_t<size_t>)); break;
    case Length::PtrDiff: appendNumber(out, spec, "t", va_arg(arguments, ptrdiff_t)); break;
    case Length::Char: appendNumber(out, spec, "hh", static_cast<signed char>(va_arg(arguments, int))); break;
    case Length::Short: appendNumber(out, spec, "h", static_cast<short>(va_arg(arguments, int))); break;
    default: appendNumber(out, spec, "", va_arg(arguments, int)); break;
    }
}

void appendUnsigned(std::string& out, const Spec& spec, va_list& arguments)
{
    switch (spec.length) {
    case Length::Long: appendNumber(out, spec, "l", va_arg(arguments, unsigned long)); break;
    case Length::LongLong: appendNumber(out, spec, "ll", va_arg(arguments, unsigned long long)); break;
    case Length::IntMax: appendNumber(out, spec, "j", va_arg(arguments, uintmax_t)); break;
    case Length::Size: appendNumber(out, spec, "z", va_arg(arguments, size_t)); break;
    case Length::PtrDiff: appendNumber(out, spec, "t", static_cast<size_t>(va_arg(arguments, ptrdiff_t))); break;
    case Length::Char: appendNumber(out, spec, "hh", static_cast<unsigned char>(va_arg(arguments, unsigned))); break;
    case Length::Short: appendNumber(out, spec, "h", static_cast<unsigned short>(va_arg(arguments, unsigned))); break;
    default: appendNumber(out, spec, "", va_arg(arguments, unsigned)); break;
    }
}

// A log line has no use for wider fields; a format that asks for more is a mistake, which
// must not cost gigabytes of padding or overflow while its digits are read.
constexpr int kMaxField = 4096;

int boundedField(long long value)
{
    return value > kMaxField ? kMaxField : static_cast<int>(value);
}

// Reads decimal digits; p ends after them.
int readField(const char*& p)
{
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        if (value <= kMaxField)
            value = value * 10 + (*p - '0');
        ++p;
    }
    return boundedField(value);
}

// Reads flags, width, precision and length after a '%'; p ends on the conversion character.
const char* parseSpec(const char* p, Spec& spec, va_list& arguments)
{
    while (*p && std::strchr("-+ #0'", *p))
        spec.flags += *p++;
    if (*p == '*') {
        const long long width = va_arg(arguments, int);
        if (width < 0)
            spec.flags += '-';
        spec.width = boundedField(width < 0 ? -width : width);
        ++p;
    } else if (*p >= '0' && *p <= '9') {
        spec.width = readField(p);
    }
    if (*p == '.') {
        ++p;
        if (*p == '*') {
            const int precision = va_arg(arguments, int);
            spec.precision = precision < 0 ? -1 : boundedField(precision);  // negative: as if none was given
            ++p;
        } else {
            spec.precision = readField(p);
        }
    }
    switch (*p) {
    case 'h':
        spec.length = p[1] == 'h' ? (++p, Length::Char) : Length::Short;
        ++p;
        break;
    case 'l':
        spec.length = p[1] == 'l' ? (++p, Length::LongLong) : Length::Long;
        ++p;
        break;
    case 'q': spec.length = Length::LongLong, ++p; break;
    case 'j': spec.length = Length::IntMax, ++p; break;
    case 'z': spec.length = Length::Size, ++p; break;
    case 't': spec.length = Length::PtrDiff, ++p; break;
    case 'L': spec.length = Length::LongDouble, ++p; break;
    default: break;
    }
    spec.conversion = *p;
    return p;
}
} // namespace

std::string formatMessage(const char* format, va_list arguments)
{
    std::string out;
    if (!format)
        return out;
    va_list args;
    va_copy(args, arguments);
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        const char* start = p;
        Spec spec;
        p = parseSpec(p + 1, spec, args);
        switch (spec.conversion) {
        case '%': out += '%'; break;
        case 's':
            if (spec.length == Length::Long)
                appendWide(out, spec, va_arg(args, const wchar_t*));
            else
                appendNarrow(out, spec, va_arg(args, const char*));
            break;
        case 'S': appendWide(out, spec, va_arg(args, const wchar_t*)); break;
        case 'c':
        case 'C': {
            std::string c;
            if (spec.conversion == 'C' || spec.length == Length::Long)
                appendUtf8(c, static_cast<uint32_t>(va_arg(args, wint_t)));
            else
                c += static_cast<char>(va_arg(args, int));
            appendPadded(out, spec, c, 1);
            break;
        }
        case 'd':
        case 'i': appendSigned(out, spec, args); break;
        case 'u':
        case 'o':
        case 'x':
        case 'X': appendUnsigned(out, spec, args); break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            if (spec.length == Length::LongDouble)
                appendNumber(out, spec, "L", va_arg(args, long double));
            else
                appendNumber(out, spec, "", va_arg(args, double));
            break;
        case 'p': {
            Spec plain = spec;
            plain.length = Length::None;
            appendNumber(out, plain, "", va_arg(args, void*));
            break;
        }
        case 'n': va_arg(args, void*); break;
        case '\0':
            // A lone '%' at the end: keep the text, stop.
            out.append(start);
            va_end(args);
            return out;
        default:
            // Not a conversion we know: keep the text as written, read no argument.
            out.append(start, static_cast<std::size_t>(p - start + 1));
            break;
        }
    }
    va_end(args);
    return out;
}

} // namespace MSELogging
