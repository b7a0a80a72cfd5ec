#pragma once
// What the registry's storage tests share: whether a file is there, and DWORD values set and
// read through the registry calls.

#include "platform/registry.h"

#include <string>

#include <sys/stat.h>

namespace RegistryStorageTest {

using namespace MovraRegistry;

inline bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

inline LONG setDword(HKEY root, const char16_t* path, const char16_t* name, DWORD value)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(key);
    return rc;
}

inline LONG getDword(HKEY root, const char16_t* path, const char16_t* name, DWORD* value)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(root, path, 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    DWORD size = 4;
    rc = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return rc;
}

} // namespace RegistryStorageTest
