#include "framework/file.h"

#include "framework/file_p.h"
#include "framework/widestring.h"

#include <algorithm>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

namespace MSE {

File::~File() { close(); }

int File::open(const movra_string<wchar_t>& path, uint32_t mode)
{
    if (isOpen())
        return kResultMissingArgument;
    if (mode > ReadWriteAtEnd)
        return kResultFailed;
    const int handle = filesystem::openFile(toUtf8(path), mode);
    if (handle < 0)
        return kResultOpenRefused;
    m_handle = handle;
    return kResultOk;
}

uint64_t File::size() const { return isOpen() ? filesystem::fileSize(m_handle) : 0; }

uint32_t File::read(void* buffer, uint32_t count)
{
    if (!isOpen() || !buffer)
        return 0;
    const int64_t n = filesystem::readFile(m_handle, buffer, count);
    return n > 0 ? static_cast<uint32_t>(n) : 0;
}

int File::close()
{
    if (isOpen()) {
        filesystem::closeFile(m_handle);
        m_handle = -1;
    }
    return kResultOk;
}

bool fileExists(const movra_string<wchar_t>& path)
{
    if (path.empty())
        return false;
    return filesystem::isExistingFile(toUtf8(path));
}

movra_string<wchar_t> normalizedFolder(const movra_string<wchar_t>& folder)
{
    std::wstring text(folder.c_str(), folder.length());
    for (wchar_t& c : text) {
        if (c == L'\\')
            c = kPathSeparator;
    }
    if (text.empty() || text.back() != kPathSeparator)
        text += kPathSeparator;
    return movra_string<wchar_t>(text.c_str(), text.size());
}

namespace {
struct CaseInsensitiveLess
{
    bool operator()(const std::wstring& a, const std::wstring& b) const
    {
        const std::size_t n = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i) {
            const wint_t ca = std::towlower(static_cast<wint_t>(a[i]));
            const wint_t cb = std::towlower(static_cast<wint_t>(b[i]));
            if (ca != cb)
                return ca < cb;
        }
        return a.size() < b.size();
    }
};
using ExtensionSet = std::set<std::wstring, CaseInsensitiveLess>;

// Empty pieces between commas are dropped; the piece after the last comma is always kept.
ExtensionSet splitExtensions(const movra_string<wchar_t>& list)
{
    ExtensionSet names;
    const std::wstring text(list.c_str(), list.length());
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(L',', start)) != std::wstring::npos; start = comma + 1) {
        if (comma > start)
            names.insert(text.substr(start, comma - start));
    }
    names.insert(text.substr(start));
    return names;
}

void listInto(const std::wstring& folder, const ExtensionSet& extensions, bool recursive,
              List<movra_string<wchar_t>>& out)
{
    std::vector<filesystem::Entry> entries;
    if (!filesystem::listFolder(toUtf8(folder.c_str(), folder.size()), entries))
        return;
    for (const filesystem::Entry& entry : entries) {
        const movra_string<wchar_t> name = fromUtf8(entry.name);
        const std::wstring path = folder + std::wstring(name.c_str(), name.length());
        if (path.back() == L'.')
            continue;
        if (entry.isFolder && recursive) {
            listInto(path + kPathSeparator, extensions, recursive, out);
            continue;
        }
        const std::size_t dot = path.rfind(L'.');
        if (dot != std::wstring::npos && extensions.count(path.substr(dot + 1)))
            out.append(movra_string<wchar_t>(path.c_str(), path.size()));
    }
}
} // namespace

List<movra_string<wchar_t>> listFiles(const movra_string<wchar_t>& folder, const movra_string<wchar_t>& extensions,
                                      bool recursive)
{
    List<movra_string<wchar_t>> out;
    const movra_string<wchar_t> start = normalizedFolder(folder);
    listInto(std::wstring(start.c_str(), start.length()), splitExtensions(extensions), recursive, out);
    return out;
}

} // namespace MSE
