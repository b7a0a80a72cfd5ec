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

} // namespace mvds
