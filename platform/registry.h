#pragma once
// A registry shaped like the Win32 one: the same calls, arguments, error codes and
// semantics, with char16_t names. On Linux it is stored in SQLite (one database per root);
// a Windows build would forward these calls to Advapi32.
//
// Where the roots live: $MOVRA_REGISTRY_DIR/{user,machine}.db when that variable is set;
// otherwise $XDG_CONFIG_HOME/movra/registry/user.db and /var/lib/movra/registry/machine.db.
// HKEY_CLASSES_ROOT is the machine root's SOFTWARE\Classes.
//
// Differences from Win32 that callers can see:
// - A root whose database cannot be written (a read-only file or folder, or the machine
//   root while MOVRA_REGISTRY_MACHINE_READONLY=1, which tests use where file permissions do
//   not bind) still opens with any access mask; its writes answer ERROR_ACCESS_DENIED and
//   nothing is ever created in it. Windows refuses the open instead, which would make a
//   read-write open of the machine key fail for an ordinary user, so that a machine-wide
//   fallback could never be read.
// - Keys have no class and no security; volatile keys are kept like any other.
// - HKEY_CLASSES_ROOT is the machine's classes only, not merged with the user's.
// - A root whose file is not a registry database answers ERROR_BADDB (see registryProblems).
//
// Win32 habits that callers may not expect, kept because code written for Windows relies
// on them:
// - A predefined root counts by its low 32 bits, so a sign-extended (HKEY)(LONG) value
//   works; opening one with a null or empty sub-key hands back the root itself, which
//   RegCloseKey accepts. Any other key opened that way gets a new handle.
// - A key's rights are checked, never those of the handle a sub-key is created under.
// - RegSetValueExW of a REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ whose size leaves out the
//   terminator stores one more NUL code unit after the data. Windows reads the code unit
//   after the data and stores it only when it is NUL; this layer never reads past the
//   caller's size, so the stored value is Windows' whenever the terminator follows in
//   memory and gains a terminator where it does not. setValueVerbatim() stores the bytes
//   exactly as given.

#include <cstdint>
#include <string>

namespace MovraRegistry {

using LONG = int32_t;
using DWORD = uint32_t;
using REGSAM = uint32_t;
using BYTE = uint8_t;

struct KeyObject;
using HKEY = KeyObject*;

// Predefined roots carry the Win32 values, so code that stores a root as a 32-bit number
// (the settings store does) sees the same numbers as on Windows.
inline HKEY predefinedKey(uint32_t value) { return reinterpret_cast<HKEY>(static_cast<uintptr_t>(value)); }
inline const HKEY HKEY_CLASSES_ROOT = predefinedKey(0x80000000u);
inline const HKEY HKEY_CURRENT_USER = predefinedKey(0x80000001u);
inline const HKEY HKEY_LOCAL_MACHINE = predefinedKey(0x80000002u);

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_DISK_FULL = 112;
constexpr LONG ERROR_BAD_PATHNAME = 161;
constexpr LONG ERROR_BUSY = 170;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_NOACCESS = 998;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_BADKEY = 1010;
constexpr LONG ERROR_CANTREAD = 1012;
constexpr LONG ERROR_CANTWRITE = 1013;
constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;
constexpr REGSAM GENERIC_ALL = 0x10000000;
constexpr REGSAM GENERIC_WRITE = 0x40000000;
constexpr REGSAM GENERIC_READ = 0x80000000;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr DWORD kMaxKeyNameLength = 255;      // code units of one key name
constexpr DWORD kMaxValueNameLength = 16383;  // code units of one value name

LONG RegOpenKeyExW(HKEY key, const char16_t* subKey, DWORD options, REGSAM sam, HKEY* result);
LONG RegCreateKeyExW(HKEY key, const char16_t* subKey, DWORD reserved, char16_t* keyClass,
                     DWORD options, REGSAM sam, const void* securityAttributes, HKEY* result,
                     DWORD* disposition);
LONG RegCloseKey(HKEY key);
LONG RegQueryValueExW(HKEY key, const char16_t* valueName, DWORD* reserved, DWORD* type,
                      BYTE* data, DWORD* dataSize);
LONG RegSetValueExW(HKEY key, const char16_t* valueName, DWORD reserved, DWORD type,
                    const BYTE* data, DWORD dataSize);
LONG RegEnumKeyExW(HKEY key, DWORD index, char16_t* name, DWORD* nameLength, DWORD* reserved,
                   char16_t* keyClass, DWORD* classLength, void* lastWriteTime);
LONG RegEnumValueW(HKEY key, DWORD index, char16_t* valueName, DWORD* valueNameLength,
                   DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
LONG RegQueryInfoKeyW(HKEY key, char16_t* keyClass, DWORD* classLength, DWORD* reserved,
                      DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* maxClassLength,
                      DWORD* values, DWORD* maxValueNameLength, DWORD* maxValueLength,
                      DWORD* securityDescriptor, void* lastWriteTime);
LONG RegDeleteValueW(HKEY key, const char16_t* valueName);
LONG RegDeleteKeyW(HKEY key, const char16_t* subKey);
LONG RegDeleteKeyExW(HKEY key, const char16_t* subKey, REGSAM sam, DWORD reserved);
LONG SHDeleteKeyW(HKEY key, const char16_t* subKey);

// What keeps a root from being used, one "<file>: <reason>" line per broken root (not a
// database, truncated, not a registry database); empty when both roots are usable or
// simply absent. A broken root answers ERROR_BADDB to every call and is never written.
std::string registryProblems();

// RegSetValueExW that stores exactly `dataSize` bytes and reads none past them, for code
// that copies values as they were (a .reg import): a string without its terminator stays
// without it. A Windows build would pass a copy followed by a code unit that is not NUL.
LONG setValueVerbatim(HKEY key, const char16_t* valueName, DWORD type, const BYTE* data, DWORD dataSize);

// Whether a write to `root` (a predefined key) could succeed: ERROR_SUCCESS,
// ERROR_ACCESS_DENIED or ERROR_BADDB. Creates nothing; lets a tool refuse a whole import
// before its first write instead of failing half-way.
LONG registryRootWritable(HKEY root);

class RegistryStore;

// Groups the writes made while it lives, by any thread of the process and in either root,
// into one transaction per root, which begins with the first write and commits when the
// batch ends: a start's hundreds of small writes then cost a few durable commits instead
// of one each. Until then other processes see none of them, and a process that dies
// before the end leaves each root exactly as it was. Inside the batch every write is
// still atomic on its own and reports its own failure; reads see the batch's writes.
// While a root's transaction is under way other processes' writes to it wait, so a batch
// should not span anything slow. Batches nest; only the outermost one commits.
class RegistryBatch
{
public:
    RegistryBatch();
    ~RegistryBatch(); // commits, if commit() was not called
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    // Ends the batch: ERROR_SUCCESS when every write that reported success is committed
    // and durable, else the first failure (the writes of that root are then lost).
    LONG commit();

private:
    RegistryStore* m_stores[2] = {nullptr, nullptr};
};

// Closes every cached database connection and reads the location again on next use;
// for tests and tools that switch MOVRA_REGISTRY_DIR within one process. No key handle
// and no batch may be open when it is called.
void resetRegistryForTesting();

} // namespace MovraRegistry
