// The application settings accessors and their key table, on a real registry.

#include "registrysandbox.h"

#include "settings/applicationsettings.h"
#include "settings/opensettings.h"
#include "settings/refcountedptr.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstring>
#include <map>
#include <set>

using namespace MovraRegistry;
using MovraPlayerX::ApplicationSettings;

namespace {

const std::u16string kRoot = u"SOFTWARE\\Movra\\Settings\\Player";

class ApplicationSettingsTest : public ::testing::Test
{
protected:
    RegistrySandbox registry;
    ApplicationSettings& settings = ApplicationSettings::application();
};

TEST_F(ApplicationSettingsTest, EmptyStoreGivesDefaultsAndCreatesTheGroupKey)
{
    EXPECT_EQ(settings.getSetting("General", "CrashDumpMode", int32_t(0)), 0);
    EXPECT_EQ(settings.getSetting("General", "CrashDumpMode", int32_t(-7)), -7);
    EXPECT_EQ(settings.getSetting("General", "Count", uint32_t(0xFFFFFFF0u)), 0xFFFFFFF0u);
    EXPECT_TRUE(settings.getSetting("Playback", "DisableScreenSaver", true));
    EXPECT_FALSE(settings.getSetting("Playback", "DisableScreenSaver", false));
    EXPECT_EQ(settings.getSetting("GlobalState", "DefaultViewPlugin", "com.movra.playerX.plugin.MPXPlayerPlugin"),
              QStringLiteral("com.movra.playerX.plugin.MPXPlayerPlugin"));
    EXPECT_EQ(settings.getSetting("General", "Locale", QString::fromUtf8("fr_FR \xE2\x82\xAC")),
              QString::fromUtf8("fr_FR \xE2\x82\xAC"));
    EXPECT_TRUE(settings.isOpen());

    // The read opened (and so created) the group under the user root only.
    EXPECT_TRUE(rawreg::keyExists(HKEY_CURRENT_USER, kRoot + u"\\General"));
    EXPECT_TRUE(rawreg::keyExists(HKEY_CURRENT_USER, kRoot + u"\\GlobalState"));
    EXPECT_FALSE(rawreg::keyExists(HKEY_LOCAL_MACHINE, kRoot));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\General", u"CrashDumpMode").status, ERROR_FILE_NOT_FOUND);
}

TEST_F(ApplicationSettingsTest, MachineValueUntilTheUserWritesOne)
{
    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, kRoot + u"\\PlayerState", u"Volume", REG_QWORD, rawreg::qword(30)), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, kRoot + u"\\General", u"Locale", REG_SZ, rawreg::utf16z(u"de")), ERROR_SUCCESS);
    EXPECT_EQ(settings.get(MovraPlayerX::kVolume, int32_t(5)), 30);
    EXPECT_EQ(settings.get(MovraPlayerX::kLocale, QString()), QStringLiteral("de"));

    EXPECT_TRUE(settings.set(MovraPlayerX::kVolume, int32_t(50)));
    EXPECT_TRUE(settings.setSetting("General", "Locale", QStringLiteral("ja")));
    EXPECT_EQ(settings.getSetting("PlayerState", "Volume", int32_t(5)), 50);
    EXPECT_EQ(settings.getSetting("General", "Locale", QString()), QStringLiteral("ja"));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\PlayerState", u"Volume").bytes, rawreg::qword(50));
    EXPECT_EQ(rawreg::read(HKEY_LOCAL_MACHINE, kRoot + u"\\PlayerState", u"Volume").bytes, rawreg::qword(30));
}

TEST_F(ApplicationSettingsTest, TypedValuesAndTheirEncodings)
{
    EXPECT_TRUE(settings.setSetting("Playback", "WasPlaying", true));
    EXPECT_TRUE(settings.setSetting("Playback", "SubtitleDelay", int32_t(-250)));
    EXPECT_TRUE(settings.setSetting("General", "MediaFolder", QString::fromUtf8("/home/\xE3\x83\xA6")));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\Playback", u"WasPlaying").type, REG_DWORD);
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\Playback", u"SubtitleDelay").bytes,
              rawreg::qword(static_cast<uint64_t>(-250)));

    EXPECT_TRUE(settings.getSetting("Playback", "WasPlaying", false));
    EXPECT_EQ(settings.getSetting("Playback", "SubtitleDelay", int32_t(0)), -250);
    // The unsigned getter sees the low 32 bits of the same QWORD.
    EXPECT_EQ(settings.getSetting("Playback", "SubtitleDelay", uint32_t(0)), static_cast<uint32_t>(-250));
    EXPECT_EQ(settings.getSetting("General", "MediaFolder", QString()), QString::fromUtf8("/home/\xE3\x83\xA6"));

    // A value of another type reads as the default.
    EXPECT_EQ(settings.getSetting("General", "MediaFolder", int32_t(9)), 9);
    EXPECT_EQ(settings.getSetting("Playback", "SubtitleDelay", QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_TRUE(settings.getSetting("Playback", "SubtitleDelay", true));  // a QWORD is no bool
}

// The machine root as an ordinary user sees it: readable, not writable.
class ReadOnlyMachineRoot
{
public:
    ReadOnlyMachineRoot()
    {
        qputenv(kVariable, "1");
        RegistrySandbox::reconnect();
    }
    ~ReadOnlyMachineRoot()
    {
        qunsetenv(kVariable);
        RegistrySandbox::reconnect();
    }

private:
    static constexpr const char* kVariable = "MOVRA_REGISTRY_MACHINE_READONLY";
};

TEST_F(ApplicationSettingsTest, ReadOnlyMachineRootServesReadsAndIsNeverWritten)
{
    ASSERT_EQ(rawreg::write(HKEY_LOCAL_MACHINE, kRoot + u"\\General", u"Locale", REG_SZ, rawreg::utf16z(u"de")), ERROR_SUCCESS);
    ReadOnlyMachineRoot readOnly;

    EXPECT_EQ(settings.getSetting("General", "Locale", QString()), QStringLiteral("de"));
    EXPECT_TRUE(settings.setSetting("General", "Locale", QStringLiteral("fr")));
    EXPECT_EQ(settings.getSetting("General", "Locale", QString()), QStringLiteral("fr"));
    EXPECT_TRUE(settings.setSetting("Playback", "Volume", int32_t(3)));  // a group the machine lacks
    EXPECT_EQ(rawreg::read(HKEY_LOCAL_MACHINE, kRoot + u"\\General", u"Locale").bytes, rawreg::utf16z(u"de"));
    EXPECT_FALSE(rawreg::keyExists(HKEY_LOCAL_MACHINE, kRoot + u"\\Playback"));

    mvtl::RefCountedPtr<mvds::IMovraSettings> machine;
    ASSERT_TRUE(mvds::openSettings("Settings/Player/General", mvds::MachineReadWrite, machine.out()));
    EXPECT_FALSE(machine->setValue("Locale", "it"));
    EXPECT_FALSE(machine->removeValue("Locale"));
    EXPECT_FALSE(mvds::openSettings("Settings/Player/New", mvds::MachineCreate, nullptr));
    EXPECT_FALSE(rawreg::keyExists(HKEY_LOCAL_MACHINE, kRoot + u"\\New"));
}

TEST_F(ApplicationSettingsTest, StringListIsJoinedWithColons)
{
    const QStringList font{QStringLiteral("Gulim"), QStringLiteral("14"), QStringLiteral("Normal"),
                           QString(), QString(), QString()};
    EXPECT_TRUE(settings.setSetting("Subtitles", "SubtitleFont", font));
    const rawreg::Value stored = rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\Subtitles", u"SubtitleFont");
    EXPECT_EQ(stored.type, REG_SZ);
    EXPECT_EQ(stored.bytes, rawreg::utf16z(u"Gulim:14:Normal:::"));
    EXPECT_EQ(settings.getSetting("Subtitles", "SubtitleFont", QString()), QStringLiteral("Gulim:14:Normal:::"));
}

TEST_F(ApplicationSettingsTest, ReleaseForgetsTheRootAndTheNextAccessReopens)
{
    EXPECT_TRUE(settings.setSetting("General", "Skin", QStringLiteral("dark")));
    settings.release();
    EXPECT_FALSE(settings.isOpen());
    EXPECT_EQ(settings.getSetting("General", "Skin", QString()), QStringLiteral("dark"));
    EXPECT_TRUE(settings.isOpen());

    // The two instances hold separate roots over the same store.
    ApplicationSettings& startup = ApplicationSettings::startup();
    EXPECT_NE(&startup, &settings);
    EXPECT_EQ(startup.getSetting("General", "Skin", QString()), QStringLiteral("dark"));
    startup.release();
    EXPECT_TRUE(settings.isOpen());
}

TEST_F(ApplicationSettingsTest, ABrokenRegistryFileGivesDefaultsAndRefusesWrites)
{
    const QByteArray garbage = QByteArray("this is not a database ").repeated(200);
    for (const QString& file : {registry.userFile(), registry.machineFile()}) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(garbage);
    }
    RegistrySandbox::reconnect();

    EXPECT_EQ(settings.getSetting("General", "CrashDumpMode", int32_t(2)), 2);
    EXPECT_TRUE(settings.getSetting("Playback", "DisableScreenSaver", true));
    EXPECT_EQ(settings.getSetting("General", "Locale", QStringLiteral("en")), QStringLiteral("en"));
    EXPECT_FALSE(settings.setSetting("General", "Locale", QStringLiteral("fr")));
    EXPECT_FALSE(settings.setSetting("General", "CrashDumpMode", int32_t(1)));
    EXPECT_FALSE(settings.isOpen());
    MovraPlayerX::importLegacySettings();  // finds no store to import into

    for (const QString& file : {registry.userFile(), registry.machineFile()}) {
        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        EXPECT_EQ(in.readAll(), garbage) << file.toStdString();
    }
}

TEST(SettingKeyTable, RowsGroupsAndSpellings)
{
    using namespace MovraPlayerX;
    std::vector<std::string> groupOrder;
    std::set<std::pair<std::string, std::string>> rows;
    for (int row = 0; row < kSettingKeyCount; ++row) {
        const SettingKeyRow& entry = kSettingKeyTable[row];
        ASSERT_NE(entry.key, nullptr);
        ASSERT_NE(entry.group, nullptr);
        if (groupOrder.empty() || groupOrder.back() != entry.group)
            groupOrder.push_back(entry.group);
        EXPECT_TRUE(rows.emplace(entry.group, entry.key).second) << entry.group << "/" << entry.key;
    }
    // Keys of a group are adjacent: each group forms one run, in this order.
    EXPECT_EQ(groupOrder, (std::vector<std::string>{"Paths", "GlobalState", "PlayerState", "DFXAudio", "General",
                                                   "DownloadManager", "MediaLibrary", "RecentFilis", "Playback",
                                                   "Languages", "Codec", "Video", "Subtitles", "Profiles", "OSD"}));

    const std::map<SettingKey, std::pair<const char*, const char*>> spotChecks{
        {kSkinInstallPath, {"SkinInstallPath", "Paths"}},
        {kDefaultViewPlugin, {"DefaultViewPlugin", "GlobalState"}},
        {kPRefFixedWidth, {"PRefFixedWidth", "PlayerState"}},
        {kVolume, {"Volume", "PlayerState"}},
        {kLocale, {"Locale", "General"}},
        {kRemoteControlsEnabled, {"RemoteControlsEnabled", "General"}},
        {kDeletLibraryFileAndDiskFile, {"DeletLibraryFileAndDiskFile", "MediaLibrary"}},
        {kRecentWatchedMovies, {"RecentWatchedMovies", "RecentFilis"}},
        {kEnableToolTips, {"enableToolTips", "Playback"}},
        {kHideInactiveButtons, {"hideInactiveButtons", "Playback"}},
        {kDisableScreenSaver, {"DisableScreenSaver", "Playback"}},
        {kKeyframeTrickPlayInterval, {"KeyframeTrickPlayInterval", "Playback"}},
        {kMenuLanguage, {"MenuLanguage", "Languages"}},
        {kHardwareDecodingDisabled, {"HardwareDecodingDisabled", "Video"}},
        {kSubtitleFont, {"SubtitleFont", "Subtitles"}},
        {kDisableDualSubtitles, {"DisableDualSubtitles", "Subtitles"}},
        {kProfileGUID, {"ProfileGUID", "Profiles"}},
        {kOSDFont, {"OSDFont", "OSD"}},
    };
    for (const auto& [row, expected] : spotChecks) {
        EXPECT_STREQ(kSettingKeyTable[row].key, expected.first);
        EXPECT_STREQ(kSettingKeyTable[row].group, expected.second);
    }
}

} // namespace
