// The controls of the main window with real playback, offscreen: the key table and what each
// key does, the seek bar and the time label, frame and chapter steps, screenshots, media
// information, and keys where there is nothing for them to act on.

#include "controlstestsupport.h"

#include "fullscreencontrols.h"
#include "mediainfodialog.h"
#include "screenshot.h"
#include "seekbar.h"
#include "shortcuts.h"
#include "shortcutsdialog.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace controlstest;
using namespace MovraReference;
using playbacktest::waitFor;
using State = MediaSession::State;

namespace {

// The rows a test can press without a modal dialog or the end of the window.
bool harmlessToPress(const ShortcutRow& row)
{
    return !row.mouse && qstrcmp(row.action, "open") != 0 && qstrcmp(row.action, "quit") != 0;
}

void press(QWidget* window, const ShortcutRow& row)
{
    const KeyPress key = keyPressOf(QKeySequence(QString::fromLatin1(row.keys), QKeySequence::PortableText));
    QTest::keyClick(window, key.key, key.modifiers);
}

TEST(KeyTable, EveryKeyIsBoundOnceUnambiguousAndInTheManual)
{
    auto farm = playbacktest::makeFarm(false);
    PlayerWindow window(farm.get());
    EXPECT_TRUE(window.shortcuts()->unboundActions().isEmpty()) << qPrintable(window.shortcuts()->unboundActions().join(' '));

    // A key given to two actions would do neither: Qt calls such a shortcut ambiguous.
    QSet<QString> seen;
    for (const ShortcutRow& row : shortcutRows()) {
        if (row.mouse)
            continue;
        const QKeySequence key(QString::fromLatin1(row.keys), QKeySequence::PortableText);
        ASSERT_FALSE(key.isEmpty()) << row.keys;
        EXPECT_FALSE(seen.contains(key.toString())) << row.keys << " is in the table twice";
        seen.insert(key.toString());
        EXPECT_FALSE(shortcutDescription(row).isEmpty());
    }

    QFile manual(QStringLiteral(MOVRA_TEST_SOURCE_DIR "/packaging/man/movra-player.1"));
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(manual.readAll());
    const int begin = page.indexOf(QLatin1String(".\\\" keys begin"));
    const int end = page.indexOf(QLatin1String(".\\\" keys end"));
    ASSERT_GE(begin, 0);
    ASSERT_GT(end, begin);
    const int first = page.indexOf(QLatin1Char('\n'), begin) + 1;
    EXPECT_EQ(page.mid(first, end - first).toStdString(), shortcutManualText().toStdString())
        << "the manual's key list is not the key table's";

    // The Help window lists every row.
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F1);
    auto* help = window.findChild<ShortcutsDialog*>();
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->table()->rowCount(), int(shortcutRows().size()));
}

TEST(KeyTable, EveryRowIsTranslatedInEachLanguage)
{
    for (const char* language : {"fr", "de", "ja", "es", "pt"}) {
        QTranslator translator;
        ASSERT_TRUE(translator.load(playbacktest::appDir() + QStringLiteral("/i18n/lang-") + QLatin1String(language)))
            << language;
        for (const ShortcutRow& row : shortcutRows()) {
            EXPECT_FALSE(translator.translate("MovraShortcuts", row.description).isEmpty()) << language << ": " << row.description;
            if (row.mouse) {
                EXPECT_FALSE(translator.translate("MovraShortcuts", row.keys).isEmpty()) << language << ": " << row.keys;
            }
        }
    }
}

TEST(Controls, KeysChangeWhatTheyName)
{
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    MediaSession* session = window.session();
    ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
    const int64_t duration = session->durationMs();
    ASSERT_NEAR(duration, 10000, 100);
    QTest::keyClick(&window, Qt::Key_Space);
    ASSERT_EQ(session->state(), State::Paused);

    struct Row
    {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int64_t from;
        int64_t to;   // -1: the end
    };
    const Row rows[] = {
        {"Right", Qt::Key_Right, Qt::NoModifier, 4000, 9000},
        {"Left", Qt::Key_Left, Qt::NoModifier, 4000, 0},
        {"Shift+Right", Qt::Key_Right, Qt::ShiftModifier, 4000, 5000},
        {"Shift+Left", Qt::Key_Left, Qt::ShiftModifier, 4000, 3000},
        {"Ctrl+Right", Qt::Key_Right, Qt::ControlModifier, 4000, -1},
        {"Ctrl+Left", Qt::Key_Left, Qt::ControlModifier, 4000, 0},
        {"Home", Qt::Key_Home, Qt::NoModifier, 4000, 0},
        {"End", Qt::Key_End, Qt::NoModifier, 4000, -1},
        {"PgDown to the next chapter", Qt::Key_PageDown, Qt::NoModifier, 4000, 8000},
        {"PgDown in the last chapter stays", Qt::Key_PageDown, Qt::NoModifier, 9000, 9000},
        {"PgUp early in a chapter: the one before", Qt::Key_PageUp, Qt::NoModifier, 3000, 0},
        {"PgUp late in a chapter: its own start", Qt::Key_PageUp, Qt::NoModifier, 7500, 2000},
        {"PgUp in the first chapter: the beginning", Qt::Key_PageUp, Qt::NoModifier, 1000, 0},
    };
    for (const Row& row : rows) {
        session->pause();
        session->seek(row.from);
        ASSERT_EQ(session->positionMs(), row.from) << row.name;
        QTest::keyClick(&window, row.key, row.modifiers);
        EXPECT_EQ(session->positionMs(), row.to < 0 ? duration : row.to) << row.name;
    }

    // The sound: Up and Down and the wheel over the picture move it by 5 %; M mutes.
    session->seek(1000);
    session->resume();
    auto* volume = window.findChild<QSlider*>(QStringLiteral("volume"));
    ASSERT_TRUE(volume);
    volume->setValue(50);
    QTest::keyClick(&window, Qt::Key_Up);
    EXPECT_DOUBLE_EQ(session->volume(), 0.55);
    QTest::keyClick(&window, Qt::Key_Down);
    QTest::keyClick(&window, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(session->volume(), 0.45);
    auto* view = window.centralWidget()->findChild<QWidget*>(QStringLiteral("videoView"));
    ASSERT_TRUE(view);
    const QPoint middle = view->rect().center();
    QWheelEvent up(middle, view->mapToGlobal(middle), QPoint(), QPoint(0, 2 * QWheelEvent::DefaultDeltasPerStep), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &up);
    EXPECT_DOUBLE_EQ(session->volume(), 0.55);
    // Half notches (a touchpad) add up.
    for (int i = 0; i < 2; ++i) {
        QWheelEvent half(middle, view->mapToGlobal(middle), QPoint(), QPoint(0, -QWheelEvent::DefaultDeltasPerStep / 2),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &half);
    }
    EXPECT_DOUBLE_EQ(session->volume(), 0.50);
    QTest::keyClick(&window, Qt::Key_M);
    EXPECT_TRUE(session->muted());
    QTest::keyClick(&window, Qt::Key_M);
    EXPECT_FALSE(session->muted());

    // Full screen, and the keys there with the menu bar gone; Esc leaves it.
    QTest::keyClick(&window, Qt::Key_F);
    EXPECT_TRUE(window.isFullScreen());
    EXPECT_TRUE(window.fullScreenControls()->isActive());
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_EQ(session->state(), State::Paused);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isFullScreen());
    EXPECT_FALSE(window.fullScreenControls()->isActive());

    // Keys reach the window while a control has the focus.
    auto* seekBar = window.findChild<SeekBar*>(QStringLiteral("seekBar"));
    ASSERT_TRUE(seekBar);
    seekBar->setFocusPolicy(Qt::StrongFocus);
    seekBar->setFocus();
    session->seek(4000);
    QTest::keyClick(seekBar, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(session->positionMs(), 5000);

    QTest::keyClick(&window, Qt::Key_I);
    auto* information = window.findChild<MediaInfoDialog*>();
    ASSERT_TRUE(information);
    EXPECT_TRUE(information->isVisible());
    EXPECT_TRUE(information->text().contains(QLatin1String("Matroska"))) << qPrintable(information->text());
}

TEST(Controls, FrameStepsWhilePausedAndPausesPlayback)
{
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    MediaSession* session = window.session();
    ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
    ASSERT_TRUE(playing.pauseAt(1000));
    // The pictures' times as the container has them (they need not start at 0).
    const int64_t shown = session->currentFramePtsUs();
    const int64_t frame = session->currentFrameDurationUs();
    ASSERT_EQ(frame, 40000);
    const struct
    {
        Qt::Key key;
        int64_t expected;
    } steps[] = {{Qt::Key_Period, shown + frame}, {Qt::Key_Period, shown + 2 * frame}, {Qt::Key_Comma, shown + frame},
                 {Qt::Key_Comma, shown}, {Qt::Key_Comma, shown - frame}};
    for (const auto& step : steps) {
        QTest::keyClick(&window, step.key);
        ASSERT_TRUE(waitFor([&] { return session->currentFramePtsUs() == step.expected; }, 20000))
            << session->currentFramePtsUs() << " instead of " << step.expected;
    }
    EXPECT_EQ(session->state(), State::Paused);

    // From playback the step pauses first.
    session->resume();
    ASSERT_EQ(session->state(), State::Playing);
    QTest::keyClick(&window, Qt::Key_Period);
    EXPECT_EQ(session->state(), State::Paused);
}

TEST(Controls, SeekBarJumpsWhereClickedHoverShowsTheTimeAndTheTimeLabelToggles)
{
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    MediaSession* session = window.session();
    ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
    session->pause();
    auto* seekBar = window.findChild<SeekBar*>(QStringLiteral("seekBar"));
    ASSERT_TRUE(seekBar);
    ASSERT_GT(seekBar->maximum(), 0);

    // A click well away from the handle goes there at once, not a page towards it.
    for (const double share : {0.75, 0.2, 0.5}) {
        const QPoint at(int(seekBar->width() * share), seekBar->height() / 2);
        QTest::mouseClick(seekBar, Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_NEAR(double(session->positionMs()) / session->durationMs(), share, 0.02) << share;
    }

    // Hovering names the time under the pointer without seeking.
    const int64_t before = session->positionMs();
    QTest::mouseMove(seekBar, QPoint(seekBar->width() * 9 / 10, seekBar->height() / 2));
    ASSERT_TRUE(waitFor([&] { return !seekBar->hoverText().isEmpty(); }, 5000));
    EXPECT_TRUE(seekBar->hoverText().startsWith(QLatin1String("0:0"))) << qPrintable(seekBar->hoverText());
    EXPECT_EQ(session->positionMs(), before);
    EXPECT_NEAR(seekBar->valueAt(QPoint(seekBar->width() * 9 / 10, 1)), 9000, 300);

    // A drag seeks once, where it is let go.
    session->seek(0);
    const int y = seekBar->height() / 2;
    QTest::mousePress(seekBar, Qt::LeftButton, Qt::NoModifier, QPoint(seekBar->width() / 10, y));
    QTest::mouseMove(seekBar, QPoint(seekBar->width() * 3 / 10, y));
    QTest::mouseMove(seekBar, QPoint(seekBar->width() * 6 / 10, y));
    QTest::mouseRelease(seekBar, Qt::LeftButton, Qt::NoModifier, QPoint(seekBar->width() * 6 / 10, y));
    EXPECT_NEAR(double(session->positionMs()) / session->durationMs(), 0.6, 0.03);

    auto* time = window.findChild<QLabel*>(QStringLiteral("time"));
    ASSERT_TRUE(time);
    session->seek(2000);
    QTest::mouseClick(time, Qt::LeftButton);
    EXPECT_TRUE(window.showsRemainingTime());
    EXPECT_TRUE(time->text().startsWith(QStringLiteral("−0:0"))) << qPrintable(time->text());
    QTest::mouseClick(time, Qt::LeftButton);
    EXPECT_EQ(time->text(), QStringLiteral("0:02 / 0:10"));
}

TEST(Controls, ChaptersComeFromTheContainer)
{
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
    const QList<ChapterDetails> chapters = window.session()->chapters();
    ASSERT_EQ(chapters.size(), 3);
    EXPECT_EQ(chapters[1].startMs, 2000);
    EXPECT_EQ(chapters[1].title, QStringLiteral("Middle"));
    QMenu* menu = window.chaptersMenu();
    ASSERT_TRUE(waitFor([&] { return menu->actions().size() == 3; }, 5000));
    EXPECT_TRUE(menu->menuAction()->isEnabled());
    EXPECT_TRUE(menu->actions()[2]->text().startsWith(QLatin1String("Ending")));
    window.session()->pause();
    menu->actions()[2]->trigger();
    EXPECT_EQ(window.session()->positionMs(), 8000);

    // A file without chapters empties the menu.
    ASSERT_TRUE(playing.open(playbacktest::media("vp9_vorbis.webm")));
    EXPECT_TRUE(window.session()->chapters().isEmpty());
    EXPECT_TRUE(menu->actions().isEmpty());
    EXPECT_FALSE(menu->menuAction()->isEnabled());
}

TEST(Controls, ContextMenuOffersTheCommonCommands)
{
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    QMenu* menu = window.contextMenu();
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            texts << action->text();
    }
    EXPECT_EQ(texts.size(), 8) << qPrintable(texts.join('|'));
    // The tracks and speeds are the menu bar's own menus, which fill themselves when opened.
    for (QMenu* submenu : {window.audioTrackMenu(), window.subtitleTrackMenu(), window.speedMenu()}) {
        ASSERT_TRUE(submenu);
        EXPECT_TRUE(menu->actions().contains(submenu->menuAction())) << qPrintable(submenu->objectName());
    }
    ASSERT_TRUE(playing.open(controlsMedia("two_tracks.mkv")));
    emit window.audioTrackMenu()->aboutToShow();
    EXPECT_EQ(window.audioTrackMenu()->actions().size(), 2);
}

TEST(Screenshot, FileNamesCarryTheMediaAndThePosition)
{
    struct Row
    {
        const char* url;
        int64_t ms;
        const char* name;
    };
    const Row rows[] = {
        {"file:///films/film.mkv", 754567, "film_00-12-34.567.png"},
        {"file:///films/two.dots.webm", 3600000 + 5, "two.dots_01-00-00.005.png"},
        {"https://example.org/live/stream.m3u8?token=1", 0, "stream_00-00-00.000.png"},
        {"https://example.org/", 1000, "movra_00-00-01.000.png"},
        {"file:///films/.hidden", -5, "movra_00-00-00.000.png"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(screenshotFileName(QUrl(QString::fromLatin1(row.url)), row.ms), QString::fromLatin1(row.name)) << row.url;
}

TEST(Screenshot, SavesThePictureAtTheVideosOwnSizeAndSaysWhere)
{
    QTemporaryDir pictures;
    ScopedEnv env("XDG_PICTURES_DIR", (pictures.path() + QStringLiteral("/shots")).toUtf8());
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    window.resize(400, 300);
    ASSERT_TRUE(playing.open(controlsMedia("full_hd.webm")));
    ASSERT_TRUE(playing.pauseAt(480));
    QTest::keyClick(&window, Qt::Key_S);
    const QString path = pictures.path() + QStringLiteral("/shots/full_hd_00-00-00.480.png");
    ASSERT_TRUE(waitFor([&] { return QFile::exists(path); }, 20000)) << qPrintable(window.noticeText());
    EXPECT_TRUE(window.noticeText().contains(path)) << qPrintable(window.noticeText());
    const QImage saved(path);
    ASSERT_EQ(saved.size(), QSize(1920, 1080));
    const QByteArray expected = ffmpegFrame(controlsMedia("full_hd.webm"), 480, QSize(1920, 1080));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_LT(playbacktest::meanDifference(rgbBytes(saved), expected), 3.0);

    // Again: a second file, not the first one replaced.
    QTest::keyClick(&window, Qt::Key_S);
    EXPECT_TRUE(waitFor([&] { return QFile::exists(pictures.path() + QStringLiteral("/shots/full_hd_00-00-00.480 (2).png")); },
                        20000))
        << qPrintable(window.noticeText());
}

TEST(Screenshot, DuringPlaybackIsThePictureOfItsTimeAtTheDecodedSize)
{
    // The picture shown while playing is held only as converted for the window: the
    // screenshot decodes it again, and it is the one ffmpeg decodes at the time in its name.
    QTemporaryDir pictures;
    ScopedEnv env("XDG_PICTURES_DIR", pictures.path().toUtf8());
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    window.resize(400, 300);
    MediaSession* session = window.session();
    ASSERT_TRUE(playing.open(controlsMedia("full_hd.webm")));
    ASSERT_TRUE(waitFor([&] { return session->currentFramePtsUs() >= 600000; }, 20000));
    ASSERT_EQ(session->state(), State::Playing);
    QTest::keyClick(&window, Qt::Key_S);
    QDir folder(pictures.path());
    ASSERT_TRUE(waitFor([&] { return !folder.entryList({QStringLiteral("*.png")}).isEmpty(); }, 20000))
        << qPrintable(window.noticeText());
    const QString name = folder.entryList({QStringLiteral("*.png")}).first();
    const QImage saved(folder.filePath(name));
    ASSERT_EQ(saved.size(), QSize(1920, 1080));
    EXPECT_TRUE(window.noticeText().contains(folder.filePath(name))) << qPrintable(window.noticeText());
    // full_hd_00-00-00.640.png
    const int64_t ms = name.mid(QStringLiteral("full_hd_00-00-").size(), 6).remove(QLatin1Char('.')).toLongLong();
    ASSERT_GE(ms, 600) << qPrintable(name);
    const QByteArray expected = ffmpegFrame(controlsMedia("full_hd.webm"), ms, QSize(1920, 1080));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_LT(playbacktest::meanDifference(rgbBytes(saved), expected), 3.0) << qPrintable(name);
}

TEST(Screenshot, OfAFileGoneSinceItOpenedIsThePictureAsShown)
{
    QTemporaryDir pictures;
    ScopedEnv env("XDG_PICTURES_DIR", pictures.path().toUtf8());
    QTemporaryDir media;
    const QString copy = media.filePath(QStringLiteral("going.webm"));
    ASSERT_TRUE(QFile::copy(controlsMedia("full_hd.webm"), copy));
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    window.resize(400, 300);
    MediaSession* session = window.session();
    ASSERT_TRUE(playing.open(copy));
    ASSERT_TRUE(playing.pauseAt(480));
    ASSERT_TRUE(QFile::remove(copy));
    QTest::keyClick(&window, Qt::Key_S);
    const QString path = pictures.path() + QStringLiteral("/going_00-00-00.480.png");
    ASSERT_TRUE(waitFor([&] { return QFile::exists(path); }, 20000)) << qPrintable(window.noticeText());
    EXPECT_TRUE(window.noticeText().contains(path)) << qPrintable(window.noticeText());
    EXPECT_EQ(QImage(path).size(), session->videoFrame().size());
    EXPECT_LT(QImage(path).width(), 1920);
}

TEST(Screenshot, ShiftSKeepsTheSubtitlesAndSLeavesThemOut)
{
    QTemporaryDir pictures;
    ScopedEnv env("XDG_PICTURES_DIR", pictures.path().toUtf8());
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    MediaSession* session = window.session();
    ASSERT_TRUE(playing.open(playbacktest::media("dark_srt.mkv")));
    ASSERT_TRUE(playing.pauseAt(1500));
    ASSERT_TRUE(waitFor([&] { return session->currentFrame() != session->videoFrame(); }, 10000)) << "no subtitle drawn";
    // Named after the picture's own time, which this file puts a little off the half second.
    const QString name = screenshotFileName(session->url(), session->currentFramePtsUs() / 1000);
    ASSERT_TRUE(name.startsWith(QLatin1String("dark_srt_00-00-01.4"))) << qPrintable(name);
    const QString plainPath = pictures.path() + QLatin1Char('/') + name;
    const QString withTextPath = QString(plainPath).replace(QLatin1String(".png"), QLatin1String(" (2).png"));
    QTest::keyClick(&window, Qt::Key_S);
    ASSERT_TRUE(waitFor([&] { return QFile::exists(plainPath); }, 20000)) << qPrintable(window.noticeText());
    QTest::keyClick(&window, Qt::Key_S, Qt::ShiftModifier);
    ASSERT_TRUE(waitFor([&] { return QFile::exists(withTextPath); }, 20000)) << qPrintable(window.noticeText());
    const QImage plain(plainPath);
    const QImage withText(withTextPath);
    ASSERT_FALSE(plain.isNull()) << qPrintable(window.noticeText());
    ASSERT_FALSE(withText.isNull()) << qPrintable(window.noticeText());
    ASSERT_EQ(plain.size(), QSize(320, 240));
    ASSERT_EQ(withText.size(), QSize(320, 240));
    // The plain picture is the dark colour all over; the other carries light text.
    const auto lightPixels = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                count += qGray(image.pixel(x, y)) > 180;
        }
        return count;
    };
    EXPECT_EQ(lightPixels(plain), 0);
    EXPECT_GT(lightPixels(withText), 50);
}

TEST(Screenshot, AFolderThatCannotBeWrittenIsSaidSo)
{
    QTemporaryDir dir;
    // A file where the folder should be: not even root can make a folder inside it.
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ScopedEnv env("XDG_PICTURES_DIR", dir.filePath(QStringLiteral("file/Pictures")).toUtf8());
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
    QTest::keyClick(&window, Qt::Key_S);
    EXPECT_TRUE(waitFor([&] { return window.noticeText().contains(QLatin1String("could not be saved")); }, 20000))
        << qPrintable(window.noticeText());
    EXPECT_TRUE(window.noticeText().contains(dir.filePath(QStringLiteral("file/Pictures")))) << qPrintable(window.noticeText());
    EXPECT_NE(window.session()->state(), State::Failed);
}

TEST(MediaInformation, ListsEveryTrackWithItsLanguageAndDecoder)
{
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    ASSERT_TRUE(playing.open(controlsMedia("two_tracks.mkv")));
    const MediaDetails details = window.session()->details();
    EXPECT_TRUE(details.container.contains(QLatin1String("Matroska"))) << qPrintable(details.container);
    EXPECT_NEAR(details.durationMs, 2000, 100);
    EXPECT_GT(details.bitRate, 0);
    ASSERT_EQ(details.streams.size(), 3);
    const StreamDetails& video = details.streams[0];
    EXPECT_EQ(video.kind, StreamDetails::Kind::Video);
    EXPECT_EQ(video.resolution, QSize(320, 240));
    EXPECT_DOUBLE_EQ(video.frameRate, 25.0);
    EXPECT_EQ(video.pixelFormat, QStringLiteral("yuv420p"));
    EXPECT_TRUE(video.decoder.endsWith(QLatin1String("VP8Decoder"))) << qPrintable(video.decoder);
    struct Expected
    {
        const char* language;
        const char* title;
        const char* decoder;
        int sampleRate;
    };
    const Expected sound[] = {{"eng", "Main sound", "VorbisDecoder", 48000}, {"fra", "Commentaire", "OpusDecoder", 48000}};
    for (int i = 0; i < 2; ++i) {
        const StreamDetails& stream = details.streams[i + 1];
        EXPECT_EQ(stream.kind, StreamDetails::Kind::Audio);
        EXPECT_EQ(stream.language, QString::fromLatin1(sound[i].language));
        EXPECT_EQ(stream.title, QString::fromLatin1(sound[i].title));
        EXPECT_TRUE(stream.decoder.endsWith(QLatin1String(sound[i].decoder))) << qPrintable(stream.decoder);
        EXPECT_TRUE(stream.decoderLibrary.endsWith(QLatin1String(".so"))) << qPrintable(stream.decoderLibrary);
        EXPECT_FALSE(stream.decoderVersion.isEmpty());
        EXPECT_EQ(stream.sampleRate, sound[i].sampleRate);
        EXPECT_EQ(stream.channels, 1);
    }

    QTest::keyClick(&window, Qt::Key_I);
    auto* dialog = window.findChild<MediaInfoDialog*>();
    ASSERT_TRUE(dialog);
    const QString text = dialog->text();
    for (const StreamDetails& stream : details.streams) {
        EXPECT_TRUE(text.contains(stream.decoderLibrary)) << qPrintable(text);
        EXPECT_TRUE(text.contains(stream.codec)) << qPrintable(text);
    }
    EXPECT_TRUE(text.contains(QLatin1String("Language: eng")) && text.contains(QLatin1String("Language: fra"))) << qPrintable(text);
}

TEST(Controls, KeysWithNothingToActOnDoNoHarm)
{
    // Nothing open.
    {
        PlayingWindow playing;
        PlayerWindow& window = *playing.window;
        for (const ShortcutRow& row : shortcutRows()) {
            if (harmlessToPress(row))
                press(&window, row);
        }
        if (window.isFullScreen())
            QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_EQ(window.session()->state(), State::Idle);
        QTest::keyClick(&window, Qt::Key_S);
        EXPECT_TRUE(window.noticeText().contains(QLatin1String("no picture"))) << qPrintable(window.noticeText());
    }
    // While a decoder would be installed (the farm knows no H.264 decoder).
    {
        PlayingWindow playing;
        PlayerWindow& window = *playing.window;
        window.openAddress(encodedFile(playbacktest::media("h264_aac.mp4")));
        ASSERT_TRUE(waitFor([&] { return window.session()->state() == State::WaitingForCodec; }, 20000));
        for (const ShortcutRow& row : shortcutRows()) {
            if (harmlessToPress(row))
                press(&window, row);
        }
        // Starting over opens the file again, which waits for the decoder again.
        EXPECT_TRUE(waitFor([&] { return window.session()->state() == State::WaitingForCodec; }, 20000));
    }
    // A thousand presses in a burst, as a held key or a stuck keyboard sends them.
    {
        PlayingWindow playing;
        PlayerWindow& window = *playing.window;
        ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
        const Qt::Key keys[] = {Qt::Key_Right, Qt::Key_Left, Qt::Key_Up, Qt::Key_Down, Qt::Key_Period,
                                Qt::Key_Comma, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Space, Qt::Key_Home};
        for (int i = 0; i < 1000; ++i)
            QTest::keyClick(&window, keys[i % 10]);
        QTest::keyClick(&window, Qt::Key_End);
        EXPECT_TRUE(waitFor([&] { return window.session()->state() == State::Ended || window.session()->state() == State::Paused; },
                            20000));
        EXPECT_EQ(window.session()->positionMs(), window.session()->durationMs());
    }
}

} // namespace
