#include "shell/language.h"

#include "mpx/osutilities.h"
#include "settings/applicationsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

namespace MovraPlayerX {

namespace {

Q_LOGGING_CATEGORY(lcLanguage, "movra.shell.language", QtInfoMsg)

const char kSupportedLanguages[] = "en,fr,de,ja,es,pt";
const char kInstalledTranslationFolder[] = "/i18n/Movra Player";
const char kApplicationTranslationFolder[] = "/i18n";
const char kQtTranslationPrefix[] = "qt-";
const char kPlayerTranslationPrefix[] = "lang-";
const char kSearchDelimiters[] = "_";

const int kSubtitlePointSize = 14;

struct SubtitleFont
{
    const char* family;
    const char* codePage; // written with the font; null: leave the code page alone
};

const SubtitleFont kGulim{"Gulim", "euc-kr"};
const SubtitleFont kMsGothic{"MS Gothic", nullptr};
const SubtitleFont kMingLiU{"MingLiU", nullptr};

// Installer locales are compared exactly: "zh-TW" is not "zh-tw".
const struct
{
    const char* locale;
    const SubtitleFont* font;
} kFirstLaunchFonts[] = {
    {"ja", &kMsGothic},
    {"zh-tw", &kMingLiU},
    {"zh-cn", &kMingLiU},
    {"ko", &kGulim},
};

// Built once, on first need. Never destroyed: a QFont must not outlive the application
// object, and static destructors run after it is gone.
const QFont& builtFont(const SubtitleFont& font)
{
    static const QFont* const gulim = new QFont(kGulim.family, kSubtitlePointSize, QFont::Normal, false);
    static const QFont* const msGothic = new QFont(kMsGothic.family, kSubtitlePointSize, QFont::Normal, false);
    static const QFont* const mingLiU = new QFont(kMingLiU.family, kSubtitlePointSize, QFont::Normal, false);
    if (&font == &kGulim)
        return *gulim;
    if (&font == &kMsGothic)
        return *msGothic;
    return *mingLiU;
}

// The stored names are those of the old 0-99 weight scale (25 Light, 50 Normal, 63 DemiBold,
// 75 Bold, 87 Black); Qt's 100-900 scale has the same named steps at 300, 400, 600, 700, 900.
QString weightName(int weight)
{
    switch (weight) {
    case QFont::Light:
        return QStringLiteral("Light");
    case QFont::DemiBold:
        return QStringLiteral("DemiBold");
    case QFont::Bold:
        return QStringLiteral("Bold");
    case QFont::Black:
        return QStringLiteral("Black");
    default:
        return QStringLiteral("Normal");
    }
}

void loadAndInstall(QTranslator& translator, const QString& fileName, const QString& folder)
{
    if (translator.load(fileName, folder, QLatin1String(kSearchDelimiters), QString())) {
        QCoreApplication::installTranslator(&translator);
    } else {
        qCDebug(lcLanguage) << "no translation" << fileName << "in" << folder;
    }
}

} // namespace

QString translationFolder()
{
    const QString installPath = ApplicationSettings::startup().get(kI18nInstallPath, QString());
    if (!installPath.isEmpty()) {
        const QString candidate =
            QDir::fromNativeSeparators(installPath) + QLatin1String(kInstalledTranslationFolder);
        if (QFileInfo(candidate).isDir())
            return candidate;
    }
    return QCoreApplication::applicationDirPath() + QLatin1String(kApplicationTranslationFolder);
}

QString setUpLanguage(std::unique_ptr<QTranslator>& qtTranslator,
                      std::unique_ptr<QTranslator>& playerTranslator)
{
    const QString folder = translationFolder();

    const QString locale = ApplicationSettings::startup().get(kLocale, QString());
    OSUtilities::setLocale(locale.isEmpty() ? QLocale().name().left(2) : locale);

    qtTranslator = std::make_unique<QTranslator>();
    playerTranslator = std::make_unique<QTranslator>();

    if (QFileInfo(folder).isDir()) {
        const QString code = OSUtilities::getLanguageAndCountryCode(
            QLatin1String(kSearchDelimiters), QLatin1String(kSupportedLanguages));
        if (!code.isEmpty()) {
            loadAndInstall(*qtTranslator, QLatin1String(kQtTranslationPrefix) + code, folder);
            loadAndInstall(*playerTranslator, QLatin1String(kPlayerTranslationPrefix) + code, folder);
        }
    } else {
        qCDebug(lcLanguage) << "no translation folder" << folder;
    }
    return locale;
}

QStringList subtitleFontRecord(const QFont& font)
{
    return {font.family(),
            QString::number(font.pointSize()),
            weightName(font.weight()),
            font.italic() ? QStringLiteral("Italic") : QString(),
            font.underline() ? QStringLiteral("Underline") : QString(),
            font.strikeOut() ? QStringLiteral("StrikeOut") : QString()};
}

void applyFirstLaunchDefaults(const QString& locale)
{
    ApplicationSettings& settings = ApplicationSettings::startup();
    if (settings.get(kFirstPlayerLaunch, false))
        return;

    for (const auto& entry : kFirstLaunchFonts) {
        if (locale != QLatin1String(entry.locale))
            continue;
        settings.set(kSubtitleFont, subtitleFontRecord(builtFont(*entry.font)));
        if (entry.font->codePage)
            settings.set(kSubtitleCodePage, QString::fromLatin1(entry.font->codePage));
        break;
    }

    settings.set(kFirstPlayerLaunch, true);
}

} // namespace MovraPlayerX
