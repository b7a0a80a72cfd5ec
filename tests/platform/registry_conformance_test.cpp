// Conformance of the registry layer with Win32 in the manner of Wine's registry tests:
// exact error codes and out-sizes, out-parameters left alone on failure.

#include "platform/registry.h"
#include "support/temporaryregistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

using namespace MovraRegistry;

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

class RegistryConformance : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\MovraTest", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &m_key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override { RegCloseKey(m_key); }

    HKEY create(HKEY parent, const char16_t* path, DWORD* disposition = nullptr)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition),
                  ERROR_SUCCESS);
        return key;
    }
    LONG setString(HKEY key, const char16_t* name, const std::u16string& text)
    {
        return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * 2));
    }
    LONG setDword(HKEY key, const char16_t* name, DWORD value)
    {
        return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    }
    bool keyExists(HKEY parent, const char16_t* path)
    {
        HKEY key = nullptr;
        const LONG rc = RegOpenKeyExW(parent, path, 0, KEY_READ, &key);
        if (rc == ERROR_SUCCESS)
            RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }

    MovraTest::TemporaryRegistry m_registry;
    HKEY m_key = nullptr;
};

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

HKEY keyFromBits(uint64_t bits)
{
    return reinterpret_cast<HKEY>(static_cast<uintptr_t>(bits));
}

const HKEY kSentinelKey = keyFromBits(kSentinel);

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
