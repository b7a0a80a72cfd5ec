#include "platform/registry.h"

#include "platform/registry_p.h"
#include "platform/registrylocation.h"
#include "platform/registrynames.h"
#include "platform/registrystore.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

namespace MovraRegistry {

using namespace detail;

namespace {

const char16_t kClassesPath[] = u"SOFTWARE\\Classes";

// A handle as one call sees it: the store, the key and what the handle may do.
// `predefined`: one of the roots, not a handle of ours; `classesRoot`: HKEY_CLASSES_ROOT
// itself, whose key is found (or made) per call.
struct Handle
{
    RegistryStore* store = nullptr;
    int64_t id = RegistryStore::kRootKey;
    REGSAM access = KEY_ALL_ACCESS;
    bool predefined = false;
    bool classesRoot = false;
};

enum class Predefined { None, ClassesRoot, CurrentUser, LocalMachine };

// Windows reads only the low 32 bits of a predefined key: 64-bit code that casts the
// LONG constants gets them sign-extended, and some callers leave junk above them.
Predefined predefinedKind(HKEY key)
{
    switch (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key))) {
    case 0x80000000u:
        return Predefined::ClassesRoot;
    case 0x80000001u:
        return Predefined::CurrentUser;
    case 0x80000002u:
        return Predefined::LocalMachine;
    default:
        return Predefined::None;
    }
}

REGSAM effectiveAccess(REGSAM sam)
{
    REGSAM access = sam & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    if (access & (GENERIC_ALL | MAXIMUM_ALLOWED))
        access |= KEY_ALL_ACCESS;
    if (access & GENERIC_READ)
        access |= KEY_READ;
    if (access & GENERIC_WRITE)
        access |= KEY_WRITE;
    return access;
}

LONG lookupHandle(HKEY key, Handle* handle)
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.mutex);
    // Our own handles first: a heap address may end in a predefined key's low 32 bits.
    if (key && reg.handles.find(key) != reg.handles.end()) {
        handle->store = key->store;
        handle->id = key->id;
        handle->access = key->access;
        return ERROR_SUCCESS;
    }
    switch (predefinedKind(key)) {
    case Predefined::None:
        return ERROR_INVALID_HANDLE;
    case Predefined::CurrentUser:
        handle->store = reg.store_locked(UserRoot);
        break;
    case Predefined::LocalMachine:
        handle->store = reg.store_locked(MachineRoot);
        break;
    case Predefined::ClassesRoot:
        handle->store = reg.store_locked(MachineRoot);
        handle->classesRoot = true;
        break;
    }
    handle->predefined = true;
    return ERROR_SUCCESS;
}

HKEY newHandle(RegistryStore* store, int64_t id, REGSAM access)
{
    auto* object = new KeyObject{store, id, effectiveAccess(access)};
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.mutex);
    reg.handles.insert(object);
    return object;
}

bool splitPath(std::u16string_view path, std::vector<RegistryName>* segments, LONG* error)
{
    // One trailing backslash is accepted, as Windows does.
    if (!path.empty() && path.back() == u'\\')
        path.remove_suffix(1);
    if (!splitKeyPath(path, segments)) {
        *error = ERROR_BAD_PATHNAME;
        return false;
    }
    for (const RegistryName& segment : *segments) {
        if (segment.text.size() > kMaxKeyNameLength) {
            *error = ERROR_INVALID_PARAMETER;
            return false;
        }
    }
    return true;
}

// The key a handle stands for. HKEY_CLASSES_ROOT resolves to SOFTWARE\Classes of the
// machine root; while that does not exist, reads see an empty key (id -1) and writes
// create it.
LONG resolveKey_locked(const Handle& handle, bool create, int64_t* id)
{
    if (!handle.classesRoot) {
        *id = handle.id;
        return ERROR_SUCCESS;
    }
    std::vector<RegistryName> path;
    splitKeyPath(kClassesPath, &path);
    LONG rc = handle.store->openPath_locked(RegistryStore::kRootKey, path, id);
    if (rc == ERROR_FILE_NOT_FOUND) {
        if (!create) {
            *id = -1;
            return ERROR_SUCCESS;
        }
        bool created = false;
        rc = handle.store->createPath_locked(RegistryStore::kRootKey, path, id, &created);
    }
    return rc;
}

// A call on an open key, as far as the shared checks take it: `rc` is the first error
// they found; without one the store's lock is held and `id` is the key the handle stands
// for (-1: HKEY_CLASSES_ROOT while SOFTWARE\Classes does not exist).
struct HeldKey
{
    LONG rc = ERROR_SUCCESS;
    RegistryStore* store = nullptr;
    int64_t id = -1;
    std::unique_lock<std::mutex> guard;
};

// What a call makes of HKEY_CLASSES_ROOT while SOFTWARE\Classes does not exist.
enum class Missing { Create, SeeEmpty, NotFound, NoMoreItems };

LONG valueNameError(std::u16string_view name, LONG tooLong)
{
    return name.size() > kMaxValueNameLength ? tooLong : ERROR_SUCCESS;
}

// Checks in the order callers see their errors: the handle, the access it grants, then
// `argumentError` (a fault of the call's own arguments that counts only for a usable
// handle), then the key under the store's lock.
HeldKey holdKey(HKEY key, REGSAM required, Missing missing, LONG argumentError = ERROR_SUCCESS)
{
    HeldKey held;
    Handle handle;
    held.rc = lookupHandle(key, &handle);
    if (held.rc != ERROR_SUCCESS)
        return held;
    if (!(handle.access & required)) {
        held.rc = ERROR_ACCESS_DENIED;
        return held;
    }
    if (argumentError != ERROR_SUCCESS) {
        held.rc = argumentError;
        return held;
    }
    held.store = handle.store;
    held.guard = handle.store->lock();
    held.rc = resolveKey_locked(handle, missing == Missing::Create, &held.id);
    if (held.rc == ERROR_SUCCESS && held.id < 0) {
        if (missing == Missing::NotFound)
            held.rc = ERROR_FILE_NOT_FOUND;
        else if (missing == Missing::NoMoreItems)
            held.rc = ERROR_NO_MORE_ITEMS;
    }
    return held;
}

// A call that names a sub-key: its parent key and path, with the store's lock held unless
// `rc` reports an error. HKEY_CLASSES_ROOT's sub-keys are the machine root's
// SOFTWARE\Classes\<sub-key>.
struct HeldSubKey
{
    LONG rc = ERROR_SUCCESS;
    Handle parent;
    std::vector<RegistryName> path;
    std::unique_lock<std::mutex> guard;
};

// `parent` comes from lookupHandle(): callers check the handle before they touch their
// out-parameters.
HeldSubKey holdSubKey(const Handle& parent, const char16_t* subKey)
{
    HeldSubKey held;
    held.parent = parent;
    std::u16string full(nameView(subKey));
    if (held.parent.classesRoot) {
        // Windows resolves HKEY_CLASSES_ROOT's paths itself and skips one leading
        // backslash there, so \CLSID is CLSID; under every other key it is a bad path.
        if (!full.empty() && full.front() == u'\\')
            full.erase(0, 1);
        full = full.empty() ? std::u16string(kClassesPath) : std::u16string(kClassesPath) + u'\\' + full;
        held.parent.classesRoot = false;
        held.parent.id = RegistryStore::kRootKey;
    }
    if (!splitPath(full, &held.path, &held.rc))
        return held;
    held.guard = held.parent.store->lock();
    return held;
}

void copyName(const std::u16string& name, char16_t* buffer)
{
    std::copy(name.begin(), name.end(), buffer);
    buffer[name.size()] = u'\0';
}

void writeFileTime(void* out, int64_t fileTime)
{
    if (!out)
        return;
    const uint32_t parts[2] = {static_cast<uint32_t>(fileTime), static_cast<uint32_t>(fileTime >> 32)};
    std::memcpy(out, parts, sizeof parts);
}

} // namespace

LONG RegOpenKeyExW(HKEY key, const char16_t* subKey, DWORD options, REGSAM sam, HKEY* result)
{
    (void)options;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    Handle parent;
    const LONG handleRc = lookupHandle(key, &parent);
    if (handleRc != ERROR_SUCCESS)
        return handleRc;
    // A root opened without a sub-key is the root itself, whatever access was asked for.
    if (parent.predefined && nameView(subKey).empty()) {
        *result = key;
        return ERROR_SUCCESS;
    }
    *result = nullptr;
    HeldSubKey target = holdSubKey(parent, subKey);
    if (target.rc != ERROR_SUCCESS)
        return target.rc;
    int64_t id = 0;
    const LONG rc = target.parent.store->openPath_locked(target.parent.id, target.path, &id);
    // newHandle() takes the handle table's mutex, which goes before the store's.
    target.guard.unlock();
    if (rc != ERROR_SUCCESS)
        return rc;
    *result = newHandle(target.parent.store, id, sam);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExW(HKEY key, const char16_t* subKey, DWORD reserved, char16_t* keyClass, DWORD options,
                     REGSAM sam, const void* securityAttributes, HKEY* result, DWORD* disposition)
{
    (void)keyClass;
    (void)options;
    (void)securityAttributes;
    if (!result)
        return ERROR_BADKEY;
    if (reserved)
        return ERROR_INVALID_PARAMETER;
    Handle handle;
    const LONG handleRc = lookupHandle(key, &handle);
    if (handleRc != ERROR_SUCCESS)
        return handleRc;
    HeldSubKey target = holdSubKey(handle, subKey);
    if (target.rc != ERROR_SUCCESS)
        return target.rc;
    const Handle& parent = target.parent;
    int64_t id = 0;
    bool created = false;
    LONG rc = parent.store->openPath_locked(parent.id, target.path, &id);
    // Windows checks the rights of the key, never of the parent's handle: a key opened
    // for reading may still get sub-keys. A root we may not write refuses in the store.
    if (rc == ERROR_FILE_NOT_FOUND)
        rc = parent.store->createPath_locked(parent.id, target.path, &id, &created);
    target.guard.unlock();
    if (rc != ERROR_SUCCESS)
        return rc;
    *result = newHandle(parent.store, id, sam);
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.mutex);
    auto found = key ? reg.handles.find(key) : reg.handles.end();
    if (found == reg.handles.end())
        return predefinedKind(key) != Predefined::None ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    reg.handles.erase(found);
    delete key;
    return ERROR_SUCCESS;
}

namespace {

LONG queryValue(HKEY key, std::u16string_view name, DWORD* type, BYTE* data, DWORD* dataSize)
{
    // Read before anything is written: callers may pass one variable as type and size.
    const DWORD capacity = data ? *dataSize : 0;
    const std::u16string folded = foldName(name);
    const HeldKey held = holdKey(key, KEY_QUERY_VALUE, Missing::NotFound,
                                 valueNameError(name, ERROR_FILE_NOT_FOUND));
    if (held.rc != ERROR_SUCCESS)
        return held.rc;
    const RegistryStore::Value* value = nullptr;
    const LONG rc = held.store->findValue_locked(held.id, folded, &value);
    if (rc != ERROR_SUCCESS)
        return rc;
    const DWORD size = static_cast<DWORD>(value->data.size());
    if (type)
        *type = value->type;
    if (data) {
        if (capacity < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size)
            std::memcpy(data, value->data.data(), size);
    }
    if (dataSize)
        *dataSize = size;
    return ERROR_SUCCESS;
}

bool isStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Whether a string value needs its terminator added. Windows counts the terminator in when
// the caller's size leaves it out but it follows in memory (sizes taken from wcslen() * 2);
// reading that code unit would read past what the caller handed over, so the NUL is
// appended instead: the same value for every caller whose terminator follows in memory.
bool needsTerminator(DWORD type, const BYTE* data, DWORD size)
{
    if (!isStringType(type) || size < 2 || size % 2 || size > 0xFFFFFFFFu - 2)
        return false;
    char16_t last = 0;
    std::memcpy(&last, data + size - 2, 2);
    return last != u'\0';
}

// Windows never maps the lowest 64 KiB, so such a pointer is a small integer passed by
// mistake; it answers ERROR_NOACCESS instead of faulting.
bool unreadable(const BYTE* data, DWORD size)
{
    return data ? reinterpret_cast<uintptr_t>(data) < 0x10000 : size != 0;
}

} // namespace

LONG RegQueryValueExW(HKEY key, const char16_t* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize)
{
    if (reserved || (data && !dataSize))
        return ERROR_INVALID_PARAMETER;
    const LONG rc = queryValue(key, nameView(valueName), type, data, dataSize);
    // A size query of a value that is not there answers 0, as Windows does.
    if (rc == ERROR_FILE_NOT_FOUND && !data && dataSize)
        *dataSize = 0;
    return rc;
}

namespace {

LONG setValue(HKEY key, const char16_t* valueName, DWORD type, const BYTE* data, DWORD dataSize)
{
    const std::u16string_view name = nameView(valueName);
    const RegistryName registryName(name);
    const HeldKey held = holdKey(key, KEY_SET_VALUE, Missing::Create,
                                 valueNameError(name, ERROR_INVALID_PARAMETER));
    if (held.rc != ERROR_SUCCESS)
        return held.rc;
    return held.store->setValue_locked(held.id, registryName, type, data, dataSize);
}

} // namespace

LONG RegSetValueExW(HKEY key, const char16_t* valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize)
{
    (void)reserved;
    if (unreadable(data, dataSize))
        return ERROR_NOACCESS;
    if (!needsTerminator(type, data, dataSize))
        return setValue(key, valueName, type, data, dataSize);
    std::vector<BYTE> terminated;
    try {
        terminated.reserve(size_t(dataSize) + 2);
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    }
    terminated.assign(data, data + dataSize);
    terminated.push_back(0);
    terminated.push_back(0);
    return setValue(key, valueName, type, terminated.data(), static_cast<DWORD>(terminated.size()));
}

LONG setValueVerbatim(HKEY key, const char16_t* valueName, DWORD type, const BYTE* data, DWORD dataSize)
{
    if (unreadable(data, dataSize))
        return ERROR_NOACCESS;
    return setValue(key, valueName, type, data, dataSize);
}

LONG RegDeleteValueW(HKEY key, const char16_t* valueName)
{
    const std::u16string_view name = nameView(valueName);
    const std::u16string folded = foldName(name);
    const HeldKey held = holdKey(key, KEY_SET_VALUE, Missing::NotFound,
                                 valueNameError(name, ERROR_FILE_NOT_FOUND));
    if (held.rc != ERROR_SUCCESS)
        return held.rc;
    return held.store->deleteValue_locked(held.id, folded);
}

LONG RegEnumKeyExW(HKEY key, DWORD index, char16_t* name, DWORD* nameLength, DWORD* reserved,
                   char16_t* keyClass, DWORD* classLength, void* lastWriteTime)
{
    if (!name || !nameLength || reserved || (keyClass && !classLength))
        return ERROR_INVALID_PARAMETER;
    const HeldKey held = holdKey(key, KEY_ENUMERATE_SUB_KEYS, Missing::NoMoreItems);
    if (held.rc != ERROR_SUCCESS)
        return held.rc;
    const std::vector<RegistryStore::SubKey>* subKeys = nullptr;
    const LONG rc = held.store->subKeys_locked(held.id, &subKeys);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (index >= subKeys->size())
        return ERROR_NO_MORE_ITEMS;
    const RegistryStore::SubKey& subKey = (*subKeys)[index];
    if (subKey.name.text.size() >= *nameLength || (keyClass && *classLength < 1))
        return ERROR_MORE_DATA;
    copyName(subKey.name.text, name);
    *nameLength = static_cast<DWORD>(subKey.name.text.size());
    if (keyClass)
        keyClass[0] = u'\0';
    if (classLength)
        *classLength = 0;
    writeFileTime(lastWriteTime, subKey.lastWrite);
    return ERROR_SUCCESS;
}

LONG RegEnumValueW(HKEY key, DWORD index, char16_t* valueName, DWORD* valueNameLength, DWORD* reserved,
                   DWORD* type, BYTE* data, DWORD* dataSize)
{
    if (!valueName || !valueNameLength || reserved || (data && !dataSize))
        return ERROR_INVALID_PARAMETER;
    const HeldKey held = holdKey(key, KEY_QUERY_VALUE, Missing::NoMoreItems);
    if (held.rc != ERROR_SUCCESS)
        return held.rc;
    const std::vector<RegistryStore::Value>* values = nullptr;
    const LONG rc = held.store->values_locked(held.id, &values);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (index >= values->size())
        return ERROR_NO_MORE_ITEMS;
    const RegistryStore::Value& value = (*values)[index];
    const DWORD size = static_cast<DWORD>(value.data.size());
    // As on Windows, type and data size are reported even when a buffer is too small;
    // the name and the data are written only when they fit.
    if (type)
        *type = value.type;
    if (value.name.text.size() >= *valueNameLength) {
        if (dataSize)
            *dataSize = size;
        return ERROR_MORE_DATA;
    }
    copyName(value.name.text, valueName);
    *valueNameLength = static_cast<DWORD>(value.name.text.size());
    if (data && *dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data && size)
        std::memcpy(data, value.data.data(), size);
    if (dataSize)
        *dataSize = size;
    return ERROR_SUCCESS;
}

LONG RegQueryInfoKeyW(HKEY key, char16_t* keyClass, DWORD* classLength, DWORD* reserved, DWORD* subKeys,
                      DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values, DWORD* maxValueNameLength,
                      DWORD* maxValueLength, DWORD* securityDescriptor, void* lastWriteTime)
{
    if (reserved || (keyClass && !classLength))
        return ERROR_INVALID_PARAMETER;
    const HeldKey held = holdKey(key, KEY_QUERY_VALUE, Missing::SeeEmpty);
    if (held.rc != ERROR_SUCCESS)
        return held.rc;
    RegistryStore* const store = held.store;
    const int64_t id = held.id;
    DWORD subKeyCount = 0, longestSubKey = 0, valueCount = 0, longestValueName = 0, longestValue = 0;
    int64_t lastWrite = 0;
    if (id >= 0) {
        LONG rc = store->checkKey_locked(id, &lastWrite);
        const std::vector<RegistryStore::SubKey>* keyList = nullptr;
        if (rc == ERROR_SUCCESS)
            rc = store->subKeys_locked(id, &keyList);
        if (rc != ERROR_SUCCESS)
            return rc;
        subKeyCount = static_cast<DWORD>(keyList->size());
        for (const auto& subKey : *keyList)
            longestSubKey = std::max(longestSubKey, static_cast<DWORD>(subKey.name.text.size()));
        const std::vector<RegistryStore::Value>* valueList = nullptr;
        rc = store->values_locked(id, &valueList);
        if (rc != ERROR_SUCCESS)
            return rc;
        valueCount = static_cast<DWORD>(valueList->size());
        for (const auto& value : *valueList) {
            longestValueName = std::max(longestValueName, static_cast<DWORD>(value.name.text.size()));
            longestValue = std::max(longestValue, static_cast<DWORD>(value.data.size()));
        }
    }
    // Keys have no class: a class buffer of any length, even 0, takes the empty one; with
    // length 0 nothing is written, as Windows does.
    if (keyClass && *classLength > 0)
        keyClass[0] = u'\0';
    if (classLength)
        *classLength = 0;
    if (subKeys)
        *subKeys = subKeyCount;
    if (maxSubKeyLength)
        *maxSubKeyLength = longestSubKey;
    if (maxClassLength)
        *maxClassLength = 0;
    if (values)
        *values = valueCount;
    if (maxValueNameLength)
        *maxValueNameLength = longestValueName;
    if (maxValueLength)
        *maxValueLength = longestValue;
    if (securityDescriptor)
        *securityDescriptor = 0;
    writeFileTime(lastWriteTime, lastWrite);
    return ERROR_SUCCESS;
}

namespace {

LONG deleteKey(HKEY key, const char16_t* subKey, bool tree)
{
    Handle handle;
    const LONG handleRc = lookupHandle(key, &handle);
    if (handleRc != ERROR_SUCCESS)
        return handleRc;
    const HeldSubKey target = holdSubKey(handle, subKey);
    if (target.rc != ERROR_SUCCESS)
        return target.rc;
    int64_t id = 0;
    const LONG rc = target.parent.store->openPath_locked(target.parent.id, target.path, &id);
    if (rc != ERROR_SUCCESS)
        return rc;
    // HKEY_CLASSES_ROOT itself is a root, not a key one may delete.
    if (handle.classesRoot && target.path.size() == 2)
        return ERROR_ACCESS_DENIED;
    return target.parent.store->deleteKey_locked(id, tree);
}

} // namespace

LONG RegDeleteKeyW(HKEY key, const char16_t* subKey)
{
    if (!subKey)
        return ERROR_INVALID_PARAMETER;
    return deleteKey(key, subKey, false);
}

LONG RegDeleteKeyExW(HKEY key, const char16_t* subKey, REGSAM sam, DWORD reserved)
{
    (void)sam;
    if (!subKey || reserved)
        return ERROR_INVALID_PARAMETER;
    return deleteKey(key, subKey, false);
}

LONG SHDeleteKeyW(HKEY key, const char16_t* subKey)
{
    return deleteKey(key, subKey, true);
}

LONG registryRootWritable(HKEY root)
{
    Handle handle;
    const LONG rc = predefinedKind(root) != Predefined::None ? lookupHandle(root, &handle) : ERROR_INVALID_HANDLE;
    if (rc != ERROR_SUCCESS || !handle.predefined)
        return ERROR_INVALID_HANDLE;
    auto guard = handle.store->lock();
    return handle.store->checkWritable_locked();
}

} // namespace MovraRegistry
