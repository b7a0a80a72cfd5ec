#pragma once
// A private registry for one test: both roots in a fresh temporary folder, the previous
// location restored afterwards. No section may outlive the sandbox.

#include "platform/registry.h"
#include "support/temporaryregistry.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class RegistrySandbox
{
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    QString folder() const { return QString::fromStdString(m_registry.dir()); }
    QString userFile() const { return QString::fromStdString(m_registry.userDatabase()); }
    QString machineFile() const { return QString::fromStdString(m_registry.machineDatabase()); }

    // Closes every connection, so files can be replaced underneath and read again.
    static void reconnect();

private:
    // The settings' open keys belong to the registry they were opened in: they are let go
    // before the registry changes, on the way in (this member comes first) and on the way out
    // (the destructor's body runs before the registry member goes).
    struct SettingsReleased
    {
        SettingsReleased();
    };
    SettingsReleased m_released;
    MovraTest::TemporaryRegistry m_registry;
};

// Raw registry access, bypassing the store, to set up and check what it wrote.
namespace rawreg {

struct Value
{
    MovraRegistry::LONG status = -1;
    MovraRegistry::DWORD type = 0;
    std::vector<uint8_t> bytes;
};

bool keyExists(MovraRegistry::HKEY root, const std::u16string& path);
MovraRegistry::LONG createKey(MovraRegistry::HKEY root, const std::u16string& path);
MovraRegistry::LONG write(MovraRegistry::HKEY root, const std::u16string& path, const std::u16string& name,
                          MovraRegistry::DWORD type, const std::vector<uint8_t>& bytes);
Value read(MovraRegistry::HKEY root, const std::u16string& path, const std::u16string& name);

std::vector<uint8_t> qword(uint64_t value);
std::vector<uint8_t> dword(uint32_t value);
std::vector<uint8_t> utf16z(const std::u16string& text);  // with the terminating NUL

} // namespace rawreg
