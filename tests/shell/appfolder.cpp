#include "appfolder.h"

#include "pluginlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace ShellTest {

namespace {

void linkAll(const QString& from, const QString& to, const QStringList& patterns)
{
    QDir().mkpath(to);
    const QFileInfoList entries = QDir(from).entryInfoList(patterns, QDir::Files);
    for (const QFileInfo& entry : entries)
        QFile::link(entry.absoluteFilePath(), to + QLatin1Char('/') + entry.fileName());
}

} // namespace

AppFolder::AppFolder(const QStringList& playerPlugins)
{
    const QString app = QStringLiteral(MOVRA_APP_DIR);
    // The launcher finds its libraries through its own real location, so it is copied;
    // everything else may stay where the build put it.
    QFile::copy(app + QStringLiteral("/movra-player"), launcher());
    QFile(launcher()).setPermissions(QFile(launcher()).permissions() | QFileDevice::ExeOwner);
    linkAll(app, path(), {QStringLiteral("*.so")});
    linkAll(app + QStringLiteral("/MSEPlugins"), path() + QStringLiteral("/MSEPlugins"), {QStringLiteral("*")});
    linkAll(app + QStringLiteral("/i18n"), path() + QStringLiteral("/i18n"), {QStringLiteral("*")});

    const QString plugins = path() + QStringLiteral("/MPXPlugins");
    QDir().mkpath(plugins);
    for (const QString& name : playerPlugins) {
        const QString pool = name == QLatin1String("MPXPlayerPlugin") ? app + QStringLiteral("/MPXPlugins")
                                                                       : QStringLiteral(SHELL_TEST_PLUGIN_DIR);
        for (const QString& suffix : {QStringLiteral(".so"), QStringLiteral(".xml")})
            QFile::link(pool + QLatin1Char('/') + name + suffix, plugins + QLatin1Char('/') + name + suffix);
    }
    QDir().mkpath(registryDir());
}

RunResult AppFolder::run(const QStringList& arguments, const QProcessEnvironment& extra, int timeoutMs) const
{
    return start(launcher(), arguments, extra, timeoutMs);
}

RunResult AppFolder::runShell(const QString& script) const
{
    return start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, launcher()}, {}, 60000);
}

QProcessEnvironment AppFolder::environment(const QProcessEnvironment& extra) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("MOVRA_REGISTRY_DIR"), registryDir());
    environment.insert(QStringLiteral("MOVRA_TEST_PLUGIN_LOG"), path() + QStringLiteral("/plugins.log"));
    environment.insert(QStringLiteral("MOVRA_TEST_VIEW_CLOSE_MS"), QStringLiteral("300"));
    environment.insert(QStringLiteral("MOVRA_DEMO_QUIT_AFTER_MS"), QStringLiteral("300"));
    // Nothing may reach a real hint server from a test.
    environment.insert(QStringLiteral("MOVRA_HINT_SERVER"), QStringLiteral("http://127.0.0.1:9"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), path() + QStringLiteral("/cache"));
    // The player claims file types at its first start; never in the real user's folders.
    environment.insert(QStringLiteral("XDG_DATA_HOME"), path() + QStringLiteral("/data"));
    environment.remove(QStringLiteral("MSE_LOG"));
    for (const QString& key : extra.keys())
        environment.insert(key, extra.value(key));

    return environment;
}

RunResult AppFolder::start(const QString& program, const QStringList& arguments, const QProcessEnvironment& extra,
                           int timeoutMs) const
{
    const QString log = path() + QStringLiteral("/plugins.log");
    QFile::remove(log);
    const QProcessEnvironment environment = this->environment(extra);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(path());
    process.start(program, arguments);
    RunResult result;
    if (!process.waitForStarted(10000))
        return result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    result.standardOutput = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.standardError = QString::fromLocal8Bit(process.readAllStandardError());
    result.pluginLog = readPluginLog(log);
    return result;
}

} // namespace ShellTest
