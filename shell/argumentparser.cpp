#include "shell/argumentparser.h"

#include "shell/appevents.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileOpenEvent>

#include <iterator>

namespace {

struct OptionRow
{
    int eventType;
    const char* forms[3];
    bool isMaintenance;  // found: the run is a maintenance run
};

// The third form of deregistration is "/unregserver", not a slash form of its own name.
const OptionRow kOptions[] = {
    {MovraPlayerX::kDeviceDeregistrationEvent, {"-kvsderegister", "--kvsderegister", "/unregserver"}, true},
    {MovraPlayerX::kDeviceRegistrationEvent, {"-kvsregisterdevice", "--kvsregisterdevice", "/kvsregisterdevice"}, false},
    {MovraPlayerX::kAssociateFileTypesEvent, {"-associateFileTypes", "--associateFileTypes", "/associateFileTypes"}, true},
    {MovraPlayerX::kDisassociateFileTypesEvent, {"-disassociateFileTypes", "--disassociateFileTypes", "/disassociateFileTypes"}, true},
    {MovraPlayerX::kInitializeCachesEvent, {"-initializeCaches", "--initializeCaches", "/initializeCaches"}, true},
    {MovraPlayerX::kClearDownloadCacheEvent, {"-clearDownloadCache", "--clearDownloadCache", "/clearDownloadCache"}, true},
};

const OptionRow* findOption(const QString& argument)
{
    for (const OptionRow& row : kOptions) {
        for (const char* form : row.forms) {
            if (argument == QLatin1String(form))
                return &row;
        }
    }
    return nullptr;
}

void post(QEvent* event)
{
    QCoreApplication::postEvent(QCoreApplication::instance(), event);
}

// A shell on Linux passes what the user typed, often a name relative to the working
// directory, which means nothing to the plug-in that later receives it. Addresses stay as
// they are.
void postFile(const QString& argument)
{
    if (argument.contains(QLatin1String("://")) || argument.startsWith(QLatin1Char('/'))) {
        post(new QFileOpenEvent(argument));
        return;
    }
    // Joined by hand: Qt's own helpers take a name beginning with ":" (a real file name here)
    // for one of its resources and leave it relative.
    post(new QFileOpenEvent(QDir::cleanPath(QDir::currentPath() + QLatin1Char('/') + argument)));
}

const QLatin1String kEndOfOptions("--");

} // namespace

ArgumentParser::ArgumentParser(QObject* parent)
    : QObject(parent)
{
}

ArgumentParser& ArgumentParser::instance()
{
    static ArgumentParser parser;
    return parser;
}

bool ArgumentParser::parseCommandLine(QStringList arguments)
{
    if (!arguments.isEmpty())
        arguments.removeFirst();

    bool maintenance = false;
    bool optionsEnded = false;
    for (const QString& argument : std::as_const(arguments)) {
        if (argument.isEmpty())
            continue;
        if (optionsEnded) {
            postFile(argument);
            continue;
        }
        // After "--" every argument is a file, so a file whose name begins with "-" can be opened.
        if (argument == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }

        const QChar first = argument.at(0);
        const bool looksLikeOption = first == QLatin1Char('-') || first == QLatin1Char('/');
        const OptionRow* option = looksLikeOption ? findOption(argument) : nullptr;
        if (option) {
            post(new QEvent(static_cast<QEvent::Type>(option->eventType)));
            maintenance = maintenance || option->isMaintenance;
            continue;
        }
        // Every absolute path here begins with "/", so only the exact slash forms above
        // are options; anything else starting with "/" is a file. Unknown "-" options
        // are dropped without a word.
        if (first == QLatin1Char('-'))
            continue;
        postFile(argument);
    }
    return maintenance;
}
