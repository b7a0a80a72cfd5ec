#pragma once
#include <QObject>
#include <QStringList>

// Turns a command line into events for the application object: a file-open event per
// file and one event per recognised maintenance option, posted in argument order. It acts
// on nothing itself. The result tells whether a maintenance option was found, which means
// the run starts no plug-ins and no main window.
class ArgumentParser : public QObject
{
    Q_OBJECT
public:
    explicit ArgumentParser(QObject* parent = nullptr);

    // The one parser of the process; both exported entry points use it.
    static ArgumentParser& instance();

public slots:
    // `arguments[0]` is the program path and is not examined.
    bool parseCommandLine(QStringList arguments);
};
