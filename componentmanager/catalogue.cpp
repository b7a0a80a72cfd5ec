#include "componentmanager/catalogue.h"

#include "componentmanager/componentstatus.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <map>
#include <set>

namespace MovraComponents {

namespace {

using nlohmann::json;

constexpr uint64_t kMaxArchiveBytes = uint64_t(4) << 30;
constexpr uint64_t kMaxUnpackedBytes = uint64_t(16) << 30;

// nlohmann's parser keeps its own stack, but a value nested a million deep is still refused
// here before anything is allocated for it.
bool nestingWithin(std::string_view text, size_t limit)
{
    size_t depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return false;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

std::string folded(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool isLowerHex(std::string_view text, size_t length)
{
    return text.size() == length && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

struct EntryReader
{
    const json& object;
    std::string* error;

    bool fail(const std::string& what)
    {
        *error = what;
        return false;
    }
    bool text(const char* key, std::string* out, bool required = true)
    {
        const auto it = object.find(key);
        if (it == object.end())
            return required ? fail(std::string("missing \"") + key + "\"") : true;
        if (!it->is_string())
            return fail(std::string("\"") + key + "\" is not a string");
        *out = it->get<std::string>();
        return true;
    }
    bool number(const char* key, uint64_t* out, uint64_t max)
    {
        const auto it = object.find(key);
        if (it == object.end())
            return fail(std::string("missing \"") + key + "\"");
        if (!it->is_number_unsigned() || it->get<uint64_t>() > max)
            return fail(std::string("\"") + key + "\" is not a size");
        *out = it->get<uint64_t>();
        return true;
    }
    bool names(const char* key, std::vector<std::string>* out)
    {
        const auto it = object.find(key);
        if (it == object.end())
            return true;
        if (!it->is_array())
            return fail(std::string("\"") + key + "\" is not a list");
        for (const json& item : *it) {
            if (!item.is_string() || !isValidComponentName(item.get<std::string>()))
                return fail(std::string("\"") + key + "\" holds an invalid name");
            out->push_back(item.get<std::string>());
        }
        return true;
    }
    bool version(const char* key, Version* out, bool required)
    {
        std::string textValue;
        if (!text(key, &textValue, required))
            return false;
        if (textValue.empty() && !required)
            return true;
        const auto parsed = Version::parse(textValue);
        if (!parsed)
            return fail(std::string("\"") + key + "\" is not a version: " + textValue);
        *out = *parsed;
        return true;
    }
};

bool readEntry(const json& object, CatalogueEntry* entry, std::string* error)
{
    if (!object.is_object()) {
        *error = "a component is not an object";
        return false;
    }
    EntryReader r{object, error};
    if (!r.text("name", &entry->name))
        return false;
    if (!isValidComponentName(entry->name))
        return r.fail("invalid component name \"" + entry->name + "\"");
    Version minimum;
    if (!r.version("version", &entry->version, true) || !r.names("provides", &entry->provides)
        || !r.names("requires", &entry->requires_) || !r.text("archive", &entry->archive)
        || !r.number("size", &entry->size, kMaxArchiveBytes)
        || !r.number("unpacked_size", &entry->unpackedSize, kMaxUnpackedBytes)
        || !r.text("sha256", &entry->sha256) || !r.version("minimum_player_version", &minimum, false))
        return false;
    if (object.contains("minimum_player_version"))
        entry->minimumPlayerVersion = minimum;
    if (!isSafeRelativePath(entry->archive))
        return r.fail("unsafe archive address \"" + entry->archive + "\"");
    if (!isLowerHex(entry->sha256, 64))
        return r.fail("\"sha256\" is not a SHA-256 in hex");
    const auto files = object.find("files");
    if (files != object.end()) {
        if (!files->is_array())
            return r.fail("\"files\" is not a list");
        if (files->size() > Catalogue::kMaxFilesPerComponent)
            return r.fail("more than " + std::to_string(Catalogue::kMaxFilesPerComponent) + " files");
        std::set<std::string> paths;
        for (const json& f : *files) {
            if (!f.is_object())
                return r.fail("a file is not an object");
            EntryReader fr{f, error};
            CatalogueFile file;
            if (!fr.text("path", &file.path) || !fr.number("size", &file.size, kMaxUnpackedBytes)
                || !fr.text("sha256", &file.sha256))
                return false;
            if (!isSafeRelativePath(file.path) || !isLowerHex(file.sha256, 64))
                return r.fail("bad file record \"" + file.path + "\"");
            if (!paths.insert(file.path).second)
                return r.fail("file \"" + file.path + "\" listed twice");
            entry->files.push_back(std::move(file));
        }
    }
    return true;
}

bool hasCycle(const Catalogue& catalogue, std::string* error)
{
    enum Mark { None, Active, Done };
    std::map<std::string, Mark> marks;
    std::function<bool(const CatalogueEntry&)> visit = [&](const CatalogueEntry& e) {
        Mark& mark = marks[e.name];
        if (mark == Done)
            return false;
        if (mark == Active) {
            *error = "requirements form a cycle through \"" + e.name + "\"";
            return true;
        }
        mark = Active;
        for (const std::string& req : e.requires_) {
            if (const CatalogueEntry* next = catalogue.find(req); next && visit(*next))
                return true;
        }
        marks[e.name] = Done;
        return false;
    };
    for (const CatalogueEntry& e : catalogue.entries()) {
        if (visit(e))
            return true;
    }
    return false;
}

} // namespace

bool isValidComponentName(std::string_view name)
{
    if (name.empty() || name.size() > 64 || name.front() == '.')
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == '+';
    });
}

bool isSafeRelativePath(std::string_view path)
{
    if (path.empty() || path.size() > 512)
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment.size() > 255 || !std::all_of(segment.begin(), segment.end(), [](char c) {
                return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'
                       || c == '+';
            }))
            return false;
        if (segment.empty() || segment.front() == '.')
            return false;
        start = end + 1;
    }
    return true;
}

bool Catalogue::parse(std::string_view text, std::string* error)
{
    m_entries.clear();
    m_index.clear();
    if (text.size() > kMaxBytes) {
        *error = "catalogue larger than " + std::to_string(kMaxBytes) + " bytes";
        return false;
    }
    if (!nestingWithin(text, kMaxNesting)) {
        *error = "catalogue nested too deeply";
        return false;
    }
    json root;
    try {
        root = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {
        *error = std::string("not JSON: ") + e.what();
        return false;
    }
    if (!root.is_object() || !root.contains("format") || !root["format"].is_number_integer()
        || root["format"].get<int64_t>() != kFormat) {
        *error = "not a catalogue of format " + std::to_string(kFormat);
        return false;
    }
    const auto serial = root.find("serial");
    if (serial == root.end() || !serial->is_number_unsigned() || serial->get<uint64_t>() == 0) {
        *error = "\"serial\" is missing or not a positive whole number";
        return false;
    }
    const auto expires = root.find("expires");
    std::optional<int64_t> expiry;
    if (expires != root.end() && expires->is_string())
        expiry = parseUtcTime(expires->get<std::string>());
    if (!expiry) {
        *error = "\"expires\" is missing or not a time such as 2030-01-31T00:00:00Z";
        return false;
    }
    const auto components = root.find("components");
    if (components == root.end() || !components->is_array()) {
        *error = "\"components\" is not a list";
        return false;
    }
    std::vector<CatalogueEntry> entries;
    std::set<std::string> seen;
    for (const json& item : *components) {
        CatalogueEntry entry;
        if (!readEntry(item, &entry, error))
            return false;
        // Installation records ignore case, so "mpc" and "MPC" would share one.
        if (!seen.insert(folded(entry.name)).second) {
            *error = "component \"" + entry.name + "\" listed twice";
            return false;
        }
        entries.push_back(std::move(entry));
    }
    m_entries = std::move(entries);
    m_stamp = CatalogueStamp{serial->get<uint64_t>(), *expiry};
    for (size_t i = 0; i < m_entries.size(); ++i)
        m_index[folded(m_entries[i].name)] = i;
    if (hasCycle(*this, error)) {
        m_entries.clear();
        m_index.clear();
        return false;
    }
    return true;
}

const CatalogueEntry* Catalogue::find(std::string_view name) const
{
    const auto it = m_index.find(folded(name));
    return it == m_index.end() ? nullptr : &m_entries[it->second];
}

std::optional<int64_t> parseUtcTime(std::string_view text)
{
    // Exactly YYYY-MM-DDTHH:MM:SSZ.
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':'
        || text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const auto number = [&](size_t at, size_t length, int* out) {
        int value = 0;
        for (size_t i = at; i < at + length; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            value = value * 10 + (text[i] - '0');
        }
        *out = value;
        return true;
    };
    std::tm tm{};
    int year = 0, month = 0;
    if (!number(0, 4, &year) || !number(5, 2, &month) || !number(8, 2, &tm.tm_mday) || !number(11, 2, &tm.tm_hour)
        || !number(14, 2, &tm.tm_min) || !number(17, 2, &tm.tm_sec))
        return std::nullopt;
    if (year < 1970 || month < 1 || month > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23
        || tm.tm_min > 59 || tm.tm_sec > 59)
        return std::nullopt;
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    const std::tm asked = tm;
    const time_t seconds = ::timegm(&tm);
    // timegm moves 31 February to March: such a date was not a date.
    if (tm.tm_mday != asked.tm_mday || tm.tm_mon != asked.tm_mon)
        return std::nullopt;
    return static_cast<int64_t>(seconds);
}

std::string formatUtcTime(int64_t seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string serialiseCatalogue(const std::vector<CatalogueEntry>& entries, const CatalogueStamp& stamp)
{
    json components = json::array();
    for (const CatalogueEntry& e : entries) {
        json files = json::array();
        for (const CatalogueFile& f : e.files)
            files.push_back({{"path", f.path}, {"size", f.size}, {"sha256", f.sha256}});
        json object = {{"name", e.name},
                       {"version", e.version.text()},
                       {"provides", e.provides},
                       {"requires", e.requires_},
                       {"archive", e.archive},
                       {"size", e.size},
                       {"unpacked_size", e.unpackedSize},
                       {"sha256", e.sha256},
                       {"files", files}};
        if (e.minimumPlayerVersion)
            object["minimum_player_version"] = e.minimumPlayerVersion->text();
        components.push_back(std::move(object));
    }
    // Compact, so a component of many files stays well inside the size limit.
    return json{{"format", Catalogue::kFormat},
                {"serial", stamp.serial},
                {"expires", formatUtcTime(stamp.expires)},
                {"components", components}}
               .dump()
           + "\n";
}

Resolution resolveInstallOrder(const Catalogue& catalogue, const std::vector<std::string>& roots,
                               const InstalledVersion& installedVersion, const Version& playerVersion)
{
    Resolution result;
    std::set<std::string> visited;
    // The catalogue was checked for cycles, so the depth is bounded by its size.
    std::function<bool(const std::string&)> visit = [&](const std::string& name) {
        const CatalogueEntry* entry = catalogue.find(name);
        if (!entry) {
            if (installedVersion(name))
                return true;
            result.status = NoProvider;
            result.component = name;
            result.reason = "no component \"" + name + "\" in the catalogue";
            return false;
        }
        if (!visited.insert(folded(entry->name)).second)
            return true;
        for (const std::string& req : entry->requires_) {
            if (!visit(req))
                return false;
        }
        const std::optional<Version> installed = installedVersion(entry->name);
        if (installed && *installed >= entry->version)
            return true;
        if (entry->minimumPlayerVersion && playerVersion < *entry->minimumPlayerVersion) {
            result.status = PlayerUpdateRequired;
            result.component = entry->name;
            result.reason = "needs player " + entry->minimumPlayerVersion->text() + ", this is "
                            + playerVersion.text();
            return false;
        }
        result.order.push_back(entry);
        return true;
    };
    for (const std::string& root : roots) {
        if (!visit(root)) {
            result.order.clear();
            return result;
        }
    }
    return result;
}

} // namespace MovraComponents
