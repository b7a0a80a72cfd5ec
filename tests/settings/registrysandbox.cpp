#include "registrysandbox.h"

#include "settings/applicationsettings.h"

#include <QSettings>

using namespace MovraRegistry;

RegistrySandbox::SettingsReleased::SettingsReleased()
{
    reconnect();
}

RegistrySandbox::RegistrySandbox()
{
    // Nothing a test does may reach the legacy settings of the user running it.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder() + QStringLiteral("/legacy-user"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, folder() + QStringLiteral("/legacy-system"));
    reconnect();
}

RegistrySandbox::~RegistrySandbox()
{
    reconnect();
}

void RegistrySandbox::reconnect()
{
    MovraPlayerX::ApplicationSettings::startup().release();
    MovraPlayerX::ApplicationSettings::application().release();
    resetRegistryForTesting();
}

namespace rawreg {

bool keyExists(HKEY root, const std::u16string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

LONG createKey(HKEY root, const std::u16string& path)
{
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS)
        RegCloseKey(key);
    return status;
}

LONG write(HKEY root, const std::u16string& path, const std::u16string& name, DWORD type,
           const std::vector<uint8_t>& bytes)
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = setValueVerbatim(key, name.c_str(), type, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return status;
}

Value read(HKEY root, const std::u16string& path, const std::u16string& name)
{
    Value value;
    HKEY key = nullptr;
    value.status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key);
    if (value.status != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    value.status = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (value.status == ERROR_SUCCESS) {
        value.bytes.resize(size);
        value.status = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.bytes.data(), &size);
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    return value;
}

std::vector<uint8_t> qword(uint64_t value)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 8; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return bytes;
}

std::vector<uint8_t> dword(uint32_t value)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return bytes;
}

std::vector<uint8_t> utf16z(const std::u16string& text)
{
    std::vector<uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

} // namespace rawreg
