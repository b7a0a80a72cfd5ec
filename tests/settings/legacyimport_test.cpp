// The one-time import of an older version's QSettings store (INI files of the system and
// user scopes) into the application settings.

#include "registrysandbox.h"

#include "settings/applicationsettings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <cstring>
#include <unistd.h>

using namespace MovraRegistry;

namespace {

const std::u16string kPlayerRoot = u"SOFTWARE\\Movra\\Settings\\Player";

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

    const rawreg::Value volume = rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\Playback", u"Volume");
    EXPECT_EQ(volume.type, REG_QWORD);
    EXPECT_EQ(volume.bytes, rawreg::qword(70));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\Playback", u"LoopPlayback").bytes, rawreg::dword(1));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\Subtitles\\Font", u"Size").bytes, rawreg::qword(14));
    const double brightness = 0.75;
    uint64_t brightnessBits;
    std::memcpy(&brightnessBits, &brightness, 8);
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\Codec", u"Brightness").bytes, rawreg::qword(brightnessBits));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\Codec", u"Big").bytes,
              rawreg::qword(static_cast<uint64_t>(-5000000000ll)));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\Codec", u"BigUnsigned").bytes,
              rawreg::qword(0xF000000000000000ull));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\Codec", u"Unsigned").bytes, rawreg::qword(4000000000u));
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\General", u"Locale").bytes, rawreg::utf16z(u"fr"));
    const rawreg::Value blob = rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\General", u"Blob");
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
    EXPECT_FALSE(rawreg::keyExists(HKEY_LOCAL_MACHINE, kPlayerRoot));
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
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\General", u"EmptyText").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\General", u"EmptyBytes").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\General", u"Placed").bytes, rawreg::utf16z(u"yes"));

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
    EXPECT_FALSE(rawreg::keyExists(HKEY_CURRENT_USER, kPlayerRoot + u"\\General"));
}

// The import as it runs at start-up: in its own process, reading INI files from disk.
class LegacyImportProcessTest : public ::testing::Test
{
protected:
    LegacyImportProcessTest()
    {
        // Everything must stay reachable for an unprivileged user (see asUnprivilegedUser).
        QFile::setPermissions(root.path(), kEveryone);
        QDir(root.path()).mkpath(QStringLiteral("system/Movra"));
        QDir(root.path()).mkpath(QStringLiteral("user/Movra"));
        QFile::setPermissions(root.filePath(QStringLiteral("user/Movra")), kEveryone);
    }

    ~LegacyImportProcessTest() override
    {
        // So that the temporary folder can be removed by a user without privileges.
        QFile::setPermissions(root.filePath(QStringLiteral("system/Movra")), kEveryone);
    }

    static constexpr QFileDevice::Permissions kEveryone =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
        | QFileDevice::WriteOther | QFileDevice::ExeOther;

    void writeIni(const char* scope, const QByteArray& bytes)
    {
        QFile file(root.filePath(QString::fromLatin1(scope) + QStringLiteral("/Movra/Settings.conf")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.setPermissions(kEveryone);
    }

    // Runs the helper; as root, as the user "nobody", so that file modes mean what they
    // mean to the people this protects.
    QString run(const QStringList& command, int* exitCode = nullptr)
    {
        QStringList arguments{root.filePath(QStringLiteral("system")), root.filePath(QStringLiteral("user"))};
        arguments += command;
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("MOVRA_REGISTRY_DIR"), root.filePath(QStringLiteral("registry")));
        process.setProcessEnvironment(environment);
        if (asUnprivilegedUser) {
            arguments.prepend(QStringLiteral(LEGACY_IMPORT_HELPER));
            arguments = QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                    QStringLiteral("--clear-groups")} + arguments;
            process.start(QStringLiteral("setpriv"), arguments);
        } else {
            process.start(QStringLiteral(LEGACY_IMPORT_HELPER), arguments);
        }
        process.waitForFinished(30000);
        if (exitCode)
            *exitCode = process.exitCode();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << process.readAllStandardError().constData();
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    RegistrySandbox sandbox;  // restores the registry location the test changes
    QTemporaryDir root;
    bool asUnprivilegedUser = false;
};

TEST_F(LegacyImportProcessTest, IniTextOfKnownKeysIsStoredWithTheKeysType)
{
    writeIni("user", "[Movra%20Player]\n"
                     "PlayerState\\Volume=70\n"
                     "PlayerState\\PlayerWidth=wide\n"
                     "Playback\\PauseInBackground=true\n"
                     "Playback\\LoopPlayback=0\n"
                     "General\\Locale=fr\n"
                     "General\\Skin=Dark, Large\n"
                     "Subtitles\\SubtitleFont=Gulim, 14, Normal\n"
                     "Other\\Count=42\n");
    run({QStringLiteral("import")});

    qputenv("MOVRA_REGISTRY_DIR", QFile::encodeName(root.filePath(QStringLiteral("registry"))));
    RegistrySandbox::reconnect();
    struct Row
    {
        const char16_t* group;
        const char16_t* name;
        DWORD type;
        std::vector<uint8_t> bytes;
    };
    const Row rows[] = {
        {u"PlayerState", u"Volume", REG_QWORD, rawreg::qword(70)},
        {u"PlayerState", u"PlayerWidth", REG_SZ, rawreg::utf16z(u"wide")},  // does not parse: kept as text
        {u"Playback", u"PauseInBackground", REG_DWORD, rawreg::dword(1)},
        {u"Playback", u"LoopPlayback", REG_DWORD, rawreg::dword(0)},
        {u"General", u"Locale", REG_SZ, rawreg::utf16z(u"fr")},
        {u"General", u"Skin", REG_SZ, rawreg::utf16z(u"Dark, Large")},  // a comma in text stays text
        {u"Subtitles", u"SubtitleFont", REG_SZ, rawreg::utf16z(u"Gulim:14:Normal")},
        {u"Other", u"Count", REG_SZ, rawreg::utf16z(u"42")},  // unknown key: text as it was
    };
    for (const Row& row : rows) {
        const rawreg::Value value = rawreg::read(HKEY_CURRENT_USER, kPlayerRoot + u"\\" + row.group, row.name);
        const std::string name(row.name, row.name + std::char_traits<char16_t>::length(row.name));
        EXPECT_EQ(value.status, ERROR_SUCCESS) << name;
        EXPECT_EQ(value.type, row.type) << name;
        EXPECT_EQ(value.bytes, row.bytes) << name;
    }
    auto& settings = MovraPlayerX::ApplicationSettings::application();
    EXPECT_EQ(settings.getSetting("PlayerState", "Volume", int32_t(0)), 70);
    EXPECT_TRUE(settings.getSetting("Playback", "PauseInBackground", false));
    settings.release();
}

TEST_F(LegacyImportProcessTest, AStoreTheUserCannotEmptyIsImportedOnce)
{
    asUnprivilegedUser = geteuid() == 0;
    writeIni("system", "[Movra%20Player]\nGeneral\\Locale=de\n");
    writeIni("user", "[Movra%20Player]\nGeneral\\Skin=Dark\n");
    const QString systemFolder = root.filePath(QStringLiteral("system/Movra"));
    QFile::setPermissions(systemFolder + QStringLiteral("/Settings.conf"), QFileDevice::ReadOwner | QFileDevice::ReadOther);
    QFile::setPermissions(systemFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                            | QFileDevice::ExeOther);
    int exitCode = -1;
    run({QStringLiteral("get"), QStringLiteral("General"), QStringLiteral("Locale")}, &exitCode);
    if (exitCode != 0)
        GTEST_SKIP() << "the helper cannot run as an unprivileged user from this build folder";

    run({QStringLiteral("import")});
    EXPECT_EQ(run({QStringLiteral("get"), QStringLiteral("General"), QStringLiteral("Locale")}), QStringLiteral("de"));
    run({QStringLiteral("set"), QStringLiteral("General"), QStringLiteral("Locale"), QStringLiteral("fr")}, &exitCode);
    ASSERT_EQ(exitCode, 0);

    run({QStringLiteral("import")});
    EXPECT_EQ(run({QStringLiteral("get"), QStringLiteral("General"), QStringLiteral("Locale")}), QStringLiteral("fr"));
    EXPECT_EQ(run({QStringLiteral("get"), QStringLiteral("General"), QStringLiteral("Skin")}), QStringLiteral("Dark"));
    // The file the user could empty was emptied; the other is as the administrator left it.
    QFile user(root.filePath(QStringLiteral("user/Movra/Settings.conf")));
    ASSERT_TRUE(user.open(QIODevice::ReadOnly));
    EXPECT_FALSE(user.readAll().contains("Skin"));
    QFile system(systemFolder + QStringLiteral("/Settings.conf"));
    ASSERT_TRUE(system.open(QIODevice::ReadOnly));
    EXPECT_TRUE(system.readAll().contains("Locale=de"));
}

} // namespace
