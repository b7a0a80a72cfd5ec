#pragma once
// A private copy of the application folder with a chosen set of player plug-ins, and a way
// to run the real movra-player in it.

#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

namespace ShellTest {

struct RunResult
{
    int exitCode = -1;
    bool crashed = false;
    bool finished = false;
    QString standardOutput;
    QString standardError;
    QStringList pluginLog;
};

class AppFolder
{
public:
    // `playerPlugins`: library base names from the test plug-in pool ("TestView"), or
    // "MPXPlayerPlugin" for the shipped player.
    explicit AppFolder(const QStringList& playerPlugins);

    QString path() const { return m_dir.path(); }
    QString registryDir() const { return m_dir.path() + QStringLiteral("/registry"); }
    QString launcher() const { return m_dir.path() + QStringLiteral("/movra-player"); }

    RunResult run(const QStringList& arguments, const QProcessEnvironment& extra = {},
                  int timeoutMs = 60000) const;
    // The environment run() gives the player (with `extra` added), for a test that starts and
    // watches the process itself.
    QProcessEnvironment environment(const QProcessEnvironment& extra = {}) const;
    // The same through `/bin/sh -c script launcher`, for arguments a QString cannot carry.
    RunResult runShell(const QString& script) const;

private:
    RunResult start(const QString& program, const QStringList& arguments, const QProcessEnvironment& extra,
                    int timeoutMs) const;

    QTemporaryDir m_dir;
};

} // namespace ShellTest
