#include "tools/movra-reg/regfile.h"

#include <utf8.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace MovraReg {

using namespace MovraRegistry;

namespace {

const char16_t kHeader[] = u"Windows Registry Editor Version 5.00";
constexpr size_t kWrapColumn = 78;

// A file that is not well-formed is refused as a whole, naming the first bad line: an
// import stores every value exactly or none. See docs/text-encoding.md.
bool decodeUtf8(const std::string& bytes, size_t start, std::u16string* text, int* badLine)
{
    const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(start);
    const auto invalid = utf8::find_invalid(begin, bytes.end());
    if (invalid != bytes.end()) {
        *badLine = 1 + static_cast<int>(std::count(begin, invalid, '\n'));
        return false;
    }
    utf8::unchecked::utf8to16(begin, bytes.end(), std::back_inserter(*text));
    return true;
}

bool decode(const std::string& bytes, std::u16string* text, RegFileError* error)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
        && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2) {
            *error = {1, "the UTF-16 text ends in half a character"};
            return false;
        }
        for (size_t i = 2; i < bytes.size(); i += 2)
            text->push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i])
                                                  | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return true;
    }
    size_t start = 0;
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        start = 3;
    int badLine = 0;
    if (!decodeUtf8(bytes, start, text, &badLine)) {
        *error = {badLine, "the text is neither UTF-8 nor UTF-16 with a byte-order mark"};
        return false;
    }
    return true;
}

bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t';
}

std::u16string trimmed(const std::u16string& s)
{
    size_t begin = 0, end = s.size();
    while (begin < end && isSpace(s[begin]))
        ++begin;
    while (end > begin && isSpace(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

struct Line
{
    int number;
    std::u16string text;
};

// Physical lines joined where one ends in a backslash outside a quoted string.
std::vector<Line> logicalLines(const std::u16string& text)
{
    std::vector<Line> lines;
    std::u16string pending;
    size_t scanned = 0;  // how much of `pending` the quote state below covers
    bool inString = false;
    int pendingLine = 0;
    int number = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(u'\n', pos);
        if (end == std::u16string::npos)
            end = text.size();
        std::u16string physical = text.substr(pos, end - pos);
        if (!physical.empty() && physical.back() == u'\r')
            physical.pop_back();
        ++number;
        pos = end + 1;
        const std::u16string piece = trimmed(physical);
        if (pending.empty()) {
            pendingLine = number;
            scanned = 0;
            inString = false;
        }
        pending += piece;
        // Only the new piece is scanned: a long value wrapped over thousands of lines
        // would otherwise be rescanned from its start at every line.
        for (; scanned < pending.size(); ++scanned) {
            if (pending[scanned] == u'\\' && inString)
                ++scanned;
            else if (pending[scanned] == u'"')
                inString = !inString;
        }
        const bool continues = !pending.empty() && pending.back() == u'\\' && !inString && pending[0] != u'['
                               && pos <= text.size();
        if (continues) {
            // The backslash was outside a string, so dropping it leaves the state as it is.
            pending.pop_back();
            scanned = pending.size();
            continue;
        }
        lines.push_back({pendingLine, std::move(pending)});
        pending.clear();
    }
    return lines;
}

bool parseQuoted(const std::u16string& s, size_t* pos, std::u16string* out)
{
    if (*pos >= s.size() || s[*pos] != u'"')
        return false;
    for (size_t i = *pos + 1; i < s.size(); ++i) {
        if (s[i] == u'\\') {
            if (i + 1 >= s.size() || (s[i + 1] != u'\\' && s[i + 1] != u'"'))
                return false;
            out->push_back(s[++i]);
        } else if (s[i] == u'"') {
            *pos = i + 1;
            return true;
        } else {
            out->push_back(s[i]);
        }
    }
    return false;
}

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool parseHexNumber(const std::u16string& s, size_t maxDigits, uint64_t* value)
{
    if (s.empty() || s.size() > maxDigits)
        return false;
    *value = 0;
    for (char16_t c : s) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        *value = (*value << 4) | static_cast<uint64_t>(d);
    }
    return true;
}

bool parseHexBytes(const std::u16string& s, std::vector<BYTE>* out)
{
    std::u16string compact;
    for (char16_t c : s)
        if (!isSpace(c))
            compact.push_back(c);
    if (compact.empty())
        return true;
    size_t pos = 0;
    while (true) {
        const size_t comma = compact.find(u',', pos);
        const std::u16string item = compact.substr(pos, comma == std::u16string::npos ? std::u16string::npos : comma - pos);
        uint64_t byte = 0;
        if (!parseHexNumber(item, 2, &byte))
            return false;
        out->push_back(static_cast<BYTE>(byte));
        if (comma == std::u16string::npos)
            return true;
        pos = comma + 1;
    }
}

bool parseData(const std::u16string& s, RegFileValue* value, std::string* why)
{
    if (s == u"-") {
        value->remove = true;
        return true;
    }
    if (!s.empty() && s[0] == u'"') {
        std::u16string text;
        size_t pos = 0;
        if (!parseQuoted(s, &pos, &text) || pos != s.size()) {
            *why = "malformed string (only \\\\ and \\\" are escapes)";
            return false;
        }
        value->type = REG_SZ;
        text.push_back(u'\0');
        const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
        value->data.assign(bytes, bytes + text.size() * 2);
        return true;
    }
    if (s.compare(0, 6, u"dword:") == 0) {
        uint64_t number = 0;
        if (!parseHexNumber(trimmed(s.substr(6)), 8, &number)) {
            *why = "a dword needs 1 to 8 hexadecimal digits";
            return false;
        }
        const uint32_t dword = static_cast<uint32_t>(number);
        value->type = REG_DWORD;
        const auto* bytes = reinterpret_cast<const BYTE*>(&dword);
        value->data.assign(bytes, bytes + 4);
        return true;
    }
    if (s.compare(0, 3, u"hex") == 0) {
        size_t pos = 3;
        DWORD type = REG_BINARY;
        if (pos < s.size() && s[pos] == u'(') {
            const size_t close = s.find(u')', pos);
            uint64_t number = 0;
            if (close == std::u16string::npos || !parseHexNumber(s.substr(pos + 1, close - pos - 1), 8, &number)) {
                *why = "malformed hex(type)";
                return false;
            }
            type = static_cast<DWORD>(number);
            pos = close + 1;
        }
        if (pos >= s.size() || s[pos] != u':') {
            *why = "expected ':' after hex";
            return false;
        }
        value->type = type;
        if (!parseHexBytes(s.substr(pos + 1), &value->data)) {
            *why = "malformed hexadecimal bytes";
            return false;
        }
        return true;
    }
    *why = "unknown value data";
    return false;
}

std::u16string escaped(const std::u16string& text)
{
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"')
            out.push_back(u'\\');
        out.push_back(c);
    }
    return out;
}

std::u16string ascii(const char* text)
{
    std::u16string out;
    while (*text)
        out.push_back(static_cast<char16_t>(*text++));
    return out;
}

// A REG_SZ that reads back the same from a quoted string: whole code units, one final
// NUL, no other NUL and no line breaks.
bool isPlainString(const RegFileValue& value, std::u16string* text)
{
    if (value.type != REG_SZ || value.data.size() < 2 || value.data.size() % 2)
        return false;
    text->assign(reinterpret_cast<const char16_t*>(value.data.data()), value.data.size() / 2);
    if (text->back() != u'\0')
        return false;
    text->pop_back();
    return text->find_first_of(std::u16string(u"\0\r\n", 3)) == std::u16string::npos;
}

} // namespace

bool parseRegFile(const std::string& bytes, RegFile* file, RegFileError* error)
{
    std::u16string text;
    if (!decode(bytes, &text, error))
        return false;
    RegFile result;
    bool sawHeader = false;
    for (const Line& line : logicalLines(text)) {
        const std::u16string& s = line.text;
        auto fail = [&](const std::string& message) {
            *error = {line.number, message};
            return false;
        };
        if (s.empty() || s[0] == u';')
            continue;
        if (!sawHeader) {
            if (s != kHeader)
                return fail("expected \"Windows Registry Editor Version 5.00\"");
            sawHeader = true;
            continue;
        }
        if (s[0] == u'[') {
            const size_t close = s.rfind(u']');
            if (close == std::u16string::npos || trimmed(s.substr(close + 1)) != u"")
                return fail("a key line must end in ']'");
            RegFileKey key;
            key.line = line.number;
            key.path = s.substr(1, close - 1);
            if (!key.path.empty() && key.path[0] == u'-') {
                key.remove = true;
                key.path.erase(0, 1);
            }
            if (key.path.empty())
                return fail("empty key name");
            result.keys.push_back(std::move(key));
            continue;
        }
        if (result.keys.empty())
            return fail("a value before the first key");
        if (result.keys.back().remove)
            return fail("a value in a key that is being deleted");
        RegFileValue value;
        size_t pos = 0;
        if (s[0] == u'@') {
            pos = 1;
        } else if (!parseQuoted(s, &pos, &value.name)) {
            return fail("malformed value name");
        }
        while (pos < s.size() && isSpace(s[pos]))
            ++pos;
        if (pos >= s.size() || s[pos] != u'=')
            return fail("expected '=' after the value name");
        std::string why;
        if (!parseData(trimmed(s.substr(pos + 1)), &value, &why))
            return fail(why);
        if (value.name.size() > kMaxValueNameLength)
            return fail("value name longer than 16383 characters");
        result.keys.back().values.push_back(std::move(value));
    }
    if (!sawHeader) {
        *error = {1, "expected \"Windows Registry Editor Version 5.00\""};
        return false;
    }
    *file = std::move(result);
    return true;
}

std::u16string formatRegValue(const RegFileValue& value)
{
    std::u16string line = value.name.empty() ? std::u16string(u"@") : u"\"" + escaped(value.name) + u"\"";
    line += u'=';
    if (value.remove)
        return line + u'-';
    std::u16string text;
    if (isPlainString(value, &text))
        return line + u'"' + escaped(text) + u'"';
    if (value.type == REG_DWORD && value.data.size() == 4) {
        uint32_t dword = 0;
        std::copy(value.data.begin(), value.data.end(), reinterpret_cast<BYTE*>(&dword));
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", dword);
        return line + ascii(digits);
    }
    char prefix[24];
    if (value.type == REG_BINARY)
        std::snprintf(prefix, sizeof prefix, "hex:");
    else
        std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
    line += ascii(prefix);
    size_t column = line.size();
    for (size_t i = 0; i < value.data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", value.data[i]);
        line += ascii(byte);
        column += 2;
        if (i + 1 < value.data.size()) {
            line += u',';
            ++column;
            if (column >= kWrapColumn - 3) {
                line += u"\\\r\n  ";
                column = 2;
            }
        }
    }
    return line;
}

std::string formatRegFile(const RegFile& file)
{
    std::u16string text = std::u16string(kHeader) + u"\r\n\r\n";
    for (const RegFileKey& key : file.keys) {
        text += (key.remove ? u"[-" : u"[") + key.path + u"]\r\n";
        for (const RegFileValue& value : key.values)
            text += formatRegValue(value) + u"\r\n";
        text += u"\r\n";
    }
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

} // namespace MovraReg
