#pragma once
// Reads what the recording test plug-ins wrote to MOVRA_TEST_PLUGIN_LOG.

#include <QFile>
#include <QString>
#include <QStringList>

namespace ShellTest {

inline QString pluginLogPath()
{
    return qEnvironmentVariable("MOVRA_TEST_PLUGIN_LOG");
}

inline QStringList readPluginLog(const QString& path = pluginLogPath())
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

inline void clearPluginLog(const QString& path = pluginLogPath())
{
    QFile::remove(path);
}

// Only the lines of one plug-in, without its tag.
inline QStringList linesOf(const QStringList& log, const QString& tag)
{
    QStringList lines;
    for (const QString& line : log) {
        if (line.startsWith(tag + QLatin1Char(' ')))
            lines << line.mid(tag.size() + 1);
    }
    return lines;
}

} // namespace ShellTest
