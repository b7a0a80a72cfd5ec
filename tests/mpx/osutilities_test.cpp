#include "mpx/osutilities.h"
#include "support/scopedenvironment.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using MovraTest::ScopedEnvironment;

using MovraPlayerX::OSUtilities;

namespace {

const QString kSupported = QStringLiteral("en,fr,de,ja,es,pt");

// Leaves the library's locale and Qt's default locale as they were found.
class LocaleTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        OSUtilities::setLocale(QString());
        QLocale::setDefault(m_savedDefault);
    }

private:
    QLocale m_savedDefault;
};

struct LanguageChoice
{
    const char* locale;
    const char* expected;
};

TEST_F(LocaleTest, ChoosesLanguageAndCountryFromTheSupportedList)
{
    const LanguageChoice rows[] = {
        {"fr_FR", "fr_FR"},
        {"fr_CA", "fr_CA"},
        {"ru_RU", ""},
        {"fr", "fr"}, // a bare language names no country
        {"ja", "ja"},
        {"pt-br", "pt_BR"},
        {"de_DE.UTF-8", "de_DE"},
        {"es_419", "es_419"},
        {"FR_ca", "fr_CA"},
        {"sr_Latn_RS", ""},
        {"zh-tw", ""},
        {"zh_Hant_TW", ""},
        {"C", ""},
        {"e", ""},
        {"english", ""},
        {"_FR", ""},
        {"fr_CA@euro", "fr_CA"},
        {"fr__CA", "fr_CA"},   // an empty tag is skipped like a script
        {"en_USA", "en"},      // neither two letters nor three digits: no country
        {"fr_C4", "fr"},
        {"fr_Ca\n", "fr_CA\n"}, // a tag may end in one newline, as a pattern's "$" allows
    };
    for (const LanguageChoice& row : rows) {
        SCOPED_TRACE(row.locale);
        OSUtilities::setLocale(QString::fromLatin1(row.locale));
        EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("_"), kSupported),
                  QString::fromLatin1(row.expected));
    }
}

TEST_F(LocaleTest, SeparatorAndSupportedListAreTakenAsGiven)
{
    OSUtilities::setLocale(QStringLiteral("fr_CA"));
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("-"), kSupported), QStringLiteral("fr-CA"));
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QString(), kSupported), QStringLiteral("frCA"));
    // The list is compared exactly: no case folding, no trimming, and empty parts match nothing.
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("_"), QStringLiteral("EN,FR")), QString());
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("_"), QStringLiteral("en, fr")), QString());
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("_"), QStringLiteral(",,fr,")),
              QStringLiteral("fr_CA"));
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("_"), QString()), QString());

    OSUtilities::setLocale(QStringLiteral(",")); // no language: an empty part must not match it
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("_"), QStringLiteral("en,,fr")), QString());
}

TEST_F(LocaleTest, SetLocaleOverridesTheSystemLocaleUntilCleared)
{
    QLocale::setDefault(QLocale(QStringLiteral("de_AT")));
    EXPECT_EQ(OSUtilities::getLocale(), QStringLiteral("de_AT"));
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("_"), kSupported), QStringLiteral("de_AT"));

    OSUtilities::setLocale(QStringLiteral("ru"));
    EXPECT_EQ(OSUtilities::getLocale(), QStringLiteral("ru"));
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("_"), kSupported), QString());

    OSUtilities::setLocale(QString());
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("_"), kSupported), QStringLiteral("de_AT"));

    QLocale::setDefault(QLocale(QStringLiteral("ru_RU")));
    EXPECT_EQ(OSUtilities::getLanguageAndCountryCode(QStringLiteral("_"), kSupported), QString());
}

TEST(OSUtilitiesPlatform, LinuxUnlessOverriddenForTesting)
{
    EXPECT_EQ(OSUtilities::getPlatform(), OSUtilities::PlatformLinux);
    EXPECT_EQ(OSUtilities::getPlatform(), 3);
    OSUtilities::setPlatformForTesting(OSUtilities::PlatformMac);
    EXPECT_EQ(OSUtilities::getPlatform(), 1);
    OSUtilities::setPlatformForTesting(OSUtilities::PlatformWindows);
    EXPECT_EQ(OSUtilities::getPlatform(), 2);
    OSUtilities::setPlatformForTesting(7);
    EXPECT_EQ(OSUtilities::getPlatform(), 7);
    OSUtilities::setPlatformForTesting(0);
    EXPECT_EQ(OSUtilities::getPlatform(), 3);
}

TEST(OSUtilitiesIdentity, ComponentIdIsPlayer)
{
    EXPECT_EQ(OSUtilities::getComponentIdUTF8(), "Player");
}

// A home and a configuration folder of the test's own.
class DesktopPathTest : public ::testing::Test
{
protected:
    void writeUserDirs(const QByteArray& content)
    {
        QDir().mkpath(m_config.path());
        QFile file(m_config.path() + QStringLiteral("/user-dirs.dirs"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    QString home() const { return m_home.path(); }

    QTemporaryDir m_home;
    QTemporaryDir m_config;
    ScopedEnvironment m_homeVariable{"HOME", m_home.path().toUtf8().constData()};
    ScopedEnvironment m_configVariable{"XDG_CONFIG_HOME", m_config.path().toUtf8().constData()};
    ScopedEnvironment m_desktopVariable{"XDG_DESKTOP_DIR", nullptr};
};

TEST_F(DesktopPathTest, EnvironmentFirstThenUserDirsThenHomeDesktop)
{
    EXPECT_EQ(OSUtilities::getDesktopPath(), home() + QStringLiteral("/Desktop"));

    writeUserDirs("# written by xdg-user-dirs-update\n"
                  "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                  "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
    EXPECT_EQ(OSUtilities::getDesktopPath(), home() + QStringLiteral("/Bureau"));

    writeUserDirs("XDG_DESKTOP_DIR=\"/srv/shared/Desk top\"\n");
    EXPECT_EQ(OSUtilities::getDesktopPath(), QStringLiteral("/srv/shared/Desk top"));

    {
        ScopedEnvironment desktop("XDG_DESKTOP_DIR", "$HOME/Schreibtisch");
        EXPECT_EQ(OSUtilities::getDesktopPath(), home() + QStringLiteral("/Schreibtisch"));
    }
    {
        ScopedEnvironment desktop("XDG_DESKTOP_DIR", "/data/desk");
        EXPECT_EQ(OSUtilities::getDesktopPath(), QStringLiteral("/data/desk"));
    }
}

TEST_F(DesktopPathTest, ValuesThatAreNotPathsAreIgnored)
{
    const QByteArray files[] = {
        "XDG_DESKTOP_DIR=\"Bureau\"\n",           // relative
        "XDG_DESKTOP_DIR=\"\"\n",                 // empty
        "# XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n",   // comment
        "XDG_DESKTOP_DIRX=\"$HOME/Bureau\"\n",    // another key
        "XDG_DESKTOP_DIR=\"$HOMEBureau\"\n",      // not $HOME/
        QByteArray("XDG_DESKTOP_DIR=\"$HOME/\0\"\n", 26),
    };
    ScopedEnvironment relative("XDG_DESKTOP_DIR", "Desktop");
    for (const QByteArray& content : files) {
        SCOPED_TRACE(content.toStdString());
        writeUserDirs(content);
        EXPECT_EQ(OSUtilities::getDesktopPath(), home() + QStringLiteral("/Desktop"));
    }
}

} // namespace

namespace {

bool mapped(const char* library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

} // namespace

// A start that changes no association must not pay for loading GIO and the libraries behind it.
TEST(Associations, GioIsMappedOnlyOnceAssociationsAreAskedFor)
{
    EXPECT_FALSE(mapped("libgio-2.0.so"));
    EXPECT_FALSE(mapped("MPXAssociations.so"));
    EXPECT_EQ(OSUtilities::mimeTypeForExtension(QStringLiteral(".txt")), QStringLiteral("text/plain"));
    EXPECT_TRUE(mapped("libgio-2.0.so"));
    EXPECT_EQ(OSUtilities::mimeTypeForExtension(QStringLiteral("nothing/here")), QString());
}
