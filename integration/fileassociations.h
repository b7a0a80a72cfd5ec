#pragma once
// The player's file types: the records that name it as a handler of its video types, and
// the user's choice of default program for them, which the desktop keeps.

#include <QMap>
#include <QString>
#include <QStringList>

namespace MovraPlayerX {

class ApplicationSettings;

// Who answers for the user's default programs. The player's own is the desktop's
// (OSUtilities); tests put a recorder in its place to see what was asked.
class DefaultProgramService
{
public:
    virtual ~DefaultProgramService() = default;
    // Per dotted extension, the program that opens it now; "" or no entry: none.
    virtual bool getFileTypeAssociations(const QStringList& extensions, QMap<QString, QString>& programs) = 0;
    // Dotted extension -> whether the player should be the user's default for it.
    virtual bool setFileTypeAssociations(const QMap<QString, bool>& wanted) = 0;
};

DefaultProgramService& desktopDefaultPrograms();

// The program the records start: "InstallDir" of the player's installation record, then
// the application name; the running launcher itself when the record cannot be read.
QString associationProgramPath();

// Writes the records that are missing (all of the handler records as well when `force`),
// and the first time, or when forced, hands the user's choices to `service`.
void associateFileTypes(bool force, DefaultProgramService& service, ApplicationSettings& settings);
// Takes back the player's defaults and removes its records, leaving extension keys that
// another program has taken over since.
void disassociateFileTypes(DefaultProgramService& service, ApplicationSettings& settings);

} // namespace MovraPlayerX
