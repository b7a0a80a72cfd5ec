#pragma once
#include "framework/librarycontext.h"
#include "framework/plugincontextqueries.h"
#include "framework/pluginfilters.h"
#include "framework/pluginrecords.h"
#include "framework/pluginstatus.h"

#include <MSE/PluginContext.h>
#include <MSE/String.h>

#include <boost/thread/recursive_mutex.hpp>

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace MSE {

class CatalogueCache;
struct DiscoveredLibrary;

// The process's plug-in farm: the catalogue of registered plug-ins, the loaded plug-in
// libraries and the live plug-in objects. Its work is split by job: discovery
// (farmdiscovery.cpp), registration and the plug-in records (farmregistration.cpp), library
// loading and unloading (farmloading.cpp), the objects' life cycle (farm.cpp).
//
// Lock order, everywhere: FarmCleaner::cleanerLock, then farmLock, then pluginsLock.
// All three are recursive: a plug-in's entry function and its release() run while the farm
// holds its locks and may call back into the farm on the same thread.
class MSE_FRAMEWORK_API Farm : public PluginContext
{
public:
    // The process's farm, created (and the cleaner started) on first call; never destroyed.
    static Farm* instance();

    // A farm of one's own (tests); it joins the cleaner until it is deleted.
    Farm();
    ~Farm() override;

    // Registers every library of the folder (not its subfolders). kResultOk when the folder
    // held at least one candidate, kResultFailed when it held none. Call before other
    // threads use the farm.
    int discoverPlugins(const movra_string<wchar_t>& folder);
    // Registers one library's properties document. kResultOk when a new record was
    // registered, kResultFailed otherwise.
    int addPlugin(const movra_string<wchar_t>& folder, const movra_string<wchar_t>& libraryFile);

    using PluginContext::getPlugin;
    int getPlugin(PluginInfo* info, Plugin** out, bool create) override;
    int createPlugin(PluginInfo* info, Plugin** out) override;
    int releasePlugin(Plugin* plugin) override;
    void releasePluginReference(Plugin* plugin) override;
    int deferPluginRelease(Plugin* plugin) override;
    int completePluginRelease(Plugin* plugin) override;

    // The record's library context, loading the library (and its dependencies) when needed.
    int getLibraryContext(PluginInfo* info, LibraryContext** out);
    // Whether an object of a plug-in that passes filter is alive or awaiting deferred release.
    bool isPluginInUse(const PluginNameFilter& filter);
    // One sweep: unloads every library none of whose objects is alive.
    void unloadUnusedLibraries();
    // kResultOk unloaded, kResultMissingArgument context missing, kResultFailed plug-in
    // still in use.
    int unloadLibrary(LibraryContext* context);

    // Why the last attempt to load the named plug-in's library failed; empty when it did not.
    std::string lastLoadError(const movra_string<char>& pluginName);
    // Every library discovery or addPlugin was given, in that order, with what became of it;
    // a registered plug-in whose library failed its last load shows as LoadFailed.
    std::vector<PluginStatus> pluginStatuses();

    std::vector<LibraryContext*> libraries;
    // Guards libraries and serialises creation, release and unloading.
    boost::recursive_mutex farmLock;

private:
    // Registers a library worked out before (see farm.cpp), telling the catalogue cache of
    // discovery (when given) what it found; what addPlugin returns.
    int registerLibrary(const movra_string<wchar_t>& folder, const movra_string<wchar_t>& normalized,
                        DiscoveredLibrary& library, CatalogueCache* cache);
    // Expects farmLock held.
    void setLoadError(const movra_string<char>& pluginName, const std::string& error);
    // Whether the catalogue holds a record of that name. Registration asks once per library,
    // so the names are indexed rather than scanned.
    bool isRegistered(const movra_string<char>& pluginName);

    // One record per library given to the farm, with its state and reason.
    PluginRecords m_records;
    std::unordered_set<std::string> m_registeredNames;
    uint32_t m_indexedRecords = 0;
    // isRegistered's key, kept so that a name is looked up without an allocation.
    std::string m_nameKey;
};

} // namespace MSE
