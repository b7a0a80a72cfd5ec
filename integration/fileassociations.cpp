#include "integration/fileassociations.h"

#include "integration/registryview.h"
#include "mpx/mpxstringtools.h"
#include "mpx/osutilities.h"
#include "settings/applicationsettings.h"
#include "settings/opensettings.h"

#include <QCoreApplication>
#include <QDir>

#include <iterator>

namespace MovraPlayerX {

namespace {

const char* const kExtensions[] = {"avi", "movra", "mvr", "tix", "xvid", "mkv", "mov",
                                   "mp4", "wmv", "vob", "mpg", "mpeg", "asf", "qt"};
// Extensions whose own key names the player's record; the rest stay with whoever has them.
const char* const kExtensionKeys[] = {"avi", "movra", "mvr", "tix", "xvid", "mkv"};

struct ChoiceRow
{
    SettingKey key;
    const char* extension;
    bool defaultChoice;
    const char* companion; // opened by the same choice; may be null
};

const ChoiceRow kChoices[] = {
    {kAVIFileAssoc, ".avi", true, nullptr},    {kMOVRAFileAssoc, ".movra", true, ".mvr"},
    {kXVIDFileAssoc, ".xvid", false, nullptr}, {kMKVFileAssoc, ".mkv", true, nullptr},
    {kMOVFileAssoc, ".mov", false, nullptr},   {kMP4FileAssoc, ".mp4", false, nullptr},
    {kWMVFileAssoc, ".wmv", false, nullptr},   {kVOBFileAssoc, ".vob", false, nullptr},
    {kMPGFileAssoc, ".mpg", false, ".mpeg"},   {kASFFileAssoc, ".asf", false, nullptr},
    {kQTFileAssoc, ".qt", false, nullptr},
};

const QString kDefault = QStringLiteral("Default");
const QString kPerceivedType = QStringLiteral("PerceivedType");
const QString kContentType = QStringLiteral("Content Type");
const QString kBrowserFlags = QStringLiteral("BrowserFlags");
const QString kMovraContentType = QStringLiteral("video/movra");
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

int iconIndex(const QString& extension)
{
    if (extension == QLatin1String("mkv"))
        return 4;
    if (extension == QLatin1String("tix"))
        return 3;
    return 2;
}

bool isOneOf(const QString& extension, std::initializer_list<const char*> list)
{
    for (const char* entry : list) {
        if (extension == QLatin1String(entry))
            return true;
    }
    return false;
}

// Both views of the association records: machine-wide software keys, and the classes
// root that names handlers.
struct Views
{
    RegistryView machine{MovraRegistry::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE")};
    RegistryView classes{MovraRegistry::HKEY_CLASSES_ROOT, QString()};
};

void writeHandlerRecord(RegistryView& classes, const QString& extension, const QString& iconValue,
                        const QString& openCommand)
{
    classes.beginGroup(progId(extension));
    if (!classes.contains(kPerceivedType))
        classes.setValue(kPerceivedType, QStringLiteral("video"));
    if (isOneOf(extension, {"movra", "mvr", "mkv"}) && !classes.contains(kContentType))
        classes.setValue(kContentType, kMovraContentType);
    if (extension == QLatin1String("tix") && !classes.contains(kBrowserFlags))
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

void writeExtensionKey(RegistryView& classes, const QString& extension)
{
    classes.beginGroup(QLatin1Char('.') + extension);
    classes.setValue(kDefault, progId(extension));
    classes.setValue(kPerceivedType, QStringLiteral("video"));
    if (isOneOf(extension, {"mvr", "movra", "xvid", "mkv"}))
        classes.setValue(kContentType, kMovraContentType);
    if (extension == QLatin1String("tix"))
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
        for (const char* extension : kExtensions)
            machine.setValue(QLatin1Char('.') + QLatin1String(extension), progId(QLatin1String(extension)));
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

void addChoice(QMap<QString, bool>& wanted, const ChoiceRow& row, bool state)
{
    wanted.insert(QLatin1String(row.extension), state);
    if (row.companion)
        wanted.insert(QLatin1String(row.companion), state);
}

void applyChoices(DefaultProgramService& service, ApplicationSettings& settings)
{
    settings.set(kInitialFileAssociationsHaveBeenMade, true);
    QMap<QString, bool> wanted;
    wanted.insert(QStringLiteral(".tix"), true);

    bool stored[std::size(kChoices)];
    QStringList extensions;
    for (std::size_t i = 0; i < std::size(kChoices); ++i) {
        stored[i] = settings.get(kChoices[i].key, kChoices[i].defaultChoice);
        extensions << QLatin1String(kChoices[i].extension);
    }

    QMap<QString, QString> current;
    if (!service.getFileTypeAssociations(extensions, current))
        return;

    for (std::size_t i = 0; i < std::size(kChoices); ++i) {
        const ChoiceRow& row = kChoices[i];
        // An extension that no program opens is claimed.
        if (!settings.get(row.key, false) && current.value(QLatin1String(row.extension)).isEmpty())
            settings.set(row.key, true);
        if (settings.get(row.key, stored[i]))
            addChoice(wanted, row, true);
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
    for (const char* name : kExtensions) {
        const QString extension = QLatin1String(name);
        if (!force && existing.contains(progId(extension)))
            continue;
        const QString iconValue = program + QLatin1Char(',') + QString::number(iconIndex(extension));
        writeHandlerRecord(views.classes, extension, iconValue, openCommand);
    }
    for (const char* name : kExtensionKeys) {
        const QString extension = QLatin1String(name);
        if (!existing.contains(QLatin1Char('.') + extension))
            writeExtensionKey(views.classes, extension);
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
    wanted.insert(QStringLiteral(".tix"), false);
    for (const ChoiceRow& row : kChoices)
        addChoice(wanted, row, false);
    service.setFileTypeAssociations(wanted);
    settings.set(kInitialFileAssociationsHaveBeenMade, false);

    views.machine.beginGroup(QStringLiteral("RegisteredApplications"));
    views.machine.remove(kRegistrationName);
    views.machine.endGroup();
    views.machine.beginGroup(QStringLiteral("Clients\\Media"));
    views.machine.remove(kRegistrationName);
    views.machine.endGroup();

    const QStringList existing = views.classes.childGroups();
    for (const char* name : kExtensions) {
        const QString extension = QLatin1String(name);
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
