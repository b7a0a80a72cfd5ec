#include "integration/registryview.h"

#include <vector>

namespace MovraPlayerX {

using namespace MovraRegistry;

namespace {

const QString kDefaultValueName = QStringLiteral("Default");

std::u16string valueName(const QString& key)
{
    return key == kDefaultValueName ? std::u16string() : key.toStdU16String();
}

QString fromValueName(const char16_t* name, DWORD length)
{
    return length == 0 ? kDefaultValueName : QString::fromUtf16(name, static_cast<qsizetype>(length));
}

// A handle to a key opened for reading, closed with the holder; the root itself when the
// path is empty.
class OpenKey
{
public:
    OpenKey(HKEY root, const std::u16string& path, REGSAM access)
    {
        if (path.empty())
            key = root;
        else if (RegOpenKeyExW(root, path.c_str(), 0, access, &key) == ERROR_SUCCESS)
            owned = true;
        else
            key = nullptr;
    }
    ~OpenKey()
    {
        if (owned)
            RegCloseKey(key);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    explicit operator bool() const { return key != nullptr; }
    HKEY get() const { return key; }

private:
    HKEY key = nullptr;
    bool owned = false;
};

} // namespace

RegistryView::RegistryView(HKEY root_, const QString& path)
    : root(root_)
    , base(QString(path).replace(QLatin1Char('/'), QLatin1Char('\\')))
    , writable(registryRootWritable(root_) == ERROR_SUCCESS)
{
}

std::u16string RegistryView::keyPath(const QString& relative) const
{
    QStringList parts;
    if (!base.isEmpty())
        parts << base;
    parts << groups;
    if (!relative.isEmpty())
        parts << relative;
    return parts.join(QLatin1Char('\\')).toStdU16String();
}

QStringList RegistryView::childGroups() const
{
    QStringList names;
    OpenKey key(root, keyPath(), KEY_READ);
    if (!key)
        return names;
    std::vector<char16_t> buffer(kMaxKeyNameLength + 1);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (RegEnumKeyExW(key.get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr)
            != ERROR_SUCCESS)
            break;
        names << QString::fromUtf16(buffer.data(), static_cast<qsizetype>(length));
    }
    return names;
}

QStringList RegistryView::childKeys() const
{
    QStringList names;
    OpenKey key(root, keyPath(), KEY_READ);
    if (!key)
        return names;
    std::vector<char16_t> buffer(kMaxValueNameLength + 1);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (RegEnumValueW(key.get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr)
            != ERROR_SUCCESS)
            break;
        names << fromValueName(buffer.data(), length);
    }
    return names;
}

void RegistryView::beginGroup(const QString& prefix)
{
    const QStringList parts = QString(prefix).replace(QLatin1Char('/'), QLatin1Char('\\')).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    // One entry per call, so endGroup() undoes exactly one beginGroup().
    groups << parts.join(QLatin1Char('\\'));
}

void RegistryView::endGroup()
{
    if (!groups.isEmpty())
        groups.removeLast();
}

QString RegistryView::group() const
{
    QStringList nonEmpty = groups;
    nonEmpty.removeAll(QString());
    return nonEmpty.join(QLatin1Char('\\'));
}

bool RegistryView::contains(const QString& name) const
{
    OpenKey key(root, keyPath(), KEY_QUERY_VALUE);
    if (!key)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    const LONG status = RegQueryValueExW(key.get(), valueName(name).c_str(), nullptr, &type, nullptr, &size);
    return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}

QVariant RegistryView::value(const QString& name, const QVariant& defaultValue) const
{
    OpenKey key(root, keyPath(), KEY_QUERY_VALUE);
    if (!key)
        return defaultValue;
    const std::u16string valueNameText = valueName(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), valueNameText.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return defaultValue;
    std::vector<BYTE> data(size + sizeof(char16_t));
    if (RegQueryValueExW(key.get(), valueNameText.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return defaultValue;

    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        qsizetype units = static_cast<qsizetype>(size / sizeof(char16_t));
        std::u16string text(units, u'\0');
        std::copy(data.begin(), data.begin() + units * sizeof(char16_t), reinterpret_cast<BYTE*>(text.data()));
        // Stored with or without the terminating NUL; the text ends at the first one.
        const auto end = text.find(u'\0');
        if (end != std::u16string::npos)
            text.resize(end);
        return QString::fromStdU16String(text);
    }
    case REG_DWORD:
        if (size == sizeof(DWORD)) {
            DWORD number = 0;
            std::copy(data.begin(), data.begin() + sizeof(DWORD), reinterpret_cast<BYTE*>(&number));
            return QVariant::fromValue(static_cast<uint>(number));
        }
        return defaultValue;
    default:
        return defaultValue;
    }
}

void RegistryView::setValue(const QString& name, const QVariant& value)
{
    if (!writable)
        return;
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, keyPath().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr)
        != ERROR_SUCCESS)
        return;
    const std::u16string valueNameText = valueName(name);
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt: {
        const DWORD number = value.typeId() == QMetaType::Bool ? (value.toBool() ? 1u : 0u) : value.toUInt();
        RegSetValueExW(key, valueNameText.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof(number));
        break;
    }
    default: {
        const std::u16string text = value.toString().toStdU16String();
        RegSetValueExW(key, valueNameText.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
        break;
    }
    }
    RegCloseKey(key);
}

void RegistryView::remove(const QString& name)
{
    if (!writable)
        return;
    if (name.isEmpty()) {
        const std::u16string path = keyPath();
        if (!path.empty())
            SHDeleteKeyW(root, path.c_str());
        return;
    }
    OpenKey key(root, keyPath(), KEY_ALL_ACCESS);
    if (!key)
        return;
    RegDeleteValueW(key.get(), valueName(name).c_str());
    const std::u16string subKey = QString(name).replace(QLatin1Char('/'), QLatin1Char('\\')).toStdU16String();
    SHDeleteKeyW(key.get(), subKey.c_str());
}

} // namespace MovraPlayerX
