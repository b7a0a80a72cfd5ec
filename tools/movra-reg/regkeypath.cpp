#include "tools/movra-reg/regkeypath.h"

namespace MovraReg {

using namespace MovraRegistry;

namespace {

struct RootName
{
    const char16_t* shortName;
    const char16_t* longName;
    HKEY root;
};

const RootName kRoots[] = {
    {u"HKCU", u"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {u"HKLM", u"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {u"HKCR", u"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
};

bool equalsAsciiNoCase(const std::u16string& a, const char16_t* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z')
            x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z')
            y = static_cast<char16_t>(y - 32);
        if (x != y)
            return false;
    }
    return i == a.size() && !b[i];
}

} // namespace

bool parseKeyPath(const std::u16string& text, RegKeyPath* path)
{
    const size_t slash = text.find(u'\\');
    const std::u16string rootPart = text.substr(0, slash);
    std::u16string rest = slash == std::u16string::npos ? std::u16string() : text.substr(slash + 1);
    while (!rest.empty() && rest.back() == u'\\')
        rest.pop_back();
    for (const RootName& name : kRoots) {
        if (equalsAsciiNoCase(rootPart, name.shortName) || equalsAsciiNoCase(rootPart, name.longName)) {
            path->root = name.root;
            path->rootName = name.longName;
            path->subKey = rest;
            return true;
        }
    }
    return false;
}

} // namespace MovraReg
