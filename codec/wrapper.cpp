#include "codec/wrapper.h"

#include "codec/codeclog.h"
#include "settings/opensettings.h"

namespace mcm {

namespace {

constexpr char kComponentManagerRecord[] = "MovraComponentManager";
constexpr char kInstallDirValue[] = "InstallDir";
constexpr char kLibraryName[] = "MovraComponentManager";

} // namespace

std::list<std::string> librarySuffixes()
{
    return {"so"};
}

Uri componentManagerUri()
{
    Uri uri;
    if (mvds::isInstallSectionPresent(kComponentManagerRecord)) {
        // A record without the value still names a path: the library at the root.
        std::string folder;
        mvds::readInstallString(std::string(kComponentManagerRecord), std::string(kInstallDirValue), folder);
        const std::string suffix = librarySuffixes().front();
        uri = Uri(Utf8String("file://" + folder + "/" + kLibraryName + "." + suffix));
    }
    return uri;
}

void joinNames(const std::list<std::string>& names, Utf8String& out)
{
    if (names.empty())
        return;
    if (names.size() == 1) {
        out = Utf8String(names.front());
        return;
    }
    std::string joined;
    for (auto it = names.begin(); it != names.end(); ++it) {
        joined += *it;
        if (std::next(it) != names.end())
            joined += ';';
    }
    out += joined;
}

extern "C" void appendName(const char* name, void* context)
{
    // A library that reports no name has nothing to add.
    if (!name || !context)
        return;
    static_cast<std::list<std::string>*>(context)->push_back(name);
}

boost::shared_ptr<IMovraComponentManager> createComponentManager()
{
    // The deleter is bound to the concrete type, which the interface cannot destroy itself.
    return boost::shared_ptr<IMovraComponentManager>(new Wrapper);
}

Wrapper::~Wrapper()
{
    if (shutdownEntry.function)
        shutdownEntry.function(handle);
    // The library goes with the last of these.
    cancelEntry.reset();
    addSpecEntry.reset();
    updateComponentsEntry.reset();
    findComponentsEntry.reset();
    checkForUpdatesEntry.reset();
    shutdownEntry.reset();
    initializeEntry.reset();
}

template <typename Function>
bool Wrapper::resolveEntry(const boost::shared_ptr<mvtl::IModule>& module, const char* name,
                           EntryPoint<Function>& entry)
{
    const mvtl::IModule::Procedure procedure = module->resolve(name);
    if (!procedure) {
        qCWarning(lcCodec, "the component manager does not export %s", name);
        return false;
    }
    entry.function = reinterpret_cast<Function>(procedure);
    entry.module = module;
    return true;
}

int32_t Wrapper::initialize(boost::shared_ptr<mvtl::IModule> module)
{
    if (!module || module->load(componentManagerUri()) != 0)
        return kNotInstalled;
    if (!resolveEntry(module, "MCM_Initialize", initializeEntry)
        || !resolveEntry(module, "MCM_Shutdown", shutdownEntry)
        || !resolveEntry(module, "MCM_CheckForUpdates", checkForUpdatesEntry)
        || !resolveEntry(module, "MCM_FindComponents", findComponentsEntry)
        || !resolveEntry(module, "MCM_UpdateComponents", updateComponentsEntry)
        || !resolveEntry(module, "MCM_AddSpec", addSpecEntry))
        return kEntryPointMissing;
    if (const mvtl::IModule::Procedure procedure = module->resolve("MCM_Cancel")) {
        cancelEntry.function = reinterpret_cast<MCM_CancelFunction>(procedure);
        cancelEntry.module = module;
    }
    return initializeEntry.function(&handle);
}

void Wrapper::cancel()
{
    if (cancelEntry.function && handle)
        cancelEntry.function(handle);
}

int32_t Wrapper::checkForUpdates(std::list<std::string>* names, int32_t option)
{
    // Not initialized (or not successfully): there is nothing to call.
    if (!checkForUpdatesEntry.function || !names)
        return kEntryPointMissing;
    Utf8String joined;
    joinNames(*names, joined);
    return checkForUpdatesEntry.function(handle, joined.c_str(), option, appendName, names);
}

int32_t Wrapper::findComponents(const std::list<ComponentSpec>& specs, std::list<std::string>* found)
{
    if (specs.empty())
        return kNoSpecs;
    if (!addSpecEntry.function || !findComponentsEntry.function || !found)
        return kEntryPointMissing;
    for (const ComponentSpec& spec : specs) {
        Utf8String text;
        joinNames({spec.component, spec.feature, spec.version}, text);
        addSpecEntry.function(handle, text.c_str());
    }
    return findComponentsEntry.function(handle, appendName, found);
}

int32_t Wrapper::updateComponents(std::list<std::string>* names)
{
    if (!updateComponentsEntry.function || !names)
        return kEntryPointMissing;
    Utf8String joined;
    joinNames(*names, joined);
    return updateComponentsEntry.function(handle, joined.c_str());
}

} // namespace mcm
