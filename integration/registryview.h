#pragma once
// A view of one registry key in the shape of QSettings' native format, so the association
// records read as they are written on Windows: groups are sub-keys, "Default" is the
// key's unnamed value, text is stored as REG_SZ and integers as REG_DWORD.
//
// Like QSettings, nothing is verified: a write the registry refuses (the machine root of an
// ordinary user) is dropped without a word and the caller carries on.

#include "platform/registry.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace MovraPlayerX {

class RegistryView
{
public:
    // `path`: a key below `root` ("SOFTWARE"), or empty for the root itself.
    RegistryView(MovraRegistry::HKEY root, const QString& path);

    // Sub-keys of the current group, in the registry's order.
    QStringList childGroups() const;
    // Value names of the current group ("Default" for the unnamed one).
    QStringList childKeys() const;

    // Groups nest; `prefix` may hold several levels separated by "\" or "/".
    void beginGroup(const QString& prefix);
    void endGroup();
    QString group() const;

    // Whether the current group holds a value of that name.
    bool contains(const QString& key) const;
    // REG_SZ and REG_EXPAND_SZ read as QString, REG_DWORD as uint; anything else, or a
    // missing value, gives `defaultValue`.
    QVariant value(const QString& key, const QVariant& defaultValue = QVariant()) const;
    // Integers and bools become REG_DWORD, everything else its text as REG_SZ.
    void setValue(const QString& key, const QVariant& value);
    // The value of that name and the sub-key of that name with everything below it; an
    // empty key removes the current group itself.
    void remove(const QString& key);
    // Every write is committed as it is made; kept for the shape of the calls.
    void sync() {}

    bool isWritable() const { return writable; }

private:
    std::u16string keyPath(const QString& relative = QString()) const;

    MovraRegistry::HKEY root;
    QString base;
    QStringList groups;
    bool writable;
};

} // namespace MovraPlayerX
