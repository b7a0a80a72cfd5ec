// The one-time import of an older version's QSettings store (INI files of the system and
// user scopes) into the application settings.

#include "registrysandbox.h"

#include "settings/applicationsettings.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include <cstring>

using namespace MovraRegistry;

namespace {

const std::u16string kRoot = u"SOFTWARE\\Movra\\Settings\\Player";

class LegacyImportTest : public ::testing::Test
{
protected:
    LegacyImportTest()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, systemDir.path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userDir.path());
    }

    // Runs `fill` on the legacy store of `scope`, positioned in the player's group.
    template <typename Fill>
    void writeLegacy(QSettings::Scope scope, Fill fill)
    {
        QSettings legacy(QSettings::NativeFormat, scope, QStringLiteral("Movra"), QStringLiteral("Settings"));
        legacy.beginGroup(QStringLiteral("Movra Player"));
        fill(legacy);
    }

    QStringList legacyKeys(QSettings::Scope scope)
    {
        QSettings legacy(QSettings::NativeFormat, scope, QStringLiteral("Movra"), QStringLiteral("Settings"));
        legacy.beginGroup(QStringLiteral("Movra Player"));
        QStringList keys = legacy.allKeys();
        keys.sort();
        return keys;
    }

    RegistrySandbox registry;
    QTemporaryDir systemDir;
    QTemporaryDir userDir;
};

TEST_F(LegacyImportTest, ValuesGoToTheirGroupsByType)
{
    writeLegacy(QSettings::UserScope, [](QSettings& s) {
        s.setValue("Playback/Volume", 70);
        s.setValue("Playback/LoopPlayback", true);
        s.setValue("Subtitles/Font/Size", 14);
        s.setValue("Codec/Brightness", 0.75);
        s.setValue("Codec/Big", qlonglong(-5000000000));
        s.setValue("Codec/BigUnsigned", qulonglong(0xF000000000000000ull));
        s.setValue("Codec/Unsigned", 4000000000u);
        s.setValue("General/Locale", QStringLiteral("fr"));
        s.setValue("General/Blob", QByteArray("\x01\x02", 2));
    });
    MovraPlayerX::importLegacySettings();

    const rawreg::Value volume = rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\Playback", u"Volume");
    EXPECT_EQ(volume.type, REG_QWORD);
    EXPECT_EQ(volume.bytes, rawreg::qword(70));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\Playback", u"LoopPlayback").bytes, rawreg::dword(1));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\Subtitles\\Font", u"Size").bytes, rawreg::qword(14));
    const double brightness = 0.75;
    uint64_t brightnessBits;
    std::memcpy(&brightnessBits, &brightness, 8);
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\Codec", u"Brightness").bytes, rawreg::qword(brightnessBits));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\Codec", u"Big").bytes,
              rawreg::qword(static_cast<uint64_t>(-5000000000ll)));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\Codec", u"BigUnsigned").bytes,
              rawreg::qword(0xF000000000000000ull));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\Codec", u"Unsigned").bytes, rawreg::qword(4000000000u));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\General", u"Locale").bytes, rawreg::utf16z(u"fr"));
    const rawreg::Value blob = rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\General", u"Blob");
    EXPECT_EQ(blob.type, REG_BINARY);
    EXPECT_EQ(blob.bytes, (std::vector<uint8_t>{1, 2}));

    EXPECT_EQ(MovraPlayerX::ApplicationSettings::application().getSetting("Playback", "Volume", int32_t(0)), 70);
    EXPECT_TRUE(legacyKeys(QSettings::UserScope).isEmpty());
}

TEST_F(LegacyImportTest, UserScopeWinsOverSystemScope)
{
    writeLegacy(QSettings::SystemScope, [](QSettings& s) {
        s.setValue("General/Locale", QStringLiteral("de"));
        s.setValue("General/Skin", QStringLiteral("system skin"));
    });
    writeLegacy(QSettings::UserScope, [](QSettings& s) { s.setValue("General/Locale", QStringLiteral("ja")); });
    MovraPlayerX::importLegacySettings();

    auto& settings = MovraPlayerX::ApplicationSettings::application();
    EXPECT_EQ(settings.getSetting("General", "Locale", QString()), QStringLiteral("ja"));
    EXPECT_EQ(settings.getSetting("General", "Skin", QString()), QStringLiteral("system skin"));
    // Imported values belong to the user root, never the machine root.
    EXPECT_FALSE(rawreg::keyExists(HKEY_LOCAL_MACHINE, kRoot));
    EXPECT_TRUE(legacyKeys(QSettings::SystemScope).isEmpty());
}

TEST_F(LegacyImportTest, ValuesThatCannotBePlacedStayInTheLegacyStore)
{
    const QString tooLongName = QStringLiteral("Playback/") + QString(kMaxValueNameLength + 1, QLatin1Char('n'));
    writeLegacy(QSettings::UserScope, [&](QSettings& s) {
        s.setValue("TopLevel", 5);                     // no section to put it in
        s.setValue("General/EmptyText", QString());    // nothing to write
        s.setValue("General/EmptyBytes", QByteArray());
        s.setValue(tooLongName, 1);                    // the write fails
        s.setValue("General/Placed", QStringLiteral("yes"));
    });
    MovraPlayerX::importLegacySettings();

    QStringList expected{QStringLiteral("General/EmptyBytes"), QStringLiteral("General/EmptyText"),
                         QStringLiteral("TopLevel"), tooLongName};
    expected.sort();
    EXPECT_EQ(legacyKeys(QSettings::UserScope), expected);
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\General", u"EmptyText").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\General", u"EmptyBytes").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kRoot + u"\\General", u"Placed").bytes, rawreg::utf16z(u"yes"));

    // A second run finds only what it could not place before, and places none of it.
    MovraPlayerX::importLegacySettings();
    EXPECT_EQ(legacyKeys(QSettings::UserScope), expected);
}

TEST_F(LegacyImportTest, KeysOutsideThePlayerGroupAreLeftAlone)
{
    {
        QSettings other(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Movra"), QStringLiteral("Settings"));
        other.setValue("Other Program/General/Locale", QStringLiteral("it"));
    }
    MovraPlayerX::importLegacySettings();
    QSettings other(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Movra"), QStringLiteral("Settings"));
    EXPECT_EQ(other.value("Other Program/General/Locale").toString(), QStringLiteral("it"));
    EXPECT_FALSE(rawreg::keyExists(HKEY_CURRENT_USER, kRoot + u"\\General"));
}

} // namespace
