#include "tools/movra-plugins/pluginreport.h"

#include "framework/farm.h"
#include "framework/propertypaths.h"
#include "framework/widestring.h"

#include <QDir>
#include <QJsonArray>

#include <memory>

namespace MovraPlugins {

namespace {

constexpr char kVersionPath[] = "/properties/plugin/version";

QStringList values(const MSE::PluginInfo* info, const char* xpath)
{
    QStringList list;
    for (const MSE::movra_string<char>& value : info->getPropertyValues(MSE::movra_string<char>(xpath)))
        list << QString::fromUtf8(value.c_str(), static_cast<int>(value.length()));
    return list;
}

MSE::PluginInfo* recordOf(MSE::Farm& farm, const std::string& name)
{
    MSE::List<MSE::PluginInfo*> found;
    if (farm.getPluginInfos(&found, MSE::PluginContext::PluginNameFilter(MSE::movra_string<char>(name.c_str()))) != MSE::kResultOk)
        return nullptr;
    return found.at(0);
}

QString typeOf(const QList<PluginFolder>& folders, const QString& library)
{
    for (const PluginFolder& folder : folders) {
        if (QDir::cleanPath(QFileInfo(library).absolutePath()) == QDir::cleanPath(QFileInfo(folder.path).absoluteFilePath()))
            return folder.type;
    }
    return QStringLiteral("plugin");
}

QJsonArray array(const QStringList& list)
{
    return QJsonArray::fromStringList(list);
}

} // namespace

QList<PluginFolder> applicationFolders(const QString& appDir)
{
    return {{appDir + QStringLiteral("/MSEPlugins"), QStringLiteral("stream-engine")},
            {appDir + QStringLiteral("/MPXPlugins"), QStringLiteral("player")}};
}

QList<PluginEntry> listPlugins(const QList<PluginFolder>& folders)
{
    auto farm = std::make_unique<MSE::Farm>();
    for (const PluginFolder& folder : folders)
        farm->discoverPlugins(MSE::fromUtf8(folder.path.toStdString()));

    QList<PluginEntry> entries;
    for (const MSE::PluginStatus& status : farm->pluginStatuses()) {
        PluginEntry entry;
        entry.library = QDir::cleanPath(QString::fromStdString(status.library));
        entry.name = QString::fromStdString(status.name);
        entry.type = typeOf(folders, entry.library);
        entry.refused = status.state == MSE::PluginStatus::Refused;
        entry.reason = QString::fromStdString(status.reason);
        if (status.state == MSE::PluginStatus::Registered) {
            if (MSE::PluginInfo* info = recordOf(*farm, status.name)) {
                entry.version = values(info, kVersionPath).value(0);
                entry.interfaces = values(info, MSE::PropertyPath::kInterfaces);
                entry.videoFormats = values(info, MSE::PropertyPath::kVideoInputFormats);
                entry.overlayFormats = values(info, MSE::PropertyPath::kOverlayInputFormats);
                entry.audioFormats = values(info, MSE::PropertyPath::kAudioInputFormats);
                MSE::LibraryContext* context = nullptr;
                if (farm->getLibraryContext(info, &context) != MSE::kResultOk) {
                    entry.refused = true;
                    entry.reason = QString::fromStdString(farm->lastLoadError(info->name));
                }
            }
        }
        entries << entry;
    }
    return entries;
}

QJsonObject PluginEntry::toJson() const
{
    QJsonObject object{{QStringLiteral("name"), name},
                       {QStringLiteral("type"), type},
                       {QStringLiteral("library"), library},
                       {QStringLiteral("state"), refused ? QStringLiteral("refused") : QStringLiteral("registered")}};
    if (refused)
        object.insert(QStringLiteral("reason"), reason);
    if (!version.isEmpty())
        object.insert(QStringLiteral("version"), version);
    object.insert(QStringLiteral("interfaces"), array(interfaces));
    object.insert(QStringLiteral("formats"), QJsonObject{{QStringLiteral("video"), array(videoFormats)},
                                                         {QStringLiteral("overlay"), array(overlayFormats)},
                                                         {QStringLiteral("audio"), array(audioFormats)}});
    return object;
}

QString PluginEntry::toText() const
{
    QString text = (name.isEmpty() ? QFileInfo(library).fileName() : name) + QLatin1Char('\n');
    const auto field = [&text](const char* label, const QString& value) {
        if (!value.isEmpty())
            text += QStringLiteral("    %1 %2\n").arg(QString::fromLatin1(label), -11).arg(value);
    };
    field("state", refused ? QStringLiteral("refused: ") + reason : QStringLiteral("registered"));
    field("type", type);
    field("library", library);
    field("version", version);
    field("interfaces", interfaces.join(QStringLiteral(", ")));
    field("video in", videoFormats.join(QStringLiteral(", ")));
    field("overlay in", overlayFormats.join(QStringLiteral(", ")));
    field("audio in", audioFormats.join(QStringLiteral(", ")));
    return text;
}

} // namespace MovraPlugins
