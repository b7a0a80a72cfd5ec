#pragma once
// What the settings store's tests share: a registry of the test's own and sections opened
// by path in a mode.

#include "registrysandbox.h"

#include "settings/movrasettings.h"
#include "settings/opensettings.h"
#include "settings/refcountedptr.h"

#include <gtest/gtest.h>

#include <string>

namespace SettingsTestSupport {

using namespace MovraRegistry;
using mvds::IMovraSettings;
using Section = mvtl::RefCountedPtr<IMovraSettings>;

const std::u16string kTestPath = u"SOFTWARE\\Movra\\Test";

inline Section openSection(const std::string& path, mvds::SettingsOpenMode mode)
{
    Section section;
    mvds::openSettings(path, mode, section.out());
    return section;
}

inline std::u16string pathOf(const Section& section)
{
    return static_cast<mvds::MovraSettings*>(section.get())->getPath();
}

class SettingsTest : public ::testing::Test
{
protected:
    RegistrySandbox registry;
};

} // namespace SettingsTestSupport
