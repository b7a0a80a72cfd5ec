// Conformance of the registry layer with Win32 for what callers commonly pass: roots cast
// through 64-bit code, no sub-key, string sizes without the terminator, one variable for type
// and size, class buffers, trailing backslashes.

#include "registryconformance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

using namespace RegistryTest;

namespace {

// 64-bit code reaches the roots through whatever its cast left above the low 32 bits.
TEST_F(RegistryConformance, PredefinedRootsCountByTheirLow32Bits)
{
    if (sizeof(void*) < 8)
        GTEST_SKIP() << "handles are 32 bits wide";
    ASSERT_EQ(setDword(m_key, u"where", 1), ERROR_SUCCESS);
    HKEY machine = create(HKEY_LOCAL_MACHINE, u"Software\\MovraTest");
    ASSERT_EQ(setDword(machine, u"where", 2), ERROR_SUCCESS);
    RegCloseKey(machine);
    HKEY classes = create(HKEY_CLASSES_ROOT, u"MovraTest");
    ASSERT_EQ(setDword(classes, u"where", 3), ERROR_SUCCESS);
    RegCloseKey(classes);

    const struct
    {
        const char* what;
        uint64_t bits;
        const char16_t* path;
        DWORD where;
    } roots[] = {
        {"user root as declared", 0x80000001ull, u"Software\\MovraTest", 1},
        {"user root sign-extended", 0xFFFFFFFF80000001ull, u"Software\\MovraTest", 1},
        {"user root with bit 32 set", 0x0000000180000001ull, u"Software\\MovraTest", 1},
        {"user root with junk above", 0xDEADBEEF80000001ull, u"Software\\MovraTest", 1},
        {"machine root sign-extended", 0xFFFFFFFF80000002ull, u"Software\\MovraTest", 2},
        {"machine root with junk above", 0xDEADBEEF80000002ull, u"Software\\MovraTest", 2},
        {"classes root sign-extended", 0xFFFFFFFF80000000ull, u"MovraTest", 3},
    };
    for (const auto& row : roots) {
        SCOPED_TRACE(row.what);
        const HKEY root = keyFromBits(row.bits);
        HKEY key = kSentinelKey;
        ASSERT_EQ(RegOpenKeyExW(root, row.path, 0, KEY_READ, &key), ERROR_SUCCESS);
        DWORD where = 0, size = 4;
        EXPECT_EQ(RegQueryValueExW(key, u"where", nullptr, nullptr, reinterpret_cast<BYTE*>(&where), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(where, row.where);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        DWORD subKeys = kSentinel;
        EXPECT_EQ(RegQueryInfoKeyW(root, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(subKeys, 1u);
        EXPECT_EQ(registryRootWritable(root), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
    }

    const struct
    {
        const char* what;
        uint64_t bits;
    } strangers[] = {
        {"low bits of no root", 0xFFFFFFFF80000010ull},
        {"a root's bits in the upper half", 0x8000000100000000ull},
        {"a small number", 0x1234ull},
    };
    for (const auto& row : strangers) {
        SCOPED_TRACE(row.what);
        HKEY key = kSentinelKey;
        EXPECT_EQ(RegOpenKeyExW(keyFromBits(row.bits), u"Software", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
        EXPECT_EQ(key, kSentinelKey);
        EXPECT_EQ(RegCloseKey(keyFromBits(row.bits)), ERROR_INVALID_HANDLE);
        EXPECT_EQ(registryRootWritable(keyFromBits(row.bits)), ERROR_INVALID_HANDLE);
    }
}

TEST_F(RegistryConformance, OpeningWithoutASubKey)
{
    RegCloseKey(create(HKEY_CLASSES_ROOT, u".mkv"));
    enum Result { TheRootItself, ANewHandle, Untouched };
    const struct
    {
        const char* what;
        HKEY parent;
        const char16_t* subKey;
        LONG rc;
        Result result;
    } rows[] = {
        {"user root, null", HKEY_CURRENT_USER, nullptr, ERROR_SUCCESS, TheRootItself},
        {"user root, empty", HKEY_CURRENT_USER, u"", ERROR_SUCCESS, TheRootItself},
        {"machine root, empty", HKEY_LOCAL_MACHINE, u"", ERROR_SUCCESS, TheRootItself},
        {"classes root, null", HKEY_CLASSES_ROOT, nullptr, ERROR_SUCCESS, TheRootItself},
        {"classes root, empty", HKEY_CLASSES_ROOT, u"", ERROR_SUCCESS, TheRootItself},
        {"classes root, a lone backslash", HKEY_CLASSES_ROOT, u"\\", ERROR_SUCCESS, ANewHandle},
        {"open key, empty", m_key, u"", ERROR_SUCCESS, ANewHandle},
        {"open key, null", m_key, nullptr, ERROR_SUCCESS, ANewHandle},
        {"no key, empty", nullptr, u"", ERROR_INVALID_HANDLE, Untouched},
        {"no key, a path", nullptr, u"Software", ERROR_INVALID_HANDLE, Untouched},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        HKEY key = kSentinelKey;
        // The access asked for does not narrow what a root handed back may do.
        EXPECT_EQ(RegOpenKeyExW(row.parent, row.subKey, 0, KEY_QUERY_VALUE, &key), row.rc);
        switch (row.result) {
        case TheRootItself:
            EXPECT_EQ(key, row.parent);
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS) << "a root never wears out";
            EXPECT_TRUE(keyExists(key, row.parent == HKEY_CLASSES_ROOT ? u".mkv" : u"Software"));
            break;
        case ANewHandle:
            EXPECT_NE(key, row.parent);
            EXPECT_NE(key, kSentinelKey);
            EXPECT_NE(key, nullptr);
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
            EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
            break;
        case Untouched:
            EXPECT_EQ(key, kSentinelKey);
            break;
        }
    }
}

TEST_F(RegistryConformance, ClassesRootSkipsOneLeadingBackslash)
{
    RegCloseKey(create(HKEY_CLASSES_ROOT, u".mkv"));
    const struct
    {
        const char* what;
        HKEY parent;
        const char16_t* subKey;
        LONG rc;
    } rows[] = {
        {"classes root, plain", HKEY_CLASSES_ROOT, u".mkv", ERROR_SUCCESS},
        {"classes root, one backslash", HKEY_CLASSES_ROOT, u"\\.mkv", ERROR_SUCCESS},
        {"classes root, one backslash and a trailing one", HKEY_CLASSES_ROOT, u"\\.mkv\\", ERROR_SUCCESS},
        {"classes root, two backslashes", HKEY_CLASSES_ROOT, u"\\\\.mkv", ERROR_BAD_PATHNAME},
        {"classes root, one backslash, missing key", HKEY_CLASSES_ROOT, u"\\.avi", ERROR_FILE_NOT_FOUND},
        {"user root, one backslash", HKEY_CURRENT_USER, u"\\Software\\MovraTest", ERROR_BAD_PATHNAME},
        {"machine root, one backslash", HKEY_LOCAL_MACHINE, u"\\SOFTWARE\\Classes", ERROR_BAD_PATHNAME},
        {"open key, one backslash", m_key, u"\\x", ERROR_BAD_PATHNAME},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        HKEY key = kSentinelKey;
        EXPECT_EQ(RegOpenKeyExW(row.parent, row.subKey, 0, KEY_READ, &key), row.rc);
        if (row.rc == ERROR_SUCCESS) {
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        } else {
            EXPECT_EQ(key, nullptr);
        }
    }

    // Creating and deleting resolve their paths the same way.
    DWORD disposition = kSentinel;
    HKEY created = create(HKEY_CLASSES_ROOT, u"\\.avi", &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(created);
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\.avi"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"\\.avi"), ERROR_SUCCESS);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\.avi"));
    EXPECT_EQ(SHDeleteKeyW(HKEY_CLASSES_ROOT, u"\\.mkv"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"\\"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes"));
}

// Callers commonly pass wcslen() * 2 for a string; the value gets its terminator, and what
// it reads back says so, also after a reopening. The terminator is added, never read from
// behind the caller's data: text that follows in memory stays out of the value.
TEST_F(RegistryConformance, StringSizesThatLeaveOutTheTerminator)
{
    const struct
    {
        const char* what;
        DWORD type;
        std::u16string memory; // followed by a NUL in memory unless the text goes on
        DWORD size;
        DWORD stored;
    } rows[] = {
        {"REG_SZ followed by more text in memory", REG_SZ, u"foobarX", 12, 14},
        {"REG_MULTI_SZ followed by more text", REG_MULTI_SZ, std::u16string(u"a\0bc", 4), 6, 8},
        {"REG_SZ with its terminator", REG_SZ, u"foobar", 14, 14},
        {"REG_SZ without its terminator", REG_SZ, u"foobar", 12, 14},
        {"REG_SZ cut inside the text gets a terminator", REG_SZ, u"foobar", 10, 12},
        {"REG_SZ of one code unit", REG_SZ, u"x", 2, 4},
        {"REG_SZ of no bytes", REG_SZ, u"x", 0, 0},
        {"REG_SZ of an odd size", REG_SZ, u"foobar", 11, 11},
        {"REG_SZ with NULs inside", REG_SZ, std::u16string(u"This\0Breaks\0\0", 13), 26, 26},
        {"REG_EXPAND_SZ without its terminator", REG_EXPAND_SZ, u"%HOME%", 12, 14},
        {"REG_MULTI_SZ without its last NUL", REG_MULTI_SZ, std::u16string(u"a\0b\0", 4), 8, 8},
        {"REG_MULTI_SZ without its last two NULs", REG_MULTI_SZ, std::u16string(u"a\0b\0", 4), 6, 8},
        {"REG_BINARY is kept as given", REG_BINARY, u"foobar", 12, 12},
        {"REG_DWORD is kept as given", REG_DWORD, u"ab", 4, 4},
    };
    auto valueName = [](size_t row) { return u"v" + std::u16string(1, static_cast<char16_t>(u'a' + row)); };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].what);
        const auto& row = rows[i];
        ASSERT_EQ(RegSetValueExW(m_key, valueName(i).c_str(), 0, row.type,
                                 reinterpret_cast<const BYTE*>(row.memory.c_str()), row.size),
                  ERROR_SUCCESS);
        BYTE buffer[64];
        std::memset(buffer, 0xAB, sizeof buffer);
        DWORD type = kSentinel, size = sizeof buffer;
        ASSERT_EQ(RegQueryValueExW(m_key, valueName(i).c_str(), nullptr, &type, buffer, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, row.type);
        EXPECT_EQ(size, row.stored);
        const DWORD given = std::min(row.size, row.stored);
        EXPECT_EQ(std::memcmp(buffer, row.memory.c_str(), given), 0);
        EXPECT_EQ(std::count(buffer + given, buffer + row.stored, BYTE(0)), std::ptrdiff_t(row.stored - given));
        EXPECT_EQ(buffer[row.stored], 0xAB);

        // Copying a value as it was reads nothing past the data (the sanitizer would see
        // it: this copy has no terminator behind it) and stores exactly what it is given.
        const std::vector<BYTE> exact(reinterpret_cast<const BYTE*>(row.memory.c_str()),
                                      reinterpret_cast<const BYTE*>(row.memory.c_str()) + row.size);
        const std::u16string verbatimName = valueName(i) + u" verbatim";
        ASSERT_EQ(setValueVerbatim(m_key, verbatimName.c_str(), row.type, exact.data(), row.size), ERROR_SUCCESS);
        size = kSentinel;
        EXPECT_EQ(RegQueryValueExW(m_key, verbatimName.c_str(), nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(size, row.size);
    }

    RegCloseKey(m_key);
    m_key = nullptr;
    resetRegistryForTesting();
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\MovraTest", 0, KEY_READ, &m_key), ERROR_SUCCESS);
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].what);
        DWORD size = kSentinel;
        EXPECT_EQ(RegQueryValueExW(m_key, valueName(i).c_str(), nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(size, rows[i].stored);
    }
}

TEST_F(RegistryConformance, SetValueRefusesDataItCannotRead)
{
    const struct
    {
        const char* what;
        uintptr_t address;
        DWORD size;
        DWORD type;
    } rows[] = {
        {"address 1 as a string", 1, 1, REG_SZ},
        {"address 1 as a dword", 1, 1, REG_DWORD},
        {"the last address below 64 KiB", 0xFFFF, 4, REG_BINARY},
        {"no data but a size", 0, 4, REG_SZ},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(RegSetValueExW(m_key, u"bad", 0, row.type, reinterpret_cast<const BYTE*>(row.address), row.size),
                  ERROR_NOACCESS);
        EXPECT_EQ(RegQueryValueExW(m_key, u"bad", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    }
}

// The size is read before the type is written, so one variable can serve as both.
TEST_F(RegistryConformance, QueryValueWithTypeAndSizeInOneVariable)
{
    const uint32_t bits = 0x12345678;
    ASSERT_EQ(RegSetValueExW(m_key, u"bin32", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&bits), 4), ERROR_SUCCESS);
    for (const DWORD capacity : {4u, 8u}) {
        SCOPED_TRACE(capacity);
        BYTE buffer[8];
        std::memset(buffer, 0xAB, sizeof buffer);
        DWORD both = capacity;
        EXPECT_EQ(RegQueryValueExW(m_key, u"bin32", nullptr, &both, buffer, &both), ERROR_SUCCESS);
        EXPECT_EQ(std::memcmp(buffer, &bits, 4), 0);
        EXPECT_EQ(buffer[4], 0xAB);
    }
    DWORD both = 3;
    BYTE buffer[8];
    EXPECT_EQ(RegQueryValueExW(m_key, u"bin32", nullptr, &both, buffer, &both), ERROR_MORE_DATA);
}

// Keys have no class; a class buffer of any length takes the empty one.
TEST_F(RegistryConformance, QueryInfoKeyClassBuffers)
{
    ASSERT_EQ(setDword(m_key, u"one", 1), ERROR_SUCCESS);
    const struct
    {
        const char* what;
        DWORD length;
        bool terminatorWritten;
    } rows[] = {
        {"no room at all", 0, false},
        {"room for the terminator", 1, true},
        {"plenty of room", 32, true},
        {"a length never set", kSentinel, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        char16_t keyClass[32];
        std::fill(std::begin(keyClass), std::end(keyClass), char16_t(0x5555));
        DWORD length = row.length, values = kSentinel;
        EXPECT_EQ(RegQueryInfoKeyW(m_key, keyClass, &length, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(values, 1u);
        EXPECT_EQ(keyClass[0], row.terminatorWritten ? char16_t(0) : char16_t(0x5555));
        EXPECT_EQ(keyClass[1], char16_t(0x5555));
    }

    char16_t keyClass[4] = {0x5555, 0x5555, 0x5555, 0x5555};
    EXPECT_EQ(RegQueryInfoKeyW(m_key, keyClass, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(keyClass[0], char16_t(0x5555));
    DWORD length = kSentinel;
    EXPECT_EQ(RegQueryInfoKeyW(m_key, nullptr, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(length, 0u);
}

// Windows checks the rights on the key, not those of the handle a sub-key is made under.
TEST_F(RegistryConformance, CreatingUnderAHandleIgnoresItsAccess)
{
    const struct
    {
        const char* what;
        REGSAM access;
    } rows[] = {
        {"notify only", KEY_NOTIFY},
        {"read", KEY_READ},
        {"set value only", KEY_SET_VALUE},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        HKEY parent = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\MovraTest", 0, row.access, &parent), ERROR_SUCCESS);
        HKEY child = kSentinelKey;
        DWORD disposition = kSentinel;
        EXPECT_EQ(RegCreateKeyExW(parent, u"child", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &child, &disposition),
                  ERROR_SUCCESS);
        EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
        EXPECT_EQ(setDword(child, u"v", 1), ERROR_SUCCESS) << "the child has the access asked for";
        EXPECT_EQ(RegQueryValueExW(child, u"v", nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
        RegCloseKey(child);
        RegCloseKey(parent);
        EXPECT_EQ(SHDeleteKeyW(m_key, u"child"), ERROR_SUCCESS);
    }

    // A root that may not be written still refuses, whatever handle asks.
    RegCloseKey(create(HKEY_LOCAL_MACHINE, u"Software\\MovraTest"));
    MovraTest::ScopedEnvironment readOnly("MOVRA_REGISTRY_MACHINE_READONLY", "1");
    RegCloseKey(m_key);
    m_key = nullptr;
    resetRegistryForTesting();
    HKEY machine = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\MovraTest", 0, KEY_ALL_ACCESS, &machine), ERROR_SUCCESS);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExW(machine, u"child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_FALSE(keyExists(machine, u"child"));
    RegCloseKey(machine);
}

// A size query of a value that is not there answers 0; a read leaves the size alone.
TEST_F(RegistryConformance, QueryOfAMissingValue)
{
    const std::u16string tooLong(kMaxValueNameLength + 1, u'v');
    const struct
    {
        const char* what;
        HKEY key;
        const char16_t* name;
        bool withBuffer;
        DWORD sizeAfter;
    } rows[] = {
        {"size query", m_key, u"Missing", false, 0},
        {"read", m_key, u"Missing", true, 32},
        {"size query, name too long for any value", m_key, tooLong.c_str(), false, 0},
        {"size query in an empty classes root", HKEY_CLASSES_ROOT, u"Nonexistent Value", false, 0},
        {"read in an empty classes root", HKEY_CLASSES_ROOT, u"Nonexistent Value", true, 32},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        BYTE buffer[32];
        std::memset(buffer, 0xAB, sizeof buffer);
        DWORD type = kSentinel, size = row.withBuffer ? sizeof buffer : kSentinel;
        EXPECT_EQ(RegQueryValueExW(row.key, row.name, nullptr, &type, row.withBuffer ? buffer : nullptr, &size),
                  ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(size, row.sizeAfter);
        EXPECT_EQ(type, kSentinel);
        EXPECT_EQ(buffer[0], 0xAB);
    }
    // A handle that is no handle changes nothing.
    DWORD size = kSentinel;
    EXPECT_EQ(RegQueryValueExW(keyFromBits(0x1234), u"Missing", nullptr, nullptr, nullptr, &size),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(size, kSentinel);
}

TEST_F(RegistryConformance, PathsWithTrailingBackslashes)
{
    RegCloseKey(create(m_key, u"a\\b"));
    const struct
    {
        const char* what;
        const char16_t* path;
        LONG rc;
    } rows[] = {
        {"one", u"a\\b\\", ERROR_SUCCESS},
        {"two", u"a\\b\\\\", ERROR_SUCCESS},
        {"two inside", u"a\\\\b", ERROR_BAD_PATHNAME},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        HKEY key = kSentinelKey;
        EXPECT_EQ(RegOpenKeyExW(m_key, row.path, 0, KEY_READ, &key), row.rc);
        if (row.rc == ERROR_SUCCESS) {
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        }
        DWORD disposition = kSentinel;
        key = kSentinelKey;
        EXPECT_EQ(RegCreateKeyExW(m_key, row.path, 0, nullptr, 0, KEY_READ, nullptr, &key, &disposition), row.rc);
        EXPECT_EQ(disposition, row.rc == ERROR_SUCCESS ? REG_OPENED_EXISTING_KEY : kSentinel);
        if (row.rc == ERROR_SUCCESS) {
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        }
    }
}

// Values enumerate in the order they were first set; overwriting one keeps its place.
TEST_F(RegistryConformance, EnumValueKeepsTheOrderOfCreation)
{
    for (const char16_t* name : {u"A", u"C", u"D", u"B"})
        ASSERT_EQ(setDword(m_key, name, 0), ERROR_SUCCESS);
    ASSERT_EQ(setString(m_key, u"c", u"now a string"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueW(m_key, u"D"), ERROR_SUCCESS);
    ASSERT_EQ(setDword(m_key, u"D", 1), ERROR_SUCCESS);
    std::u16string order;
    char16_t name[4];
    for (DWORD i = 0;; ++i) {
        DWORD length = 4;
        if (RegEnumValueW(m_key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        order += std::u16string(name, length);
    }
    EXPECT_EQ(order, u"ACBD");
}

} // namespace
