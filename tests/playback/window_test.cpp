// The main window's controls drive real playback.

#include "playbacksupport.h"

#include "playerwindow.h"
#include "videoview.h"

#include <QLabel>
#include <QMimeData>
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

} // namespace
