#include "settings/movrasettings.h"

#include "settings/opensettings.h"
#include "settings/refcountedptr.h"
#include "settings/settingskeydeletion.h"
#include "settings/settingslog.h"
#include "settings/stringconversion.h"

#include <cstring>

using namespace MovraRegistry;

namespace mvds {

namespace {

constexpr REGSAM kReadOnlyAccess = KEY_READ | KEY_WOW64_64KEY;    // 0x20119
constexpr REGSAM kReadWriteAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY;  // 0xF013F
constexpr char16_t kPathSeparator = u'\\';
constexpr DWORD kValueNameCapacity = 1024;

QString debugText(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A registry call succeeds only when it answers 0 and hands out a key.
bool openKey(HKEY root, const std::u16string& path, REGSAM access, HKEY& key)
{
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExW(root, path.c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS && opened) {
        key = opened;
        return true;
    }
    if (opened)
        RegCloseKey(opened);
    qCDebug(lcSettings) << "cannot open" << debugText(path) << "status" << status;
    return false;
}

bool createKey(HKEY root, const std::u16string& path, HKEY& key)
{
    HKEY created = nullptr;
    DWORD disposition = 0;
    const LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        kReadWriteAccess, nullptr, &created, &disposition);
    if (status == ERROR_SUCCESS && created) {
        key = created;
        return true;
    }
    if (created)
        RegCloseKey(created);
    qCDebug(lcSettings) << "cannot create" << debugText(path) << "status" << status;
    return false;
}

// The machine key of a fallback mode serves reads only, so a machine root the user may
// not write still provides its values.
bool openFallbackMachineKey(const std::u16string& path, REGSAM access, HKEY& key)
{
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &opened);
    if (status == ERROR_ACCESS_DENIED && access != kReadOnlyAccess)
        status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, kReadOnlyAccess, &opened);
    if (status == ERROR_SUCCESS && opened) {
        key = opened;
        return true;
    }
    if (opened)
        RegCloseKey(opened);
    return false;
}

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

// Value names up to 1023 units; a longer one ends the enumeration, as do the unreadable.
void collectValueNames(HKEY key, std::set<std::u16string>& names)
{
    if (!key)
        return;
    mvtl::MemoryBuffer<unsigned short> buffer(kValueNameCapacity, true);
    if (buffer.size() != kValueNameCapacity)
        return;
    auto* text = reinterpret_cast<char16_t*>(buffer.get());
    for (DWORD index = 0;; ++index) {
        DWORD length = kValueNameCapacity;
        if (RegEnumValueW(key, index, text, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (length > 0)
            names.emplace(text, length);
    }
}

template <typename Wide, typename Narrow>
void convertNames(const std::set<Wide>& wide, std::set<Narrow>& narrow)
{
    for (const Wide& name : wide)
        narrow.insert(toUtf8(name));
}

} // namespace

MovraSettings::MovraSettings(SettingsOpenMode mode, const std::u16string& name, MovraSettings* parent)
    : name(name), mode(mode)
{
    if (parent) {
        path = parent->path + kPathSeparator + name;
        // The temporary reference keeps the section alive while a child of the same name
        // is released and replaced; afterwards the map holds the only reference.
        addRef();
        parent->children[name] = this;
        release();
    } else {
        path = u"SOFTWARE\\Movra\\" + name;
    }
}

MovraSettings::~MovraSettings()
{
    closeKeys();
    children.clear();
}

int32_t MovraSettings::addRef()
{
    return ++refCount;
}

int32_t MovraSettings::release()
{
    const int32_t remaining = --refCount;
    if (remaining > 0)
        return remaining;
    delete this;
    return 0;
}

int32_t MovraSettings::getRefCount()
{
    return refCount;
}

bool MovraSettings::isFallbackMode() const
{
    return mode == UserReadWriteMachineFallback || mode == UserReadOnlyMachineFallback
           || mode == UserCreateMachineFallback;
}

bool MovraSettings::isCreateMode() const
{
    return mode == UserCreate || mode == UserCreateMachineFallback || mode == MachineCreate;
}

HKEY MovraSettings::primaryKey() const
{
    if (mode == MachineReadWrite || mode == MachineReadOnly || mode == MachineCreate)
        return machineKey;
    return userKey;
}

HKEY MovraSettings::fallbackKey() const
{
    return isFallbackMode() ? machineKey : nullptr;
}

void MovraSettings::closeKeys()
{
    if (userKey) {
        RegCloseKey(userKey);
        userKey = nullptr;
    }
    if (machineKey) {
        RegCloseKey(machineKey);
        machineKey = nullptr;
    }
}

bool MovraSettings::ensureOpen()
{
    if (name.empty() || path.empty())
        return false;

    switch (mode) {
    case UserReadWrite:
    case UserReadOnly:
    case UserCreate:
        if (userKey)
            return true;
        if (mode == UserCreate ? !createKey(HKEY_CURRENT_USER, path, userKey)
                               : !openKey(HKEY_CURRENT_USER, path,
                                          mode == UserReadOnly ? kReadOnlyAccess : kReadWriteAccess, userKey))
            return false;
        usedRoot = kUserRoot;
        return true;

    case MachineReadWrite:
    case MachineReadOnly:
    case MachineCreate:
        if (machineKey)
            return true;
        if (mode == MachineCreate ? !createKey(HKEY_LOCAL_MACHINE, path, machineKey)
                                  : !openKey(HKEY_LOCAL_MACHINE, path,
                                             mode == MachineReadOnly ? kReadOnlyAccess : kReadWriteAccess,
                                             machineKey))
            return false;
        usedRoot = kMachineRoot;
        return true;

    case UserReadWriteMachineFallback:
    case UserReadOnlyMachineFallback: {
        // No shortcut: every call retries whichever key is still missing.
        const REGSAM access = mode == UserReadOnlyMachineFallback ? kReadOnlyAccess : kReadWriteAccess;
        if (!userKey)
            openKey(HKEY_CURRENT_USER, path, access, userKey);
        if (!machineKey)
            openFallbackMachineKey(path, access, machineKey);
        if (!userKey && !machineKey)
            return false;
        usedRoot = kUserRoot;
        return true;
    }

    case UserCreateMachineFallback:
        if (userKey)
            return true;
        if (!createKey(HKEY_CURRENT_USER, path, userKey))
            return false;
        if (!machineKey)
            openFallbackMachineKey(path, kReadWriteAccess, machineKey);
        usedRoot = kUserRoot;
        return true;
    }
    return false;
}

// --- names ---

bool MovraSettings::getName(std::u16string& out)
{
    out = name;
    return true;
}

bool MovraSettings::getName(std::string& out)
{
    out = toUtf8(name);
    return true;
}

bool MovraSettings::collectSectionNames(HKEY key, std::set<std::u16string>& names)
{
    DWORD count = 0;
    DWORD longest = 0;
    if (!key
        || RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    mvtl::MemoryBuffer<unsigned short> buffer(longest + 1, true);
    if (buffer.size() != longest + 1)
        return false;
    auto* text = reinterpret_cast<char16_t*>(buffer.get());
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = longest + 1;
        if (RegEnumKeyExW(key, index, text, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            names.emplace(text, length);
    }
    return true;
}

bool MovraSettings::getSectionNames(std::set<std::u16string>& names)
{
    names.clear();
    if (!ensureOpen())
        return false;
    if (!collectSectionNames(primaryKey(), names))
        return false;
    if (HKEY fallback = fallbackKey())
        return collectSectionNames(fallback, names);
    return true;
}

bool MovraSettings::getSectionNames(std::set<std::string>& names)
{
    names.clear();
    std::set<std::u16string> wide;
    const bool ok = getSectionNames(wide);
    convertNames(wide, names);
    return ok;
}

bool MovraSettings::getSectionCount(uint32_t& count)
{
    std::set<std::u16string> names;
    if (!getSectionNames(names))
        return false;
    count = static_cast<uint32_t>(names.size());
    return true;
}

bool MovraSettings::getValueNames(std::set<std::u16string>& names)
{
    names.clear();
    if (!ensureOpen())
        return false;
    collectValueNames(primaryKey(), names);
    collectValueNames(fallbackKey(), names);
    return true;
}

bool MovraSettings::getValueNames(std::set<std::string>& names)
{
    names.clear();
    std::set<std::u16string> wide;
    const bool ok = getValueNames(wide);
    convertNames(wide, names);
    return ok;
}

bool MovraSettings::getValueCount(uint32_t& count)
{
    std::set<std::u16string> names;
    if (!getValueNames(names))
        return false;
    count = static_cast<uint32_t>(names.size());
    return true;
}

// --- child sections ---

namespace {

// Splits at the first slash or backslash; `hasRest` tells "a/" (rest empty) from "a".
void splitPath(const std::u16string& path, std::u16string& segment, std::u16string& rest, bool& hasRest)
{
    const std::size_t separator = path.find_first_of(u"/\\");
    hasRest = separator != std::u16string::npos;
    segment = hasRest ? path.substr(0, separator) : path;
    rest = hasRest ? path.substr(separator + 1) : std::u16string();
}

} // namespace

bool MovraSettings::openSection(const std::u16string& sectionPath, IMovraSettings** section)
{
    if (sectionPath.empty() || !ensureOpen())
        return false;
    // The common case, one group name, is looked up without copying it.
    const bool single = sectionPath.find_first_of(u"/\\") == std::u16string::npos;
    if (single) {
        const auto found = children.find(sectionPath);
        if (found != children.end()) {
            if (section) {
                *section = found->second.get();
                found->second->addRef();
            }
            return true;
        }
    }
    std::u16string segment, rest;
    bool hasRest = false;
    splitPath(sectionPath, segment, rest, hasRest);

    IMovraSettings* child = nullptr;
    mvtl::RefCountedPtr<IMovraSettings> created;
    const auto found = children.find(segment);
    if (found != children.end()) {
        child = found->second.get();
    } else {
        if (!openSettings(segment, mode, this, created.out()))
            return false;
        child = created.get();
    }
    if (hasRest)
        return child->openSection(rest, section);
    if (section) {
        *section = child;
        child->addRef();
    }
    return true;
}

bool MovraSettings::openSection(const std::string& sectionPath, IMovraSettings** section)
{
    return openSection(toWide(sectionPath), section);
}

bool MovraSettings::removeSection()
{
    closeKeys();
    children.clear();
    return deleteSettingsKey(path, usedRoot);
}

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
