#include "mpx/osutilities.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

#include <atomic>
#include <mutex>

namespace MovraPlayerX {

namespace {

std::mutex localeMutex;
QString localeCode; // guarded by localeMutex; empty: the system locale
std::atomic<int> platformOverride{0};

struct LocaleParts
{
    QString language;
    QString country;
};

// Whether the tag is `min` to `max` characters that pass `allowed`; like a regular
// expression's "$", a single newline at its end is allowed. Hand-written because this runs at
// every start, and a regular expression would bring in and compile a whole matcher.
template <typename Allowed>
bool isTag(const QString& tag, qsizetype min, qsizetype max, Allowed allowed)
{
    qsizetype length = tag.size();
    if (length > 0 && tag.at(length - 1) == QLatin1Char('\n'))
        --length;
    if (length < min || length > max)
        return false;
    for (qsizetype i = 0; i < length; ++i) {
        if (!allowed(tag.at(i).unicode()))
            return false;
    }
    return true;
}

bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool isAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// "zh-tw", "fr_CA.UTF-8@euro", "sr_Latn_RS": language, then an optional script, then the
// country (two letters or a three-digit region).
LocaleParts splitLocaleCode(QString code)
{
    for (qsizetype i = 0; i < code.size(); ++i) {
        if (code.at(i) == QLatin1Char('.') || code.at(i) == QLatin1Char('@')) {
            code.truncate(i);
            break;
        }
    }
    QStringList tags;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= code.size(); ++i) {
        if (i == code.size() || code.at(i) == QLatin1Char('-') || code.at(i) == QLatin1Char('_')) {
            tags.append(code.mid(start, i - start));
            start = i + 1;
        }
    }

    LocaleParts parts;
    if (!isTag(tags.first(), 2, 3, isAsciiLetter))
        return parts;
    parts.language = tags.first().toLower();
    for (qsizetype i = 1; i < tags.size(); ++i) {
        if (isTag(tags.at(i), 2, 2, isAsciiLetter) || isTag(tags.at(i), 3, 3, isAsciiDigit)) {
            parts.country = tags.at(i).toUpper();
            break;
        }
    }
    return parts;
}

QString homePath()
{
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QDir::homePath() : home;
}

// user-dirs.dirs values are "$HOME/relative" or absolute; anything else is not a path.
QString expandUserDir(QString value)
{
    if (value.contains(QChar(0)))
        return QString();
    if (value == QLatin1String("$HOME"))
        return homePath();
    if (value.startsWith(QLatin1String("$HOME/")))
        return QDir::cleanPath(homePath() + value.mid(5));
    if (value.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(value);
    return QString();
}

QString desktopFromUserDirsFile()
{
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || !configHome.startsWith(QLatin1Char('/')))
        configHome = homePath() + QStringLiteral("/.config");
    QFile file(configHome + QStringLiteral("/user-dirs.dirs"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();

    static const QRegularExpression entry(QStringLiteral("^\\s*XDG_DESKTOP_DIR\\s*=\\s*\"([^\"]*)\"\\s*$"));
    QString found;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QRegularExpressionMatch match = entry.match(line);
        if (match.hasMatch())
            found = expandUserDir(match.captured(1)); // the last assignment wins, as in a shell
    }
    return found;
}

} // namespace

std::string OSUtilities::getComponentIdUTF8()
{
    return "Player";
}

void OSUtilities::setLocale(const QString& code)
{
    std::lock_guard<std::mutex> lock(localeMutex);
    localeCode = code;
}

QString OSUtilities::getLocale()
{
    {
        std::lock_guard<std::mutex> lock(localeMutex);
        if (!localeCode.isEmpty())
            return localeCode;
    }
    return QLocale().name();
}

QString OSUtilities::getLanguageAndCountryCode(const QString& separator, const QString& supportedList)
{
    const LocaleParts parts = splitLocaleCode(getLocale());
    if (parts.language.isEmpty() || !supportedList.split(QLatin1Char(',')).contains(parts.language))
        return QString();
    if (parts.country.isEmpty())
        return parts.language;
    return parts.language + separator + parts.country;
}

int OSUtilities::getPlatform()
{
    const int overridden = platformOverride.load();
    return overridden != 0 ? overridden : PlatformLinux;
}

void OSUtilities::setPlatformForTesting(int platform)
{
    platformOverride.store(platform);
}

QString OSUtilities::getMovraMoviesPathDefault()
{
    QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (videos.isEmpty())
        videos = homePath();
    return videos + QStringLiteral("/Movra Movies");
}

QString OSUtilities::getDesktopPath()
{
    const QString fromEnvironment = expandUserDir(qEnvironmentVariable("XDG_DESKTOP_DIR"));
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString fromFile = desktopFromUserDirsFile();
    if (!fromFile.isEmpty())
        return fromFile;
    return homePath() + QStringLiteral("/Desktop");
}

} // namespace MovraPlayerX
