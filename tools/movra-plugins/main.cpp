// movra-plugins: what the player makes of the plug-ins in its folders.
//
//   movra-plugins [--json] [--verbose] [--folder DIR]... list
//   movra-plugins [--json] [--folder DIR]... inspect NAME|PATH
//
// Without --folder the application's own MSEPlugins and MPXPlugins (beside this program) are
// scanned. Exit status: 0 when every plug-in is usable, 1 when one is refused (or the
// inspected one fails), 2 for a wrong command line.

#include "framework/farm.h"
#include "framework/widestring.h"
#include "tools/movra-plugins/inspector.h"
#include "tools/movra-plugins/pluginreport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace MovraPlugins;

namespace {

constexpr char kUsage[] = "usage: movra-plugins [--json] [--verbose] [--folder DIR]... list\n"
                          "       movra-plugins [--json] [--folder DIR]... inspect NAME|PATH\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

void print(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
}

// The properties loader reports every broken document on standard error; the tool gives the
// same reasons in its own output, so they are held back unless asked for.
class QuietStandardError
{
public:
    explicit QuietStandardError(bool quiet)
    {
        if (!quiet)
            return;
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            dup2(null, STDERR_FILENO);
        if (null >= 0)
            close(null);
    }
    ~QuietStandardError()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int m_saved = -1;
};

// A library path as given, or the library of the registered plug-in of that name.
QString libraryFor(const QString& nameOrPath, const QList<PluginFolder>& folders)
{
    const QFileInfo given(nameOrPath);
    if (nameOrPath.contains(QLatin1Char('/')) && given.exists()) {
        if (given.suffix() == QLatin1String("xml"))
            return given.absolutePath() + QLatin1Char('/') + given.completeBaseName() + QStringLiteral(".so");
        return given.absoluteFilePath();
    }
    auto farm = std::make_unique<MSE::Farm>();
    for (const PluginFolder& folder : folders)
        farm->discoverPlugins(MSE::fromUtf8(folder.path.toStdString()));
    const std::string name = nameOrPath.toStdString();
    MSE::List<MSE::PluginInfo*> found;
    if (farm->getPluginInfos(&found, MSE::PluginContext::PluginNameFilter(MSE::movra_string<char>(name.c_str()))) != MSE::kResultOk)
        return QString();
    const MSE::PluginInfo* info = found.at(0);
    return QFileInfo(QString::fromStdString(MSE::toUtf8(info->libraryFolder)) + QLatin1Char('/')
                     + QString::fromStdString(MSE::toUtf8(info->libraryFile)))
        .absoluteFilePath();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String(kInspectChildOption))
        return runInspectChild(args[1], args[2]);

    bool json = false;
    bool verbose = false;
    QList<PluginFolder> folders;
    QStringList command;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--json")) {
            json = true;
        } else if (args[i] == QLatin1String("--verbose")) {
            verbose = true;
        } else if (args[i] == QLatin1String("--folder") && i + 1 < args.size()) {
            folders << PluginFolder{QFileInfo(args[++i]).absoluteFilePath(), QStringLiteral("plugin")};
        } else if (args[i] == QLatin1String("--help") || args[i] == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (args[i].startsWith(QLatin1String("--"))) {
            return usage();
        } else {
            command << args[i];
        }
    }
    if (folders.isEmpty())
        folders = applicationFolders(QCoreApplication::applicationDirPath());

    if (command.size() == 1 && command[0] == QLatin1String("list")) {
        QList<PluginEntry> entries;
        {
            QuietStandardError quiet(!verbose);
            entries = listPlugins(folders);
        }
        int refused = 0;
        QJsonArray array;
        for (const PluginEntry& entry : entries) {
            refused += entry.refused ? 1 : 0;
            if (json)
                array.append(entry.toJson());
            else
                print(entry.toText());
        }
        if (json)
            print(QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("plugins"), array},
                                                              {QStringLiteral("refused"), refused}})
                                        .toJson()));
        else
            print(QStringLiteral("%1 plug-ins, %2 refused\n").arg(entries.size()).arg(refused));
        return refused == 0 ? 0 : 1;
    }

    if (command.size() == 2 && command[0] == QLatin1String("inspect")) {
        QString library;
        {
            QuietStandardError quiet(!verbose);
            library = libraryFor(command[1], folders);
        }
        if (library.isEmpty()) {
            std::fprintf(stderr, "movra-plugins: no registered plug-in is named '%s'\n", qPrintable(command[1]));
            return 1;
        }
        const QJsonObject result = inspectInChild(QCoreApplication::applicationFilePath(), library, verbose);
        print(json ? QString::fromUtf8(QJsonDocument(result).toJson()) : inspectionText(result));
        return result.value(QStringLiteral("state")).toString() == QLatin1String("inspected") ? 0 : 1;
    }
    return usage();
}
