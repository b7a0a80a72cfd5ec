// The main window's controls drive real playback.

#include "playbacksupport.h"

#include "playerwindow.h"
#include "videoview.h"

#include <QLabel>
#include <QMimeData>
#include <QProxyStyle>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace playbacktest;
using namespace MovraReference;
using State = MediaSession::State;

namespace {

QString encoded(const char* name)
{
    return QString::fromUtf8(QUrl::fromLocalFile(media(name)).toEncoded());
}

TEST(PlayerWindow, KeysMouseAndDropDoWhatTheySay)
{
    QTemporaryDir dir;
    qputenv("MOVRA_AUDIO_OUTPUT", ("wav:" + dir.path() + "/out.wav").toUtf8());
    auto farm = makeFarm(false);
    {
        PlayerWindow window(farm.get());
        window.show();
        MediaSession* session = window.session();
        window.openAddress(encoded("vp9_vorbis.webm"));
        ASSERT_TRUE(waitFor([&] { return session->statistics().framesShown > 0; }, 10000));

        // The picture keeps its 4:3 shape in a window of another shape.
        auto* view = window.findChild<VideoView*>(QStringLiteral("videoView"));
        ASSERT_TRUE(view);
        const QRect picture = view->pictureRect();
        EXPECT_NEAR(double(picture.width()) / picture.height(), 4.0 / 3.0, 0.02);

        QTest::keyClick(&window, Qt::Key_Space);
        EXPECT_EQ(session->state(), State::Paused);
        QTest::mouseClick(view, Qt::LeftButton);
        EXPECT_EQ(session->state(), State::Playing);
        QTest::keyClick(&window, Qt::Key_Space);
        const int64_t at = session->positionMs();
        QTest::keyClick(&window, Qt::Key_Right);
        EXPECT_EQ(session->positionMs(), std::min<int64_t>(at + 5000, session->durationMs()));
        QTest::keyClick(&window, Qt::Key_Left);
        EXPECT_EQ(session->positionMs(), 0);

        QTest::keyClick(&window, Qt::Key_F);
        EXPECT_TRUE(window.isFullScreen());
        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_FALSE(window.isFullScreen());
        QTest::mouseDClick(view, Qt::LeftButton);
        EXPECT_TRUE(window.isFullScreen());
        QTest::keyClick(&window, Qt::Key_Escape);

        // A file dropped on the window is opened; one that cannot play says why.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(media("notmedia.mp4"))});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window: without a drag in progress the application would not route it.
        static_cast<QObject&>(window).event(&drop);
        EXPECT_EQ(session->url(), QUrl::fromLocalFile(media("notmedia.mp4")));
        ASSERT_TRUE(waitFor([&] { return session->state() == State::Failed; }, 10000));
        auto* problem = window.findChild<QLabel*>(QStringLiteral("problem"));
        ASSERT_TRUE(problem);
        EXPECT_FALSE(problem->isHidden());
        EXPECT_TRUE(problem->text().contains(QLatin1String("not a media file"))) << qPrintable(problem->text());
    }
    qunsetenv("MOVRA_AUDIO_OUTPUT");
}

// Counts the icons asked of it: each one asked is a walk through the icon theme's folders.
class CountingStyle : public QProxyStyle
{
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override
    {
        ++asked;
        return QProxyStyle::standardIcon(icon, option, widget);
    }
    mutable int asked = 0;
};

TEST(PlayerWindow, ControlIconsAreLookedUpOnceNotOnEveryUpdate)
{
    QTemporaryDir dir;
    qputenv("MOVRA_AUDIO_OUTPUT", ("wav:" + dir.path() + "/out.wav").toUtf8());
    auto farm = makeFarm(false);
    {
        CountingStyle counting;
        CountingStyle* style = &counting;
        PlayerWindow window(farm.get());
        window.setStyle(style);
        // A new style is a new look: its icons are taken once.
        EXPECT_GT(style->asked, 0);
        window.show();
        MediaSession* session = window.session();
        auto* play = window.findChild<QToolButton*>(QStringLiteral("playPause"));
        auto* mute = window.findChild<QToolButton*>(QStringLiteral("mute"));
        ASSERT_TRUE(play && mute);
        const qint64 playIcon = play->icon().cacheKey();
        window.openAddress(encoded("long.webm"));
        ASSERT_TRUE(waitFor([&] { return session->statistics().framesShown > 0; }, 10000));
        style->asked = 0;
        // Each of these updates the controls at once; the playing window also updates them on
        // its own every few hundred milliseconds.
        for (int i = 0; i < 10; ++i) {
            const qint64 before = play->icon().cacheKey();
            QTest::keyClick(&window, Qt::Key_Space);
            EXPECT_NE(play->icon().cacheKey(), before) << "the button shows play or pause as the state changes";
            mute->toggle();
        }
        // Long enough for the position refresh to run a few times.
        const int64_t at = session->positionMs();
        ASSERT_TRUE(waitFor([&] { return session->positionMs() > at + 1000; }, 20000));
        EXPECT_EQ(style->asked, 0);
        ASSERT_EQ(session->state(), State::Playing);
        EXPECT_NE(play->icon().cacheKey(), playIcon);
        session->pause();
        EXPECT_EQ(play->icon().cacheKey(), playIcon);
        window.close();
    }
    qunsetenv("MOVRA_AUDIO_OUTPUT");
}

} // namespace
