#include "subtitlefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace MovraReference {

namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraPlayerWindow", text);
}

constexpr const char* kSubtitleExtensions[] = {"srt", "vtt", "ass", "ssa"};
// Files larger than this are not subtitles a person wrote; reading them would only fill memory.
constexpr qint64 kMaxSubtitleFileBytes = 50 * 1024 * 1024;

// Centiseconds, as ASS writes its times.
QString assTime(int64_t ms)
{
    ms = std::max<int64_t>(ms, 0);
    const int64_t cs = ms / 10;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(cs / 360000)
        .arg(cs / 6000 % 60, 2, 10, QLatin1Char('0'))
        .arg(cs / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(cs % 100, 2, 10, QLatin1Char('0'));
}

QString skippedNotice(const QString& name, int skipped)
{
    return tx("Damaged subtitles skipped in %1: %2.").arg(name).arg(skipped);
}

// "00:01:02,500", "01:02.500" (WebVTT leaves out hours), "0:00:01.5" (ASS, centiseconds).
bool parseClock(const QString& text, int64_t* ms)
{
    static const QRegularExpression clock(
        QStringLiteral("^\\s*(?:(\\d+):)?(\\d{1,2}):(\\d{1,2})(?:[,.](\\d{1,3}))?\\s*$"));
    const QRegularExpressionMatch m = clock.match(text);
    if (!m.hasMatch())
        return false;
    QString fraction = m.captured(4);
    while (fraction.size() < 3)
        fraction.append(QLatin1Char('0'));
    const int64_t minutes = m.captured(2).toLongLong();
    const int64_t seconds = m.captured(3).toLongLong();
    if (minutes > 59 || seconds > 59)
        return false;
    *ms = ((m.captured(1).toLongLong() * 60 + minutes) * 60 + seconds) * 1000 + fraction.toLongLong();
    return true;
}

// "start --> end", with WebVTT's cue settings after the end allowed.
bool parseTiming(const QString& line, int64_t* start, int64_t* end)
{
    const int arrow = line.indexOf(QLatin1String("-->"));
    if (arrow < 0)
        return false;
    QString tail = line.mid(arrow + 3).trimmed();
    const int space = tail.indexOf(QRegularExpression(QStringLiteral("\\s")));
    if (space >= 0)
        tail.truncate(space);
    return parseClock(line.left(arrow), start) && parseClock(tail, end) && *end >= *start;
}

QStringList linesOf(const QString& text)
{
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return normal.split(QLatin1Char('\n'));
}

QByteArray scriptFromCues(const QList<SubtitleCue>& cues)
{
    QByteArray script = defaultSubtitleHeader();
    for (const SubtitleCue& cue : cues) {
        script += QStringLiteral("Dialogue: 0,%1,%2,Default,,0,0,0,,%3\n")
                      .arg(assTime(cue.startMs), assTime(cue.endMs), cue.text)
                      .toUtf8();
    }
    return script;
}

// SubRip and WebVTT share their shape: blocks apart by blank lines, a timing line, text.
void parseCueBlocks(const QString& text, bool webVtt, const QString& name, SubtitleFile* out)
{
    const QStringList lines = linesOf(text);
    int skipped = 0;
    int at = 0;
    if (webVtt) {
        if (lines.isEmpty() || !lines.first().startsWith(QLatin1String("WEBVTT")))
            out->notices.append(tx("%1 does not start as a WebVTT file should; reading it anyway.").arg(name));
    }
    while (at < lines.size()) {
        if (lines[at].trimmed().isEmpty()) {
            ++at;
            continue;
        }
        QStringList block;
        while (at < lines.size() && !lines[at].trimmed().isEmpty())
            block.append(lines[at++]);
        if (webVtt && (block.first().startsWith(QLatin1String("WEBVTT")) || block.first().startsWith(QLatin1String("NOTE"))
                       || block.first().startsWith(QLatin1String("STYLE")) || block.first().startsWith(QLatin1String("REGION"))))
            continue;
        // An identifier (SubRip's counter, WebVTT's optional name) may come before the timing.
        int timingLine = block.first().contains(QLatin1String("-->")) ? 0 : 1;
        SubtitleCue cue;
        if (timingLine >= block.size() || !parseTiming(block[timingLine], &cue.startMs, &cue.endMs)) {
            ++skipped;
            continue;
        }
        cue.text = assTextFromMarkup(block.mid(timingLine + 1).join(QLatin1Char('\n')));
        if (cue.text.isEmpty())
            continue;
        out->cues.append(cue);
    }
    if (skipped > 0)
        out->notices.append(skippedNotice(name, skipped));
    out->script = scriptFromCues(out->cues);
}

// An ASS/SSA script goes to libass as written; only dialogue lines it could not time are
// dropped (and counted), so one damaged line neither hides the rest nor reaches the renderer.
void parseAss(const QString& text, const QString& name, SubtitleFile* out)
{
    const QStringList lines = linesOf(text);
    QStringList kept;
    QStringList fields = {QStringLiteral("Layer"), QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Style"),
                          QStringLiteral("Name"),  QStringLiteral("MarginL"), QStringLiteral("MarginR"),
                          QStringLiteral("MarginV"), QStringLiteral("Effect"), QStringLiteral("Text")};
    bool inEvents = false;
    bool sawSection = false;
    int skipped = 0;
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            sawSection = true;
            inEvents = trimmed.compare(QLatin1String("[Events]"), Qt::CaseInsensitive) == 0;
        } else if (inEvents && trimmed.startsWith(QLatin1String("Format:"), Qt::CaseInsensitive)) {
            fields.clear();
            for (const QString& field : trimmed.mid(7).split(QLatin1Char(',')))
                fields.append(field.trimmed());
        } else if (inEvents && trimmed.startsWith(QLatin1String("Dialogue:"), Qt::CaseInsensitive)) {
            const QStringList values = trimmed.mid(9).split(QLatin1Char(','));
            const int start = fields.indexOf(QStringLiteral("Start"));
            const int end = fields.indexOf(QStringLiteral("End"));
            const int textField = fields.indexOf(QStringLiteral("Text"));
            SubtitleCue cue;
            if (values.size() < fields.size() || start < 0 || end < 0 || textField < 0
                || !parseClock(values[start], &cue.startMs) || !parseClock(values[end], &cue.endMs)) {
                ++skipped;
                continue;
            }
            cue.text = values.mid(textField).join(QLatin1Char(','));
            out->cues.append(cue);
        }
        kept.append(line);
    }
    if (!sawSection)
        out->notices.append(tx("%1 is not an ASS/SSA script.").arg(name));
    if (skipped > 0)
        out->notices.append(skippedNotice(name, skipped));
    out->script = kept.join(QLatin1Char('\n')).toUtf8();
}

} // namespace

QString decodeSubtitleBytes(const QByteArray& bytes, QString* encoding)
{
    QString used;
    QString text;
    if (const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom);
        text = decoder.decode(bytes);
        used = QString::fromLatin1(QStringConverter::nameForEncoding(*bom));
    } else {
        QStringDecoder utf8(QStringConverter::Utf8);
        text = utf8.decode(bytes);
        used = QStringLiteral("UTF-8");
        if (utf8.hasError()) {
            // Western subtitles from before UTF-8 are nearly all in this code page, and every
            // byte means something in it, so no file is refused.
            QStringDecoder legacy("windows-1252");
            if (legacy.isValid()) {
                text = legacy.decode(bytes);
                used = QStringLiteral("windows-1252");
            } else {
                text = QString::fromLatin1(bytes);
                used = QStringLiteral("ISO-8859-1");
            }
        }
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    if (encoding)
        *encoding = used;
    return text;
}

SubtitleFile::Format subtitleFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("srt"))
        return SubtitleFile::Format::SubRip;
    if (suffix == QLatin1String("vtt"))
        return SubtitleFile::Format::WebVTT;
    if (suffix == QLatin1String("ass") || suffix == QLatin1String("ssa"))
        return SubtitleFile::Format::Ass;
    return SubtitleFile::Format::Unknown;
}

SubtitleFile readSubtitleFile(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    SubtitleFile out;
    out.format = subtitleFormatOf(path);
    if (out.format == SubtitleFile::Format::Unknown) {
        out.notices.append(tx("%1 is not a subtitle file the player reads (.srt, .vtt, .ass, .ssa).").arg(name));
        return out;
    }
    QFile file(path);
    if (file.size() > kMaxSubtitleFileBytes) {
        out.notices.append(tx("%1 is too large to be a subtitle file.").arg(name));
        return out;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        out.notices.append(tx("The subtitle file %1 could not be read: %2").arg(name, file.errorString()));
        return out;
    }
    return parseSubtitles(file.readAll(), out.format, name);
}

SubtitleFile parseSubtitles(const QByteArray& bytes, SubtitleFile::Format format, const QString& name)
{
    SubtitleFile out;
    out.format = format;
    const QString text = decodeSubtitleBytes(bytes, &out.encoding);
    if (out.encoding != QLatin1String("UTF-8") && !out.encoding.startsWith(QLatin1String("UTF")))
        out.notices.append(tx("%1 is not in UTF-8; it was read as %2.").arg(name, out.encoding));
    switch (format) {
    case SubtitleFile::Format::SubRip:
        parseCueBlocks(text, false, name, &out);
        break;
    case SubtitleFile::Format::WebVTT:
        parseCueBlocks(text, true, name, &out);
        break;
    case SubtitleFile::Format::Ass:
        parseAss(text, name, &out);
        break;
    case SubtitleFile::Format::Unknown:
        break;
    }
    if (out.cues.isEmpty())
        out.notices.append(tx("%1 holds no subtitles the player can show.").arg(name));
    return out;
}

QByteArray defaultSubtitleHeader()
{
    // White on a dark outline and a soft shadow, centred at the bottom with a margin that puts
    // two lines in the lower third. The script's 384×288 canvas scales to the picture, so the
    // text grows and shrinks with it.
    return QByteArrayLiteral("[Script Info]\n"
                             "ScriptType: v4.00+\n"
                             "PlayResX: 384\n"
                             "PlayResY: 288\n"
                             "ScaledBorderAndShadow: yes\n"
                             "WrapStyle: 0\n"
                             "\n"
                             "[V4+ Styles]\n"
                             "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
                             "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
                             "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
                             "Style: Default,sans-serif,18,&H00FFFFFF,&H00FFFFFF,&H00101010,&H80000000,0,0,0,0,"
                             "100,100,0,0,1,1.5,0.5,2,16,16,18,1\n"
                             "\n"
                             "[Events]\n"
                             "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n");
}

QString assTextFromMarkup(const QString& markup)
{
    static const QRegularExpression tag(QStringLiteral("<(/?)([a-zA-Z0-9.]+)([^>]*)>"));
    static const QRegularExpression color(QStringLiteral("color\\s*=\\s*\"?#?([0-9a-fA-F]{6})"));
    const auto plain = [](QString text) {
        text.replace(QLatin1String("&lt;"), QLatin1String("<"));
        text.replace(QLatin1String("&gt;"), QLatin1String(">"));
        text.replace(QLatin1String("&nbsp;"), QLatin1String("\\h"));
        text.replace(QLatin1String("&amp;"), QLatin1String("&"));
        // A brace would open an ASS override block and hide the text after it.
        text.replace(QLatin1Char('{'), QLatin1Char('('));
        text.replace(QLatin1Char('}'), QLatin1Char(')'));
        return text;
    };
    QString out;
    int at = 0;
    QRegularExpressionMatchIterator it = tag.globalMatch(markup);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += plain(markup.mid(at, m.capturedStart() - at));
        at = m.capturedEnd();
        const bool closing = !m.captured(1).isEmpty();
        const QString name = m.captured(2).section(QLatin1Char('.'), 0, 0).toLower();
        if (name == QLatin1String("i") || name == QLatin1String("b") || name == QLatin1String("u")
            || name == QLatin1String("s")) {
            out += QStringLiteral("{\\%1%2}").arg(name, closing ? QStringLiteral("0") : QStringLiteral("1"));
        } else if (name == QLatin1String("font")) {
            const QRegularExpressionMatch c = color.match(m.captured(3));
            if (closing)
                out += QStringLiteral("{\\c}");
            else if (c.hasMatch()) {
                const QString rgb = c.captured(1).toUpper();
                out += QStringLiteral("{\\c&H%1%2%3&}").arg(rgb.mid(4, 2), rgb.mid(2, 2), rgb.mid(0, 2));
            }
        }
        // Voice, class, ruby and time tags only matter to styling the player does not do.
    }
    out += plain(markup.mid(at));
    out = out.trimmed();
    out.replace(QLatin1Char('\n'), QLatin1String("\\N"));
    return out;
}

QStringList subtitleFilesBeside(const QString& mediaPath)
{
    const QFileInfo media(mediaPath);
    const QString base = media.completeBaseName();
    QStringList found;
    const QDir dir = media.absoluteDir();
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
        const QString suffix = entry.suffix().toLower();
        if (std::none_of(std::begin(kSubtitleExtensions), std::end(kSubtitleExtensions),
                         [&](const char* e) { return suffix == QLatin1String(e); }))
            continue;
        const QString stem = entry.completeBaseName();
        // "film.srt", or "film.en.srt" / "film.forced.srt": one more dotted part, no more.
        if (stem == base || (stem.startsWith(base + QLatin1Char('.')) && !stem.mid(base.size() + 1).contains(QLatin1Char('.'))))
            found.append(entry.absoluteFilePath());
    }
    return found;
}

} // namespace MovraReference
