#include "tools/movra-plugins/inspector.h"

#include "framework/farm.h"
#include "framework/widestring.h"

#include <MovraPlayerX/PluginInterfaces.h>
#include <MovraStreamEngine/Decoder.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

namespace MovraPlugins {

namespace {

// Marks the child's answer among whatever else the plug-in prints.
constexpr char kAnswerMarker[] = "movra-plugins-answer: ";

const char* const kKnownInterfaces[] = {
    MovraPlayerX::kStartupInterface,
    MovraPlayerX::kViewInterface,
    MovraPlayerX::kShutdownInterface,
    MovraPlayerX::kPlaybackServicesInterface,
    MovraPlayerX::kMediaManagerInterface,
    MovraPlayerX::kURIHandlerInterface,
    MovraStreamEngine::kDecoderInterface,
    "com.movra.streamengine.pluginInterface.TextDecode",
};

int answer(QJsonObject result)
{
    const bool inspected = result.value(QStringLiteral("state")).toString() == QLatin1String("inspected");
    std::printf("%s%s\n", kAnswerMarker, QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
    return inspected ? 0 : 1;
}

QString fromUtf8(const MSE::movra_string<char>& text)
{
    return QString::fromUtf8(text.c_str(), static_cast<int>(text.length()));
}

} // namespace

int runInspectChild(const QString& folder, const QString& file)
{
    QJsonObject result{{QStringLiteral("library"), folder + QLatin1Char('/') + file}};
    auto farm = std::make_unique<MSE::Farm>();
    if (farm->addPlugin(MSE::fromUtf8(folder.toStdString()), MSE::fromUtf8(file.toStdString())) != MSE::kResultOk) {
        result.insert(QStringLiteral("state"), QStringLiteral("refused"));
        const std::vector<MSE::PluginStatus> statuses = farm->pluginStatuses();
        result.insert(QStringLiteral("reason"),
                      QString::fromStdString(statuses.empty() ? std::string() : statuses.back().reason));
        return answer(result);
    }
    MSE::PluginInfo* info = farm->pluginInfos.at(0);
    result.insert(QStringLiteral("name"), fromUtf8(info->name));
    QStringList declared;
    for (const MSE::movra_string<char>& id : info->interfaces)
        declared << fromUtf8(id);
    result.insert(QStringLiteral("declared"), QJsonArray::fromStringList(declared));

    MSE::Plugin* plugin = nullptr;
    const int created = farm->createPlugin(info, &plugin);
    if (created != 0 || !plugin) {
        result.insert(QStringLiteral("state"), QStringLiteral("refused"));
        result.insert(QStringLiteral("reason"), QString::fromStdString(farm->lastLoadError(info->name)));
        return answer(result);
    }
    QStringList asked = declared;
    for (const char* id : kKnownInterfaces) {
        if (!asked.contains(QLatin1String(id)))
            asked << QLatin1String(id);
    }
    QStringList offered;
    for (const QString& id : asked) {
        void* found = nullptr;
        const std::string narrow = id.toStdString();
        if (plugin->getInterface(MSE::movra_string<char>(narrow.c_str()), &found) == MSE::kResultOk && found)
            offered << id;
    }
    plugin->release();
    result.insert(QStringLiteral("state"), QStringLiteral("inspected"));
    result.insert(QStringLiteral("offered"), QJsonArray::fromStringList(offered));
    return answer(result);
}

QJsonObject inspectInChild(const QString& program, const QString& library, bool forwardErrors, int timeoutMs)
{
    const QFileInfo info(library);
    QJsonObject failure{{QStringLiteral("library"), info.absoluteFilePath()}};
    QProcess child;
    if (forwardErrors)
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    else
        child.setStandardErrorFile(QProcess::nullDevice());
    child.start(program, {QString::fromLatin1(kInspectChildOption), info.absolutePath(), info.fileName()});
    if (!child.waitForStarted()) {
        failure.insert(QStringLiteral("state"), QStringLiteral("failed"));
        failure.insert(QStringLiteral("reason"), QStringLiteral("cannot start ") + program + QStringLiteral(": ") + child.errorString());
        return failure;
    }
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished();
        failure.insert(QStringLiteral("state"), QStringLiteral("failed"));
        failure.insert(QStringLiteral("reason"), QStringLiteral("no answer within %1 s; the plug-in was stopped").arg(timeoutMs / 1000));
        return failure;
    }
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->startsWith(kAnswerMarker)) {
            const QJsonDocument document = QJsonDocument::fromJson(line->mid(std::strlen(kAnswerMarker)));
            if (document.isObject())
                return document.object();
        }
    }
    if (child.exitStatus() == QProcess::CrashExit) {
        // On Unix a process killed by a signal reports the signal as its exit code.
        const int signal = child.exitCode();
        failure.insert(QStringLiteral("state"), QStringLiteral("crashed"));
        failure.insert(QStringLiteral("signal"), signal);
        failure.insert(QStringLiteral("reason"), QStringLiteral("the plug-in crashed the inspecting process: signal %1 (%2)")
                                                     .arg(signal)
                                                     .arg(QString::fromLocal8Bit(strsignal(signal))));
    } else {
        failure.insert(QStringLiteral("state"), QStringLiteral("failed"));
        failure.insert(QStringLiteral("reason"),
                       QStringLiteral("the inspecting process ended with status %1 before it answered").arg(child.exitCode()));
    }
    return failure;
}

QString inspectionText(const QJsonObject& result)
{
    const QString name = result.value(QStringLiteral("name")).toString();
    const QString library = result.value(QStringLiteral("library")).toString();
    QString text = (name.isEmpty() ? QFileInfo(library).fileName() : name) + QLatin1Char('\n');
    const auto field = [&text](const char* label, const QString& value) {
        if (!value.isEmpty())
            text += QStringLiteral("    %1 %2\n").arg(QString::fromLatin1(label), -11).arg(value);
    };
    const auto joined = [&result](const char* key) {
        QStringList list;
        for (const QJsonValue& value : result.value(QLatin1String(key)).toArray())
            list << value.toString();
        return list;
    };
    const QString state = result.value(QStringLiteral("state")).toString();
    field("state", state == QLatin1String("inspected") ? state : state + QStringLiteral(": ") + result.value(QStringLiteral("reason")).toString());
    field("library", library);
    field("declares", joined("declared").join(QStringLiteral(", ")));
    if (state == QLatin1String("inspected")) {
        const QStringList offered = joined("offered");
        field("offers", offered.isEmpty() ? QStringLiteral("(nothing it was asked for)") : offered.join(QStringLiteral(", ")));
        QStringList missing;
        for (const QString& id : joined("declared")) {
            if (!offered.contains(id))
                missing << id;
        }
        field("withholds", missing.join(QStringLiteral(", ")));
    }
    return text;
}

} // namespace MovraPlugins
