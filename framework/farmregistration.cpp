// Registration: a worked-out library becomes a record of the catalogue, or is refused with
// its reason; and each library's record of what became of it.

#include "framework/farm.h"

#include "framework/cataloguecache.h"
#include "framework/farm_p.h"
#include "framework/file.h"
#include "framework/logger.h"
#include "framework/standarderror_p.h"
#include "framework/widestring.h"

#include <utility>

namespace MSE {

namespace {
const char kAddPluginTag[] = "MSE::Farm::addPlugin";
} // namespace

std::string libraryPath(const PluginInfo* info, const movra_string<wchar_t>& file)
{
    return toUtf8(normalizedFolder(info->libraryFolder) + file);
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
        m_records.add(std::move(status));
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
        m_records.add(std::move(status));
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
        m_records.add(std::move(status));
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
    m_records.add(std::move(status));
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
    m_nameKey.assign(pluginName.c_str(), pluginName.length());
    if (!m_registeredNames.count(m_nameKey))
        return false;
    // Confirm with the filter itself, so the answer is the one a catalogue scan gives.
    List<PluginInfo*> sameName;
    return getPluginInfos(&sameName, PluginNameFilter(pluginName)) == kResultOk;
}

std::string Farm::lastLoadError(const movra_string<char>& pluginName)
{
    return m_records.loadError(std::string(pluginName.c_str(), pluginName.length()));
}

std::vector<PluginStatus> Farm::pluginStatuses()
{
    return m_records.snapshot();
}

void Farm::setLoadError(const movra_string<char>& pluginName, const std::string& error)
{
    m_records.setLoadError(std::string(pluginName.c_str(), pluginName.length()), error);
}

} // namespace MSE
