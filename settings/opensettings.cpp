#include "settings/opensettings.h"

#include "settings/movrasettings.h"
#include "settings/refcountedptr.h"
#include "settings/stringconversion.h"

namespace mvds {

namespace {

const char16_t kInstallPrefix[] = u"Install/";

} // namespace

bool openSettings(const std::u16string& path, SettingsOpenMode mode, MovraSettings* parent,
                  IMovraSettings** section)
{
    if (path.empty())
        return false;
    const std::size_t separator = path.find_first_of(u"/\\");
    const std::u16string segment = separator == std::u16string::npos ? path : path.substr(0, separator);

    // The local reference keeps a top-level section (and with it the chain of children)
    // alive for this call; only what is handed out survives it.
    mvtl::RefCountedPtr<IMovraSettings> holder(new MovraSettings(mode, segment, parent));
    auto* created = static_cast<MovraSettings*>(holder.get());

    if (separator != std::u16string::npos)
        return openSettings(path.substr(separator + 1), mode, created, section);

    if (!created->ensureOpen())
        return false;
    if (section) {
        *section = created;
        created->addRef();
    }
    return true;
}

bool openSettings(const std::u16string& path, SettingsOpenMode mode, IMovraSettings** section)
{
    return openSettings(path, mode, nullptr, section);
}

bool openSettings(const std::string& path, SettingsOpenMode mode, IMovraSettings** section)
{
    return openSettings(toWide(path), mode, nullptr, section);
}

bool openInstallSection(const std::u16string& component, IMovraSettings** section)
{
    if (component.empty())
        return false;
    return openSettings(kInstallPrefix + component, MachineReadOnly, section);
}

bool openInstallSection(const std::string& component, IMovraSettings** section)
{
    if (component.empty())
        return false;
    return openSettings("Install/" + component, MachineReadOnly, section);
}

bool readInstallString(const std::string& component, const std::string& valueName, std::string& value)
{
    mvtl::RefCountedPtr<IMovraSettings> section;
    if (valueName.empty() || !openInstallSection(component, section.out()))
        return false;
    return section->getValue(valueName, value);
}

bool readInstallString(const std::u16string& component, const std::u16string& valueName,
                       std::u16string& value)
{
    mvtl::RefCountedPtr<IMovraSettings> section;
    if (valueName.empty() || !openInstallSection(component, section.out()))
        return false;
    return section->getValue(valueName, value);
}

bool isInstallSectionPresent(const std::string& component)
{
    mvtl::RefCountedPtr<IMovraSettings> section;
    return openInstallSection(component, section.out());
}

} // namespace mvds
