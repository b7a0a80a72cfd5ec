#include "mpx/associationsmodule_p.h"
#include "mpx/mpxlogging_p.h"
#include "mpx/osutilities.h"
#include "platform/libraryfolder.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace MovraPlayerX {

namespace {

// The folder of the library this code is part of, with a trailing "/"; empty when unknown.
std::string ownFolder()
{
    return MovraPlatform::folderOfLibraryHolding(reinterpret_cast<const void*>(&ownFolder));
}

// Loaded once and kept for the rest of the run; null, with one warning, when it cannot be.
const AssociationFunctions* associations()
{
    static const AssociationFunctions* functions = nullptr;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        const std::string folder = ownFolder();
        const std::string path = folder + kAssociationsModule;
        void* module = folder.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* reason = dlerror();
            qCWarning(lcMpx) << "file type associations are unavailable:" << path.c_str()
                             << (reason ? reason : "the library's folder is unknown");
            return;
        }
        const auto entryPoint = reinterpret_cast<AssociationsEntryPoint>(dlsym(module, kAssociationsEntryPoint));
        functions = entryPoint ? entryPoint() : nullptr;
        if (!functions)
            qCWarning(lcMpx) << "file type associations are unavailable:" << path.c_str() << "has no entry point";
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
