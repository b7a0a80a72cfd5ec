#include "componentmanager/installrecords.h"

#include "componentmanager/fsutil.h"
#include "platform/registry.h"

#include <nlohmann/json.hpp>

#include <utf8cpp/utf8.h>

#include <sys/stat.h>

namespace MovraComponents {

using namespace MovraRegistry;

const char kManagerRecord[] = "MovraComponentManager";
const char kManifestFileName[] = ".movra-component";

namespace {

const char16_t kInstallKey[] = u"SOFTWARE\\Movra\\Install";

std::u16string wide(const std::string& text)
{
    std::u16string out;
    try {
        utf8::utf8to16(text.begin(), text.end(), std::back_inserter(out));
    } catch (const utf8::exception&) {
        out.clear();
    }
    return out;
}

std::string narrow(const std::u16string& text)
{
    std::string out;
    try {
        utf8::utf16to8(text.begin(), text.end(), std::back_inserter(out));
    } catch (const utf8::exception&) {
        out.clear();
    }
    return out;
}

std::u16string recordPath(const std::string& component)
{
    return std::u16string(kInstallKey) + u'\\' + wide(component);
}

class Key
{
public:
    Key() = default;
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::optional<std::string> queryString(HKEY key, const char* value)
{
    const std::u16string name = wide(value);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::u16string data(size / sizeof(char16_t) + 1, u'\0');
    size = static_cast<DWORD>(data.size() * sizeof(char16_t));
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size)
        != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size / sizeof(char16_t));
    while (!data.empty() && data.back() == u'\0')
        data.pop_back();
    return narrow(data);
}

long setString(HKEY key, const char* value, const std::string& text)
{
    const std::u16string data = wide(text);
    return RegSetValueExW(key, wide(value).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(char16_t)));
}

} // namespace

std::optional<std::string> readInstallString(const std::string& component, const char* value)
{
    Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, recordPath(component).c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS)
        return std::nullopt;
    return queryString(key.get(), value);
}

std::optional<Manifest> readManifest(const std::string& folder, bool* present)
{
    std::string text;
    const std::string path = folder + "/" + kManifestFileName;
    struct stat st;
    if (present)
        *present = ::lstat(path.c_str(), &st) == 0;
    if (!readSmallFile(path, &text, 4096))
        return std::nullopt;
    try {
        const nlohmann::json manifest = nlohmann::json::parse(text);
        const auto version = Version::parse(manifest.at("version").get<std::string>());
        if (!version)
            return std::nullopt;
        return Manifest{manifest.at("name").get<std::string>(), *version};
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

bool filesAgreeWithRecord(const InstalledComponent& record)
{
    struct stat st;
    if (::stat(record.installDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    bool present = false;
    const auto manifest = readManifest(record.installDir, &present);
    if (!present)
        return true;
    return manifest && manifest->name == record.name && manifest->version == record.version;
}

bool installRecordExists(const std::string& name)
{
    Key key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, recordPath(name).c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

std::optional<InstalledComponent> installedComponent(const std::string& name)
{
    auto record = recordedComponent(name);
    if (!record || !filesAgreeWithRecord(*record))
        return std::nullopt;
    return record;
}

std::optional<InstalledComponent> recordedComponent(const std::string& name)
{
    Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, recordPath(name).c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS)
        return std::nullopt;
    const auto dir = queryString(key.get(), "InstallDir");
    const auto version = queryString(key.get(), "Version");
    if (!dir || dir->empty() || !version)
        return std::nullopt;
    const auto parsed = Version::parse(*version);
    if (!parsed)
        return std::nullopt;
    return InstalledComponent{name, *dir, *parsed};
}

std::vector<std::string> installRecordNames()
{
    std::vector<std::string> names;
    Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char16_t name[kMaxKeyNameLength + 1];
        DWORD length = kMaxKeyNameLength + 1;
        if (RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(narrow(std::u16string(name, length)));
    }
    return names;
}

std::vector<InstalledComponent> installedComponents()
{
    std::vector<InstalledComponent> result;
    for (const std::string& name : installRecordNames()) {
        if (auto component = installedComponent(name))
            result.push_back(std::move(*component));
    }
    return result;
}

long writeInstallRecord(const std::string& name, const std::string& installDir, const Version& version)
{
    Key key;
    long rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, recordPath(name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, key.out(), nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    // The folder first: a record with a folder and no version does not count as installed.
    rc = setString(key.get(), "InstallDir", installDir);
    if (rc == ERROR_SUCCESS)
        rc = setString(key.get(), "Version", version.text());
    return rc;
}

long deleteInstallRecord(const std::string& name)
{
    const long rc = SHDeleteKeyW(HKEY_LOCAL_MACHINE, recordPath(name).c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

bool machineRegistryWritable()
{
    return registryRootWritable(HKEY_LOCAL_MACHINE) == ERROR_SUCCESS;
}

} // namespace MovraComponents
