#include "tools/movra-reg/regtool.h"

#include <QString>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sys/stat.h>

namespace MovraReg {

using namespace MovraRegistry;

namespace {

const char kSuccess[] = "The operation completed successfully.";
const char kNotFound[] = "The system was unable to find the specified registry key or value.";
const char kUsage[] =
    "movra-reg query KEY [/v NAME | /ve] [/s]\n"
    "movra-reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
    "movra-reg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "movra-reg import FILE\n"
    "movra-reg export KEY FILE [/y]\n"
    "KEY: HKCU, HKLM or HKCR (or HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT)\n"
    "     followed by \\SUBKEY. TYPE: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD,\n"
    "     REG_QWORD, REG_BINARY, REG_NONE.\n";

struct TypeName
{
    const char* name;
    DWORD type;
};

const TypeName kTypes[] = {
    {"REG_NONE", REG_NONE},   {"REG_SZ", REG_SZ},       {"REG_EXPAND_SZ", REG_EXPAND_SZ},
    {"REG_BINARY", REG_BINARY}, {"REG_DWORD", REG_DWORD}, {"REG_MULTI_SZ", REG_MULTI_SZ},
    {"REG_QWORD", REG_QWORD},
};

std::string utf8(const std::u16string& text)
{
    return QString::fromStdU16String(text).toStdString();
}

std::string typeName(DWORD type)
{
    for (const TypeName& entry : kTypes)
        if (entry.type == type)
            return entry.name;
    return "REG_0x" + QString::number(type, 16).toStdString();
}

bool typeFromName(const std::u16string& name, DWORD* type)
{
    const std::string upper = QString::fromStdU16String(name).toUpper().toStdString();
    for (const TypeName& entry : kTypes) {
        if (upper == entry.name) {
            *type = entry.type;
            return true;
        }
    }
    return false;
}

std::u16string lowerAscii(std::u16string text)
{
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 32);
    return text;
}

std::vector<BYTE> stringBytes(const std::u16string& text)
{
    std::u16string withNul = text;
    withNul.push_back(u'\0');
    const auto* bytes = reinterpret_cast<const BYTE*>(withNul.data());
    return std::vector<BYTE>(bytes, bytes + withNul.size() * 2);
}

bool parseUnsigned(const std::u16string& text, uint64_t limit, uint64_t* value)
{
    bool ok = false;
    const QString q = QString::fromStdU16String(text);
    const qulonglong parsed = q.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? q.mid(2).toULongLong(&ok, 16)
                                                                                      : q.toULongLong(&ok, 10);
    if (!ok || parsed > limit)
        return false;
    *value = parsed;
    return true;
}

bool encodeData(DWORD type, const std::u16string& data, const std::u16string& separator, std::vector<BYTE>* out)
{
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        *out = stringBytes(data);
        return true;
    case REG_MULTI_SZ: {
        std::u16string joined;
        size_t pos = 0;
        while (!data.empty()) {
            const size_t next = data.find(separator, pos);
            joined += data.substr(pos, next == std::u16string::npos ? std::u16string::npos : next - pos);
            joined.push_back(u'\0');
            if (next == std::u16string::npos)
                break;
            pos = next + separator.size();
        }
        *out = stringBytes(joined);
        return true;
    }
    case REG_DWORD:
    case REG_QWORD: {
        uint64_t value = 0;
        if (!parseUnsigned(data, type == REG_DWORD ? 0xFFFFFFFFull : ~0ull, &value))
            return false;
        const auto* bytes = reinterpret_cast<const BYTE*>(&value);
        out->assign(bytes, bytes + (type == REG_DWORD ? 4 : 8));
        return true;
    }
    default: {
        if (data.size() % 2)
            return false;
        out->clear();
        for (size_t i = 0; i < data.size(); i += 2) {
            bool ok = false;
            const uint byte = QString::fromStdU16String(data.substr(i, 2)).toUInt(&ok, 16);
            if (!ok)
                return false;
            out->push_back(static_cast<BYTE>(byte));
        }
        return true;
    }
    }
}

std::string displayData(DWORD type, const std::vector<BYTE>& data)
{
    auto text = [&](bool multi) {
        std::u16string s(reinterpret_cast<const char16_t*>(data.data()), data.size() / 2);
        while (!s.empty() && s.back() == u'\0')
            s.pop_back();
        std::u16string shown;
        for (char16_t c : s) {
            if (c == u'\0' && multi)
                shown += u"\\0";
            else
                shown.push_back(c);
        }
        return utf8(shown);
    };
    char number[32];
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && data.size() % 2 == 0)
        return text(false);
    if (type == REG_MULTI_SZ && data.size() % 2 == 0)
        return text(true);
    if (type == REG_DWORD && data.size() == 4) {
        uint32_t value = 0;
        std::copy(data.begin(), data.end(), reinterpret_cast<BYTE*>(&value));
        std::snprintf(number, sizeof number, "0x%x", value);
        return number;
    }
    if (type == REG_QWORD && data.size() == 8) {
        uint64_t value = 0;
        std::copy(data.begin(), data.end(), reinterpret_cast<BYTE*>(&value));
        std::snprintf(number, sizeof number, "0x%llx", static_cast<unsigned long long>(value));
        return number;
    }
    std::string hex;
    for (BYTE b : data) {
        std::snprintf(number, sizeof number, "%02X", b);
        hex += number;
    }
    return hex;
}

bool fileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Closes a key when the scope ends.
class KeyHolder
{
public:
    KeyHolder() = default;
    ~KeyHolder()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    HKEY* out() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace

struct RegTool::Options
{
    std::u16string command;
    std::vector<std::u16string> positional;
    bool hasValueName = false;
    std::u16string valueName;
    bool defaultValue = false; // /ve
    bool allValues = false;    // /va
    bool recurse = false;      // /s (query)
    bool force = false;        // /f
    bool overwriteFile = false; // /y
    bool hasType = false;
    std::u16string type;
    bool hasData = false;
    std::u16string data;
    std::u16string separator = u"\\0";
};

int RegTool::fail(const std::string& message)
{
    m_err << "ERROR: " << message << "\n";
    return 1;
}

int RegTool::failRegistry(LONG rc, const std::u16string& what)
{
    switch (rc) {
    case ERROR_FILE_NOT_FOUND:
        return fail(kNotFound);
    case ERROR_ACCESS_DENIED:
        return fail("Access is denied: " + utf8(what));
    case ERROR_BADDB: {
        std::string problems = registryProblems();
        while (!problems.empty() && problems.back() == '\n')
            problems.pop_back();
        return fail("The registry file is broken: " + problems);
    }
    case ERROR_KEY_DELETED:
        return fail("The key was deleted while in use: " + utf8(what));
    default:
        return fail("Registry error " + std::to_string(rc) + ": " + utf8(what));
    }
}

bool RegTool::confirm(const std::string& question)
{
    m_out << question << " " << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer))
        return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

int RegTool::run(const std::vector<std::u16string>& args)
{
    if (args.empty())
        return fail("Invalid syntax.\n" + std::string(kUsage));
    Options options;
    options.command = lowerAscii(args[0]);
    if (options.command == u"/?" || options.command == u"-?" || options.command == u"--help") {
        m_out << kUsage;
        return 0;
    }
    for (size_t i = 1; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        const std::u16string name = arg.size() >= 2 ? lowerAscii(arg.substr(1)) : std::u16string();
        // Only the known switches are options; any other "/..." is an absolute file path.
        const bool isOption = (arg[0] == u'/' || arg[0] == u'-')
                              && (name == u"v" || name == u"ve" || name == u"va" || name == u"s" || name == u"f"
                                  || name == u"y" || name == u"t" || name == u"d" || name == u"?");
        if (!isOption) {
            options.positional.push_back(arg);
            continue;
        }
        auto next = [&](std::u16string* into) {
            if (i + 1 >= args.size())
                return false;
            *into = args[++i];
            return true;
        };
        bool ok = true;
        if (name == u"v") {
            options.hasValueName = ok = next(&options.valueName);
        } else if (name == u"ve") {
            options.defaultValue = true;
        } else if (name == u"va") {
            options.allValues = true;
        } else if (name == u"s") {
            if (options.command == u"add")
                ok = next(&options.separator);
            else
                options.recurse = true;
        } else if (name == u"f") {
            options.force = true;
        } else if (name == u"y") {
            options.overwriteFile = true;
        } else if (name == u"t") {
            options.hasType = ok = next(&options.type);
        } else if (name == u"d") {
            options.hasData = ok = next(&options.data);
        } else {
            m_out << kUsage;
            return 0;
        }
        if (!ok)
            return fail("Invalid syntax: " + utf8(arg) + "\n" + kUsage);
    }
    if (int(options.hasValueName) + int(options.defaultValue) + int(options.allValues) > 1)
        return fail("Invalid syntax: /v, /ve and /va exclude each other.");

    if (options.command == u"query")
        return query(options);
    if (options.command == u"add")
        return add(options);
    if (options.command == u"delete")
        return remove(options);
    if (options.command == u"import")
        return import(options);
    if (options.command == u"export")
        return exportKey(options);
    return fail("Invalid syntax: unknown operation " + utf8(args[0]) + "\n" + kUsage);
}

void RegTool::printValue(const std::u16string& name, DWORD type, const std::vector<BYTE>& data)
{
    m_out << "    " << (name.empty() ? std::string("(Default)") : utf8(name)) << "    " << typeName(type) << "    "
          << displayData(type, data) << "\n";
}

LONG RegTool::printKey(HKEY key, const std::u16string& fullName, bool recurse)
{
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                               &maxValueName, &maxValue, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    m_out << "\n" << utf8(fullName) << "\n";
    std::vector<char16_t> name(maxValueName + 1);
    std::vector<BYTE> data(maxValue);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        rc = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (rc != ERROR_SUCCESS)
            return rc;
        printValue(std::u16string(name.data(), nameLength), type, std::vector<BYTE>(data.begin(), data.begin() + size));
    }
    std::vector<char16_t> keyName(maxSubKey + 1);
    std::vector<std::u16string> children;
    for (DWORD i = 0; i < subKeys; ++i) {
        DWORD length = static_cast<DWORD>(keyName.size());
        rc = RegEnumKeyExW(key, i, keyName.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS)
            return rc;
        children.emplace_back(keyName.data(), length);
    }
    if (!recurse && !children.empty()) {
        m_out << "\n";
        for (const std::u16string& child : children)
            m_out << utf8(fullName + u'\\' + child) << "\n";
    }
    if (recurse) {
        for (const std::u16string& child : children) {
            KeyHolder sub;
            rc = RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, sub.out());
            if (rc == ERROR_SUCCESS)
                rc = printKey(sub.get(), fullName + u'\\' + child, true);
            if (rc != ERROR_SUCCESS)
                return rc;
        }
    }
    return ERROR_SUCCESS;
}

int RegTool::query(const Options& options)
{
    RegKeyPath path;
    if (options.positional.size() != 1 || !parseKeyPath(options.positional[0], &path))
        return fail("Invalid key name.");
    KeyHolder key;
    LONG rc = RegOpenKeyExW(path.root, path.subKey.c_str(), 0, KEY_READ, key.out());
    if (rc != ERROR_SUCCESS)
        return failRegistry(rc, path.full());
    if (options.hasValueName || options.defaultValue) {
        const std::u16string name = options.hasValueName ? options.valueName : std::u16string();
        DWORD type = 0, size = 0;
        rc = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
        std::vector<BYTE> data(size);
        if (rc == ERROR_SUCCESS)
            rc = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
        if (rc != ERROR_SUCCESS)
            return failRegistry(rc, path.full() + u'\\' + name);
        m_out << "\n" << utf8(path.full()) << "\n";
        printValue(name, type, data);
        m_out << "\n";
        return 0;
    }
    rc = printKey(key.get(), path.full(), options.recurse);
    if (rc != ERROR_SUCCESS)
        return failRegistry(rc, path.full());
    m_out << "\n";
    return 0;
}

int RegTool::add(const Options& options)
{
    RegKeyPath path;
    if (options.positional.size() != 1 || !parseKeyPath(options.positional[0], &path) || path.subKey.empty())
        return fail("Invalid key name.");
    DWORD type = REG_SZ;
    if (options.hasType && !typeFromName(options.type, &type))
        return fail("Invalid type: " + utf8(options.type));
    std::vector<BYTE> data;
    const bool writesValue = options.hasValueName || options.defaultValue;
    if (writesValue && !encodeData(type, options.data, options.separator, &data))
        return fail("Invalid data for " + typeName(type) + ": " + utf8(options.data));
    if (!writesValue && (options.hasType || options.hasData))
        return fail("Invalid syntax: /t and /d need /v or /ve.");

    KeyHolder key;
    LONG rc = RegCreateKeyExW(path.root, path.subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.out(), nullptr);
    if (rc != ERROR_SUCCESS)
        return failRegistry(rc, path.full());
    if (writesValue) {
        const std::u16string name = options.hasValueName ? options.valueName : std::u16string();
        if (!options.force && RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
            && !confirm("Value " + (name.empty() ? std::string("(Default)") : utf8(name))
                        + " exists, overwrite(Yes/No)?"))
            return fail("The operation was cancelled.");
        rc = RegSetValueExW(key.get(), name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
        if (rc != ERROR_SUCCESS)
            return failRegistry(rc, path.full() + u'\\' + name);
    }
    m_out << kSuccess << "\n";
    return 0;
}

int RegTool::remove(const Options& options)
{
    RegKeyPath path;
    if (options.positional.size() != 1 || !parseKeyPath(options.positional[0], &path))
        return fail("Invalid key name.");
    if (!options.hasValueName && !options.defaultValue && !options.allValues) {
        if (path.subKey.empty())
            return fail("Invalid key name: a root cannot be deleted.");
        if (!options.force && !confirm("Permanently delete the registry key " + utf8(path.full()) + " (Yes/No)?"))
            return fail("The operation was cancelled.");
        const LONG rc = SHDeleteKeyW(path.root, path.subKey.c_str());
        if (rc != ERROR_SUCCESS)
            return failRegistry(rc, path.full());
        m_out << kSuccess << "\n";
        return 0;
    }
    KeyHolder key;
    LONG rc = RegOpenKeyExW(path.root, path.subKey.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.out());
    if (rc != ERROR_SUCCESS)
        return failRegistry(rc, path.full());
    std::vector<std::u16string> names;
    if (options.allValues) {
        DWORD values = 0, maxValueName = 0;
        rc = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &maxValueName,
                              nullptr, nullptr, nullptr);
        std::vector<char16_t> name(maxValueName + 1);
        for (DWORD i = 0; rc == ERROR_SUCCESS && i < values; ++i) {
            DWORD length = static_cast<DWORD>(name.size());
            rc = RegEnumValueW(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_SUCCESS)
                names.emplace_back(name.data(), length);
        }
        if (rc != ERROR_SUCCESS)
            return failRegistry(rc, path.full());
    } else {
        names.push_back(options.hasValueName ? options.valueName : std::u16string());
    }
    const std::string what = options.allValues ? "all values under " + utf8(path.full())
                                               : "the registry value " + (names[0].empty() ? std::string("(Default)")
                                                                                           : utf8(names[0]));
    if (!options.force && !confirm("Delete " + what + " (Yes/No)?"))
        return fail("The operation was cancelled.");
    for (const std::u16string& name : names) {
        rc = RegDeleteValueW(key.get(), name.c_str());
        if (rc != ERROR_SUCCESS)
            return failRegistry(rc, path.full() + u'\\' + name);
    }
    m_out << kSuccess << "\n";
    return 0;
}

int RegTool::import(const Options& options)
{
    if (options.positional.size() != 1)
        return fail("Invalid syntax: import needs one file.");
    const std::string fileName = utf8(options.positional[0]);
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return fail("Cannot open " + fileName);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    RegFile file;
    RegFileError error;
    if (!parseRegFile(bytes, &file, &error))
        return fail(fileName + ", line " + std::to_string(error.line) + ": " + error.message);

    // Everything is checked before the first write, so a bad file changes nothing.
    std::vector<RegKeyPath> paths;
    for (const RegFileKey& key : file.keys) {
        RegKeyPath path;
        if (!parseKeyPath(key.path, &path) || path.subKey.empty())
            return fail(fileName + ", line " + std::to_string(key.line) + ": invalid key name " + utf8(key.path));
        paths.push_back(path);
    }
    for (const RegKeyPath& path : paths) {
        const LONG rc = registryRootWritable(path.root);
        if (rc != ERROR_SUCCESS)
            return failRegistry(rc, path.rootName);
    }
    for (size_t i = 0; i < file.keys.size(); ++i) {
        const RegFileKey& entry = file.keys[i];
        const RegKeyPath& path = paths[i];
        if (entry.remove) {
            const LONG rc = SHDeleteKeyW(path.root, path.subKey.c_str());
            if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
                return failRegistry(rc, path.full());
            continue;
        }
        KeyHolder key;
        LONG rc = RegCreateKeyExW(path.root, path.subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.out(), nullptr);
        if (rc != ERROR_SUCCESS)
            return failRegistry(rc, path.full());
        for (const RegFileValue& value : entry.values) {
            if (value.remove) {
                rc = RegDeleteValueW(key.get(), value.name.c_str());
                if (rc == ERROR_FILE_NOT_FOUND)
                    rc = ERROR_SUCCESS;
            } else {
                // A .reg file names every byte: a string without its terminator stays so.
                rc = setValueVerbatim(key.get(), value.name.c_str(), value.type, value.data.data(),
                                      static_cast<DWORD>(value.data.size()));
            }
            if (rc != ERROR_SUCCESS)
                return failRegistry(rc, path.full() + u'\\' + value.name);
        }
    }
    m_out << kSuccess << "\n";
    return 0;
}

LONG RegTool::collect(HKEY key, const std::u16string& fullName, RegFile* file)
{
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                               &maxValueName, &maxValue, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    RegFileKey entry;
    entry.path = fullName;
    std::vector<char16_t> name(maxValueName + 1);
    std::vector<BYTE> data(maxValue);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size());
        RegFileValue value;
        rc = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &value.type, data.data(), &size);
        if (rc != ERROR_SUCCESS)
            return rc;
        value.name.assign(name.data(), nameLength);
        value.data.assign(data.begin(), data.begin() + size);
        entry.values.push_back(std::move(value));
    }
    file->keys.push_back(std::move(entry));
    std::vector<char16_t> keyName(maxSubKey + 1);
    for (DWORD i = 0; i < subKeys; ++i) {
        DWORD length = static_cast<DWORD>(keyName.size());
        rc = RegEnumKeyExW(key, i, keyName.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS)
            return rc;
        const std::u16string child(keyName.data(), length);
        KeyHolder sub;
        rc = RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, sub.out());
        if (rc == ERROR_SUCCESS)
            rc = collect(sub.get(), fullName + u'\\' + child, file);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    return ERROR_SUCCESS;
}

int RegTool::exportKey(const Options& options)
{
    RegKeyPath path;
    if (options.positional.size() != 2 || !parseKeyPath(options.positional[0], &path))
        return fail("Invalid syntax: export needs a key and a file.");
    const std::string fileName = utf8(options.positional[1]);
    KeyHolder key;
    LONG rc = RegOpenKeyExW(path.root, path.subKey.c_str(), 0, KEY_READ, key.out());
    if (rc != ERROR_SUCCESS)
        return failRegistry(rc, path.full());
    RegFile file;
    rc = collect(key.get(), path.full(), &file);
    if (rc != ERROR_SUCCESS)
        return failRegistry(rc, path.full());
    if (fileExists(fileName) && !options.overwriteFile
        && !confirm("File " + fileName + " already exists. Overwrite (Yes/No)?"))
        return fail("The operation was cancelled.");
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out << formatRegFile(file);
    out.close();
    if (!out)
        return fail("Cannot write " + fileName);
    m_out << kSuccess << "\n";
    return 0;
}

} // namespace MovraReg
