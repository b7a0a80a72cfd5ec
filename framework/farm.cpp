#include "framework/farm.h"

#include "framework/cataloguecache.h"
#include "framework/dynamiclibrary_p.h"
#include "framework/farmcleaner.h"
#include "framework/file.h"
#include "framework/logger.h"
#include "framework/plugininfoloader.h"
#include "framework/plugininfoloader_p.h"
#include "framework/propertypaths.h"
#include "framework/standarderror_p.h"
#include "framework/staticpluginregistry.h"
#include "framework/widestring.h"

#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace MSE {

namespace {
// Libraries are the folder's entries named "*.so", in any case, as listFiles(folder, L"so",
// false) lists them; read here as the entries' bytes, without a wide path per entry.
void listLibraries(const std::string& folder, std::vector<std::string>& names)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::size_t length = std::strlen(entry->d_name);
        if (length < 3)
            continue;
        const char* suffix = entry->d_name + length - 3;
        if (suffix[0] == '.' && (suffix[1] | 0x20) == 's' && (suffix[2] | 0x20) == 'o')
            names.emplace_back(entry->d_name, length);
    }
    ::closedir(dir);
}
constexpr char kBundleSuffix[] = ".bundle";
constexpr wchar_t kBundleResources[] = L"Contents/Resources/";

const char kDiscoverTag[] = "MSE::Farm::discoverPlugins";
const char kAddPluginTag[] = "MSE::Farm::addPlugin";
const char kLoadTag[] = "MSE::Farm::getLibraryContext";
const char kUnloadTag[] = "MSE::Farm::unloadLibrary";

using PluginsGuard = boost::recursive_mutex::scoped_lock;

// The properties file of a library: its name up to the last dot, then ".xml".
movra_string<wchar_t> propertiesFileName(const movra_string<wchar_t>& libraryFile)
{
    const std::wstring name(libraryFile.c_str(), libraryFile.length());
    const std::size_t dot = name.rfind(L'.');
    const std::wstring base = dot == std::wstring::npos ? name : name.substr(0, dot);
    return movra_string<wchar_t>((base + L".xml").c_str());
}

bool endsWith(const movra_string<wchar_t>& text, const char* suffix)
{
    const std::size_t n = std::char_traits<char>::length(suffix);
    if (text.length() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (text[static_cast<uint32_t>(text.length() - n + i)] != static_cast<wchar_t>(suffix[i]))
            return false;
    }
    return true;
}

std::string libraryPath(const PluginInfo* info, const movra_string<wchar_t>& file)
{
    return toUtf8(normalizedFolder(info->libraryFolder) + file);
}

std::mutex instanceLock;
Farm* processFarm = nullptr;

// The cleaner is gone only while the last farm is being destroyed, when a plug-in object's
// destructor might still hand itself back.
void scheduleSweep()
{
    if (FarmCleaner* cleaner = FarmCleaner::instance())
        cleaner->scheduleSweep();
}
} // namespace

Farm* Farm::instance()
{
    std::lock_guard<std::mutex> lock(instanceLock);
    if (!processFarm)
        processFarm = new Farm;
    return processFarm;
}

Farm::Farm()
{
    for (PluginInfo* info : StaticPluginRegistry::instance().records())
        pluginInfos.append(info);
    // Nobody else can reach this farm yet, so it joins the cleaner without holding farmLock
    // (holding it would take the locks in the reverse order of a sweep).
    FarmCleaner::attach(this);
}

Farm::~Farm()
{
    FarmCleaner::detach(this);
    List<PluginInfo*> infos = pluginInfos;
    List<Plugin*> objects;
    {
        PluginsGuard lock(*pluginsLock);
        objects = plugins;
    }
    {
        std::lock_guard<std::mutex> lock(instanceLock);
        if (processFarm == this)
            processFarm = nullptr;
    }
    for (PluginInfo* info : StaticPluginRegistry::instance().records())
        infos.removeOne(info);
    {
        PluginsGuard lock(*pluginsLock);
        for (Plugin* plugin : objects)
            delete plugin;
        plugins.clear();
    }
    for (LibraryContext* context : libraries) {
        if (context->kind == LibraryContext::LoadedLibrary)
            dynamiclibrary::unload(context->module);
        delete context;
    }
    libraries.clear();
    for (PluginInfo* info : infos)
        delete info;
    pluginInfos.clear();
}

// One library of a folder, worked out apart from the catalogue (its files looked up, its
// document read or rebuilt, its record made) so that a large folder can be worked out on
// several threads; registered afterwards, one after another in listing order.
struct DiscoveredLibrary
{
    movra_string<wchar_t> libraryFile;
    // libraryFile in UTF-8; `listed` when both came from the folder's listing.
    std::string fileName;
    bool listed = false;
    bool bundle = false;
    // The properties document's file name (UTF-8) and full path, the path made only when a
    // message or a read needs it (propertiesPathOf).
    std::string propertiesName;
    movra_string<wchar_t> propertiesPath;
    PluginStatus status;
    // Whether the catalogue cache of discovery knows the library by fileName.
    bool cacheable = false;
    // The two files' keys and, after a fresh read, what it gave.
    CatalogueEntry found;
    const CatalogueEntry* cached = nullptr;
    bool propertiesMissing = false;
    // What the loader printed; a fresh read's text and image, which `found` points into
    // once registered.
    std::string diagnostics;
    std::string text;
    std::string image;
    PluginInfo* info = nullptr;

    DiscoveredLibrary() = default;
    DiscoveredLibrary(const DiscoveredLibrary&) = delete;
    DiscoveredLibrary& operator=(const DiscoveredLibrary&) = delete;
    ~DiscoveredLibrary() { delete info; }
};

namespace {
// Below this many libraries a folder is worked out on the calling thread alone. Starting a
// thread costs about as much as ten documents, but on a busy machine a new thread may wait
// milliseconds for a processor, and discovery cannot return before its threads have ended:
// only a large folder gains enough to risk it.
constexpr std::size_t kParallelMinimum = 256;
constexpr std::size_t kMaxDiscoveryThreads = 8;
// A cache file of this size (a few hundred libraries) takes longer to read and check than
// starting a thread to do it, by enough to risk the wait for a processor (see above).
constexpr uint64_t kLoadCacheAsideSize = 256 * 1024;
// Libraries claimed at once by a discovery thread.
constexpr std::size_t kDiscoveryBatch = 8;

// Threads that have ended when the function that started them returns, however it returns.
struct JoinedThreads : std::vector<std::thread>
{
    JoinedThreads() = default;
    JoinedThreads(const JoinedThreads&) = delete;
    JoinedThreads& operator=(const JoinedThreads&) = delete;
    ~JoinedThreads() { joinAll(); }

    // Starts `work` on a thread of its own; false when the system has no thread to give.
    template <typename Work>
    bool start(Work&& work)
    {
        try {
            emplace_back(std::forward<Work>(work));
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }
    void joinAll()
    {
        for (std::thread& thread : *this)
            thread.join();
        clear();
    }
};

// A thread's parser, made when it first has a document to parse.
class LazyParser
{
public:
    PropertiesParser* get()
    {
        if (!m_parser)
            m_parser.reset(new PropertiesParser);
        return m_parser.get();
    }

private:
    std::unique_ptr<PropertiesParser> m_parser;
};

// The library's properties path, made on first use.
const movra_string<wchar_t>& propertiesPathOf(DiscoveredLibrary& library, const movra_string<wchar_t>& normalized)
{
    movra_string<wchar_t>& path = library.propertiesPath;
    if (!path.empty())
        return path;
    // A listed name is UTF-8 that converts exactly.
    const movra_string<wchar_t> propertiesFile =
        library.listed ? fromUtf8(library.propertiesName) : propertiesFileName(library.libraryFile);
    path = normalized;
    if (library.bundle) {
        path += library.libraryFile;
        path += kPathSeparator;
        path += kBundleResources;
    }
    path += propertiesFile;
    return path;
}

// Works out the library; touches nothing shared but the cache, which it only reads.
// `folder` is `normalized` in UTF-8.
void prepareLibrary(DiscoveredLibrary& library, const movra_string<wchar_t>& normalized, const std::string& folder,
                    const CatalogueCache* cache, LazyParser& parser)
{
    if (library.listed)
        library.libraryFile = fromUtf8(library.fileName);
    else
        library.fileName = toUtf8(library.libraryFile);
    const std::string& fileName = library.fileName;
    library.bundle = endsWith(library.libraryFile, kBundleSuffix);
    // The name up to its last dot, then ".xml".
    library.propertiesName.reserve(fileName.size() + 4);
    library.propertiesName.assign(fileName, 0, fileName.rfind('.'));
    library.propertiesName += ".xml";
    const std::string& propertiesName = library.propertiesName;

    PluginStatus& status = library.status;
    status.library.reserve(folder.size() + fileName.size());
    status.library = folder;
    status.library += fileName;
    if (library.bundle) {
        status.properties = toUtf8(propertiesPathOf(library, normalized));
    } else {
        status.properties.reserve(folder.size() + propertiesName.size());
        status.properties = folder;
        status.properties += propertiesName;
    }
    status.state = PluginStatus::Refused;

    // A bundle's document lies inside the bundle folder, which discovery never hands over.
    if (library.bundle)
        cache = nullptr;
    library.cacheable = cache != nullptr;
    CatalogueEntry& found = library.found;
    if (cache) {
        if (cache->folder() >= 0) {
            found.library = FileKey::of(cache->folder(), fileName);
            found.properties = FileKey::of(cache->folder(), propertiesName);
        } else {
            found.library = FileKey::of(status.library);
            found.properties = FileKey::of(status.properties);
        }
        library.cached = cache->find(fileName, found.library, found.properties);
    }
    const CatalogueEntry* cached = library.cached;

    if (cache ? !found.properties.exists : !fileExists(propertiesPathOf(library, normalized))) {
        library.propertiesMissing = true;
        return;
    }
    if (!cache) {
        library.info = loadPluginInfoReporting(propertiesPathOf(library, normalized), &status.reason,
                                               library.diagnostics, nullptr, parser.get(), nullptr);
    } else if (cached && cached->outcome == CatalogueEntry::Parsed) {
        // The very bytes parsed before, so this succeeds as it did then. A tree rebuilt from
        // its image needs no parser.
        library.info = pluginInfoFromText(status.properties, cached->text.data(), true, false, true, &status.reason,
                                          library.diagnostics, cached->image.empty() ? parser.get() : nullptr,
                                          cached->image);
    } else if (cached) {
        library.diagnostics.assign(cached->diagnostics.data(), cached->diagnostics.size());
        status.reason.assign(cached->reason.data(), cached->reason.size());
    } else {
        library.info = loadPluginInfoReporting(propertiesPathOf(library, normalized), &status.reason,
                                               library.diagnostics, &library.text, parser.get(), &library.image);
    }
}

// Works out every library, on up to one thread per processor when there are enough of
// them, and hands each to `registerInOrder` on this thread, in listing order, as soon as it
// and those before it are worked out. Helper threads only work libraries out; this thread
// registers, and works libraries out whenever the next one is not ready.
void discoverLibraries(std::vector<DiscoveredLibrary>& libraries, const movra_string<wchar_t>& normalized,
                       const std::string& folder, const CatalogueCache* cache,
                       const std::function<void(DiscoveredLibrary&)>& registerInOrder)
{
    const std::size_t count = libraries.size();
    std::vector<std::atomic<bool>> ready(count);
    std::atomic<std::size_t> next{0};
    // Works out the next unclaimed batch; false when every batch is claimed.
    const auto workOutBatch = [&](LazyParser& parser) {
        const std::size_t begin = next.fetch_add(kDiscoveryBatch, std::memory_order_relaxed);
        if (begin >= count)
            return false;
        const std::size_t end = std::min(count, begin + kDiscoveryBatch);
        for (std::size_t i = begin; i < end; ++i) {
            prepareLibrary(libraries[i], normalized, folder, cache, parser);
            ready[i].store(true, std::memory_order_release);
        }
        return true;
    };
    preparePropertiesLoading(); // once, before any thread uses libxml2
    // The helpers only need `libraries` and the cache, which outlive them however this
    // function is left.
    JoinedThreads helpers;
    if (count >= kParallelMinimum) {
        const std::size_t processors = std::max(1u, std::thread::hardware_concurrency());
        for (std::size_t i = 1; i < std::min(processors, kMaxDiscoveryThreads); ++i) {
            const bool started = helpers.start([&] {
                LazyParser parser;
                while (workOutBatch(parser)) {
                }
            });
            if (!started)
                break; // the threads there are, or this one alone, do the work
        }
    }
    LazyParser parser;
    for (std::size_t i = 0; i < count; ++i) {
        // A helper holds the library; it finishes its batch within a few documents.
        while (!ready[i].load(std::memory_order_acquire)) {
            if (!workOutBatch(parser))
                std::this_thread::yield();
        }
        registerInOrder(libraries[i]);
    }
}
} // namespace

int Farm::discoverPlugins(const movra_string<wchar_t>& folder)
{
    const movra_string<wchar_t> normalized = normalizedFolder(folder);
    const std::string folderName = toUtf8(normalized);
    std::vector<std::string> names;
    std::unique_ptr<CatalogueCache> loaded;
    // A large cache is read and checked on another thread while this one lists the folder.
    {
        JoinedThreads loader;
        if (CatalogueCache::storedSize(folderName) >= kLoadCacheAsideSize) {
            loader.start([&] {
                try {
                    loaded.reset(new CatalogueCache(folderName));
                } catch (const std::bad_alloc&) {
                    // loaded below, where the failure reaches the caller
                }
            });
        }
        listLibraries(folderName, names);
    }
    if (names.empty()) {
        MSE_LOG_PLUGIN(kDiscoverTag, "No files found in folder '%S'", normalized.c_str());
        return kResultFailed;
    }
    if (!loaded)
        loaded.reset(new CatalogueCache(folderName));
    CatalogueCache& cache = *loaded;
    std::vector<DiscoveredLibrary> libraries(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        libraries[i].fileName = std::move(names[i]);
        libraries[i].listed = true;
    }
    {
        std::lock_guard<std::mutex> lock(m_statusLock);
        m_registrations.reserve(m_registrations.size() + libraries.size());
    }
    discoverLibraries(libraries, normalized, folderName, &cache,
                      [&](DiscoveredLibrary& library) { registerLibrary(folder, normalized, library, &cache); });
    cache.save();
    return kResultOk;
}

int Farm::addPlugin(const movra_string<wchar_t>& folder, const movra_string<wchar_t>& libraryFile)
{
    const movra_string<wchar_t> normalized = normalizedFolder(folder);
    DiscoveredLibrary library;
    library.libraryFile = libraryFile;
    LazyParser parser;
    prepareLibrary(library, normalized, toUtf8(normalized), nullptr, parser);
    return registerLibrary(folder, normalized, library, nullptr);
}

int Farm::registerLibrary(const movra_string<wchar_t>& folder, const movra_string<wchar_t>& normalized,
                          DiscoveredLibrary& library, CatalogueCache* cache)
{
    const movra_string<wchar_t>& libraryFile = library.libraryFile;
    PluginStatus& status = library.status;
    CatalogueEntry& found = library.found;
    if (!library.cacheable)
        cache = nullptr;
    if (cache && library.cached)
        cache->keepCached(library.fileName, *library.cached);

    if (library.propertiesMissing) {
        if (cache && !library.cached) {
            found.outcome = CatalogueEntry::PropertiesMissing;
            cache->keep(library.fileName, found);
        }
        MSE_LOG_PLUGIN(kAddPluginTag, "Could not find properties file '%S' for library '%S%S'",
                       propertiesPathOf(library, normalized).c_str(), normalized.c_str(), libraryFile.c_str());
        status.reason = "properties document missing: " + status.properties;
        recordRegistration(std::move(status));
        return kResultFailed;
    }
    PluginInfo* info = library.info;
    library.info = nullptr;
    if (cache && !library.cached) {
        found.outcome = info ? CatalogueEntry::Parsed : CatalogueEntry::Unparsable;
        if (info) {
            found.text = library.text;
            found.image = library.image;
        } else {
            found.diagnostics = library.diagnostics;
            found.reason = status.reason;
        }
        cache->keep(library.fileName, found);
    }
    if (!library.diagnostics.empty())
        writeToStandardError(library.diagnostics);
    if (!info) {
        MSE_LOG_PLUGIN(kAddPluginTag, "Could not parse property file '%S'",
                       propertiesPathOf(library, normalized).c_str());
        recordRegistration(std::move(status));
        return kResultFailed;
    }
    status.name.assign(info->name.c_str(), info->name.length());
    if (isRegistered(info->name)) {
        MSE_LOG_PLUGIN(kAddPluginTag, "Plugin name '%s' is not unique. Loaded from library '%S%S'", info->name.c_str(),
                       normalized.c_str(), libraryFile.c_str());
        status.reason = "duplicate name '" + status.name + "'";
        List<PluginInfo*> keeper;
        if (getPluginInfos(&keeper, PluginNameFilter(info->name)) == kResultOk)
            status.reason += ", kept by library '" + libraryPath(keeper.at(0), keeper.at(0)->libraryFile) + "'";
        delete info;
        recordRegistration(std::move(status));
        return kResultFailed;
    }
    info->libraryFolder = folder;
    info->libraryFile = std::move(library.libraryFile);
    if (pluginInfos.append(info) && m_indexedRecords + 1 == pluginInfos.size()) {
        m_registeredNames.emplace(info->name.c_str(), info->name.length());
        ++m_indexedRecords;
    }
    MSE_LOG_PLUGIN(kAddPluginTag, "Registered plugin '%s' from library '%S%S'", info->name.c_str(), normalized.c_str(),
                   info->libraryFile.c_str());
    status.state = PluginStatus::Registered;
    recordRegistration(std::move(status));
    return kResultOk;
}

int Farm::getPlugin(PluginInfo* info, Plugin** out, bool create)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!info || !out)
        return kResultMissingArgument;
    return getPlugin(out, PluginNameFilter(info->name), SimplePluginInfoSelector(), create);
}

int Farm::createPlugin(PluginInfo* info, Plugin** out)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!info || !out)
        return kResultMissingArgument;
    LibraryContext* context = nullptr;
    if (GetPluginFunction entry = StaticPluginRegistry::instance().entryFor(info)) {
        context = new LibraryContext;
        context->info = info;
        context->entry = entry;
        context->kind = LibraryContext::StaticPlugin;
        libraries.push_back(context);
    } else {
        const int result = getLibraryContext(info, &context);
        if (result != kResultOk)
            return result;
    }
    Plugin* plugin = nullptr;
    const int result = context->entry(this, &plugin);
    if (result != kResultOk) {
        setLoadError(info->name, std::string(kGetPluginSymbol) + " returned " + std::to_string(result));
        return result;
    }
    // An entry that claims success without an object has failed.
    if (!plugin) {
        setLoadError(info->name, std::string(kGetPluginSymbol) + " returned no object");
        return kResultFailed;
    }
    setLoadError(info->name, std::string());
    plugin->pluginInfo = info;
    {
        PluginsGuard pluginsGuard(*pluginsLock);
        plugins.append(plugin);
    }
    *out = plugin;
    return kResultOk;
}

int Farm::getLibraryContext(PluginInfo* info, LibraryContext** out)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!info || !out)
        return kResultMissingArgument;
    for (LibraryContext* context : libraries) {
        if (context->info->name == info->name) {
            *out = context;
            return kResultOk;
        }
    }

    // Dependencies are loaded first so that the plug-in library finds them by name; the
    // plug-in library then holds them itself.
    std::vector<void*> dependencies;
    for (const movra_string<char>& name : info->getPropertyValues(PropertyPath::kDependencies)) {
        std::string ignored;
        if (void* module = dynamiclibrary::load(libraryPath(info, fromUtf8(name.c_str(), name.length())), ignored))
            dependencies.push_back(module);
    }
    std::string error;
    void* module = dynamiclibrary::load(libraryPath(info, info->libraryFile), error);
    for (void* dependency : dependencies)
        dynamiclibrary::unload(dependency);

    if (!module) {
        MSE_LOG_PLUGIN(kLoadTag, "Could not load library '%S%S'", info->libraryFolder.c_str(), info->libraryFile.c_str());
        MSE_LOG_PLUGIN(kLoadTag, "%s", error.c_str());
        const std::string symbol = dynamiclibrary::undefinedSymbol(error);
        const std::string readable = symbol.empty() ? symbol : dynamiclibrary::demangle(symbol);
        if (!readable.empty() && readable != symbol) {
            MSE_LOG_PLUGIN(kLoadTag, "Undefined symbol %s is %s", symbol.c_str(), readable.c_str());
            error += " (" + readable + ")";
        }
        setLoadError(info->name, error);
        return kResultFailed;
    }
    auto entry = reinterpret_cast<GetPluginFunction>(dynamiclibrary::resolve(module, kGetPluginSymbol));
    if (!entry) {
        dynamiclibrary::unload(module);
        setLoadError(info->name, std::string("no ") + kGetPluginSymbol + " entry point");
        MSE_LOG_PLUGIN(kLoadTag, "Could not resolve _getPlugin symbol in library '%S%S'", info->libraryFolder.c_str(),
                       info->libraryFile.c_str());
        return kResultFailed;
    }
    setLoadError(info->name, std::string());
    LibraryContext* context = new LibraryContext;
    context->info = info;
    context->entry = entry;
    context->kind = LibraryContext::LoadedLibrary;
    context->module = module;
    libraries.push_back(context);
    *out = context;
    return kResultOk;
}

// An object that is not (or no longer) in plugins answers kResultMissingArgument and is left alone: it was
// handed out again after its count reached 0, or another holder already disposed of it.
int Farm::releasePlugin(Plugin* plugin)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!plugin)
        return kResultMissingArgument;
    {
        PluginsGuard pluginsGuard(*pluginsLock);
        const int64_t index = plugins.indexOf(plugin);
        if (index < 0 || plugin->getRefCount() != 0)
            return kResultMissingArgument;
        plugins.removeAt(static_cast<uint32_t>(index));
    }
    scheduleSweep();
    return kResultOk;
}

void Farm::releasePluginReference(Plugin* plugin)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (plugin)
        plugin->release();
}

int Farm::deferPluginRelease(Plugin* plugin)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!plugin)
        return kResultMissingArgument;
    PluginsGuard pluginsGuard(*pluginsLock);
    const int64_t index = plugins.indexOf(plugin);
    if (index < 0 || plugin->getRefCount() != 0)
        return kResultMissingArgument;
    releasedPlugins.append(plugin);
    plugins.removeAt(static_cast<uint32_t>(index));
    return kResultOk;
}

int Farm::completePluginRelease(Plugin* plugin)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!plugin)
        return kResultMissingArgument;
    {
        PluginsGuard pluginsGuard(*pluginsLock);
        releasedPlugins.removeOne(plugin);
    }
    scheduleSweep();
    return kResultOk;
}

bool Farm::isPluginInUse(const PluginNameFilter& filter)
{
    PluginsGuard lock(*pluginsLock);
    for (Plugin* plugin : releasedPlugins) {
        if (filter.test(plugin->getPluginInfo()))
            return true;
    }
    for (Plugin* plugin : plugins) {
        if (filter.test(plugin->getPluginInfo()))
            return true;
    }
    return false;
}

void Farm::unloadUnusedLibraries()
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    std::vector<LibraryContext*> unused;
    for (LibraryContext* context : libraries) {
        if (!isPluginInUse(PluginNameFilter(context->info->name)))
            unused.push_back(context);
    }
    for (LibraryContext* context : unused)
        unloadLibrary(context);
}

int Farm::unloadLibrary(LibraryContext* context)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    const auto position = std::find(libraries.begin(), libraries.end(), context);
    if (!context || position == libraries.end())
        return kResultMissingArgument;
    const char* name = context->info->name.c_str();
    if (isPluginInUse(PluginNameFilter(context->info->name))) {
        MSE_LOG_FACTORY(kUnloadTag, "Refusing to unload library for plugin '%s', it's still in use.", name);
        return kResultFailed;
    }
    MSE_LOG_FACTORY(kUnloadTag, "Unloading library for plugin '%s'\n", name);
    libraries.erase(position);
    if (context->kind == LibraryContext::LoadedLibrary)
        dynamiclibrary::unload(context->module);
    delete context;
    return kResultOk;
}

bool Farm::isRegistered(const movra_string<char>& pluginName)
{
    // The catalogue is public; should it have changed behind the index, rebuild the index.
    if (m_indexedRecords != pluginInfos.size()) {
        m_registeredNames.clear();
        for (PluginInfo* info : pluginInfos)
            m_registeredNames.emplace(info->name.c_str(), info->name.length());
        m_indexedRecords = pluginInfos.size();
    }
    if (!m_registeredNames.count(std::string(pluginName.c_str(), pluginName.length())))
        return false;
    // Confirm with the filter itself, so the answer is the one a catalogue scan gives.
    List<PluginInfo*> sameName;
    return getPluginInfos(&sameName, PluginNameFilter(pluginName)) == kResultOk;
}

std::string Farm::lastLoadError(const movra_string<char>& pluginName)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    for (const auto& entry : m_loadErrors) {
        if (entry.first == pluginName)
            return entry.second;
    }
    return std::string();
}

std::vector<PluginStatus> Farm::pluginStatuses()
{
    std::vector<PluginStatus> statuses;
    {
        std::lock_guard<std::mutex> lock(m_statusLock);
        statuses = m_registrations;
    }
    for (PluginStatus& status : statuses) {
        if (status.state != PluginStatus::Registered)
            continue;
        const std::string error = lastLoadError(movra_string<char>(status.name.c_str()));
        if (!error.empty()) {
            status.state = PluginStatus::LoadFailed;
            status.reason = error;
        }
    }
    return statuses;
}

void Farm::recordRegistration(PluginStatus status)
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    m_registrations.push_back(std::move(status));
}

void Farm::setLoadError(const movra_string<char>& pluginName, const std::string& error)
{
    for (auto& entry : m_loadErrors) {
        if (entry.first == pluginName) {
            entry.second = error;
            return;
        }
    }
    if (!error.empty())
        m_loadErrors.emplace_back(pluginName, error);
}

} // namespace MSE
