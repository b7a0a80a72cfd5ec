#pragma once
// The audio and subtitle tracks of what is playing, as the menus list them, and the choice of
// track by the user's preferred languages.

#include <QList>
#include <QString>
#include <QStringList>

namespace MovraReference {

struct MediaTrack
{
    enum class Kind { Audio, Subtitle };
    Kind kind = Kind::Audio;
    int stream = -1;     // the container's stream index; -1 for a subtitle file of its own
    QString file;        // that file
    QString language;    // as written: "eng", "fre", "en", "pt-BR"; empty when unknown
    QString title;
    QString codec;       // readable codec name
    bool isDefault = false;
    bool forced = false;
    bool bitmap = false;   // pictures (PGS, DVD) rather than text
};

// The language's English name (as Qt knows it), or the code itself when it is not one.
QString languageName(const QString& code);
// True when both codes name one language ("fre", "fra", "fr", "fr-CA").
bool sameLanguage(const QString& a, const QString& b);
// "English — Commentary", "English", "Commentary", or "Track 2" (number counts from 1).
QString trackLabel(const MediaTrack& track, int number);
// The language part of "film.en.srt" for the media "film.mkv"; empty when there is none.
QString languageOfSubtitleFile(const QString& subtitlePath, const QString& mediaPath);

// The first track in the first preferred language that has one; else the container's
// default; else the first. -1 for an empty list.
int preferredAudioTrack(const QList<MediaTrack>& tracks, const QStringList& languages);
// Subtitles are shown when the user asked for them by putting a file beside the media, when
// the film's sound is not in a language the user prefers and a track in one is there, or when
// the container marks a track as forced. -1: none.
int preferredSubtitleTrack(const QList<MediaTrack>& tracks, const QStringList& languages, const QString& audioLanguage);

// The preferred languages when the settings hold none: the user's locale's.
QStringList localeLanguages();
// The settings' text ("en, fr") as a list, and back.
QStringList parseLanguageList(const QString& text);

} // namespace MovraReference
