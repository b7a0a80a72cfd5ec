#include "integration/fileassociations.h"

#include "integration/filetypes.h"
#include "integration/registryview.h"
#include "mpx/mpxstringtools.h"
#include "mpx/osutilities.h"
#include "settings/applicationsettings.h"
#include "settings/opensettings.h"

#include <QCoreApplication>
#include <QDir>

namespace MovraPlayerX {

namespace {

// A type the user chooses, with the types that follow its choice.
struct Choice
{
    const FileTypeRow* row;
    SettingKey key;
    QStringList extensions; // dotted: the row's own, then its followers'
};

QString dotted(const char* extension)
{
    return QLatin1Char('.') + QLatin1String(extension);
}

// The settings group of the choices.
constexpr char kChoiceGroup[] = "General";

// The chosen types in table order. A row whose key the settings do not know is left out
// (and its extension missing from what the associations tests see asked).
QList<Choice> choices()
{
    QList<Choice> list;
    for (const FileTypeRow& row : kFileTypes) {
        if (!row.choiceKey)
            continue;
        const SettingKeyRow* key = findSettingKey(kChoiceGroup, row.choiceKey);
        if (!key)
            continue;
        Choice choice{&row, static_cast<SettingKey>(key - kSettingKeyTable), {dotted(row.extension)}};
        for (const FileTypeRow& follower : kFileTypes) {
            if (follower.followsChoice && qstrcmp(follower.followsChoice, row.extension) == 0)
                choice.extensions << dotted(follower.extension);
        }
        list << choice;
    }
    return list;
}

const QString kDefault = QStringLiteral("Default");
const QString kPerceivedType = QStringLiteral("PerceivedType");
const QString kContentType = QStringLiteral("Content Type");
const QString kBrowserFlags = QStringLiteral("BrowserFlags");
const QString kRegistrationName = QStringLiteral("Movra Player");
const QString kApplicationTitle = QStringLiteral("Movra Plus Player");
const QString kCapabilitiesPath = QStringLiteral("SOFTWARE\\Clients\\Media\\Movra Player\\Capabilities");
constexpr uint kBrowserFlagsValue = 8;

QString progId(const QString& extension)
{
    return QStringLiteral("movra_") + extension + QStringLiteral("_file");
}

QString typeName(const QString& extension)
{
    return extension.toUpper() + QStringLiteral(" File");
}

// Both views of the association records: machine-wide software keys, and the classes
// root that names handlers.
struct Views
{
    RegistryView machine{MovraRegistry::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE")};
    RegistryView classes{MovraRegistry::HKEY_CLASSES_ROOT, QString()};
};

void writeHandlerRecord(RegistryView& classes, const FileTypeRow& row, const QString& iconValue,
                        const QString& openCommand)
{
    const QString extension = QLatin1String(row.extension);
    classes.beginGroup(progId(extension));
    if (!classes.contains(kPerceivedType))
        classes.setValue(kPerceivedType, QStringLiteral("video"));
    if (row.handlerContentType && !classes.contains(kContentType))
        classes.setValue(kContentType, QLatin1String(row.handlerContentType));
    if (row.browserFlags && !classes.contains(kBrowserFlags))
        classes.setValue(kBrowserFlags, kBrowserFlagsValue);
    classes.setValue(kDefault, typeName(extension));

    classes.beginGroup(QStringLiteral("DefaultIcon"));
    classes.setValue(kDefault, iconValue);
    classes.endGroup();

    classes.beginGroup(QStringLiteral("shell"));
    classes.setValue(kDefault, QStringLiteral("open"));
    classes.beginGroup(QStringLiteral("open"));
    classes.beginGroup(QStringLiteral("command"));
    classes.setValue(kDefault, openCommand);
    classes.endGroup();
    classes.endGroup();
    classes.endGroup();
    classes.endGroup();
}

void writeExtensionKey(RegistryView& classes, const FileTypeRow& row)
{
    classes.beginGroup(dotted(row.extension));
    classes.setValue(kDefault, progId(QLatin1String(row.extension)));
    classes.setValue(kPerceivedType, QStringLiteral("video"));
    if (row.extensionContentType)
        classes.setValue(kContentType, QLatin1String(row.extensionContentType));
    if (row.browserFlags)
        classes.setValue(kBrowserFlags, kBrowserFlagsValue);
    classes.endGroup();
}

void registerDefaultProgramsEntry(RegistryView& machine)
{
    machine.beginGroup(QStringLiteral("Clients"));
    machine.beginGroup(QStringLiteral("Media"));
    if (!machine.childGroups().contains(kRegistrationName)) {
        machine.beginGroup(kRegistrationName);
        machine.beginGroup(QStringLiteral("Capabilities"));
        machine.setValue(QStringLiteral("ApplicationDescription"), kApplicationTitle);
        machine.setValue(QStringLiteral("ApplicationName"), kApplicationTitle);
        machine.beginGroup(QStringLiteral("FileAssociations"));
        for (const FileTypeRow& row : kFileTypes)
            machine.setValue(dotted(row.extension), progId(QLatin1String(row.extension)));
        machine.endGroup();
        machine.endGroup();
        machine.endGroup();
    }
    machine.endGroup();
    machine.endGroup();

    machine.beginGroup(QStringLiteral("RegisteredApplications"));
    if (!machine.contains(kRegistrationName))
        machine.setValue(kRegistrationName, kCapabilitiesPath);
    machine.endGroup();
    machine.sync();
}

void addChoice(QMap<QString, bool>& wanted, const Choice& choice, bool state)
{
    for (const QString& extension : choice.extensions)
        wanted.insert(extension, state);
}

// The types claimed at every association, whatever the choices say.
void addAlwaysClaimed(QMap<QString, bool>& wanted, bool state)
{
    for (const FileTypeRow& row : kFileTypes) {
        if (!row.choiceKey && !row.followsChoice)
            wanted.insert(dotted(row.extension), state);
    }
}

void applyChoices(DefaultProgramService& service, ApplicationSettings& settings)
{
    settings.set(kInitialFileAssociationsHaveBeenMade, true);
    QMap<QString, bool> wanted;
    addAlwaysClaimed(wanted, true);

    const QList<Choice> table = choices();
    QList<bool> stored;
    QStringList extensions;
    for (const Choice& choice : table) {
        stored << settings.get(choice.key, choice.row->choiceDefault);
        extensions << dotted(choice.row->extension);
    }

    QMap<QString, QString> current;
    if (!service.getFileTypeAssociations(extensions, current))
        return;

    for (int i = 0; i < table.size(); ++i) {
        const Choice& choice = table.at(i);
        // An extension that no program opens is claimed.
        if (!settings.get(choice.key, false) && current.value(dotted(choice.row->extension)).isEmpty())
            settings.set(choice.key, true);
        if (settings.get(choice.key, stored.at(i)))
            addChoice(wanted, choice, true);
    }
    service.setFileTypeAssociations(wanted);
}

} // namespace

QString associationProgramPath()
{
    std::string installDir;
    if (mvds::readInstallString(std::string("Player"), std::string("InstallDir"), installDir) && !installDir.empty()) {
        const QString folder = MPXStringTools::fromStdStringUTF8(installDir);
        return QDir::toNativeSeparators(QDir::cleanPath(folder + QLatin1Char('/') + QCoreApplication::applicationName()));
    }
    // Commands that named no program would open nothing; the launcher that is running is
    // the one the user has.
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

void associateFileTypes(bool force, DefaultProgramService& service, ApplicationSettings& settings)
{
    Views views;
    const QString program = associationProgramPath();
    const QString openCommand = QLatin1Char('"') + program + QStringLiteral("\" \"%1\"");

    const QStringList existing = views.classes.childGroups();
    for (const FileTypeRow& row : kFileTypes) {
        if (!force && existing.contains(progId(QLatin1String(row.extension))))
            continue;
        const QString iconValue = program + QLatin1Char(',') + QString::number(row.iconIndex);
        writeHandlerRecord(views.classes, row, iconValue, openCommand);
    }
    for (const FileTypeRow& row : kFileTypes) {
        if (row.writesExtensionKey && !existing.contains(dotted(row.extension)))
            writeExtensionKey(views.classes, row);
    }
    registerDefaultProgramsEntry(views.machine);

    if (!force && settings.get(kInitialFileAssociationsHaveBeenMade, false))
        return;
    applyChoices(service, settings);
}

void disassociateFileTypes(DefaultProgramService& service, ApplicationSettings& settings)
{
    Views views;
    // Every type the player may have claimed, whatever the choices say now: a choice turned
    // off after it was applied, a type claimed because nobody opened it, and .tix (claimed
    // at every association) would otherwise keep the player as their default. The desktop
    // takes back only defaults that still name the player.
    QMap<QString, bool> wanted;
    addAlwaysClaimed(wanted, false);
    for (const Choice& choice : choices())
        addChoice(wanted, choice, false);
    service.setFileTypeAssociations(wanted);
    settings.set(kInitialFileAssociationsHaveBeenMade, false);

    views.machine.beginGroup(QStringLiteral("RegisteredApplications"));
    views.machine.remove(kRegistrationName);
    views.machine.endGroup();
    views.machine.beginGroup(QStringLiteral("Clients\\Media"));
    views.machine.remove(kRegistrationName);
    views.machine.endGroup();

    const QStringList existing = views.classes.childGroups();
    for (const FileTypeRow& row : kFileTypes) {
        const QString extension = QLatin1String(row.extension);
        views.classes.remove(progId(extension));
        const QString dotted = QLatin1Char('.') + extension;
        if (!existing.contains(dotted))
            continue;
        views.classes.beginGroup(dotted);
        const QVariant owner = views.classes.value(kDefault);
        views.classes.endGroup();
        // A key another program has taken over since stays theirs.
        if (owner.isValid() && owner.toString().startsWith(QLatin1String("movra_")))
            views.classes.remove(dotted);
    }
}

namespace {

class DesktopDefaultPrograms : public DefaultProgramService
{
public:
    bool getFileTypeAssociations(const QStringList& extensions, QMap<QString, QString>& programs) override
    {
        return OSUtilities::getFileTypeAssociations(extensions, programs);
    }
    bool setFileTypeAssociations(const QMap<QString, bool>& wanted) override
    {
        return OSUtilities::setFileTypeAssociations(wanted);
    }
};

} // namespace

DefaultProgramService& desktopDefaultPrograms()
{
    static DesktopDefaultPrograms service;
    return service;
}

} // namespace MovraPlayerX
