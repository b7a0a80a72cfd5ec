#pragma once
// Deleting a section's key tree.

#include "platform/registry.h"

#include <cstdint>
#include <string>

namespace mvds {

using DeleteKeyExFunction = MovraRegistry::LONG (*)(MovraRegistry::HKEY, const char16_t*,
                                                    MovraRegistry::REGSAM, MovraRegistry::DWORD);

// Deletes `path` and everything below it under `root` (0x80000001 user, 0x80000002
// machine). Refuses any path outside SOFTWARE\Movra\ and any other root.
bool deleteSettingsKey(const std::u16string& path, uint32_t root);

// The machine-root walk: deletes the sub-keys depth first, highest index first, then the
// key itself with `deleteKey` (RegDeleteKeyW when null). Stops at the first failure;
// whatever was deleted before it stays deleted.
bool deleteMachineKeyTree(const std::u16string& path, DeleteKeyExFunction deleteKey);

} // namespace mvds
