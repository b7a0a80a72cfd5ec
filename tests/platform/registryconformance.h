#pragma once
// The registry conformance tests' fixture: a registry of the test's own with one key to work
// under, and the small writes and checks every case makes.

#include "platform/registry.h"
#include "support/temporaryregistry.h"

#include <gtest/gtest.h>

#include <string>

namespace RegistryTest {

using namespace MovraRegistry;

constexpr DWORD kSentinel = 0xdeadbeef;

inline HKEY keyFromBits(uint64_t bits)
{
    return reinterpret_cast<HKEY>(static_cast<uintptr_t>(bits));
}

const HKEY kSentinelKey = keyFromBits(kSentinel);

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

} // namespace RegistryTest
