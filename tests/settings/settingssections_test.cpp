// Sections of the store on a real registry in a temporary folder: open modes and the machine
// fallback, names, paths, caching and deletion.

#include "settingstestsupport.h"

#include "settings/settingskeydeletion.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace SettingsTestSupport;

namespace {

TEST_F(SettingsTest, UserReadOnlyOnMissingKeyFailsAndCreatesNothing)
{
    Section section;
    EXPECT_FALSE(mvds::openSettings("Test", mvds::UserReadOnly, section.out()));
    // A section reached without opening its own key: build it through a parent that does open.
    ASSERT_EQ(rawreg::createKey(HKEY_CURRENT_USER, kTestPath), ERROR_SUCCESS);
    Section parent = openSection("Test", mvds::UserReadOnly);
    ASSERT_TRUE(parent);
    std::u16string name;
    int32_t i = 3;
    uint32_t count = 9;
    std::set<std::u16string> names{u"stale"};
    EXPECT_FALSE(parent->openSection(u"Child", section.out()));
    EXPECT_FALSE(parent->setValue(u"v", int32_t(1)));  // read-only key
    EXPECT_FALSE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath + u"\\Child"));

    // The failed child stays cached: a second open finds it, its operations retry and fail.
    Section child;
    ASSERT_TRUE(parent->openSection(u"Child", child.out()));
    EXPECT_TRUE(child->getName(name));
    EXPECT_EQ(name, u"Child");
    EXPECT_FALSE(child->getValue(u"v", i));
    EXPECT_FALSE(child->setValue(u"v", int32_t(1)));
    EXPECT_FALSE(child->getValueCount(count));
    EXPECT_FALSE(child->getSectionNames(names));
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(child->removeValue(u"v"));
    EXPECT_FALSE(child->removeSection());
    EXPECT_EQ(i, 3);
    EXPECT_EQ(count, 9u);
    EXPECT_FALSE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath + u"\\Child"));
}

TEST_F(SettingsTest, UserCreateCreatesOnFirstOperationEvenWhenItFails)
{
    Section created = openSection("Test/New", mvds::UserCreate);
    ASSERT_TRUE(created);
    EXPECT_TRUE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath + u"\\New"));
    int32_t value = 1;
    EXPECT_FALSE(created->getValue(u"missing", value));
    EXPECT_TRUE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath + u"\\New"));
    EXPECT_FALSE(rawreg::keyExists(HKEY_LOCAL_MACHINE, kTestPath + u"\\New"));
}

TEST_F(SettingsTest, CreateModeRecreatesAKeyDeletedUnderIt)
{
    Section created = openSection("Test/Group", mvds::UserCreate);
    Section plain = openSection("Test/Group", mvds::UserReadWrite);
    ASSERT_TRUE(created->setValue(u"v", int32_t(1)));
    ASSERT_EQ(SHDeleteKeyW(HKEY_CURRENT_USER, kTestPath.c_str()), ERROR_SUCCESS);

    int32_t value = 9;
    EXPECT_FALSE(created->getValue(u"v", value));  // deleted means deleted
    EXPECT_FALSE(plain->setValue(u"v", int32_t(2)));
    EXPECT_FALSE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath));
    EXPECT_TRUE(created->setValue(u"v", int32_t(3)));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kTestPath + u"\\Group", u"v").bytes, rawreg::qword(3));
    EXPECT_TRUE(created->getValue(u"v", value));
    EXPECT_EQ(value, 3);
}

TEST_F(SettingsTest, UnknownModeFailsEveryOpen)
{
    ASSERT_EQ(rawreg::createKey(HKEY_CURRENT_USER, kTestPath), ERROR_SUCCESS);
    for (int32_t mode : {0, 10, -1}) {
        EXPECT_FALSE(mvds::openSettings("Test", static_cast<mvds::SettingsOpenMode>(mode), nullptr)) << mode;
    }
}

TEST_F(SettingsTest, MachineModesUseTheMachineRoot)
{
    EXPECT_FALSE(mvds::openSettings("Test", mvds::MachineReadOnly, nullptr));
    EXPECT_FALSE(mvds::openSettings("Test", mvds::MachineReadWrite, nullptr));
    Section section = openSection("Test", mvds::MachineCreate);
    ASSERT_TRUE(section);
    EXPECT_EQ(static_cast<mvds::MovraSettings*>(section.get())->getUsedRoot(), mvds::MovraSettings::kMachineRoot);
    ASSERT_TRUE(section->setValue(u"m", int32_t(5)));
    EXPECT_EQ(rawreg::read(HKEY_LOCAL_MACHINE, kTestPath, u"m").bytes, rawreg::qword(5));
    EXPECT_FALSE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath));

    Section readOnly = openSection("Test", mvds::MachineReadOnly);
    ASSERT_TRUE(readOnly);
    int32_t value = 0;
    EXPECT_TRUE(readOnly->getValue(u"m", value));
    EXPECT_EQ(value, 5);
    EXPECT_FALSE(readOnly->setValue(u"m", int32_t(6)));
    EXPECT_FALSE(readOnly->removeValue(u"m"));
}

TEST_F(SettingsTest, FallbackReadsMachineAndWritesUser)
{
    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, kTestPath, u"v", REG_QWORD, rawreg::qword(30)), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, kTestPath, u"only", REG_SZ, rawreg::utf16z(u"machine")), ERROR_SUCCESS);

    // Mode 2 with no user key: reads fall back, writes have no key to go to.
    Section fallback = openSection("Test", mvds::UserReadWriteMachineFallback);
    ASSERT_TRUE(fallback);
    int32_t value = 0;
    EXPECT_TRUE(fallback->getValue(u"v", value));
    EXPECT_EQ(value, 30);
    EXPECT_FALSE(fallback->setValue(u"v", int32_t(31)));
    EXPECT_FALSE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath));

    // Mode 8 creates the user key; its values win from then on.
    Section create = openSection("Test", mvds::UserCreateMachineFallback);
    ASSERT_TRUE(create);
    EXPECT_TRUE(create->getValue(u"v", value));
    EXPECT_EQ(value, 30);
    ASSERT_TRUE(create->setValue(u"v", int32_t(50)));
    EXPECT_TRUE(create->getValue(u"v", value));
    EXPECT_EQ(value, 50);
    std::string text;
    EXPECT_TRUE(create->getValue("only", text));
    EXPECT_EQ(text, "machine");
    EXPECT_EQ(rawreg::read(HKEY_LOCAL_MACHINE, kTestPath, u"v").bytes, rawreg::qword(30));

    // Mode 2 retries the user key on its next operation, now that it exists.
    EXPECT_TRUE(fallback->setValue(u"v", int32_t(60)));
    EXPECT_TRUE(create->getValue(u"v", value));
    EXPECT_EQ(value, 60);
}

TEST_F(SettingsTest, NonFallbackModesNeverReadTheMachineKey)
{
    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, kTestPath, u"v", REG_QWORD, rawreg::qword(30)), ERROR_SUCCESS);
    Section section = openSection("Test", mvds::UserCreate);
    int32_t value = 1;
    EXPECT_FALSE(section->getValue(u"v", value));
    EXPECT_EQ(value, 1);
}

TEST_F(SettingsTest, UserCreateMachineFallbackFailsWhenTheUserKeyCannotBeCreated)
{
    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, kTestPath, u"v", REG_QWORD, rawreg::qword(30)), ERROR_SUCCESS);
    RegistrySandbox::reconnect();
    QFile user(registry.userFile());
    ASSERT_TRUE(user.open(QIODevice::WriteOnly | QIODevice::Truncate));
    user.write(QByteArray(4096, 'x'));
    user.close();
    EXPECT_FALSE(mvds::openSettings("Test", mvds::UserCreateMachineFallback, nullptr));
    EXPECT_TRUE(mvds::openSettings("Test", mvds::UserReadOnlyMachineFallback, nullptr));
}

// --- names ---

TEST_F(SettingsTest, SectionNamesInFallbackModesAreListedOnce)
{
    for (const char16_t* name : {u"\\A", u"\\B"})
        ASSERT_EQ(rawreg::createKey(HKEY_CURRENT_USER, kTestPath + name), ERROR_SUCCESS);
    for (const char16_t* name : {u"\\B", u"\\C", u"\\LongerName"})
        ASSERT_EQ(rawreg::createKey(HKEY_LOCAL_MACHINE, kTestPath + name), ERROR_SUCCESS);

    Section section = openSection("Test", mvds::UserReadOnlyMachineFallback);
    std::set<std::string> names;
    ASSERT_TRUE(section->getSectionNames(names));
    EXPECT_EQ(names, (std::set<std::string>{"A", "B", "C", "LongerName"}));
    uint32_t count = 0;
    ASSERT_TRUE(section->getSectionCount(count));
    EXPECT_EQ(count, 4u);

    Section userOnly = openSection("Test", mvds::UserReadOnly);
    ASSERT_TRUE(userOnly->getSectionCount(count));
    EXPECT_EQ(count, 2u);
}

TEST_F(SettingsTest, ValueNamesSkipTheUnnamedValueAndMergeRoots)
{
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"", REG_SZ, rawreg::utf16z(u"default")), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"One", REG_DWORD, rawreg::dword(1)), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"Two", REG_DWORD, rawreg::dword(2)), ERROR_SUCCESS);
    Section section = openSection("Test", mvds::UserReadOnly);
    uint32_t count = 0;
    ASSERT_TRUE(section->getValueCount(count));
    EXPECT_EQ(count, 2u);

    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, kTestPath, u"Two", REG_DWORD, rawreg::dword(2)), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, kTestPath, u"Three", REG_DWORD, rawreg::dword(3)), ERROR_SUCCESS);
    Section fallback = openSection("Test", mvds::UserReadOnlyMachineFallback);
    std::set<std::u16string> names;
    ASSERT_TRUE(fallback->getValueNames(names));
    EXPECT_EQ(names, (std::set<std::u16string>{u"One", u"Three", u"Two"}));
}

TEST_F(SettingsTest, ValueNameOf1024UnitsEndsTheEnumeration)
{
    const std::u16string longName(1024, u'n');
    const std::u16string limitName(1023, u'm');
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"first", REG_DWORD, rawreg::dword(1)), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, limitName, REG_DWORD, rawreg::dword(1)), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, longName, REG_DWORD, rawreg::dword(1)), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"last", REG_DWORD, rawreg::dword(1)), ERROR_SUCCESS);

    // What the enumeration sees before the long name, in the registry's own order.
    std::set<std::u16string> expected;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestPath.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    std::vector<char16_t> buffer(kMaxValueNameLength + 1);
    bool sawLong = false;
    for (DWORD index = 0; !sawLong; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        ASSERT_EQ(RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        const std::u16string name(buffer.data(), length);
        sawLong = name == longName;
        if (!sawLong)
            expected.insert(name);
    }
    RegCloseKey(key);

    Section section = openSection("Test", mvds::UserReadOnly);
    std::set<std::u16string> names;
    ASSERT_TRUE(section->getValueNames(names));
    EXPECT_EQ(names, expected);
    EXPECT_EQ(names.count(longName), 0u);
}

// --- paths and the section tree ---

TEST_F(SettingsTest, PathsBelowTheProductKey)
{
    Section general = openSection("General", mvds::UserCreate);
    ASSERT_TRUE(general);
    EXPECT_EQ(pathOf(general), u"SOFTWARE\\Movra\\General");
    EXPECT_TRUE(rawreg::keyExists(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\General"));

    ASSERT_EQ(rawreg::createKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Install\\Player"), ERROR_SUCCESS);
    for (const char* path : {"Install/Player", "Install\\Player"}) {
        Section install = openSection(path, mvds::MachineReadOnly);
        ASSERT_TRUE(install) << path;
        EXPECT_EQ(pathOf(install), u"SOFTWARE\\Movra\\Install\\Player");
        std::string name;
        install->getName(name);
        EXPECT_EQ(name, "Player");
    }
    // Only the last segment is opened; the one handed out is the caller's only reference.
    Section nested = openSection("Settings/Player/Deep", mvds::UserCreate);
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->getRefCount(), 1);

    for (const char* bad : {"Settings/", "", "/", "Settings//Player"})
        EXPECT_FALSE(mvds::openSettings(std::string(bad), mvds::UserCreate, nullptr)) << bad;
}

TEST_F(SettingsTest, ChildSectionsAreCachedAndShared)
{
    Section root = openSection("Settings/Player", mvds::UserCreate);
    Section first, second, deep;
    ASSERT_TRUE(root->openSection(u"Playback", first.out()));
    EXPECT_EQ(first->getRefCount(), 2);  // the root's children map and this holder
    ASSERT_TRUE(root->openSection("Playback", second.out()));
    EXPECT_EQ(first.get(), second.get());
    ASSERT_TRUE(root->openSection("Subtitles\\Font", deep.out()));
    EXPECT_EQ(pathOf(deep), u"SOFTWARE\\Movra\\Settings\\Player\\Subtitles\\Font");
    Section viaParent;
    ASSERT_TRUE(root->openSection(u"Subtitles", viaParent.out()));
    Section again;
    ASSERT_TRUE(viaParent->openSection(u"Font", again.out()));
    EXPECT_EQ(again.get(), deep.get());
    EXPECT_TRUE(root->openSection(u"Playback", nullptr));
    EXPECT_FALSE(root->openSection(u"", nullptr));
    EXPECT_FALSE(root->openSection(u"Playback/", nullptr));

    // A released root still leaves the caller's children alive.
    root.reset();
    EXPECT_EQ(first->getRefCount(), 2);
    first.reset();
    EXPECT_EQ(second->getRefCount(), 1);
    EXPECT_TRUE(second->setValue(u"v", int32_t(1)));
}

TEST_F(SettingsTest, RemoveSectionOnTheUserRootDeletesTheTree)
{
    Section section = openSection("Test", mvds::UserCreate);
    Section child;
    ASSERT_TRUE(section->openSection(u"A/B", child.out()));
    ASSERT_TRUE(child->setValue(u"v", int32_t(1)));
    ASSERT_TRUE(section->setValue(u"w", int32_t(1)));
    EXPECT_TRUE(section->removeSection());
    EXPECT_FALSE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath));

    // Still usable: the next operation of a create mode makes the key anew.
    uint32_t count = 9;
    EXPECT_TRUE(section->getValueCount(count));
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath));
}

std::vector<std::u16string> g_deletedKeys;
std::vector<REGSAM> g_deletionViews;

LONG recordingDelete(HKEY root, const char16_t* subKey, REGSAM sam, DWORD reserved)
{
    g_deletedKeys.emplace_back(subKey);
    g_deletionViews.push_back(sam);
    return RegDeleteKeyExW(root, subKey, sam, reserved);
}

TEST_F(SettingsTest, MachineTreeIsDeletedDepthFirstThroughThe64BitView)
{
    for (const char16_t* sub : {u"\\A\\B\\C", u"\\A\\D", u"\\E"})
        ASSERT_EQ(rawreg::createKey(HKEY_LOCAL_MACHINE, kTestPath + sub), ERROR_SUCCESS);
    g_deletedKeys.clear();
    g_deletionViews.clear();
    EXPECT_TRUE(mvds::deleteMachineKeyTree(kTestPath, recordingDelete));
    EXPECT_FALSE(rawreg::keyExists(HKEY_LOCAL_MACHINE, kTestPath));
    ASSERT_EQ(g_deletedKeys.size(), 6u);
    EXPECT_EQ(g_deletedKeys.back(), kTestPath);
    // Every key goes after all of its descendants.
    for (std::size_t i = 0; i < g_deletedKeys.size(); ++i)
        for (std::size_t j = i + 1; j < g_deletedKeys.size(); ++j)
            EXPECT_NE(g_deletedKeys[j].rfind(g_deletedKeys[i] + u"\\", 0), 0u);
    for (REGSAM view : g_deletionViews)
        EXPECT_EQ(view, KEY_WOW64_64KEY);

    EXPECT_FALSE(mvds::deleteMachineKeyTree(kTestPath, recordingDelete));  // gone
}

TEST_F(SettingsTest, RemoveSectionOnTheMachineRoot)
{
    Section section = openSection("Test", mvds::MachineCreate);
    Section child;
    ASSERT_TRUE(section->openSection(u"A\\B\\C", child.out()));
    ASSERT_TRUE(child->setValue(u"v", true));
    EXPECT_TRUE(section->removeSection());
    EXPECT_FALSE(rawreg::keyExists(HKEY_LOCAL_MACHINE, kTestPath));
}

TEST_F(SettingsTest, FallbackSectionRemovesOnlyTheUserTree)
{
    ASSERT_EQ(rawreg::createKey(HKEY_CURRENT_USER, kTestPath + u"\\A"), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::createKey(HKEY_LOCAL_MACHINE, kTestPath + u"\\A"), ERROR_SUCCESS);
    Section section = openSection("Test", mvds::UserReadOnlyMachineFallback);
    EXPECT_TRUE(section->removeSection());
    EXPECT_FALSE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath));
    EXPECT_TRUE(rawreg::keyExists(HKEY_LOCAL_MACHINE, kTestPath + u"\\A"));
}

TEST_F(SettingsTest, DeleteSettingsKeyRefusesOutsideTheProductKey)
{
    ASSERT_EQ(rawreg::createKey(HKEY_CURRENT_USER, u"SOFTWARE\\Other\\X"), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::createKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Other\\X"), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::createKey(HKEY_CURRENT_USER, kTestPath), ERROR_SUCCESS);
    EXPECT_FALSE(mvds::deleteSettingsKey(u"SOFTWARE\\Other\\X", mvds::MovraSettings::kUserRoot));
    EXPECT_FALSE(mvds::deleteSettingsKey(u"SOFTWARE\\Other\\X", mvds::MovraSettings::kMachineRoot));
    EXPECT_FALSE(mvds::deleteSettingsKey(u"SOFTWARE\\Movra", mvds::MovraSettings::kUserRoot));
    EXPECT_FALSE(mvds::deleteSettingsKey(kTestPath, 0));
    EXPECT_FALSE(mvds::deleteSettingsKey(kTestPath, 0x80000000u));
    EXPECT_TRUE(rawreg::keyExists(HKEY_CURRENT_USER, u"SOFTWARE\\Other\\X"));
    EXPECT_TRUE(rawreg::keyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Other\\X"));
    EXPECT_TRUE(rawreg::keyExists(HKEY_CURRENT_USER, kTestPath));
}

TEST_F(SettingsTest, RemoveValueTouchesThePrimaryKeyOnly)
{
    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, kTestPath, u"v", REG_QWORD, rawreg::qword(1)), ERROR_SUCCESS);
    Section section = openSection("Test", mvds::UserCreateMachineFallback);
    ASSERT_TRUE(section->setValue(u"v", int32_t(2)));
    EXPECT_TRUE(section->removeValue("v"));
    EXPECT_FALSE(section->removeValue("v"));
    int32_t value = 0;
    EXPECT_TRUE(section->getValue(u"v", value));  // the machine value shows through again
    EXPECT_EQ(value, 1);
}

// --- installation records ---

TEST_F(SettingsTest, InstallRecordsAreReadOnlyMachineKeys)
{
    const std::u16string install = u"SOFTWARE\\Movra\\Install\\Player";
    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, install, u"InstallDir", REG_SZ, rawreg::utf16z(u"/opt/movra \u00E9")), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Install\\UserOnly", u"InstallDir", REG_SZ, rawreg::utf16z(u"/home")), ERROR_SUCCESS);

    std::string narrow = "unchanged";
    EXPECT_TRUE(mvds::readInstallString("Player", "InstallDir", narrow));
    EXPECT_EQ(narrow, "/opt/movra \xC3\xA9");
    std::u16string wide;
    EXPECT_TRUE(mvds::readInstallString(u"Player", u"InstallDir", wide));
    EXPECT_EQ(wide, u"/opt/movra \u00E9");

    narrow = "unchanged";
    EXPECT_FALSE(mvds::readInstallString("Player", "", narrow));
    EXPECT_FALSE(mvds::readInstallString("Player", "Missing", narrow));
    EXPECT_FALSE(mvds::readInstallString("", "InstallDir", narrow));
    EXPECT_FALSE(mvds::readInstallString("UserOnly", "InstallDir", narrow));
    EXPECT_EQ(narrow, "unchanged");

    EXPECT_TRUE(mvds::isInstallSectionPresent("Player"));
    EXPECT_FALSE(mvds::isInstallSectionPresent("UserOnly"));
    EXPECT_FALSE(mvds::isInstallSectionPresent(""));
    EXPECT_FALSE(rawreg::keyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Install\\UserOnly"));

    Section section;
    ASSERT_TRUE(mvds::openInstallSection(u"Player", section.out()));
    EXPECT_FALSE(section->setValue(u"InstallDir", std::u16string(u"/tmp")));
}

} // namespace
