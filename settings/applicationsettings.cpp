#include "settings/applicationsettings.h"

#include "settings/opensettings.h"
#include "settings/refcountedptr.h"
#include "settings/settingslog.h"

#include "mpx/mpxstringtools.h"
#include "mpx/osutilities.h"

#include "platform/registry.h"

namespace MovraPlayerX {

namespace {

const char kRootPrefix[] = "Settings/";
const QString kListSeparator = QStringLiteral(":");

} // namespace

struct ApplicationSettings::Private
{
    mvtl::RefCountedPtr<mvds::IMovraSettings> root;

    // Runs `access` on the group, held only for this call: the root keeps it in its
    // children, so the next call finds it open.
    template <typename Access>
    bool withGroup(ApplicationSettings& owner, const std::string& group, Access access)
    {
        if (!owner.open())
            return false;
        mvtl::RefCountedPtr<mvds::IMovraSettings> section;
        if (!root->openSection(group, section.out()))
            return false;
        return access(*section);
    }
};

ApplicationSettings::ApplicationSettings() : d(new Private)
{
    // Touching the registry here makes its process-wide state complete before this
    // object does, so it is destroyed after it: the root's keys can still be closed at exit.
    MovraRegistry::RegCloseKey(nullptr);
}

ApplicationSettings::~ApplicationSettings()
{
    delete d;
}

ApplicationSettings& ApplicationSettings::startup()
{
    static ApplicationSettings instance;
    return instance;
}

ApplicationSettings& ApplicationSettings::application()
{
    static ApplicationSettings instance;
    return instance;
}

bool ApplicationSettings::open()
{
    if (d->root)
        return true;
    const std::string path = kRootPrefix + OSUtilities::getComponentIdUTF8();
    if (!mvds::openSettings(path, mvds::UserCreateMachineFallback, d->root.out())) {
        qCDebug(lcSettings) << "cannot open the application settings" << path.c_str();
        return false;
    }
    return true;
}

void ApplicationSettings::release()
{
    d->root.reset();
}

bool ApplicationSettings::isOpen() const
{
    return static_cast<bool>(d->root);
}

QString ApplicationSettings::getSetting(const std::string& group, const std::string& key,
                                        const QString& defaultValue)
{
    if (!open())
        return defaultValue;
    std::string text = MPXStringTools::toStdStringUTF8(defaultValue);
    d->withGroup(*this, group, [&](mvds::IMovraSettings& section) { return section.getValue(key, text); });
    return MPXStringTools::fromStdStringUTF8(text);
}

int32_t ApplicationSettings::getSetting(const std::string& group, const std::string& key, int32_t defaultValue)
{
    int32_t value = defaultValue;
    d->withGroup(*this, group, [&](mvds::IMovraSettings& section) { return section.getValue(key, value); });
    return value;
}

uint32_t ApplicationSettings::getSetting(const std::string& group, const std::string& key, uint32_t defaultValue)
{
    uint32_t value = defaultValue;
    d->withGroup(*this, group, [&](mvds::IMovraSettings& section) { return section.getValue(key, value); });
    return value;
}

bool ApplicationSettings::getSetting(const std::string& group, const std::string& key, bool defaultValue)
{
    bool value = defaultValue;
    d->withGroup(*this, group, [&](mvds::IMovraSettings& section) { return section.getValue(key, value); });
    return value;
}

bool ApplicationSettings::setSetting(const std::string& group, const std::string& key, const QString& value)
{
    const std::string text = MPXStringTools::toStdStringUTF8(value);
    return d->withGroup(*this, group, [&](mvds::IMovraSettings& section) { return section.setValue(key, text); });
}

bool ApplicationSettings::setSetting(const std::string& group, const std::string& key, const QStringList& value)
{
    return setSetting(group, key, value.join(kListSeparator));
}

bool ApplicationSettings::setSetting(const std::string& group, const std::string& key, int32_t value)
{
    return d->withGroup(*this, group, [&](mvds::IMovraSettings& section) { return section.setValue(key, value); });
}

bool ApplicationSettings::setSetting(const std::string& group, const std::string& key, bool value)
{
    return d->withGroup(*this, group, [&](mvds::IMovraSettings& section) { return section.setValue(key, value); });
}

} // namespace MovraPlayerX
