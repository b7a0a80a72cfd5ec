// The values of a settings section: the typed writes, the reads that fall back from the
// user's key to the machine's, and removal. Sections, names and the keys' life cycle are in
// movrasettings.cpp.

#include "settings/movrasettings.h"

#include "settings/settingslog.h"
#include "settings/stringconversion.h"

#include <cstring>

using namespace MovraRegistry;

namespace mvds {

namespace {

// --- read primitives: each takes the key, the value name and the destination ---

bool readInteger(HKEY key, const std::u16string& name, long long& value)
{
    if (!key || name.empty())
        return false;
    unsigned char bytes[8] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof bytes;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, bytes, &size) != ERROR_SUCCESS)
        return false;
    if ((type != REG_QWORD && type != REG_DWORD) || (size != 8 && size != 4))
        return false;
    // A four-byte value comes from another program; DWORDs are unsigned, so zero-extend.
    if (size == 4) {
        uint32_t low;
        std::memcpy(&low, bytes, 4);
        value = static_cast<long long>(low);
    } else {
        std::memcpy(&value, bytes, 8);
    }
    return true;
}

template <typename T, DWORD kType>
bool readFixed(HKEY key, const std::u16string& name, T& value)
{
    static_assert(sizeof(T) == 4 || sizeof(T) == 8, "registry scalars have 4 or 8 bytes");
    if (!key || name.empty())
        return false;
    unsigned char bytes[sizeof(T)];
    DWORD type = REG_NONE;
    DWORD size = sizeof bytes;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, bytes, &size) != ERROR_SUCCESS)
        return false;
    if (type != kType || size != sizeof(T))
        return false;
    std::memcpy(&value, bytes, sizeof(T));
    return true;
}

bool readBool(HKEY key, const std::u16string& name, bool& value)
{
    uint32_t dword = 0;
    if (!readFixed<uint32_t, REG_DWORD>(key, name, dword))
        return false;
    value = dword != 0;
    return true;
}

bool readString(HKEY key, const std::u16string& name, std::u16string& value)
{
    if (!key || name.empty())
        return false;
    // Most texts fit a small buffer, and one registry call instead of two halves the cost
    // of a read; a longer text is measured first and read into a buffer of its size.
    unsigned short small[64] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof small - 2 * sizeof small[0];  // leaves room for a terminator
    const LONG status = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(small), &size);
    if (status == ERROR_SUCCESS) {
        if (type != REG_SZ || size == 0)
            return false;
        std::u16string text;
        for (std::size_t i = 0; i < (size + 1) / 2 && small[i] != 0; ++i)
            text.push_back(static_cast<char16_t>(small[i]));
        value = std::move(text);
        return true;
    }
    if (status != ERROR_MORE_DATA)
        return false;

    size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || type != REG_SZ || size == 0)
        return false;
    // One unit more than the bytes need, so the text is terminated even when the stored
    // value is not.
    mvtl::MemoryBuffer<unsigned short> buffer;
    if (!buffer.resize((size + 2) / 2 + 1, true))
        return false;
    DWORD secondType = REG_NONE;
    DWORD secondSize = size;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &secondType,
                         reinterpret_cast<BYTE*>(buffer.get()), &secondSize) != ERROR_SUCCESS
        || secondType != REG_SZ || secondSize != size)
        return false;
    std::u16string text;
    for (std::size_t i = 0; i < buffer.size() && buffer[i] != 0; ++i)
        text.push_back(static_cast<char16_t>(buffer[i]));
    value = std::move(text);
    return true;
}

bool readBinary(HKEY key, const std::u16string& name, mvtl::MemoryBuffer<char>& value)
{
    if (!key || name.empty())
        return false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || type != REG_BINARY || size == 0)
        return false;
    if (!value.resize(size))
        return false;
    DWORD secondType = REG_NONE;
    DWORD secondSize = size;
    return RegQueryValueExW(key, name.c_str(), nullptr, &secondType,
                            reinterpret_cast<BYTE*>(value.get()), &secondSize) == ERROR_SUCCESS
           && secondType == REG_BINARY && secondSize == size;
}

} // namespace

// --- writes ---

bool MovraSettings::writeValue(const std::u16string& valueName, DWORD type, const void* data, DWORD size)
{
    if (valueName.empty() || !ensureOpen())
        return false;
    HKEY key = primaryKey();
    if (!key)
        return false;
    LONG status = RegSetValueExW(key, valueName.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    if (status == ERROR_KEY_DELETED && isCreateMode()) {
        // Another handle or process deleted the key under this section. A create mode makes
        // it anew rather than dropping every later write of a long-lived section.
        HKEY& stale = primaryKey() == userKey ? userKey : machineKey;
        RegCloseKey(stale);
        stale = nullptr;
        if (ensureOpen() && primaryKey())
            status = RegSetValueExW(primaryKey(), valueName.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    }
    if (status != ERROR_SUCCESS) {
        qCDebug(lcSettings) << "cannot write" << debugText(valueName) << "in" << debugText(path)
                            << "status" << status;
        return false;
    }
    return true;
}

bool MovraSettings::setValue(const std::u16string& valueName, long long value)
{
    return writeValue(valueName, REG_QWORD, &value, sizeof value);
}

bool MovraSettings::setValue(const std::string& valueName, long long value)
{
    return setValue(toWide(valueName), value);
}

bool MovraSettings::setValue(const std::u16string& valueName, int32_t value)
{
    return setValue(valueName, static_cast<long long>(value));
}

bool MovraSettings::setValue(const std::string& valueName, int32_t value)
{
    return setValue(valueName, static_cast<long long>(value));
}

bool MovraSettings::setValue(const std::u16string& valueName, uint32_t value)
{
    return setValue(valueName, static_cast<long long>(value));
}

bool MovraSettings::setValue(const std::string& valueName, uint32_t value)
{
    return setValue(valueName, static_cast<long long>(value));
}

bool MovraSettings::setValue(const std::u16string& valueName, int64_t value)
{
    return setValue(valueName, static_cast<long long>(value));
}

bool MovraSettings::setValue(const std::string& valueName, int64_t value)
{
    return setValue(valueName, static_cast<long long>(value));
}

bool MovraSettings::setValue(const std::u16string& valueName, uint64_t value)
{
    return setValue(valueName, static_cast<long long>(value));
}

bool MovraSettings::setValue(const std::string& valueName, uint64_t value)
{
    return setValue(valueName, static_cast<long long>(value));
}

bool MovraSettings::setValue(const std::u16string& valueName, float value)
{
    return writeValue(valueName, REG_DWORD, &value, sizeof value);
}

bool MovraSettings::setValue(const std::string& valueName, float value)
{
    return setValue(toWide(valueName), value);
}

bool MovraSettings::setValue(const std::u16string& valueName, double value)
{
    return writeValue(valueName, REG_QWORD, &value, sizeof value);
}

bool MovraSettings::setValue(const std::string& valueName, double value)
{
    return setValue(toWide(valueName), value);
}

bool MovraSettings::setValue(const std::u16string& valueName, bool value)
{
    const uint32_t dword = value ? 1 : 0;
    return writeValue(valueName, REG_DWORD, &dword, sizeof dword);
}

bool MovraSettings::setValue(const std::string& valueName, bool value)
{
    return setValue(toWide(valueName), value);
}

bool MovraSettings::setValue(const std::u16string& valueName, const std::string& value)
{
    // Text that does not convert is refused rather than stored as "" over the old value.
    const std::u16string text = toWide(value);
    if (text.empty() && !value.empty())
        return false;
    return setValue(valueName, text);
}

bool MovraSettings::setValue(const std::string& valueName, const std::string& value)
{
    return setValue(toWide(valueName), value);
}

bool MovraSettings::setValue(const std::u16string& valueName, const std::u16string& value)
{
    return writeValue(valueName, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
}

bool MovraSettings::setValue(const std::string& valueName, const std::u16string& value)
{
    return setValue(toWide(valueName), value);
}

bool MovraSettings::setValue(const std::u16string& valueName, const char* data, uint32_t size)
{
    if (size != 0 && !data)
        return false;
    return writeValue(valueName, REG_BINARY, data, size);
}

bool MovraSettings::setValue(const std::string& valueName, const char* data, uint32_t size)
{
    return setValue(toWide(valueName), data, size);
}

// --- reads ---

template <typename Read>
bool MovraSettings::readWithFallback(const std::u16string& valueName, Read read)
{
    if (valueName.empty() || !ensureOpen())
        return false;
    return read(primaryKey()) || read(fallbackKey());
}

bool MovraSettings::getValue(const std::u16string& valueName, long long& value)
{
    return readWithFallback(valueName, [&](HKEY key) { return readInteger(key, valueName, value); });
}

bool MovraSettings::getValue(const std::string& valueName, long long& value)
{
    return getValue(toWide(valueName), value);
}

bool MovraSettings::getValue(const std::u16string& valueName, int32_t& value)
{
    long long wide = 0;
    if (!getValue(valueName, wide))
        return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(wide));
    return true;
}

bool MovraSettings::getValue(const std::string& valueName, int32_t& value)
{
    long long wide = 0;
    if (!getValue(valueName, wide))
        return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(wide));
    return true;
}

bool MovraSettings::getValue(const std::u16string& valueName, uint32_t& value)
{
    long long wide = 0;
    if (!getValue(valueName, wide))
        return false;
    value = static_cast<uint32_t>(wide);
    return true;
}

bool MovraSettings::getValue(const std::string& valueName, uint32_t& value)
{
    long long wide = 0;
    if (!getValue(valueName, wide))
        return false;
    value = static_cast<uint32_t>(wide);
    return true;
}

bool MovraSettings::getValue(const std::u16string& valueName, int64_t& value)
{
    long long wide = value;
    if (!getValue(valueName, wide))
        return false;
    value = wide;
    return true;
}

bool MovraSettings::getValue(const std::string& valueName, int64_t& value)
{
    return getValue(toWide(valueName), value);
}

bool MovraSettings::getValue(const std::u16string& valueName, uint64_t& value)
{
    long long wide = 0;
    if (!getValue(valueName, wide))
        return false;
    std::memcpy(&value, &wide, sizeof value);
    return true;
}

bool MovraSettings::getValue(const std::string& valueName, uint64_t& value)
{
    return getValue(toWide(valueName), value);
}

bool MovraSettings::getValue(const std::u16string& valueName, float& value)
{
    return readWithFallback(valueName, [&](HKEY key) { return readFixed<float, REG_DWORD>(key, valueName, value); });
}

bool MovraSettings::getValue(const std::string& valueName, float& value)
{
    return getValue(toWide(valueName), value);
}

bool MovraSettings::getValue(const std::u16string& valueName, double& value)
{
    return readWithFallback(valueName, [&](HKEY key) { return readFixed<double, REG_QWORD>(key, valueName, value); });
}

bool MovraSettings::getValue(const std::string& valueName, double& value)
{
    return getValue(toWide(valueName), value);
}

bool MovraSettings::getValue(const std::u16string& valueName, bool& value)
{
    return readWithFallback(valueName, [&](HKEY key) { return readBool(key, valueName, value); });
}

bool MovraSettings::getValue(const std::string& valueName, bool& value)
{
    return getValue(toWide(valueName), value);
}

bool MovraSettings::getValue(const std::u16string& valueName, std::string& value)
{
    std::u16string text;
    if (!getValue(valueName, text))
        return false;
    // Stored text that has no UTF-8 form is a failed read, not an empty string.
    std::string converted = toUtf8(text);
    if (converted.empty() && !text.empty())
        return false;
    value = std::move(converted);
    return true;
}

bool MovraSettings::getValue(const std::string& valueName, std::string& value)
{
    return getValue(toWide(valueName), value);
}

bool MovraSettings::getValue(const std::u16string& valueName, std::u16string& value)
{
    return readWithFallback(valueName, [&](HKEY key) { return readString(key, valueName, value); });
}

bool MovraSettings::getValue(const std::string& valueName, std::u16string& value)
{
    return getValue(toWide(valueName), value);
}

bool MovraSettings::getValue(const std::u16string& valueName, mvtl::MemoryBuffer<char>& value)
{
    return readWithFallback(valueName, [&](HKEY key) { return readBinary(key, valueName, value); });
}

bool MovraSettings::getValue(const std::string& valueName, mvtl::MemoryBuffer<char>& value)
{
    return getValue(toWide(valueName), value);
}

// --- removal ---

bool MovraSettings::removeValue(const std::u16string& valueName)
{
    if (valueName.empty() || !ensureOpen())
        return false;
    HKEY key = primaryKey();
    return key && RegDeleteValueW(key, valueName.c_str()) == ERROR_SUCCESS;
}

bool MovraSettings::removeValue(const std::string& valueName)
{
    return removeValue(toWide(valueName));
}

} // namespace mvds
