// Runs the legacy import, or one settings read or write, in a process of its own, so that
// what reaches the store is what the INI files on disk say (no QSettings cache in between)
// and so that a test can run it as a user who cannot write the system-wide file.
//
//   legacy_import_helper SYSTEM_DIR USER_DIR import
//   legacy_import_helper SYSTEM_DIR USER_DIR get GROUP KEY
//   legacy_import_helper SYSTEM_DIR USER_DIR set GROUP KEY TEXT
// The registry comes from MOVRA_REGISTRY_DIR.

#include "settings/applicationsettings.h"

#include <QSettings>
#include <QString>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, QString::fromLocal8Bit(argv[1]));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromLocal8Bit(argv[2]));
    auto& settings = MovraPlayerX::ApplicationSettings::application();
    const std::string command = argv[3];
    int status = 2;
    if (command == "import") {
        MovraPlayerX::importLegacySettings();
        status = 0;
    } else if (command == "get" && argc == 6) {
        std::printf("%s", settings.getSetting(argv[4], argv[5], QStringLiteral("<unset>")).toUtf8().constData());
        status = 0;
    } else if (command == "set" && argc == 7) {
        status = settings.setSetting(argv[4], argv[5], QString::fromUtf8(argv[6])) ? 0 : 1;
    }
    settings.release();
    return status;
}
