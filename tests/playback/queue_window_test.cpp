// The play queue played through the main window with real clips, decoders and playback.

#include "fileserver.h"
#include "playbacksupport.h"
#include "settings/registrysandbox.h"

#include "playerwindow.h"
#include "playqueue.h"
#include "queuecontroller.h"
#include "queuepanel.h"
#include "resumepositions.h"

#include "settings/applicationsettings.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace playbacktest;
using namespace MovraReference;
using State = MediaSession::State;
using playbacktest::FileServer;

namespace {

// A sanitizer build decodes several times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kWaitMs = 60000;
#else
constexpr int kWaitMs = 20000;
#endif

bool makeClip(const QString& path, double seconds)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc=size=64x48:rate=25:duration=%1").arg(seconds), QStringLiteral("-c:v"),
                  QStringLiteral("libvpx"), QStringLiteral("-deadline"), QStringLiteral("realtime"),
                  QStringLiteral("-g"), QStringLiteral("25"), QStringLiteral("-b:v"), QStringLiteral("200k"), path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

class QueueWindow : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        clips = new QTemporaryDir;
        ASSERT_TRUE(makeClip(clips->filePath(QStringLiteral("short.webm")), 0.4));
        ASSERT_TRUE(makeClip(clips->filePath(QStringLiteral("long.webm")), 5));
    }
    static void TearDownTestSuite()
    {
        delete clips;
        clips = nullptr;
    }

    void SetUp() override
    {
        qputenv("MOVRA_AUDIO_OUTPUT", ("wav:" + work.path() + "/out.wav").toUtf8());
        farm = makeFarm(false);
        window = std::make_unique<PlayerWindow>(farm.get());
        window->show();
        session = window->session();
        controller = window->queueController();
        QObject::connect(session, &MediaSession::stateChanged, [this](State state) {
            if (state == State::Opening)
                opened.append(QFileInfo(session->url().path()).fileName());
        });
    }

    void TearDown() override
    {
        window.reset();
        qunsetenv("MOVRA_AUDIO_OUTPUT");
    }

    // A copy of a clip under `name` in the work folder.
    QString copy(const char* clip, const QString& name)
    {
        const QString to = work.filePath(name);
        QDir().mkpath(QFileInfo(to).absolutePath());
        EXPECT_TRUE(QFile::copy(clips->filePath(QLatin1String(clip)), to)) << to.toStdString();
        return to;
    }
    static QString encoded(const QString& path) { return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()); }
    QStringList queueNames() const
    {
        QStringList names;
        for (const QUrl& url : controller->queue()->urls())
            names.append(QFileInfo(url.path()).fileName());
        return names;
    }
    bool playing(const char* name)
    {
        return waitFor([&] { return session->state() == State::Playing && session->url().path().endsWith(QLatin1String(name)); },
                       kWaitMs);
    }

    static QTemporaryDir* clips;
    QTemporaryDir work;
    std::unique_ptr<MSE::Farm> farm;
    std::unique_ptr<PlayerWindow> window;
    MediaSession* session = nullptr;
    QueueController* controller = nullptr;
    QStringList opened;
};

QTemporaryDir* QueueWindow::clips = nullptr;

TEST_F(QueueWindow, FilesAndAFolderGivenTogetherPlayInOrderThenStop)
{
    for (const char* name : {"b.webm", "a.webm", "c.webm"})
        copy("short.webm", QLatin1String(name));
    for (const char* name : {"season/10.webm", "season/2.webm", "season/1.webm"})
        copy("short.webm", QLatin1String(name));
    // As the URI handler hands them over, one by one, while the first already plays.
    for (const char* name : {"b.webm", "a.webm", "c.webm", "season"})
        window->enqueueAddress(encoded(work.filePath(QLatin1String(name))));
    EXPECT_EQ(queueNames(), (QStringList{"b.webm", "a.webm", "c.webm", "1.webm", "2.webm", "10.webm"}));
    ASSERT_TRUE(waitFor([&] { return controller->finished(); }, kWaitMs * 2)) << opened.join(' ').toStdString();
    EXPECT_EQ(opened, queueNames());
    EXPECT_EQ(session->state(), State::Ended);
    EXPECT_EQ(controller->queue()->current(), 5);

    // Once it stopped, the next address plays at once.
    window->enqueueAddress(encoded(work.filePath(QStringLiteral("a.webm"))));
    EXPECT_EQ(controller->queue()->current(), 6);
    EXPECT_EQ(opened.size(), 7);
}

TEST_F(QueueWindow, NextPreviousAndRepeat)
{
    for (const char* name : {"a.webm", "b.webm", "c.webm"})
        copy("long.webm", QLatin1String(name));
    window->openAddress(encoded(work.filePath(QStringLiteral("a.webm"))));
    controller->append({QUrl::fromLocalFile(work.filePath(QStringLiteral("b.webm"))),
                        QUrl::fromLocalFile(work.filePath(QStringLiteral("c.webm")))});
    ASSERT_TRUE(playing("a.webm"));

    QTest::keyClick(window.get(), Qt::Key_N);
    ASSERT_TRUE(playing("b.webm"));
    window->findChild<QAction*>(QStringLiteral("nextAction"))->trigger();
    ASSERT_TRUE(playing("c.webm"));
    // At the end with Repeat off, Next does nothing; Previous goes back.
    QTest::keyClick(window.get(), Qt::Key_N);
    EXPECT_EQ(controller->queue()->current(), 2);
    QTest::keyClick(window.get(), Qt::Key_P);
    ASSERT_TRUE(playing("b.webm"));
    QTest::keyClick(window.get(), Qt::Key_P);
    ASSERT_TRUE(playing("a.webm"));

    // Repeat All: Previous at the first goes to the last, the last's end to the first.
    QMenu* repeat = window->findChild<QMenu*>(QStringLiteral("repeatMenu"));
    ASSERT_TRUE(repeat);
    repeat->actions().at(2)->trigger();
    EXPECT_EQ(controller->repeat(), RepeatMode::All);
    QTest::keyClick(window.get(), Qt::Key_P);
    ASSERT_TRUE(playing("c.webm"));
    session->seek(session->durationMs() - 200);
    ASSERT_TRUE(playing("a.webm"));
    EXPECT_EQ(controller->queue()->current(), 0);

    // Repeat One: the end plays the same item again; the user's Next still moves on.
    repeat->actions().at(1)->trigger();
    const int before = int(opened.count(QStringLiteral("a.webm")));
    session->seek(session->durationMs() - 200);
    ASSERT_TRUE(waitFor([&] { return opened.count(QStringLiteral("a.webm")) == before + 1; }, kWaitMs));
    ASSERT_TRUE(playing("a.webm"));
    QTest::keyClick(window.get(), Qt::Key_N);
    ASSERT_TRUE(playing("b.webm"));

    // Repeat Off: the last item's end stops the queue.
    repeat->actions().at(0)->trigger();
    QTest::keyClick(window.get(), Qt::Key_N);
    ASSERT_TRUE(playing("c.webm"));
    session->seek(session->durationMs() - 200);
    ASSERT_TRUE(waitFor([&] { return controller->finished(); }, kWaitMs));
    EXPECT_EQ(session->state(), State::Ended);
    EXPECT_EQ(opened.last(), QStringLiteral("c.webm"));
}

TEST_F(QueueWindow, APlaylistPlaysItsFileAndAddressAndNamesTheMissingEntry)
{
    copy("short.webm", QStringLiteral("clips/here.webm"));
    FileServer server(clips->filePath(QStringLiteral("short.webm")));
    QFile list(work.filePath(QStringLiteral("lists/list.m3u")));
    QDir().mkpath(work.filePath(QStringLiteral("lists")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("#EXTM3U\n../clips/here.webm\n" + server.url("served.webm").toUtf8() + "\n../clips/missing.webm\n");
    list.close();

    window->enqueueAddress(encoded(list.fileName()));
    EXPECT_EQ(queueNames(), (QStringList{"here.webm", "served.webm"}));
    EXPECT_TRUE(window->queueNoticeText().contains(QLatin1String("missing.webm"))) << window->queueNoticeText().toStdString();
    ASSERT_TRUE(waitFor([&] { return controller->finished(); }, kWaitMs)) << opened.join(' ').toStdString();
    EXPECT_EQ(opened, (QStringList{"here.webm", "served.webm"}));
    EXPECT_EQ(session->state(), State::Ended);
    EXPECT_GT(session->statistics().framesShown, 0);
}

TEST_F(QueueWindow, ItemsThatCannotPlayAreSkippedWithoutEndlessRetries)
{
    // Empty files fail inside the session's open: a long run of them must not nest.
    QList<QUrl> broken;
    for (int i = 0; i < 1000; ++i) {
        const QString path = work.filePath(QStringLiteral("empty%1.webm").arg(i));
        QFile(path).open(QIODevice::WriteOnly);
        broken.append(QUrl::fromLocalFile(path));
    }
    controller->setRepeat(RepeatMode::All);
    controller->replace(broken);
    ASSERT_TRUE(waitFor([&] { return controller->finished(); }, kWaitMs));
    EXPECT_EQ(session->state(), State::Failed);
    EXPECT_EQ(controller->queue()->current(), 999);

    // One that plays after them all: reached.
    controller->append({QUrl::fromLocalFile(copy("short.webm", QStringLiteral("fine.webm")))});
    EXPECT_TRUE(playing("fine.webm"));
    EXPECT_TRUE(window->queueNoticeText().contains(QLatin1String("empty999.webm")))
        << window->queueNoticeText().toStdString();
}

TEST_F(QueueWindow, TheAddressWaitingForItsCodecOpensAgainInItsPlace)
{
    const QString bad = encoded(media("notmedia.mp4"));
    window->enqueueAddress(bad);
    ASSERT_TRUE(waitFor([&] { return controller->finished(); }, kWaitMs));
    // The shell hands the same address over again after an install: not a second entry.
    window->enqueueAddress(bad);
    EXPECT_EQ(controller->queue()->count(), 1);
    EXPECT_EQ(opened.size(), 2);
}

TEST_F(QueueWindow, DropsAndThePanel)
{
    const QString a = copy("long.webm", QStringLiteral("a.webm"));
    const QString b = copy("long.webm", QStringLiteral("b.webm"));
    const QString c = copy("long.webm", QStringLiteral("c.webm"));
    const auto drop = [&](const QList<QUrl>& urls, Qt::KeyboardModifiers modifiers) {
        QMimeData data;
        data.setUrls(urls);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, modifiers);
        static_cast<QObject*>(window.get())->event(&event);
    };
    drop({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}, Qt::NoModifier);
    EXPECT_EQ(queueNames(), (QStringList{"a.webm", "b.webm"}));
    ASSERT_TRUE(playing("a.webm"));
    drop({QUrl::fromLocalFile(c)}, Qt::ShiftModifier);
    EXPECT_EQ(queueNames(), (QStringList{"a.webm", "b.webm", "c.webm"}));
    EXPECT_EQ(controller->queue()->current(), 0);
    drop({QUrl::fromLocalFile(c)}, Qt::NoModifier);
    EXPECT_EQ(queueNames(), (QStringList{"c.webm"}));
    ASSERT_TRUE(playing("c.webm"));
    drop({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}, Qt::ShiftModifier);

    QueuePanel* panel = window->queuePanel();
    EXPECT_FALSE(panel->isVisible());
    QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(panel->isVisible());
    QListView* list = panel->list();
    ASSERT_EQ(list->model()->rowCount(), 3);
    EXPECT_TRUE(list->model()->index(0, 0).data(Qt::FontRole).value<QFont>().bold());

    // Double-click plays a row; Delete removes the selected ones.
    const QModelIndex third = list->model()->index(2, 0);
    ASSERT_TRUE(waitFor([&] { return list->viewport()->rect().contains(list->visualRect(third)); }, kWaitMs));
    const QPoint at = list->visualRect(third).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(controller->queue()->current(), 2);
    ASSERT_TRUE(playing("b.webm"));
    list->setCurrentIndex(list->model()->index(1, 0));
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(queueNames(), (QStringList{"c.webm", "b.webm"}));
    EXPECT_EQ(controller->queue()->current(), 1);
    QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(QueueWindow, AFileClosedAt40PercentResumesThereAndStartsOverOnRequest)
{
    RegistrySandbox sandbox;
    const QString film = copy("long.webm", QStringLiteral("film.webm"));
    window->useSettings();
    window->openAddress(encoded(film));
    ASSERT_TRUE(playing("film.webm"));
    session->seek(2000);
    ASSERT_TRUE(waitFor([&] { return session->positionMs() >= 2000; }, kWaitMs));
    window->close();
    const int64_t left = ResumePositions().position(film, QFileInfo(film).size()).value_or(-1);
    EXPECT_GE(left, 1900);
    EXPECT_LE(left, 4750);

    // A new window, as at the next start.
    window = std::make_unique<PlayerWindow>(farm.get());
    window->useSettings();
    window->show();
    session = window->session();
    window->openAddress(encoded(film));
    ASSERT_TRUE(waitFor([&] { return window->queueNoticeText().contains(QLatin1String("Resumed")); }, kWaitMs));
    ASSERT_TRUE(waitFor([&] { return session->statistics().framesShown > 0; }, kWaitMs));
    EXPECT_NEAR(double(session->positionMs()), double(left), 1000.0);

    // The key to start over: from the beginning, and the place is forgotten.
    QTest::keyClick(window.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_LT(session->positionMs(), 500);
    EXPECT_FALSE(ResumePositions().position(film, QFileInfo(film).size()));
    window->close();

    // With the setting off, nothing is remembered.
    MovraPlayerX::ApplicationSettings::application().set(MovraPlayerX::kResumeFromLastPos, false);
    window = std::make_unique<PlayerWindow>(farm.get());
    window->useSettings();
    session = window->session();
    window->openAddress(encoded(film));
    ASSERT_TRUE(playing("film.webm"));
    session->seek(2000);
    ASSERT_TRUE(waitFor([&] { return session->positionMs() >= 2000; }, kWaitMs));
    window->close();
    EXPECT_FALSE(ResumePositions().position(film, QFileInfo(film).size()));
    window.reset();
}

TEST_F(QueueWindow, OpenRecentListsWhatPlayedAndGreysWhatIsGone)
{
    RegistrySandbox sandbox;
    const QString a = copy("short.webm", QStringLiteral("a.webm"));
    const QString gone = copy("short.webm", QStringLiteral("gone.webm"));
    window->useSettings();
    window->openAddress(encoded(gone));
    window->openAddress(encoded(a));
    QFile::remove(gone);
    window = std::make_unique<PlayerWindow>(farm.get());
    window->useSettings();
    QMenu* recent = window->recentMenu();
    emit recent->aboutToShow();
    const QList<QAction*> actions = recent->actions();
    ASSERT_EQ(actions.size(), 4);  // two files, a separator, Clear
    EXPECT_TRUE(actions.at(0)->text().endsWith(QLatin1String("a.webm")));
    EXPECT_TRUE(actions.at(0)->isEnabled());
    EXPECT_TRUE(actions.at(1)->text().endsWith(QLatin1String("gone.webm")));
    EXPECT_FALSE(actions.at(1)->isEnabled());
    actions.at(0)->trigger();
    EXPECT_EQ(window->session()->url(), QUrl::fromLocalFile(a));
    window->findChild<QAction*>(QStringLiteral("clearRecent"))->trigger();
    EXPECT_EQ(recent->actions().size(), 1);
    window.reset();
}

} // namespace
