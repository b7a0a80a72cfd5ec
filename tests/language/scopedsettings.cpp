#include "scopedsettings.h"

#include "mpx/osutilities.h"

#include <QString>

using namespace MovraRegistry;

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
