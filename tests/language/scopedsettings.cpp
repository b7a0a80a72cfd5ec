#include "scopedsettings.h"

#include "mpx/osutilities.h"

#include <QFile>
#include <QString>

#include <stdexcept>

using namespace MovraRegistry;

namespace {

const char kRegistryFolderVariable[] = "MOVRA_REGISTRY_DIR";

void switchRegistry()
{
    MovraPlayerX::ApplicationSettings::startup().release();
    resetRegistryForTesting();
}

} // namespace

ScopedSettings::ScopedSettings()
    : m_previous(qgetenv(kRegistryFolderVariable))
    , m_hadPrevious(qEnvironmentVariableIsSet(kRegistryFolderVariable))
{
    if (!m_folder.isValid())
        throw std::runtime_error("no temporary folder for the registry");
    switchRegistry();
    qputenv(kRegistryFolderVariable, QFile::encodeName(m_folder.path()));
}

ScopedSettings::~ScopedSettings()
{
    switchRegistry();
    if (m_hadPrevious)
        qputenv(kRegistryFolderVariable, m_previous);
    else
        qunsetenv(kRegistryFolderVariable);
}

QStringList ScopedSettings::storedValues(const char* group)
{
    const std::u16string path = u"SOFTWARE\\Movra\\Settings\\"
                                + QString::fromStdString(MovraPlayerX::OSUtilities::getComponentIdUTF8()).toStdU16String()
                                + u"\\" + QString::fromLatin1(group).toStdU16String();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    QStringList names;
    for (DWORD index = 0;; ++index) {
        char16_t name[kMaxValueNameLength + 1];
        DWORD length = kMaxValueNameLength + 1;
        if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names << QString::fromUtf16(name, static_cast<qsizetype>(length));
    }
    RegCloseKey(key);
    names.sort();
    return names;
}
