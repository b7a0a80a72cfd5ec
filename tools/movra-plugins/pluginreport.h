#pragma once
// What movra-plugins says about plug-ins: one entry per library of the folders it was given,
// as text for people and as JSON for scripts.

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace MovraPlugins {

// A folder to scan and the kind of plug-ins the application keeps there.
struct PluginFolder
{
    QString path;
    QString type; // "stream-engine", "player" or "plugin"
};

struct PluginEntry
{
    QString name;    // empty when the document could not be read
    QString type;
    QString library; // full path
    QString version; // from the document's plugin/version, when it has one
    QStringList interfaces;
    QStringList videoFormats;
    QStringList overlayFormats;
    QStringList audioFormats;
    bool refused = false;
    QString reason;  // why it was refused

    QJsonObject toJson() const;
    QString toText() const;
};

// The application's own folders: MSEPlugins and MPXPlugins beside `appDir`, in the order the
// player registers them (which decides who keeps a name claimed twice).
QList<PluginFolder> applicationFolders(const QString& appDir);

// Registers every library of the folders in a farm of the tool's own, as the player does,
// then loads each registered library (its entry function is not called) to find the ones
// that would fail. Static constructors of the libraries run in this process.
QList<PluginEntry> listPlugins(const QList<PluginFolder>& folders);

} // namespace MovraPlugins
