#include "settings/settingskeydeletion.h"

#include "settings/memorybuffer.h"
#include "settings/movrasettings.h"
#include "settings/scopedlmkey.h"
#include "settings/settingslog.h"

using namespace MovraRegistry;

namespace mvds {

namespace {

const char16_t kProductKey[] = u"SOFTWARE\\Movra\\";
constexpr REGSAM kReadWriteAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY;

} // namespace

bool deleteSettingsKey(const std::u16string& path, uint32_t root)
{
    if (path.find(kProductKey) == std::u16string::npos) {
        qCDebug(lcSettings) << "refusing to delete a key outside the product key:"
                            << QString::fromUtf16(path.data(), static_cast<qsizetype>(path.size()));
        return false;
    }
    if (root == MovraSettings::kUserRoot)
        return SHDeleteKeyW(HKEY_CURRENT_USER, path.c_str()) == ERROR_SUCCESS;
    if (root == MovraSettings::kMachineRoot)
        return deleteMachineKeyTree(path, RegDeleteKeyExW);
    return false;
}

bool deleteMachineKeyTree(const std::u16string& path, DeleteKeyExFunction deleteKey)
{
    ScopedLMKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, kReadWriteAccess, key.out()) != ERROR_SUCCESS
        || !key.get())
        return false;
    DWORD count = 0;
    DWORD longest = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    mvtl::MemoryBuffer<unsigned short> buffer(longest + 1, true);
    if (buffer.size() != longest + 1)
        return false;
    auto* name = reinterpret_cast<char16_t*>(buffer.get());

    // From the highest index down, so the indexes still to come stay valid while
    // sub-keys disappear.
    for (int64_t index = static_cast<int64_t>(count) - 1; index >= 0; --index) {
        DWORD length = longest + 1;
        if (RegEnumKeyExW(key.get(), static_cast<DWORD>(index), name, &length, nullptr, nullptr,
                          nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        if (!deleteMachineKeyTree(path + u'\\' + std::u16string(name, length), deleteKey))
            return false;
    }
    const LONG status = deleteKey ? deleteKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0)
                                  : RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
    return status == ERROR_SUCCESS;
}

} // namespace mvds
