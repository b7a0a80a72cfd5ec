#include "mediatracks.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

namespace MovraReference {

namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraPlayerWindow", text);
}

QLocale::Language languageOf(const QString& code)
{
    const QString base = code.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).trimmed().toLower();
    if (base.isEmpty() || base == QLatin1String("und"))
        return QLocale::AnyLanguage;
    const QLocale::Language language = QLocale::codeToLanguage(base, QLocale::AnyLanguageCode);
    return language == QLocale::C ? QLocale::AnyLanguage : language;
}

} // namespace

QString languageName(const QString& code)
{
    const QLocale::Language language = languageOf(code);
    if (language == QLocale::AnyLanguage)
        return code;
    return QLocale::languageToString(language);
}

bool sameLanguage(const QString& a, const QString& b)
{
    const QLocale::Language la = languageOf(a);
    return la != QLocale::AnyLanguage && la == languageOf(b);
}

QString trackLabel(const MediaTrack& track, int number)
{
    const QString code = track.language.trimmed();
    const bool undetermined = code.isEmpty() || code.compare(QLatin1String("und"), Qt::CaseInsensitive) == 0;
    const QString language = undetermined ? QString() : languageName(code);
    QString label;
    if (!language.isEmpty() && !track.title.isEmpty() && track.title.compare(language, Qt::CaseInsensitive) != 0)
        label = language + QStringLiteral(" — ") + track.title;
    else if (!language.isEmpty())
        label = language;
    else if (!track.title.isEmpty())
        label = track.title;
    else
        label = tx("Track %1").arg(number);
    if (!track.file.isEmpty())
        label += QStringLiteral(" (") + QFileInfo(track.file).fileName() + QLatin1Char(')');
    else if (track.forced)
        label += QStringLiteral(" (") + tx("forced") + QLatin1Char(')');
    return label;
}

QString languageOfSubtitleFile(const QString& subtitlePath, const QString& mediaPath)
{
    const QString stem = QFileInfo(subtitlePath).completeBaseName();
    const QString base = QFileInfo(mediaPath).completeBaseName();
    if (!stem.startsWith(base + QLatin1Char('.')))
        return QString();
    const QString part = stem.mid(base.size() + 1);
    return languageOf(part) != QLocale::AnyLanguage ? part : QString();
}

int preferredAudioTrack(const QList<MediaTrack>& tracks, const QStringList& languages)
{
    if (tracks.isEmpty())
        return -1;
    for (const QString& language : languages) {
        for (int i = 0; i < tracks.size(); ++i) {
            if (sameLanguage(tracks[i].language, language))
                return i;
        }
    }
    for (int i = 0; i < tracks.size(); ++i) {
        if (tracks[i].isDefault)
            return i;
    }
    return 0;
}

int preferredSubtitleTrack(const QList<MediaTrack>& tracks, const QStringList& languages, const QString& audioLanguage)
{
    const auto firstWhere = [&](auto&& fits) {
        for (int i = 0; i < tracks.size(); ++i) {
            if (fits(tracks[i]))
                return i;
        }
        return -1;
    };
    // A file beside the media: in a preferred language, else the first one.
    for (const QString& language : languages) {
        const int i = firstWhere([&](const MediaTrack& t) { return !t.file.isEmpty() && sameLanguage(t.language, language); });
        if (i >= 0)
            return i;
    }
    if (const int i = firstWhere([](const MediaTrack& t) { return !t.file.isEmpty(); }); i >= 0)
        return i;
    const bool soundUnderstood = std::any_of(languages.begin(), languages.end(),
                                             [&](const QString& l) { return sameLanguage(l, audioLanguage); });
    if (!soundUnderstood) {
        for (const QString& language : languages) {
            const int i = firstWhere([&](const MediaTrack& t) { return !t.forced && sameLanguage(t.language, language); });
            if (i >= 0)
                return i;
        }
    }
    // Forced subtitles translate the few foreign lines of a film in the user's language.
    for (const QString& language : languages) {
        const int i = firstWhere([&](const MediaTrack& t) { return t.forced && sameLanguage(t.language, language); });
        if (i >= 0)
            return i;
    }
    return firstWhere([&](const MediaTrack& t) { return t.forced && t.language.isEmpty(); });
}

QStringList localeLanguages()
{
    QStringList out;
    for (const QString& name : QLocale().uiLanguages()) {
        const QString base = name.section(QLatin1Char('-'), 0, 0);
        if (languageOf(base) != QLocale::AnyLanguage && !out.contains(base))
            out.append(base);
    }
    if (out.isEmpty())
        out.append(QStringLiteral("en"));
    return out;
}

QStringList parseLanguageList(const QString& text)
{
    QStringList out;
    for (const QString& part : text.split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts)) {
        if (!out.contains(part))
            out.append(part);
    }
    return out;
}

} // namespace MovraReference
