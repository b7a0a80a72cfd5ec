#pragma once
// What the registry holds, read back through the movra-reg tool's export (a .reg file),
// so the tests see the records as any other reader would.

#include <QMap>
#include <QString>
#include <QStringList>

namespace IntegrationTest {

struct RegistryExport
{
    // Key path below the exported key ("movra_avi_file\\DefaultIcon", "" for the key
    // itself) -> value name ("" for the unnamed value) -> data as the file writes it:
    // text unescaped, other types as "dword:00000008".
    QMap<QString, QMap<QString, QString>> keys;

    bool hasKey(const QString& path) const { return keys.contains(path); }
    bool hasValue(const QString& path, const QString& name) const
    {
        return keys.contains(path) && keys.value(path).contains(name);
    }
    QString value(const QString& path, const QString& name = QString()) const
    {
        return keys.value(path).value(name, QStringLiteral("<missing>"));
    }
};

QString movraReg();
// Runs movra-reg with `arguments` against the registry in `registryDir`; its exit status.
int runMovraReg(const QString& registryDir, const QStringList& arguments, QString* output = nullptr);
// Exports `key` ("HKCR", "HKLM\\SOFTWARE"); an empty export when the key does not exist.
RegistryExport exportKey(const QString& registryDir, const QString& key);

} // namespace IntegrationTest
