// Conformance of the registry layer with Win32 in the manner of Wine's registry tests:
// exact error codes and out-sizes, out-parameters left alone on failure. Keys, names, values
// and handles here; the ways callers commonly bend the arguments in registry_callers_test.cpp.

#include "registryconformance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

using namespace RegistryTest;

namespace {

TEST_F(RegistryConformance, CreateReportsDispositionAndOpenFindsTheKey)
{
    DWORD disposition = kSentinel;
    HKEY key = create(m_key, u"a\\b\\c", &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    key = create(m_key, u"a\\b\\c\\", &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);

    HKEY opened = reinterpret_cast<HKEY>(uintptr_t(kSentinel));
    EXPECT_EQ(RegOpenKeyExW(m_key, u"a\\b", 0, KEY_READ, &opened), ERROR_SUCCESS);
    EXPECT_NE(opened, nullptr);
    EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(opened), ERROR_INVALID_HANDLE);

    // An empty sub-key opens the key itself, through a handle of its own.
    EXPECT_EQ(RegOpenKeyExW(m_key, u"", 0, KEY_READ, &opened), ERROR_SUCCESS);
    EXPECT_NE(opened, m_key);
    RegCloseKey(opened);
}

TEST_F(RegistryConformance, OpenAndCreateRejectBadArguments)
{
    HKEY key = reinterpret_cast<HKEY>(uintptr_t(kSentinel));
    EXPECT_EQ(RegOpenKeyExW(m_key, u"missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExW(m_key, u"missing", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExW(m_key, u"\\a", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyExW(reinterpret_cast<HKEY>(uintptr_t(0x1234)), u"a", 0, KEY_READ, &key),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExW(nullptr, u"a", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);

    DWORD disposition = kSentinel;
    EXPECT_EQ(RegCreateKeyExW(m_key, u"x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr, &disposition),
              ERROR_BADKEY);
    EXPECT_EQ(RegCreateKeyExW(m_key, u"x", 1, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExW(m_key, u"x\\\\y", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(disposition, kSentinel);
    EXPECT_FALSE(keyExists(m_key, u"x"));
}

TEST_F(RegistryConformance, NameLengthLimits)
{
    const std::u16string longestKey(kMaxKeyNameLength, u'k');
    const std::u16string tooLongKey(kMaxKeyNameLength + 1, u'k');
    HKEY key = create(m_key, longestKey.c_str());
    RegCloseKey(key);
    key = reinterpret_cast<HKEY>(uintptr_t(kSentinel));
    EXPECT_EQ(RegCreateKeyExW(m_key, tooLongKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExW(m_key, tooLongKey.c_str(), 0, KEY_READ, &key), ERROR_INVALID_PARAMETER);

    const std::u16string longestValue(kMaxValueNameLength, u'v');
    const std::u16string tooLongValue(kMaxValueNameLength + 1, u'v');
    EXPECT_EQ(setDword(m_key, longestValue.c_str(), 1), ERROR_SUCCESS);
    EXPECT_EQ(setDword(m_key, tooLongValue.c_str(), 1), ERROR_INVALID_PARAMETER);
    // A name no value can have is simply not found, size query included.
    DWORD size = kSentinel;
    EXPECT_EQ(RegQueryValueExW(m_key, tooLongValue.c_str(), nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(size, 0u);

    DWORD maxSubKey = 0, maxValueName = 0;
    EXPECT_EQ(RegQueryInfoKeyW(m_key, nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr, nullptr,
                               &maxValueName, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(maxSubKey, kMaxKeyNameLength);
    EXPECT_EQ(maxValueName, kMaxValueNameLength);
}

TEST_F(RegistryConformance, QueryValueSizesAndSentinels)
{
    const std::u16string text = u"foobar";
    ASSERT_EQ(setString(m_key, u"Test", text), ERROR_SUCCESS);
    const DWORD needed = 14;

    DWORD type = kSentinel, size = kSentinel;
    EXPECT_EQ(RegQueryValueExW(m_key, u"Test", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, needed);

    BYTE buffer[32];
    std::memset(buffer, 0xAB, sizeof buffer);
    size = needed - 1;
    EXPECT_EQ(RegQueryValueExW(m_key, u"Test", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, needed);
    for (BYTE b : buffer)
        ASSERT_EQ(b, 0xAB) << "nothing may be written when the buffer is too small";

    size = needed;
    EXPECT_EQ(RegQueryValueExW(m_key, u"Test", nullptr, &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buffer)), text);
    EXPECT_EQ(buffer[needed], 0xAB);

    EXPECT_EQ(RegQueryValueExW(m_key, u"Test", nullptr, &type, buffer, nullptr), ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExW(m_key, u"Test", &reserved, &type, nullptr, &size), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(m_key, u"Test", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
}

TEST_F(RegistryConformance, SetValueStoresBytesAsGiven)
{
    EXPECT_EQ(RegSetValueExW(m_key, u"bin", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    EXPECT_EQ(RegSetValueExW(m_key, u"empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    DWORD type = kSentinel, size = kSentinel;
    EXPECT_EQ(RegQueryValueExW(m_key, u"empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 0u);

    // The unnamed value answers to both a null and an empty name.
    ASSERT_EQ(setDword(m_key, nullptr, 7), ERROR_SUCCESS);
    DWORD value = 0;
    size = 4;
    EXPECT_EQ(RegQueryValueExW(m_key, u"", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 7u);

    // Overwriting changes the type and keeps the name's first spelling.
    const uint64_t big = 0x1122334455667788ULL;
    ASSERT_EQ(setDword(m_key, u"Mixed", 1), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(m_key, u"MIXED", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&big), 8), ERROR_SUCCESS);
    char16_t name[32];
    DWORD nameLength = 32;
    uint64_t read = 0;
    size = 8;
    DWORD index = 0;
    for (;; ++index) {
        nameLength = 32;
        size = 8;
        ASSERT_EQ(RegEnumValueW(m_key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&read),
                                &size),
                  ERROR_SUCCESS);
        if (std::u16string(name) == u"Mixed")
            break;
    }
    EXPECT_EQ(type, REG_QWORD);
    EXPECT_EQ(read, big);
}

TEST_F(RegistryConformance, NamesCompareWithoutCaseBeyondAscii)
{
    struct Row
    {
        const char* what;
        const char16_t* stored;
        const char16_t* lookedUp;
        bool found;
    } rows[] = {
        {"ascii", u"MixedCase", u"mixedcase", true},
        {"latin-1 umlauts", u"ÄÖÜ", u"äöü", true},
        {"greek", u"ΣΟΦΙΑ", u"σοφια", true},
        {"cyrillic", u"Привет", u"пРИВЕТ", true},
        {"different letters", u"ÄÖÜ", u"aou", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        HKEY parent = create(m_key, u"case");
        HKEY key = create(parent, row.stored);
        EXPECT_EQ(setDword(parent, row.stored, 1), ERROR_SUCCESS);
        HKEY found = nullptr;
        EXPECT_EQ(RegOpenKeyExW(parent, row.lookedUp, 0, KEY_READ, &found),
                  row.found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(RegQueryValueExW(parent, row.lookedUp, nullptr, nullptr, nullptr, nullptr),
                  row.found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
        DWORD disposition = 0;
        HKEY again = create(parent, row.lookedUp, &disposition);
        EXPECT_EQ(disposition, row.found ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY);

        // Enumeration gives back the spelling of the creation.
        char16_t name[64];
        DWORD length = 64;
        ASSERT_EQ(RegEnumKeyExW(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        if (row.found) {
            EXPECT_EQ(std::u16string(name), row.stored);
        }
        for (HKEY k : {key, found, again})
            if (k)
                RegCloseKey(k);
        EXPECT_EQ(SHDeleteKeyW(m_key, u"case"), ERROR_SUCCESS);
        RegCloseKey(parent);
    }
}

TEST_F(RegistryConformance, EnumKeyAtAndPastTheEnd)
{
    for (const char16_t* name : {u"beta", u"Alpha", u"gamma"})
        RegCloseKey(create(m_key, name));
    const std::u16string expected[] = {u"Alpha", u"beta", u"gamma"};
    char16_t name[16];
    for (DWORD i = 0; i < 3; ++i) {
        DWORD length = 16;
        ASSERT_EQ(RegEnumKeyExW(m_key, i, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(std::u16string(name), expected[i]);
        EXPECT_EQ(length, expected[i].size());
    }
    DWORD length = 16;
    EXPECT_EQ(RegEnumKeyExW(m_key, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyExW(m_key, 100, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(length, 16u);

    // "Alpha" needs 6 code units with its terminator: 5 is too few and nothing is written.
    std::fill(std::begin(name), std::end(name), u'x');
    length = 5;
    EXPECT_EQ(RegEnumKeyExW(m_key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(name[0], u'x');
    length = 6;
    EXPECT_EQ(RegEnumKeyExW(m_key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(length, 5u);

    EXPECT_EQ(RegEnumKeyExW(m_key, 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumKeyExW(m_key, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);

    uint32_t fileTime[2] = {0, 0};
    length = 16;
    EXPECT_EQ(RegEnumKeyExW(m_key, 0, name, &length, nullptr, nullptr, nullptr, fileTime), ERROR_SUCCESS);
    EXPECT_NE(fileTime[1], 0u) << "the last write time is a FILETIME";
}

// The overflow cases of Wine's enum_value test, for the wide call.
TEST_F(RegistryConformance, EnumValueOverflows)
{
    const std::u16string data = u"foobar";
    ASSERT_EQ(setString(m_key, u"Test", data), ERROR_SUCCESS);
    const std::u16string xxx = u"xxxxxxxx";
    struct Row
    {
        const char* what;
        DWORD nameCapacity;
        DWORD dataCapacity;
        LONG result;
        DWORD nameLengthAfter;
        DWORD dataSizeAfter;
        bool nameWritten;
        bool dataWritten;
    } rows[] = {
        {"both too small", 2, 2, ERROR_MORE_DATA, 2, 14, false, false},
        {"name too small", 3, 20, ERROR_MORE_DATA, 3, 14, false, false},
        {"name without room for terminator", 4, 20, ERROR_MORE_DATA, 4, 14, false, false},
        {"data too small", 20, 2, ERROR_MORE_DATA, 4, 14, true, false},
        {"both fit", 20, 20, ERROR_SUCCESS, 4, 14, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        char16_t name[20];
        char16_t buffer[20];
        std::copy(xxx.c_str(), xxx.c_str() + xxx.size() + 1, name);
        std::copy(xxx.c_str(), xxx.c_str() + xxx.size() + 1, buffer);
        DWORD nameLength = row.nameCapacity, dataSize = row.dataCapacity, type = 1234;
        EXPECT_EQ(RegEnumValueW(m_key, 0, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                                &dataSize),
                  row.result);
        EXPECT_EQ(nameLength, row.nameLengthAfter);
        EXPECT_EQ(dataSize, row.dataSizeAfter);
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(std::u16string(name), row.nameWritten ? u"Test" : xxx);
        EXPECT_EQ(std::u16string(buffer), row.dataWritten ? data : xxx);
    }

    DWORD nameLength = 20, dataSize = 20;
    char16_t name[20];
    EXPECT_EQ(RegEnumValueW(m_key, 1, name, &nameLength, nullptr, nullptr, nullptr, &dataSize), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumValueW(m_key, 7, name, &nameLength, nullptr, nullptr, nullptr, &dataSize), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumValueW(m_key, 0, nullptr, &nameLength, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumValueW(m_key, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryConformance, QueryInfoKeyCountsAndMaxima)
{
    RegCloseKey(create(m_key, u"short"));
    RegCloseKey(create(m_key, u"a longer name"));
    ASSERT_EQ(setString(m_key, nullptr, u"default"), ERROR_SUCCESS);
    ASSERT_EQ(setDword(m_key, u"dw", 1), ERROR_SUCCESS);
    ASSERT_EQ(setString(m_key, u"longest value", u"xyz"), ERROR_SUCCESS);

    DWORD subKeys = kSentinel, maxSubKey = kSentinel, maxClass = kSentinel, values = kSentinel,
          maxValueName = kSentinel, maxValue = kSentinel;
    EXPECT_EQ(RegQueryInfoKeyW(m_key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, &maxClass, &values,
                               &maxValueName, &maxValue, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSubKey, 13u);
    EXPECT_EQ(maxClass, 0u);
    EXPECT_EQ(values, 3u);
    EXPECT_EQ(maxValueName, 13u);
    EXPECT_EQ(maxValue, 16u); // "default" with its terminator

    char16_t keyClass[4] = {u'x', u'x', u'x', 0};
    EXPECT_EQ(RegQueryInfoKeyW(m_key, keyClass, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryInfoKeyW(m_key, nullptr, nullptr, &reserved, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryConformance, DeleteKeyRefusesSubKeysAndShDeleteTakesTheTree)
{
    RegCloseKey(create(m_key, u"tree\\child\\grandchild"));
    HKEY child = create(m_key, u"tree\\child");
    ASSERT_EQ(setDword(child, u"v", 1), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteKeyW(m_key, u"tree"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyExW(m_key, u"tree", KEY_WOW64_64KEY, 0), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(keyExists(m_key, u"tree\\child\\grandchild"));
    EXPECT_EQ(RegDeleteKeyW(m_key, u"tree\\child\\grandchild"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(m_key, u"tree\\child\\grandchild"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(m_key, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u""), ERROR_ACCESS_DENIED);

    RegCloseKey(create(m_key, u"tree\\child\\again"));
    EXPECT_EQ(SHDeleteKeyW(m_key, u"tree"), ERROR_SUCCESS);
    EXPECT_FALSE(keyExists(m_key, u"tree"));
    EXPECT_EQ(SHDeleteKeyW(m_key, u"tree"), ERROR_FILE_NOT_FOUND);

    // A key created again under the old name is a new key: the old handle stays dead.
    RegCloseKey(create(m_key, u"tree\\child"));
    EXPECT_EQ(RegQueryValueExW(child, u"v", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    RegCloseKey(child);

    EXPECT_EQ(RegDeleteValueW(m_key, u"none"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(setDword(m_key, u"gone", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(m_key, u"GONE"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(m_key, u"gone", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryConformance, HandleOfADeletedKeyAnswersKeyDeletedAndNeverRecreates)
{
    HKEY first = create(m_key, u"victim");
    ASSERT_EQ(setDword(first, u"v", 1), ERROR_SUCCESS);
    HKEY second = nullptr;
    ASSERT_EQ(RegOpenKeyExW(m_key, u"victim", 0, KEY_ALL_ACCESS, &second), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyW(second, u""), ERROR_SUCCESS);

    DWORD size = kSentinel;
    EXPECT_EQ(RegQueryValueExW(first, u"v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(size, kSentinel);
    EXPECT_EQ(setDword(first, u"v", 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteValueW(first, u"v"), ERROR_KEY_DELETED);
    char16_t name[8];
    DWORD length = 8;
    EXPECT_EQ(RegEnumKeyExW(first, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumValueW(first, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryInfoKeyW(first, nullptr, nullptr, nullptr, &size, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_KEY_DELETED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExW(first, u"sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyExW(first, u"", 0, KEY_READ, &sub), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyW(first, u""), ERROR_KEY_DELETED);
    EXPECT_FALSE(keyExists(m_key, u"victim"));
    EXPECT_EQ(RegCloseKey(first), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
}

TEST_F(RegistryConformance, HandleAccessIsEnforced)
{
    HKEY readOnly = nullptr, writeOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\MovraTest", 0, KEY_READ | KEY_WOW64_64KEY, &readOnly),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\MovraTest", 0, KEY_SET_VALUE, &writeOnly), ERROR_SUCCESS);
    EXPECT_EQ(setDword(readOnly, u"v", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(readOnly, u"v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setDword(writeOnly, u"v", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(writeOnly, u"v", nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegQueryValueExW(readOnly, u"v", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(readOnly);
    RegCloseKey(writeOnly);
}

TEST_F(RegistryConformance, RootsAreSeparateAndClassesRootIsMachineSoftwareClasses)
{
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, u"Software\\MovraTest"));
    HKEY classes = create(HKEY_CLASSES_ROOT, u".mkv");
    ASSERT_EQ(setString(classes, nullptr, u"Movra.mkv"), ERROR_SUCCESS);
    RegCloseKey(classes);
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\.mkv"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, u"SOFTWARE\\Classes\\.mkv"));

    char16_t name[16];
    DWORD length = 16;
    EXPECT_EQ(RegEnumKeyExW(HKEY_CLASSES_ROOT, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u".mkv");
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u".mkv"), ERROR_SUCCESS);
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes"));
}

TEST_F(RegistryConformance, ValuesSurviveReopening)
{
    ASSERT_EQ(setString(m_key, u"kept", u"yes"), ERROR_SUCCESS);
    RegCloseKey(m_key);
    m_key = nullptr;
    resetRegistryForTesting();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\movratest", 0, KEY_READ, &key), ERROR_SUCCESS);
    char16_t text[8];
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueExW(key, u"KEPT", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(text), u"yes");
    RegCloseKey(key);
}

} // namespace
