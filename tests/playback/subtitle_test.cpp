// Subtitle files as people have them (several encodings, damaged lines), drawn by libass, and
// the time-stretch that keeps the pitch at other speeds.

#include "playbacksupport.h"

#include "audiobuffer.h"
#include "audiotempo.h"
#include "mediatracks.h"
#include "subtitlefile.h"
#include "subtitlerenderer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>

using namespace playbacktest;
using namespace MovraReference;
using Format = SubtitleFile::Format;

namespace {

struct CueCase
{
    const char* name;
    Format format;
    QByteArray bytes;
    QList<SubtitleCue> cues;
    int notices;
    const char* encoding = "UTF-8";
};

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

TEST(SubtitleFileTest, ReadersKeepWhatTheyCanAndSayWhatTheySkipped)
{
    const QByteArray latin1 = QByteArray("1\r\n00:00:01,000 --> 00:00:02,500\r\nD\xe9j\xe0 vu, ") + char(0x80) + "5\r\n";
    const CueCase cases[] = {
        {"SubRip with markup and two lines", Format::SubRip,
         "1\n00:00:01,000 --> 00:00:02,500\n<i>Hello</i> & <font color=\"#ff0000\">red</font>\nsecond {line}\n\n"
         "2\n00:01:00,250 --> 00:01:01,000\nTwo\n",
         {{1000, 2500, u("{\\i1}Hello{\\i0} & {\\c&H0000FF&}red{\\c}\\Nsecond (line)")}, {60250, 61000, u("Two")}},
         0},
        {"SubRip with BOM, CRLF, no counters", Format::SubRip, "\xef\xbb\xbf" "00:00:01.000 --> 00:00:02.000\r\nA\r\n",
         {{1000, 2000, u("A")}}, 0},
        {"damaged SubRip blocks are skipped", Format::SubRip,
         "1\n00:00:01,000 --> 00:00:02,000\nGood\n\n2\nno timing here\n\n3\n00:00:05,000 --> 00:00:04,000\nBackwards\n\n"
         "4\n00:00:09,000 --> 00:00:10,000\nAlso good\n",
         {{1000, 2000, u("Good")}, {9000, 10000, u("Also good")}}, 1},
        {"legacy 8-bit SubRip", Format::SubRip, latin1, {{1000, 2500, u("Déjà vu, €5")}}, 1, "windows-1252"},
        {"UTF-16 with BOM", Format::SubRip,
         QByteArray("\xff\xfe", 2) + QByteArray::fromRawData(reinterpret_cast<const char*>(u"00:00:01,000 --> 00:00:02,000\nÉ\n"),
                                                              int(sizeof(u"00:00:01,000 --> 00:00:02,000\nÉ\n") - 2)),
         {{1000, 2000, u("É")}}, 0, "UTF-16LE"},
        {"WebVTT without hours, with settings, notes and voices", Format::WebVTT,
         "WEBVTT\n\nNOTE a comment\n\nintro\n00:01.000 --> 00:02.000 align:start line:0\n<v Bob>Hi &lt;3</v>\n",
         {{1000, 2000, u("Hi <3")}}, 0},
        {"WebVTT without its signature", Format::WebVTT, "00:01.000 --> 00:02.000\nHi\n", {{1000, 2000, u("Hi")}}, 1},
        {"ASS with a damaged dialogue line", Format::Ass,
         "[Script Info]\nScriptType: v4.00+\n\n[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
         "Dialogue: 0,0:00:01.00,0:00:02.50,Default,,0,0,0,,Text, with a comma\n"
         "Dialogue: 0,garbage,0:00:02.50,Default,,0,0,0,,Bad\nDialogue: 0,0:00:03.00\n",
         {{1000, 2500, u("Text, with a comma")}}, 1},
        {"not subtitles at all", Format::SubRip, "\x01\x02\x9f\xff binary", {}, 3, "windows-1252"},
    };
    for (const CueCase& c : cases) {
        SCOPED_TRACE(c.name);
        const SubtitleFile file = parseSubtitles(c.bytes, c.format, QStringLiteral("x"));
        EXPECT_EQ(file.encoding, QLatin1String(c.encoding));
        EXPECT_EQ(file.notices.size(), c.notices) << qPrintable(file.notices.join(QLatin1Char('|')));
        ASSERT_EQ(file.cues.size(), c.cues.size());
        for (int i = 0; i < c.cues.size(); ++i) {
            EXPECT_EQ(file.cues[i].startMs, c.cues[i].startMs);
            EXPECT_EQ(file.cues[i].endMs, c.cues[i].endMs);
            EXPECT_EQ(file.cues[i].text, c.cues[i].text);
        }
        // What libass gets holds no line the reader refused.
        EXPECT_FALSE(file.script.contains("garbage"));
    }
}

TEST(SubtitleFileTest, FilesBesideTheMediaAreFoundByBaseName)
{
    QTemporaryDir dir;
    const QStringList names = {"film.mkv", "film.srt", "film.en.srt", "film.fr.forced.srt", "film.ASS", "film.vtt",
                               "film2.srt", "other.srt", "film.txt", "film.en.idx"};
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QStringList found;
    for (const QString& path : subtitleFilesBeside(dir.filePath("film.mkv")))
        found.append(QFileInfo(path).fileName());
    EXPECT_EQ(found, (QStringList{"film.ASS", "film.en.srt", "film.srt", "film.vtt"}));
}

struct Box
{
    int pixels = 0;
    QRect bounds;
};

// The pixels that match the colour test, and where they are.
template <typename Test>
Box pixelsWhere(const QImage& image, Test test)
{
    Box box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test(image.pixel(x, y))) {
                ++box.pixels;
                box.bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

bool whitish(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200;
}

bool reddish(QRgb c)
{
    return qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80;
}

QImage drawnAt(SubtitleRenderer& renderer, int64_t ms, QSize size, QRgb background = qRgb(0, 0, 96))
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(background);
    renderer.update(ms, size);
    renderer.drawOn(&picture);
    return picture;
}

TEST(SubtitleRendererTest, TextShowsInItsTimeInTheLowerThirdScaledWithThePicture)
{
    SubtitleRenderer renderer;
    const SubtitleFile file =
        parseSubtitles("1\n00:00:01,000 --> 00:00:02,000\nHello world\n", Format::SubRip, QStringLiteral("a.srt"));
    ASSERT_TRUE(renderer.setScript(file.script));

    EXPECT_EQ(pixelsWhere(drawnAt(renderer, 999, {320, 240}), whitish).pixels, 0);
    const Box small = pixelsWhere(drawnAt(renderer, 1000, {320, 240}), whitish);
    EXPECT_GT(small.pixels, 50);
    EXPECT_GE(small.bounds.top(), 240 * 2 / 3);
    EXPECT_NEAR(small.bounds.center().x(), 160, 20);
    // A dark outline surrounds the white.
    const QImage drawn = drawnAt(renderer, 1500, {320, 240});
    EXPECT_GT(pixelsWhere(drawn, [](QRgb c) { return qRed(c) < 40 && qGreen(c) < 40 && qBlue(c) < 40; }).pixels, 20);
    EXPECT_EQ(pixelsWhere(drawnAt(renderer, 2000, {320, 240}), whitish).pixels, 0);

    const Box large = pixelsWhere(drawnAt(renderer, 1500, {640, 480}), whitish);
    EXPECT_NEAR(double(large.bounds.height()) / small.bounds.height(), 2.0, 0.35);
    EXPECT_NEAR(double(large.bounds.width()) / small.bounds.width(), 2.0, 0.35);
}

TEST(SubtitleRendererTest, AssStylesAndEmbeddedEventsAreDrawnAsWritten)
{
    SubtitleRenderer renderer;
    const QByteArray script =
        "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\n\n[V4+ Styles]\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
        "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, "
        "MarginV, Encoding\n"
        "Style: Red,sans-serif,40,&H000000FF,&H000000FF,&H00000000,&H00000000,1,0,0,0,100,100,0,0,1,0,0,8,10,10,10,1\n\n"
        "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
        "Dialogue: 0,0:00:00.00,0:00:05.00,Red,,0,0,0,,RED TEXT\n";
    const SubtitleFile file = parseSubtitles(script, Format::Ass, QStringLiteral("red.ass"));
    ASSERT_TRUE(renderer.setScript(file.script));
    const Box red = pixelsWhere(drawnAt(renderer, 100, {320, 240}, qRgb(0, 0, 0)), reddish);
    EXPECT_GT(red.pixels, 200);
    EXPECT_LT(red.bounds.bottom(), 120);   // alignment 8: top centre

    // An embedded track: the header first, then events as the demuxer finds them, the same
    // event again after a seek changes nothing.
    const int track = renderer.setTextTrack(defaultSubtitleHeader());
    renderer.addTextEvent(track, "1,0,Default,,0,0,0,,Embedded", 3000, 1000);
    EXPECT_EQ(pixelsWhere(drawnAt(renderer, 2999, {320, 240}), whitish).pixels, 0);
    const int once = pixelsWhere(drawnAt(renderer, 3500, {320, 240}), whitish).pixels;
    EXPECT_GT(once, 50);
    renderer.addTextEvent(track, "1,0,Default,,0,0,0,,Embedded", 3000, 1000);
    EXPECT_EQ(pixelsWhere(drawnAt(renderer, 3500, {320, 240}), whitish).pixels, once);
    // A thread still decoding the old track writes nothing into the new one.
    const int next = renderer.setTextTrack(defaultSubtitleHeader());
    EXPECT_NE(next, track);
    renderer.addTextEvent(track, "2,0,Default,,0,0,0,,Stale", 3000, 1000);
    EXPECT_EQ(pixelsWhere(drawnAt(renderer, 3500, {320, 240}), whitish).pixels, 0);

    renderer.clear();
    EXPECT_FALSE(renderer.update(3500, {320, 240}) && pixelsWhere(drawnAt(renderer, 3500, {320, 240}), whitish).pixels);
}

TEST(SubtitleRendererTest, BitmapsShowUntilTheirEndOrTheNextAndScaleToThePicture)
{
    SubtitleRenderer renderer;
    const int track = renderer.setBitmapTrack({720, 480});
    QImage square(72, 48, QImage::Format_ARGB32);
    square.fill(qRgba(255, 255, 255, 255));
    renderer.addBitmaps(track, 1000, -1, {{square, QRect(360, 240, 72, 48)}});
    renderer.addBitmaps(track, 3000, 4000, {{square, QRect(0, 0, 72, 48)}});

    EXPECT_EQ(pixelsWhere(drawnAt(renderer, 500, {360, 240}), whitish).pixels, 0);
    const Box first = pixelsWhere(drawnAt(renderer, 2000, {360, 240}), whitish);
    EXPECT_EQ(first.bounds, QRect(180, 120, 36, 24));
    EXPECT_EQ(pixelsWhere(drawnAt(renderer, 3500, {360, 240}), whitish).bounds, QRect(0, 0, 36, 24));
    EXPECT_EQ(pixelsWhere(drawnAt(renderer, 4000, {360, 240}), whitish).pixels, 0);
    // The picture stays the same as long as the same bitmap shows.
    renderer.update(2000, {360, 240});
    EXPECT_FALSE(renderer.update(2500, {360, 240}));
    EXPECT_TRUE(renderer.update(3000, {360, 240}));
}

std::vector<int16_t> sine(double hz, int rate, double seconds)
{
    std::vector<int16_t> out(size_t(rate * seconds));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int16_t(12000 * std::sin(2 * M_PI * hz * double(i) / rate));
    return out;
}

TEST(AudioTempoTest, TheFilterLibraryIsOpenedOnlyForAnotherSpeed)
{
    // Its thirty-odd libraries cost every player memory; at speed 1 none may be loaded. The
    // first test of this program to touch the speed (tests run in the order written).
    EXPECT_EQ(dlopen(kFilterLibraryName, RTLD_NOW | RTLD_NOLOAD), nullptr) << "linked, or opened without need";
    const std::vector<int16_t> tone = sine(440, 48000, 0.1);
    const QByteArray pcm(reinterpret_cast<const char*>(tone.data()), int(tone.size() * sizeof(int16_t)));
    AudioTempo stretch(48000, 1);
    int64_t pts = 0;
    EXPECT_EQ(stretch.process(pcm, 0, &pts), pcm);
    EXPECT_EQ(dlopen(kFilterLibraryName, RTLD_NOW | RTLD_NOLOAD), nullptr);
    ASSERT_TRUE(stretch.setTempo(2.0));
    EXPECT_NE(dlopen(kFilterLibraryName, RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST(AudioTempoTest, StretchKeepsThePitchAndTheMediaTime)
{
    const int rate = 48000;
    const std::vector<int16_t> tone = sine(440, rate, 2.0);
    for (double tempo : {2.0, 0.5, 0.25, 4.0}) {
        SCOPED_TRACE(tempo);
        AudioTempo stretch(rate, 1);
        ASSERT_TRUE(stretch.setTempo(tempo));
        std::vector<int16_t> out;
        const int chunk = 1024;
        int64_t lastPts = -1;
        const double fedSeconds = double(tone.size() / chunk * chunk) / rate;
        for (size_t at = 0; at + chunk <= tone.size(); at += chunk) {
            const QByteArray in(reinterpret_cast<const char*>(tone.data() + at), chunk * 2);
            int64_t pts = 0;
            const QByteArray got = stretch.process(in, int64_t(at) * 1000000 / rate, &pts);
            if (got.isEmpty())
                continue;
            // Media time of what comes out only moves forward, and never ahead of what went in.
            EXPECT_GE(pts, lastPts);
            EXPECT_LE(pts, int64_t(at + chunk) * 1000000 / rate);
            lastPts = pts;
            const auto* samples = reinterpret_cast<const int16_t*>(got.constData());
            out.insert(out.end(), samples, samples + got.size() / 2);
        }
        // What the filter held back comes out at the end of the stream.
        int64_t pts = 0;
        const QByteArray rest = stretch.finish(&pts);
        const auto* samples = reinterpret_cast<const int16_t*>(rest.constData());
        out.insert(out.end(), samples, samples + rest.size() / 2);
        EXPECT_NEAR(double(out.size()) / rate, fedSeconds / tempo, fedSeconds / tempo * 0.02 + 0.02);
        EXPECT_NEAR(frequencyOf(out, rate), 440.0, 10.0);
        EXPECT_GT(lastPts, 1700000);
    }
}

} // namespace

namespace {

TEST(AudioTempoTest, StretchedSoundMovesTheClockInMediaTime)
{
    AudioBuffer buffer(1000, 1, 10000);
    // One second of samples that stand for two seconds of the film, then one at normal speed.
    ASSERT_TRUE(buffer.put(10'000'000, QByteArray(2000, 0), 0, 2.0));
    ASSERT_TRUE(buffer.put(12'000'000, QByteArray(2000, 0), 0));
    char out[2000];
    buffer.read(out, 1000);
    EXPECT_EQ(buffer.readPts(), 11'000'000);
    buffer.read(out, 1000);
    EXPECT_EQ(buffer.readPts(), 12'000'000);
    buffer.read(out, 1000);
    EXPECT_EQ(buffer.readPts(), 12'500'000);
}

MediaTrack track(const char* language, const char* title = "", bool isDefault = false, bool forced = false,
                 const char* file = "")
{
    MediaTrack t;
    t.language = QString::fromUtf8(language);
    t.title = QString::fromUtf8(title);
    t.isDefault = isDefault;
    t.forced = forced;
    t.file = QString::fromUtf8(file);
    return t;
}

TEST(MediaTracksTest, LabelsNameTheLanguageAndTheTitle)
{
    EXPECT_EQ(trackLabel(track("eng", "Commentary"), 1), QStringLiteral("English — Commentary"));
    EXPECT_EQ(trackLabel(track("fre"), 2), QStringLiteral("French"));
    EXPECT_EQ(trackLabel(track("fra", "French"), 2), QStringLiteral("French"));
    EXPECT_EQ(trackLabel(track("", "Director"), 3), QStringLiteral("Director"));
    EXPECT_EQ(trackLabel(track("und"), 4), QStringLiteral("Track 4"));
    EXPECT_EQ(trackLabel(track("xx-nonsense"), 5), QStringLiteral("xx-nonsense"));
    EXPECT_EQ(trackLabel(track("en", "", false, false, "/m/film.en.srt"), 6), QStringLiteral("English (film.en.srt)"));
    EXPECT_EQ(languageOfSubtitleFile("/m/film.en.srt", "/m/film.mkv"), QStringLiteral("en"));
    EXPECT_EQ(languageOfSubtitleFile("/m/film.forced.srt", "/m/film.mkv"), QString());
    EXPECT_EQ(languageOfSubtitleFile("/m/film.srt", "/m/film.mkv"), QString());
    EXPECT_EQ(parseLanguageList(QStringLiteral(" de, en;fr  de")), (QStringList{"de", "en", "fr"}));
}

TEST(MediaTracksTest, PreferredLanguagesPickTheTracks)
{
    const QList<MediaTrack> audio = {track("eng", "", true), track("fra"), track("deu")};
    EXPECT_EQ(preferredAudioTrack(audio, {"fr"}), 1);
    EXPECT_EQ(preferredAudioTrack(audio, {"ja", "de"}), 2);
    EXPECT_EQ(preferredAudioTrack(audio, {"ja"}), 0);
    EXPECT_EQ(preferredAudioTrack({track("eng"), track("fra", "", true)}, {"ja"}), 1);
    EXPECT_EQ(preferredAudioTrack({}, {"en"}), -1);

    struct Case
    {
        const char* name;
        QList<MediaTrack> tracks;
        QStringList languages;
        const char* audio;
        int expected;
    };
    const Case cases[] = {
        {"sound understood: no subtitles", {track("eng"), track("fra")}, {"en"}, "eng", -1},
        {"foreign sound: subtitles in the user's language", {track("eng"), track("fra")}, {"fr"}, "eng", 1},
        {"forced lines in the user's language", {track("eng"), track("eng", "", false, true)}, {"en"}, "eng", 1},
        {"a file beside the media wins", {track("fra"), track("", "", false, false, "/m/f.srt")}, {"fr"}, "jpn", 1},
        {"the file in the preferred language",
         {track("de", "", false, false, "/m/f.de.srt"), track("en", "", false, false, "/m/f.en.srt")}, {"en"}, "eng", 1},
        {"nothing in a language the user reads", {track("jpn")}, {"en"}, "jpn", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(preferredSubtitleTrack(c.tracks, c.languages, QString::fromUtf8(c.audio)), c.expected);
    }
}

} // namespace
