#include "platform/registrynames.h"

#include <QString>

namespace MovraRegistry {

std::u16string foldName(std::u16string_view name)
{
    std::u16string folded(name);
    bool ascii = true;
    for (char16_t& c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        else if (c >= 0x80)
            ascii = false;
    }
    if (ascii)
        return folded;
    const QString q = QString(reinterpret_cast<const QChar*>(name.data()), static_cast<qsizetype>(name.size()))
                          .toCaseFolded();
    return std::u16string(reinterpret_cast<const char16_t*>(q.utf16()), static_cast<size_t>(q.size()));
}

bool splitKeyPath(std::u16string_view path, std::vector<RegistryName>* segments)
{
    segments->clear();
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos)
            end = path.size();
        if (end == start)
            return false;
        segments->emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

std::u16string_view nameView(const char16_t* name)
{
    return name ? std::u16string_view(name) : std::u16string_view();
}

} // namespace MovraRegistry
