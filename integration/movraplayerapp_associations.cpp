// The application object's file-type operations: at every start (without force) and for
// the maintenance requests.

#include "integration/fileassociations.h"
#include "settings/applicationsettings.h"
#include "shell/movraplayerapp.h"

namespace MovraPlayerX {

void MovraPlayerApp::associateFileTypes(bool force)
{
    MovraPlayerX::associateFileTypes(force, desktopDefaultPrograms(), ApplicationSettings::application());
}

void MovraPlayerApp::disassociateFileTypes()
{
    MovraPlayerX::disassociateFileTypes(desktopDefaultPrograms(), ApplicationSettings::application());
}

} // namespace MovraPlayerX
