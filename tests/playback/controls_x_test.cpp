// The controls through a real X server and window manager: clicks, keys and the pointer come
// from xdotool as from a user, and what the screen shows (the controls, subtitles) is read
// back from a screenshot.

#include "controlstestsupport.h"

#include "fullscreencontrols.h"
#include "seekbar.h"

#include "support/xdisplay.h"

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace controlstest;
using namespace MovraReference;
using movratest::XDisplay;
using playbacktest::waitFor;
using State = MediaSession::State;

namespace {

// Runs xdotool and lets the window handle what it sent: the events reach this process only
// through its event loop, so the loop runs until the check holds.
bool sendAndWait(bool sent, const std::function<bool()>& until)
{
    return sent && waitFor(until, 10000);
}

bool activate(PlayerWindow& window)
{
    window.raise();
    window.activateWindow();
    return waitFor([&] { return window.isActiveWindow(); }, 10000);
}

// A pixel near the bottom left corner: the picture (black bars of a 4:3 film on a wide screen)
// or the controls' row (the window's light background).
bool controlsOnScreen(const QImage& screen)
{
    const QColor corner = screen.pixelColor(4, screen.height() - 6);
    return corner.lightness() > 100;
}

TEST(ControlsOnX, ClickOnTheSeekBarLandsWhereClickedAndKeysAct)
{
    MOVRA_REQUIRE_X();
    XDisplay& x = *XDisplay::shared();
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    MediaSession* session = window.session();
    ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
    ASSERT_TRUE(activate(window));
    session->pause();

    auto* seekBar = window.findChild<SeekBar*>(QStringLiteral("seekBar"));
    ASSERT_TRUE(seekBar);
    const QPoint at = seekBar->mapToGlobal(QPoint(seekBar->width() * 3 / 4, seekBar->height() / 2));
    const int64_t before = session->positionMs();
    ASSERT_TRUE(sendAndWait(x.click(at), [&] { return session->positionMs() != before; }));
    EXPECT_NEAR(double(session->positionMs()) / session->durationMs(), 0.75, 0.02);

    // Keys typed on the keyboard, each checked in what it names.
    struct Row
    {
        const char* keys;
        std::function<bool()> done;
    };
    session->seek(4000);
    auto* volume = window.findChild<QSlider*>(QStringLiteral("volume"));
    ASSERT_TRUE(volume);
    volume->setValue(50);
    const Row rows[] = {
        {"shift+Right", [&] { return session->positionMs() == 5000; }},
        {"ctrl+Left", [&] { return session->positionMs() == 0; }},
        {"Next", [&] { return session->positionMs() == 2000; }},
        {"Up", [&] { return volume->value() == 55; }},
        {"Down", [&] { return volume->value() == 50; }},
        {"m", [&] { return session->muted(); }},
        {"m", [&] { return !session->muted(); }},
        {"space", [&] { return session->state() == State::Playing; }},
        {"space", [&] { return session->state() == State::Paused; }},
        {"f", [&] { return window.isFullScreen(); }},
        {"Escape", [&] { return !window.isFullScreen(); }},
    };
    for (const Row& row : rows)
        EXPECT_TRUE(sendAndWait(x.key(QString::fromLatin1(row.keys)), row.done)) << row.keys;

    // The wheel over the picture.
    QWidget* view = window.findChild<QWidget*>(QStringLiteral("videoView"));
    ASSERT_TRUE(view);
    EXPECT_TRUE(sendAndWait(x.wheel(view->mapToGlobal(view->rect().center()), 2), [&] { return volume->value() == 60; }));

    // The right button opens the context menu on the picture.
    EXPECT_TRUE(sendAndWait(x.click(view->mapToGlobal(view->rect().center()), 3), [&] { return window.contextMenu()->isVisible(); }));
    EXPECT_TRUE(sendAndWait(x.key(QStringLiteral("Escape")), [&] { return !window.contextMenu()->isVisible(); }));
}

TEST(ControlsOnX, FullScreenControlsGoWhenThePointerIsStillAndComeBackWhenItMoves)
{
    MOVRA_REQUIRE_X();
    XDisplay& x = *XDisplay::shared();
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
    ASSERT_TRUE(activate(window));
    window.session()->pause();
    const QPoint centre(x.screenSize().width() / 2, x.screenSize().height() / 2);
    ASSERT_TRUE(x.moveMouse(centre));
    ASSERT_TRUE(sendAndWait(x.key(QStringLiteral("f")), [&] { return window.isFullScreen(); }));
    ASSERT_TRUE(waitFor([&] { return window.geometry().size() == x.screenSize(); }, 10000));

    // Still for three seconds: the controls and the pointer have gone, on the screen too.
    ASSERT_TRUE(waitFor([&] { return !window.fullScreenControls()->controlsShown(); }, 3000));
    EXPECT_TRUE(window.fullScreenControls()->pointerHidden());
    QImage screen;
    ASSERT_TRUE(waitFor([&] {
        screen = x.screenshot();
        return !screen.isNull() && !controlsOnScreen(screen);
    }, 10000));

    // A move brings them back.
    ASSERT_TRUE(sendAndWait(x.moveMouse(centre + QPoint(40, 40)), [&] { return window.fullScreenControls()->controlsShown(); }));
    EXPECT_FALSE(window.fullScreenControls()->pointerHidden());
    ASSERT_TRUE(waitFor([&] {
        screen = x.screenshot();
        return !screen.isNull() && controlsOnScreen(screen);
    }, 10000));

    // Resting on the controls keeps them.
    QWidget* controls = window.findChild<QWidget*>(QStringLiteral("controls"));
    ASSERT_TRUE(controls);
    window.fullScreenControls()->setHideDelay(200);
    ASSERT_TRUE(sendAndWait(x.moveMouse(controls->mapToGlobal(controls->rect().center())), [&] { return controls->underMouse(); }));
    const int checks = window.fullScreenControls()->idleChecks();
    ASSERT_TRUE(waitFor([&] { return window.fullScreenControls()->idleChecks() >= checks + 2; }, 10000));
    EXPECT_TRUE(window.fullScreenControls()->controlsShown());

    // A double click leaves full screen.
    QWidget* view = window.findChild<QWidget*>(QStringLiteral("videoView"));
    ASSERT_TRUE(view);
    ASSERT_TRUE(sendAndWait(x.doubleClick(view->mapToGlobal(view->rect().center())), [&] { return !window.isFullScreen(); }));
    EXPECT_TRUE(controls->isVisible());
}

// Light pixels in the lower third of a rectangle of the screen over the dark test film: the
// drawn text of a subtitle.
int subtitlePixels(const QImage& screen, const QRect& area)
{
    int count = 0;
    for (int y = area.top() + area.height() * 2 / 3; y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb c = screen.pixel(x, y);
            count += qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200;
        }
    }
    return count;
}

TEST(ControlsOnX, SubtitlesBesideTheFilmReachTheScreenInTheirTimeOnly)
{
    MOVRA_REQUIRE_X();
    XDisplay& x = *XDisplay::shared();
    QTemporaryDir dir;
    const QString film = dir.filePath(QStringLiteral("film.mkv"));
    ASSERT_TRUE(QFile::copy(playbacktest::media("dark.mkv"), film));
    QFile srt(dir.filePath(QStringLiteral("film.srt")));
    ASSERT_TRUE(srt.open(QIODevice::WriteOnly));
    srt.write("1\n00:00:01,000 --> 00:00:02,000\nHELLO THERE\n");
    srt.close();

    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    ASSERT_TRUE(playing.open(film));
    ASSERT_TRUE(activate(window));
    QWidget* view = window.findChild<QWidget*>(QStringLiteral("videoView"));
    ASSERT_TRUE(view);
    const auto onScreen = [&] {
        const QRect area(view->mapToGlobal(QPoint(0, 0)), view->size());
        const QImage screen = x.screenshot();
        return screen.isNull() ? -1 : subtitlePixels(screen, area.intersected(screen.rect()));
    };

    // Paused on pictures inside and outside the cue, in an order that goes back and forth.
    for (int64_t at : {1500, 2500, 500, 1200, 1900, 2100}) {
        SCOPED_TRACE(at);
        ASSERT_TRUE(playing.pauseAt(at));
        const bool inside = at >= 1000 && at < 2000;
        EXPECT_TRUE(waitFor([&] {
            const int pixels = onScreen();
            return pixels >= 0 && (pixels > 30) == inside;
        }, 10000));
    }

    // Played from before the cue, the text comes on the screen and goes again after it.
    ASSERT_TRUE(playing.pauseAt(300));
    window.session()->resume();
    EXPECT_TRUE(waitFor([&] { return onScreen() > 30; }, 10000));
    ASSERT_TRUE(waitFor([&] { return window.session()->positionMs() >= 2300; }, 10000));
    EXPECT_TRUE(waitFor([&] {
        const int pixels = onScreen();
        return pixels >= 0 && pixels <= 30;
    }, 10000));
}

} // namespace
