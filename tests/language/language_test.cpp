#include "qtprinters.h"
#include "scopedsettings.h"

#include "mpx/osutilities.h"
#include "settings/applicationsettings.h"
#include "shell/language.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLocale>
#include <QTemporaryDir>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

using namespace MovraPlayerX;

namespace {

const char kWindowContext[] = "MovraPlayerWindow";
const char kNoFileOpen[] = "No file open";

const char* const kWindowStrings[] = {
    "Movra Player", "&File", "&Open…", "Open &Address…", "&Quit", "&Help", "&About Movra Player",
    "About Movra Player", "No file open", "Now playing: %1", "Received addresses", "Open File",
    "Open Address", "Address:", "About &Plug-ins…", "About Plug-ins", "%1 files (%2)", "All video files (%1)",
    "All files (*)", "Loaded", "Not loaded", "Failed", "Loaded plug-ins:", "Copy",
};

QString builtTranslations()
{
    return QStringLiteral(MOVRA_TEST_APP_DIR "/i18n");
}

ApplicationSettings& settings()
{
    return ApplicationSettings::startup();
}

QString translated(const char* context, const char* text)
{
    return QCoreApplication::translate(context, text);
}

bool copyFile(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

struct LanguageCase
{
    const char* code;
    const char* noFileOpen;
};

const LanguageCase kLanguages[] = {
    {"fr", "Aucun fichier ouvert"},
    {"de", "Keine Datei geöffnet"},
    {"ja", "ファイルが開かれていません"},
    {"es", "Ningún archivo abierto"},
    {"pt", "Nenhum arquivo aberto"},
};

TEST(Translations, EveryLanguageIsBuiltWithAllWindowStrings)
{
    for (const LanguageCase& language : kLanguages) {
        SCOPED_TRACE(language.code);
        QTranslator player;
        ASSERT_TRUE(player.load(QStringLiteral("lang-") + QLatin1String(language.code), builtTranslations()));
        EXPECT_EQ(player.translate(kWindowContext, kNoFileOpen), QString::fromUtf8(language.noFileOpen));
        for (const char* text : kWindowStrings) {
            SCOPED_TRACE(text);
            EXPECT_FALSE(player.translate(kWindowContext, text).isEmpty());
        }
        EXPECT_TRUE(player.translate(kWindowContext, "Now playing: %1").contains(QLatin1String("%1")));

        QTranslator qt;
        EXPECT_TRUE(qt.load(QStringLiteral("qt-") + QLatin1String(language.code), builtTranslations()));
    }
}

TEST(Translations, InstalledFrenchTranslatorAnswersInFrench)
{
    QTranslator french;
    ASSERT_TRUE(french.load(QStringLiteral("lang-fr"), builtTranslations()));
    ASSERT_TRUE(QCoreApplication::installTranslator(&french));
    EXPECT_EQ(translated(kWindowContext, kNoFileOpen), QStringLiteral("Aucun fichier ouvert"));
    EXPECT_EQ(translated(kWindowContext, "&Quit"), QStringLiteral("&Quitter"));
    EXPECT_EQ(translated("LoadingCodecWidget", "Try again"), QStringLiteral("Réessayer"));
    EXPECT_EQ(translated("MovraPlayerX::LoadingCodecWidget", "Ok"), QStringLiteral("OK"));
}

// A registry of its own, an installation folder holding the built French and German
// translations, and the system locale and service-library locale put back afterwards.
class Language : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_install.isValid());
        m_installedFolder = m_install.path() + QStringLiteral("/i18n/Movra Player");
        ASSERT_TRUE(QDir().mkpath(m_installedFolder));
        for (const char* name : {"lang-fr.qm", "qt-fr.qm", "lang-de.qm", "qt-de.qm"}) {
            ASSERT_TRUE(copyFile(builtTranslations() + QLatin1Char('/') + QLatin1String(name),
                                 m_installedFolder + QLatin1Char('/') + QLatin1String(name)));
        }
    }

    void TearDown() override
    {
        m_qt.reset();
        m_player.reset();
        QLocale::setDefault(m_systemLocale);
        OSUtilities::setLocale(QString());
    }

    QString setUp(const QString& locale)
    {
        settings().set(kI18nInstallPath, m_install.path());
        settings().set(kLocale, locale);
        return setUpLanguage(m_qt, m_player);
    }

    void expectNothingInstalled()
    {
        ASSERT_TRUE(m_qt && m_player);
        EXPECT_TRUE(m_qt->isEmpty());
        EXPECT_TRUE(m_player->isEmpty());
        EXPECT_EQ(translated(kWindowContext, kNoFileOpen), QLatin1String(kNoFileOpen));
        EXPECT_EQ(translated("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
    }

    ScopedSettings m_settings;
    QTemporaryDir m_install;
    QString m_installedFolder;
    const QLocale m_systemLocale;
    std::unique_ptr<QTranslator> m_qt;
    std::unique_ptr<QTranslator> m_player;
};

TEST_F(Language, TranslationFolderFallsBackToTheApplicationFolder)
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/i18n");
    QTemporaryDir bare;
    const QString withoutSubfolder = bare.path() + QStringLiteral("/partial");
    ASSERT_TRUE(QDir().mkpath(withoutSubfolder + QStringLiteral("/i18n")));
    QTemporaryDir fileInstead;
    ASSERT_TRUE(QDir().mkpath(fileInstead.path() + QStringLiteral("/i18n")));
    QFile file(fileInstead.path() + QStringLiteral("/i18n/Movra Player"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const struct
    {
        const char* name;
        QString installPath;
        QString folder;
    } cases[] = {
        {"not set", QString(), beside},
        {"no such folder", bare.path() + QStringLiteral("/missing"), beside},
        {"folder without i18n/Movra Player", bare.path(), beside},
        {"i18n without Movra Player", withoutSubfolder, beside},
        {"Movra Player is a file", fileInstead.path(), beside},
        {"installed translations", m_install.path(), m_installedFolder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings().set(kI18nInstallPath, c.installPath);
        EXPECT_EQ(translationFolder(), c.folder);
    }
}

TEST_F(Language, LoadsAndInstallsBothTranslatorsForTheChosenLanguage)
{
    const struct
    {
        const char* locale;
        const char* noFileOpen;
        const char* yes; // Qt's own string
    } cases[] = {
        {"fr", "Aucun fichier ouvert", "&Oui"},
        {"fr_CA", "Aucun fichier ouvert", "&Oui"}, // no fr_CA files: cut back at "_"
        {"fr-ca", "Aucun fichier ouvert", "&Oui"},
        {"de", "Keine Datei geöffnet", "&Ja"},
        {"es", kNoFileOpen, "&Yes"},    // supported, but not in this folder
        {"zh-tw", kNoFileOpen, "&Yes"}, // not a supported language
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        EXPECT_EQ(setUp(QString::fromUtf8(c.locale)), QString::fromUtf8(c.locale));
        ASSERT_TRUE(m_qt && m_player);
        EXPECT_EQ(translated(kWindowContext, kNoFileOpen), QString::fromUtf8(c.noFileOpen));
        EXPECT_EQ(translated("QPlatformTheme", "&Yes"), QString::fromUtf8(c.yes));
        EXPECT_EQ(OSUtilities::getLocale(), QString::fromUtf8(c.locale));
    }
}

TEST_F(Language, EmptyLocaleHandsOnTheSystemLanguageOnly)
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::Canada));
    ASSERT_EQ(QLocale().name(), QStringLiteral("fr_CA"));

    EXPECT_EQ(setUp(QString()), QString());

    EXPECT_EQ(OSUtilities::getLocale(), QStringLiteral("fr"));
    EXPECT_EQ(translated(kWindowContext, kNoFileOpen), QStringLiteral("Aucun fichier ouvert"));
}

TEST_F(Language, MissingOrBrokenTranslationsInstallNothing)
{
    const QString garbage = m_installedFolder + QStringLiteral("/lang-fr.qm");
    const QString truncated = m_installedFolder + QStringLiteral("/qt-fr.qm");
    {
        QFile file(garbage);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(4096, '\x5a'));
    }
    {
        QFile original(builtTranslations() + QStringLiteral("/qt-fr.qm"));
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QByteArray head = original.read(64);
        QFile file(truncated);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(head);
    }
    EXPECT_EQ(setUp(QStringLiteral("fr")), QStringLiteral("fr"));
    expectNothingInstalled();

    // Empty files, and folders where the files should be.
    ASSERT_TRUE(QFile::resize(garbage, 0));
    ASSERT_TRUE(QFile::remove(truncated));
    ASSERT_TRUE(QDir().mkpath(truncated));
    setUp(QStringLiteral("fr"));
    expectNothingInstalled();

    // No translation folder at all: the installed one is gone, and the test program has
    // none beside it.
    ASSERT_TRUE(QDir(m_install.path() + QStringLiteral("/i18n")).removeRecursively());
    ASSERT_FALSE(QFileInfo::exists(translationFolder()));
    EXPECT_EQ(setUp(QStringLiteral("fr")), QStringLiteral("fr"));
    expectNothingInstalled();
}

TEST_F(Language, LocaleOfAnyLength)
{
    const QString cases[] = {
        QStringLiteral("f"),
        QStringLiteral("fr_"),
        QStringLiteral("_fr"),
        QStringLiteral("../../fr"),
        QStringLiteral("fr/../../../etc/passwd"),
        QString(100000, QLatin1Char('x')),
        QStringLiteral("fr_") + QString(100000, QLatin1Char('Z')),
        QStringLiteral("fr\tCA"),
        QString::fromUtf8("日本語"),
    };
    for (const QString& locale : cases) {
        SCOPED_TRACE(locale.left(16).toStdString());
        EXPECT_EQ(setUp(locale), locale);
        ASSERT_TRUE(m_qt && m_player);
        EXPECT_EQ(OSUtilities::getLocale(), locale);
    }
}

class FirstLaunch : public ::testing::Test
{
protected:
    ScopedSettings m_settings;
};

TEST_F(FirstLaunch, EastAsianLocalesGetASubtitleFont)
{
    const struct
    {
        const char* locale;
        const char* font;     // null: none written
        const char* codePage; // null: none written
    } cases[] = {
        {"ko", "Gulim:14:Normal:::", "euc-kr"},
        {"ja", "MS Gothic:14:Normal:::", nullptr},
        {"zh-tw", "MingLiU:14:Normal:::", nullptr},
        {"zh-cn", "MingLiU:14:Normal:::", nullptr},
        {"zh-TW", nullptr, nullptr},
        {"KO", nullptr, nullptr},
        {"ja_JP", nullptr, nullptr},
        {"de", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        ScopedSettings fresh;

        applyFirstLaunchDefaults(QString::fromUtf8(c.locale));

        QStringList written;
        if (c.codePage)
            written << QStringLiteral("SubtitleCodePage");
        if (c.font)
            written << QStringLiteral("SubtitleFont");
        EXPECT_EQ(ScopedSettings::storedValues("Subtitles"), written);
        EXPECT_EQ(ScopedSettings::storedValues("PlayerState"), QStringList({"FirstPlayerLaunch"}));
        EXPECT_TRUE(settings().get(kFirstPlayerLaunch, false));
        if (c.font) {
            EXPECT_EQ(settings().get(kSubtitleFont, QString()), QLatin1String(c.font));
        }
        if (c.codePage) {
            EXPECT_EQ(settings().get(kSubtitleCodePage, QString()), QLatin1String(c.codePage));
        }
    }
}

TEST_F(FirstLaunch, LaterLaunchesWriteNothing)
{
    applyFirstLaunchDefaults(QStringLiteral("de"));
    ASSERT_TRUE(settings().get(kFirstPlayerLaunch, false));

    applyFirstLaunchDefaults(QStringLiteral("ko"));
    applyFirstLaunchDefaults(QStringLiteral("ja"));

    EXPECT_EQ(ScopedSettings::storedValues("Subtitles"), QStringList());
}

TEST(SubtitleFontRecord, SixEntriesWithTheWeightName)
{
    const struct
    {
        int weight;
        const char* name;
    } weights[] = {
        {QFont::Thin, "Normal"},     {QFont::Light, "Light"},   {QFont::Normal, "Normal"},
        {QFont::Medium, "Normal"},   {QFont::DemiBold, "DemiBold"}, {QFont::Bold, "Bold"},
        {QFont::ExtraBold, "Normal"}, {QFont::Black, "Black"},
    };
    for (const auto& w : weights) {
        SCOPED_TRACE(w.weight);
        QFont font(QStringLiteral("Gulim"), 14, w.weight);
        EXPECT_EQ(subtitleFontRecord(font),
                  QStringList({"Gulim", "14", QLatin1String(w.name), "", "", ""}));
    }

    QFont styled(QStringLiteral("MS Gothic"), 9);
    styled.setItalic(true);
    styled.setUnderline(true);
    styled.setStrikeOut(true);
    EXPECT_EQ(subtitleFontRecord(styled),
              QStringList({"MS Gothic", "9", "Normal", "Italic", "Underline", "StrikeOut"}));
    styled.setItalic(false);
    styled.setStrikeOut(false);
    EXPECT_EQ(subtitleFontRecord(styled), QStringList({"MS Gothic", "9", "Normal", "", "Underline", ""}));
}

} // namespace
