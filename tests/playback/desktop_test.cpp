// The player on a private session bus: playerctl drives it over MPRIS and reads it back, and a
// stand-in screen-saver service sees the player hold the screen awake while a video plays.

#include "controlstestsupport.h"
#include "desktopbus.h"

#include "mpris.h"
#include "queuecontroller.h"
#include "screensaverinhibitor.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QMessageBox>
#include <QProcess>
#include <QSlider>

#include <gtest/gtest.h>

using namespace controlstest;
using namespace desktoptest;
using namespace MovraReference;
using playbacktest::waitFor;
using State = MediaSession::State;

namespace {

class SeekedCounter : public QObject
{
    Q_OBJECT
public:
    int count = 0;
    qlonglong last = -1;
public slots:
    void seeked(qlonglong position)
    {
        ++count;
        last = position;
    }
};

// The Player interface's PropertiesChanged signals, as a client of the bus sees them.
class PropertiesWatcher : public QObject
{
    Q_OBJECT
public:
    QVariantMap changed;
public slots:
    void propertiesChanged(const QString&, const QVariantMap& properties, const QStringList&)
    {
        for (auto it = properties.constBegin(); it != properties.constEnd(); ++it)
            changed.insert(it.key(), it.value());
    }
};

TEST(Mpris, PlayerctlDrivesThePlayerAndReadsItBack)
{
    ASSERT_FALSE(privateBus().isEmpty()) << "dbus-daemon did not start";
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    MediaSession* session = window.session();
    auto* mpris = window.findChild<Mpris*>();
    ASSERT_TRUE(mpris);
    ASSERT_TRUE(mpris->isRegistered());
    ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));

    EXPECT_EQ(playerctl({QStringLiteral("status")}).output, QStringLiteral("Playing"));
    const Ctl metadata = playerctl({QStringLiteral("metadata")});
    EXPECT_EQ(metadata.exitCode, 0);
    EXPECT_TRUE(metadata.output.contains(QLatin1String("xesam:title")) && metadata.output.contains(QLatin1String("Chapter test")))
        << qPrintable(metadata.output);
    EXPECT_TRUE(metadata.output.contains(QLatin1String("mpris:length"))) << qPrintable(metadata.output);
    EXPECT_TRUE(metadata.output.contains(QLatin1String("chapters.mkv"))) << qPrintable(metadata.output);

    EXPECT_EQ(playerctl({QStringLiteral("play-pause")}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return session->state() == State::Paused; }, 10000));
    EXPECT_EQ(playerctl({QStringLiteral("status")}).output, QStringLiteral("Paused"));

    SeekedCounter seeked;
    ASSERT_TRUE(QDBusConnection::sessionBus().connect(QString(), QString::fromLatin1(Mpris::kObjectPath),
                                                      QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Seeked"),
                                                      &seeked, SLOT(seeked(qlonglong))));
    EXPECT_EQ(playerctl({QStringLiteral("position"), QStringLiteral("3")}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return session->positionMs() == 3000; }, 10000)) << session->positionMs();
    EXPECT_TRUE(waitFor([&] { return seeked.count > 0; }, 10000));
    EXPECT_EQ(seeked.last, 3000000);
    EXPECT_NEAR(playerctl({QStringLiteral("position")}).output.toDouble(), 3.0, 0.01);

    EXPECT_EQ(playerctl({QStringLiteral("volume"), QStringLiteral("0.5")}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return session->volume() == 0.5; }, 10000)) << session->volume();
    EXPECT_EQ(window.findChild<QSlider*>(QStringLiteral("volume"))->value(), 50);
    EXPECT_NEAR(playerctl({QStringLiteral("volume")}).output.toDouble(), 0.5, 0.001);

    // Nothing follows this file: it says so, and Next below changes nothing.
    EXPECT_FALSE(mpris->canGoNext());
    EXPECT_FALSE(mpris->canGoPrevious());

    // Bad input: a stale track id, positions outside the track, offsets past either end.
    const auto call = [](const char* method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(Mpris::kServiceName),
                                                              QString::fromLatin1(Mpris::kObjectPath),
                                                              QStringLiteral("org.mpris.MediaPlayer2.Player"),
                                                              QString::fromLatin1(method));
        message.setArguments(arguments);
        QDBusConnection::sessionBus().asyncCall(message);
    };
    const int before = seeked.count;
    call("SetPosition", {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/movra/player/track/999"))), qlonglong(1000000)});
    call("SetPosition", {QVariant::fromValue(mpris->trackId()), qlonglong(600000000)});
    call("SetPosition", {QVariant::fromValue(mpris->trackId()), qlonglong(-5)});
    call("Seek", {qlonglong(-600000000)});
    ASSERT_TRUE(waitFor([&] { return seeked.count == before + 1; }, 10000));
    EXPECT_EQ(session->positionMs(), 0);
    call("Seek", {qlonglong(600000000)});
    ASSERT_TRUE(waitFor([&] { return seeked.count == before + 2; }, 10000));
    EXPECT_EQ(session->positionMs(), session->durationMs());
    call("OpenUri", {QStringLiteral("not a uri")});
    call("Next", {});
    call("SetPosition", {QVariant::fromValue(mpris->trackId()), qlonglong(2000000)});
    ASSERT_TRUE(waitFor([&] { return seeked.count == before + 3; }, 10000));
    EXPECT_EQ(session->positionMs(), 2000);
    EXPECT_EQ(session->url(), QUrl::fromLocalFile(controlsMedia("chapters.mkv")));
}

TEST(Mpris, NextAndPreviousWalkThePlayQueue)
{
    ASSERT_FALSE(privateBus().isEmpty()) << "dbus-daemon did not start";
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    MediaSession* session = window.session();
    auto* mpris = window.findChild<Mpris*>();
    ASSERT_TRUE(mpris && mpris->isRegistered());
    const QUrl first = QUrl::fromLocalFile(controlsMedia("chapters.mkv"));
    const QUrl second = QUrl::fromLocalFile(controlsMedia("full_hd.webm"));
    window.queueController()->replace({first, second});
    ASSERT_TRUE(waitFor([&] { return session->url() == first && session->statistics().framesShown > 0; }, 20000));
    EXPECT_TRUE(mpris->canGoNext());
    EXPECT_FALSE(mpris->canGoPrevious());

    EXPECT_EQ(playerctl({QStringLiteral("next")}).exitCode, 0);
    ASSERT_TRUE(waitFor([&] { return session->url() == second && session->statistics().framesShown > 0; }, 20000));
    EXPECT_TRUE(waitFor([&] { return playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:url")}).output.endsWith(QLatin1String("full_hd.webm")); }, 20000));
    EXPECT_FALSE(mpris->canGoNext());
    EXPECT_TRUE(mpris->canGoPrevious());

    EXPECT_EQ(playerctl({QStringLiteral("previous")}).exitCode, 0);
    ASSERT_TRUE(waitFor([&] { return session->url() == first && session->statistics().framesShown > 0; }, 20000));
    EXPECT_TRUE(waitFor([&] { return playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:url")}).output.endsWith(QLatin1String("chapters.mkv")); }, 20000));
}

// Without a session bus the player plays as ever: nothing registered, nothing said.
TEST(Mpris, WithoutASessionBusNothingIsRegisteredAndNothingShown)
{
    ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/movra-no-bus");
    if (QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "this process already holds a session bus connection";
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    auto* mpris = window.findChild<Mpris*>();
    ASSERT_TRUE(mpris);
    EXPECT_FALSE(mpris->isRegistered());
    ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
    EXPECT_EQ(window.session()->state(), State::Playing);
    window.session()->pause();
    EXPECT_TRUE(waitFor([&] { return window.session()->state() == State::Paused; }, 10000));
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible() && qobject_cast<QMessageBox*>(widget)) << qPrintable(widget->windowTitle());
}

// What changes in the window reaches the bus when it changes, without the bus side looking
// for it; and a paused player has nothing that wakes it over and over.
TEST(Mpris, TheWindowsChangesAreToldAndAPausedPlayerRests)
{
    ASSERT_FALSE(privateBus().isEmpty()) << "dbus-daemon did not start";
    PlayingWindow playing;
    PlayerWindow& window = *playing.window;
    MediaSession* session = window.session();
    auto* mpris = window.findChild<Mpris*>();
    ASSERT_TRUE(mpris && mpris->isRegistered());
    ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));

    PropertiesWatcher properties;
    ASSERT_TRUE(QDBusConnection::sessionBus().connect(QString(), QString::fromLatin1(Mpris::kObjectPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("PropertiesChanged"), &properties,
                                                      SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    SeekedCounter seeked;
    ASSERT_TRUE(QDBusConnection::sessionBus().connect(QString(), QString::fromLatin1(Mpris::kObjectPath),
                                                      QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Seeked"),
                                                      &seeked, SLOT(seeked(qlonglong))));
    window.findChild<QSlider*>(QStringLiteral("volume"))->setValue(30);
    session->setSpeed(1.5);
    EXPECT_TRUE(waitFor([&] { return properties.changed.value(QStringLiteral("Volume")).toDouble() == 0.3; }, 10000))
        << properties.changed.value(QStringLiteral("Volume")).toDouble();
    EXPECT_TRUE(waitFor([&] { return properties.changed.value(QStringLiteral("Rate")).toDouble() == 1.5; }, 10000));
    session->pause();
    window.setPosition(4000);
    ASSERT_TRUE(waitFor([&] { return seeked.count == 1; }, 10000));
    EXPECT_EQ(seeked.last, 4000000);
    EXPECT_EQ(properties.changed.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Paused"));
    // Adding to the queue gives Next something to go to.
    window.queueController()->append({QUrl::fromLocalFile(controlsMedia("full_hd.webm"))});
    EXPECT_TRUE(waitFor([&] { return properties.changed.value(QStringLiteral("CanGoNext")).toBool(); }, 10000));

    // Once the picture of the seek is shown, no timer of the window, its session or the bus
    // side keeps running.
    const auto fastTimers = [&] {
        QStringList running;
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        QList<QObject*> all = window.findChildren<QObject*>();
        all.prepend(&window);
        for (QObject* object : all) {
            for (const QAbstractEventDispatcher::TimerInfo& timer : dispatcher->registeredTimers(object)) {
                if (timer.interval < 1000)
                    running << QStringLiteral("%1 every %2 ms").arg(QString::fromLatin1(object->metaObject()->className())).arg(timer.interval);
            }
        }
        return running;
    };
    EXPECT_TRUE(waitFor([&] { return fastTimers().isEmpty(); }, 10000)) << qPrintable(fastTimers().join(QStringLiteral(", ")));
    EXPECT_EQ(session->positionMs(), 4000);
    // Resuming starts what playing needs again.
    session->resume(1.5);
    const int64_t shown = session->statistics().framesShown;
    EXPECT_TRUE(waitFor([&] { return session->statistics().framesShown > shown + 2 && session->positionMs() > 4000; }, 10000));
}

TEST(ScreenSaver, HeldWhileAVideoPlaysAndReleasedOnPauseAndQuit)
{
    ASSERT_FALSE(privateBus().isEmpty()) << "dbus-daemon did not start";
    ScreenSaverService screenSaver;
    ASSERT_TRUE(screenSaver.registered());
    {
        PlayingWindow playing;
        PlayerWindow& window = *playing.window;
        MediaSession* session = window.session();
        ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
        ASSERT_TRUE(waitFor([&] { return screenSaver.calls().size() == 1; }, 10000));
        EXPECT_EQ(screenSaver.calls(), QStringList{QStringLiteral("Inhibit")});
        session->pause();
        ASSERT_TRUE(waitFor([&] { return screenSaver.calls().size() == 2; }, 10000));
        EXPECT_EQ(screenSaver.calls().last(), QStringLiteral("UnInhibit 1"));
        session->resume();
        ASSERT_TRUE(waitFor([&] { return screenSaver.calls().size() == 3; }, 10000));
        // Sound alone keeps nothing awake.
        window.openAddress(encodedFile(playbacktest::media("audio_only.flac")));
        ASSERT_TRUE(waitFor([&] { return session->url().path().endsWith(QLatin1String("audio_only.flac")) && session->state() == State::Playing; }, 20000));
        ASSERT_TRUE(waitFor([&] { return screenSaver.calls().size() == 4; }, 10000));
        EXPECT_EQ(screenSaver.calls().last(), QStringLiteral("UnInhibit 2"));
        ASSERT_TRUE(playing.open(controlsMedia("chapters.mkv")));
        ASSERT_TRUE(waitFor([&] { return screenSaver.calls().size() == 5; }, 10000));
    }
    // The window went (as at quit): released.
    ASSERT_TRUE(waitFor([&] { return screenSaver.calls().size() == 6; }, 10000));
    EXPECT_EQ(screenSaver.calls().last(), QStringLiteral("UnInhibit 3"));
}

} // namespace

#include "desktop_test.moc"
