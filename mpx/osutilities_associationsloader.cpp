#include "mpx/associationsmodule_p.h"
#include "mpx/mpxlogging_p.h"
#include "mpx/osutilities.h"
#include "mpx/siblingmodule_p.h"

#include <mutex>

namespace MovraPlayerX {

namespace {

// Loaded once and kept for the rest of the run; null, with one warning, when it cannot be.
const AssociationFunctions* associations()
{
    static const AssociationFunctions* functions = nullptr;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        functions = loadSiblingModule<AssociationFunctions>(
            kAssociationsModule, kAssociationsEntryPoint, "file type associations are unavailable:");
    });
    return functions;
}

} // namespace

bool OSUtilities::getFileTypeAssociations(const QStringList& extensions, QMap<QString, QString>& programs)
{
    const AssociationFunctions* functions = associations();
    return functions && functions->getFileTypeAssociations(extensions, programs);
}

bool OSUtilities::setFileTypeAssociations(const QMap<QString, bool>& wanted)
{
    const AssociationFunctions* functions = associations();
    return functions && functions->setFileTypeAssociations(wanted);
}

QString OSUtilities::mimeTypeForExtension(const QString& dottedExtension)
{
    const AssociationFunctions* functions = associations();
    return functions ? functions->mimeTypeForExtension(dottedExtension) : QString();
}

} // namespace MovraPlayerX
