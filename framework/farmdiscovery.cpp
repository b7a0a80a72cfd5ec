// Discovery: the libraries of a plug-in folder, each worked out (its files looked up, its
// properties document read, or taken from the folder's catalogue cache) and then handed to
// registration in listing order. What keys the catalogue cache lives here and in
// cataloguecache.cpp alone.

#include "framework/farm.h"

#include "framework/cataloguecache.h"
#include "framework/farm_p.h"
#include "framework/file.h"
#include "framework/logger.h"
#include "framework/plugininfoloader.h"
#include "framework/plugininfoloader_p.h"
#include "framework/widestring.h"

#include <dirent.h>
#include <sys/mman.h>

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

// A large folder's libraries are worked out in one array of about half a kilobyte each, on
// pages the heap has not used yet: touched one by one, each page costs a fault, ten
// microseconds apiece on a virtual machine; mapped and made present by one call, about one.
template <typename T>
struct PopulatedAllocator
{
    using value_type = T;
    PopulatedAllocator() = default;
    template <typename U>
    PopulatedAllocator(const PopulatedAllocator<U>&) {}
    T* allocate(std::size_t n)
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < 64 * 1024)
            return static_cast<T*>(::operator new(bytes));
        void* pages = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (pages == MAP_FAILED)
            throw std::bad_alloc();
        return static_cast<T*>(pages);
    }
    void deallocate(T* p, std::size_t n)
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < 64 * 1024)
            ::operator delete(p);
        else
            ::munmap(p, bytes);
    }
    bool operator==(const PopulatedAllocator&) const { return true; }
    bool operator!=(const PopulatedAllocator&) const { return false; }
};
using Libraries = std::vector<DiscoveredLibrary, PopulatedAllocator<DiscoveredLibrary>>;

constexpr char kBundleSuffix[] = ".bundle";
constexpr wchar_t kBundleResources[] = L"Contents/Resources/";

const char kDiscoverTag[] = "MSE::Farm::discoverPlugins";

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
} // namespace

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

namespace {
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
        // The library was listed; it is not looked at again here.
        found.properties = cache->folder() >= 0 ? FileKey::of(cache->folder(), propertiesName)
                                                : FileKey::of(status.properties);
        library.cached = cache->find(fileName, found.properties);
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
void discoverLibraries(Libraries& libraries, const movra_string<wchar_t>& normalized,
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
    Libraries libraries(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        libraries[i].fileName = std::move(names[i]);
        libraries[i].listed = true;
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

} // namespace MSE
