#pragma once
// Subtitle files beside the media: SubRip, WebVTT and ASS/SSA. Every reader turns its file
// into one complete ASS script, which the renderer draws with libass; plain-text formats get
// the player's default style. Readers keep what they can read and say what they skipped.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace MovraReference {

struct SubtitleCue
{
    int64_t startMs = 0;
    int64_t endMs = 0;
    QString text;   // ASS markup: {\i1}…, line breaks as \N
};

struct SubtitleFile
{
    enum class Format { Unknown, SubRip, WebVTT, Ass };
    Format format = Format::Unknown;
    QByteArray script;          // a complete ASS script in UTF-8, ready for libass
    QList<SubtitleCue> cues;    // the dialogue that made it into the script, in file order
    QString encoding;           // how the bytes were read ("UTF-8", "windows-1252"…)
    QStringList notices;        // what was skipped or guessed, for the user
    bool ok() const { return !cues.isEmpty(); }
};

// By extension (.srt, .vtt, .ass, .ssa); Unknown for anything else.
SubtitleFile::Format subtitleFormatOf(const QString& path);
SubtitleFile readSubtitleFile(const QString& path);
SubtitleFile parseSubtitles(const QByteArray& bytes, SubtitleFile::Format format, const QString& name);

// Text of unknown encoding: a byte order mark decides, then valid UTF-8, then the legacy
// Western code page (Latin-1 where that codec is missing). encoding names what was used.
QString decodeSubtitleBytes(const QByteArray& bytes, QString* encoding);

// The style text tracks without styles of their own are drawn with, as an ASS header
// (script info, the "Default" style, the events' format line).
QByteArray defaultSubtitleHeader();
// SubRip/WebVTT markup (<i>, <b>, <u>, <s>, <font color>, entities, line breaks) as ASS text.
QString assTextFromMarkup(const QString& markup);

// The files beside a local media file that belong to it: same base name, a subtitle
// extension, an optional language part between ("film.en.srt"). Sorted by name.
QStringList subtitleFilesBeside(const QString& mediaPath);

} // namespace MovraReference
