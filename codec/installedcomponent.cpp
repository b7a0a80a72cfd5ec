#include "codec/installedcomponent.h"

#include "codec/codeclog.h"
#include "settings/opensettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace mcm {

namespace {

const char kManifest[] = ".movra-component";

QString installValue(const QString& name, const char16_t* value)
{
    std::u16string text;
    if (!mvds::readInstallString(name.toStdU16String(), std::u16string(value), text))
        return QString();
    return QString::fromStdU16String(text);
}

} // namespace

QString installedComponentFolder(const QString& name)
{
    const QString folder = installValue(name, u"InstallDir");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return QString();
    QFile manifest(QDir(folder).filePath(QLatin1String(kManifest)));
    if (!manifest.exists())
        return folder;  // put there by someone else (a package): the record stands
    const QString version = installValue(name, u"Version");
    if (!manifest.open(QIODevice::ReadOnly) || manifest.size() > 4096) {
        qCWarning(lcCodec) << "cannot read" << manifest.fileName();
        return QString();
    }
    const QJsonObject fields = QJsonDocument::fromJson(manifest.readAll()).object();
    if (fields.value(QLatin1String("name")).toString() != name
        || fields.value(QLatin1String("version")).toString() != version) {
        qCWarning(lcCodec) << "component" << name << "not loaded: its record says version" << version << "but"
                           << folder << "holds" << fields.value(QLatin1String("version")).toString();
        return QString();
    }
    return folder;
}

} // namespace mcm
