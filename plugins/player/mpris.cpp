#include "mpris.h"
#include "playerwindow.h"
#include "playqueue.h"
#include "queuecontroller.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QSlider>
#include <QStandardPaths>

#include <cmath>
#include <cstdlib>

namespace MovraReference {
namespace {

constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
constexpr char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
// The speeds the player's speed control offers.
constexpr double kMinimumRate = 0.25;
constexpr double kMaximumRate = 16.0;

class RootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    explicit RootAdaptor(Mpris* mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris) {}
    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Movra Player"); }
    QString desktopEntry() const { return QStringLiteral("movra-player"); }
    QStringList supportedUriSchemes() const { return {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")}; }
    QStringList supportedMimeTypes() const
    {
        return {QStringLiteral("video/x-matroska"), QStringLiteral("video/webm"), QStringLiteral("video/mp4"),
                QStringLiteral("video/ogg"), QStringLiteral("video/x-msvideo"), QStringLiteral("video/mpeg"),
                QStringLiteral("audio/mpeg"), QStringLiteral("audio/flac"), QStringLiteral("audio/ogg"), QStringLiteral("audio/x-wav")};
    }

public slots:
    void Raise() { m_mpris->raise(); }
    void Quit() { m_mpris->quit(); }

private:
    Mpris* m_mpris;
};

class PlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPlay)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    explicit PlayerAdaptor(Mpris* mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris) {}
    QString playbackStatus() const { return m_mpris->playbackStatus(); }
    double rate() const { return m_mpris->rate(); }
    void setRate(double rate) { m_mpris->setRate(rate); }
    QVariantMap metadata() const { return m_mpris->metadata(); }
    double volume() const { return m_mpris->volume(); }
    void setVolume(double volume) { m_mpris->setVolume(volume); }
    qlonglong position() const { return m_mpris->positionUs(); }
    double minimumRate() const { return kMinimumRate; }
    double maximumRate() const { return kMaximumRate; }
    bool canGoNext() const { return m_mpris->canGoNext(); }
    bool canGoPrevious() const { return m_mpris->canGoPrevious(); }
    bool canPlay() const { return m_mpris->canPlay(); }
    bool canSeek() const { return m_mpris->canSeek(); }
    bool canControl() const { return true; }

public slots:
    void Next() { m_mpris->next(); }
    void Previous() { m_mpris->previous(); }
    void Pause() { m_mpris->pause(); }
    void PlayPause() { m_mpris->playPause(); }
    void Stop() { m_mpris->stop(); }
    void Play() { m_mpris->play(); }
    void Seek(qlonglong offset) { m_mpris->seekBy(offset); }
    void SetPosition(const QDBusObjectPath& track, qlonglong position) { m_mpris->setPosition(track, position); }
    void OpenUri(const QString& uri) { m_mpris->openUri(uri); }

signals:
    void Seeked(qlonglong position);

private:
    Mpris* m_mpris;
};

} // namespace

Mpris::Mpris(PlayerWindow* window) : QObject(window), m_window(window)
{
    new RootAdaptor(this);
    new PlayerAdaptor(this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this))
        return;
    // A second running player registers a name of its own, so both stay reachable on the bus.
    QString service = QString::fromLatin1(kServiceName);
    if (!bus.registerService(service)) {
        service += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!bus.registerService(service)) {
            bus.unregisterObject(QString::fromLatin1(kObjectPath));
            return;
        }
    }
    m_service = service;
    MediaSession* session = window->session();
    // Told by whatever changes it (the window, the keys, the bus itself), never looked for:
    // a paused player has nothing to wake up for.
    connect(session, &MediaSession::stateChanged, this, &Mpris::emitChanges);
    connect(session, &MediaSession::durationChanged, this, &Mpris::emitChanges);
    connect(session, &MediaSession::volumeChanged, this, &Mpris::emitChanges);
    connect(session, &MediaSession::speedChanged, this, &Mpris::emitChanges);
    connect(session, &MediaSession::seekableChanged, this, &Mpris::emitChanges);
    connect(session, &MediaSession::seeked, this, &Mpris::announceSeek);
    if (QueueController* controller = window->queueController()) {
        PlayQueue* queue = controller->queue();
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            connect(queue, signal, this, &Mpris::emitChanges);
        connect(queue, &QAbstractItemModel::rowsMoved, this, &Mpris::emitChanges);
        connect(queue, &QAbstractItemModel::modelReset, this, &Mpris::emitChanges);
        connect(queue, &PlayQueue::currentChanged, this, &Mpris::emitChanges);
        connect(controller, &QueueController::repeatChanged, this, &Mpris::emitChanges);
    }
    m_lastPlayer = {};
    emitChanges();
}

Mpris::~Mpris()
{
    if (!m_artPath.isEmpty())
        QFile::remove(m_artPath);
    if (m_service.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(m_service);
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
}

QString Mpris::playbackStatus() const
{
    if (!m_window)
        return QStringLiteral("Stopped");
    switch (m_window->session()->state()) {
    case MediaSession::State::Playing:
        return QStringLiteral("Playing");
    case MediaSession::State::Paused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

QDBusObjectPath Mpris::trackId() const
{
    if (m_track == 0)
        return QDBusObjectPath(QString::fromLatin1(kNoTrack));
    return QDBusObjectPath(QStringLiteral("/org/movra/player/track/%1").arg(m_track));
}

QVariantMap Mpris::metadata() const
{
    QVariantMap map;
    if (!m_window || m_track == 0)
        return map;
    MediaSession* session = m_window->session();
    const MediaDetails details = session->details();
    const QUrl url = session->url();
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId()));
    if (session->durationMs() > 0)
        map.insert(QStringLiteral("mpris:length"), qlonglong(session->durationMs()) * 1000);
    map.insert(QStringLiteral("xesam:url"), QString::fromUtf8(url.toEncoded()));
    const QString title = !details.title.isEmpty() ? details.title : QFileInfo(url.path()).completeBaseName();
    map.insert(QStringLiteral("xesam:title"), title);
    if (!details.artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{details.artist});
    if (!details.album.isEmpty())
        map.insert(QStringLiteral("xesam:album"), details.album);
    if (!m_artPath.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), QString::fromUtf8(QUrl::fromLocalFile(m_artPath).toEncoded()));
    return map;
}

qlonglong Mpris::positionUs() const
{
    return m_window ? qlonglong(m_window->session()->positionMs()) * 1000 : 0;
}

double Mpris::volume() const
{
    return m_window ? m_window->session()->volume() : 0.0;
}

void Mpris::setVolume(double volume)
{
    if (!m_window || !std::isfinite(volume))
        return;
    // Through the window's slider, so the window shows it too.
    if (auto* slider = m_window->findChild<QSlider*>(QStringLiteral("volume")))
        slider->setValue(int(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
}

double Mpris::rate() const
{
    return m_window ? m_window->session()->speed() : 1.0;
}

void Mpris::setRate(double rate)
{
    // A rate of 0 means pause to MPRIS clients; a rate outside the player's range is refused.
    if (!m_window || !std::isfinite(rate) || rate < 0)
        return;
    if (rate == 0) {
        pause();
        return;
    }
    m_window->session()->setSpeed(std::clamp(rate, kMinimumRate, kMaximumRate));
}

bool Mpris::canGoNext() const
{
    QueueController* queue = m_window ? m_window->queueController() : nullptr;
    return queue && queue->queue()->nextRow(false) >= 0;
}

bool Mpris::canGoPrevious() const
{
    QueueController* queue = m_window ? m_window->queueController() : nullptr;
    return queue && queue->queue()->previousRow() >= 0;
}

bool Mpris::canPlay() const
{
    return m_window && m_track != 0;
}

bool Mpris::canSeek() const
{
    return m_window && m_track != 0 && m_window->session()->durationMs() > 0;
}

void Mpris::play()
{
    if (!m_window)
        return;
    MediaSession* session = m_window->session();
    if (session->state() == MediaSession::State::Paused)
        session->resume(session->speed());
    else if (session->state() == MediaSession::State::Ended)
        session->seek(0);
}

void Mpris::pause()
{
    if (m_window)
        m_window->session()->pause();
}

void Mpris::playPause()
{
    if (!m_window)
        return;
    if (m_window->session()->state() == MediaSession::State::Playing)
        pause();
    else
        play();
}

void Mpris::stop()
{
    if (!m_window)
        return;
    MediaSession* session = m_window->session();
    session->pause();
    session->seek(0);
}

// The play queue's own Next and Previous, as the window's menu and keys use them.
void Mpris::next()
{
    if (m_window && m_window->queueController())
        m_window->queueController()->next();
}

void Mpris::previous()
{
    if (m_window && m_window->queueController())
        m_window->queueController()->previous();
}

void Mpris::seekBy(qlonglong offsetUs)
{
    if (!canSeek())
        return;
    MediaSession* session = m_window->session();
    const qlonglong target = std::max<qlonglong>(0, positionUs() + offsetUs);
    if (target > qlonglong(session->durationMs()) * 1000) {
        // Past the end: as if Next were called, which without a next item ends this one.
        session->seek(session->durationMs());
    } else {
        session->seek(target / 1000);
    }
}

void Mpris::setPosition(const QDBusObjectPath& track, qlonglong positionUs)
{
    // A stale track id or a position outside the track is ignored.
    if (!canSeek() || track != trackId() || positionUs < 0 || positionUs > qlonglong(m_window->session()->durationMs()) * 1000)
        return;
    m_window->session()->seek(positionUs / 1000);
}

void Mpris::openUri(const QString& uri)
{
    const QUrl url(uri);
    if (!m_window || !url.isValid() || url.scheme().isEmpty())
        return;
    m_window->openAddress(QString::fromUtf8(url.toEncoded()));
}

void Mpris::raise()
{
    if (!m_window)
        return;
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void Mpris::quit()
{
    // Closed from the event loop, after this call has been answered: closing the last window
    // ends the program, and a caller waiting for the answer would otherwise see an error.
    QMetaObject::invokeMethod(
        this, [window = m_window] {
            if (window)
                window->close();
        },
        Qt::QueuedConnection);
}

void Mpris::announceSeek()
{
    if (m_service.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath), QString::fromLatin1(kPlayerInterface),
                                                     QStringLiteral("Seeked"));
    signal << positionUs();
    QDBusConnection::sessionBus().send(signal);
}

void Mpris::emitChanges()
{
    if (m_service.isEmpty() || !m_window)
        return;
    MediaSession* session = m_window->session();
    // A new address is a new track, with its own id and picture.
    const QString url = session->state() == MediaSession::State::Idle ? QString() : session->url().toString();
    if (url != m_trackUrl) {
        m_trackUrl = url;
        m_track = url.isEmpty() ? 0 : m_track + 1;
        if (!m_artPath.isEmpty())
            QFile::remove(m_artPath);
        m_artPath.clear();
    }
    if (m_track != 0 && m_artPath.isEmpty()) {
        const QImage cover = session->details().cover;
        if (!cover.isNull()) {
            const QString path = QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
                                     .filePath(QStringLiteral("movra-player-cover-%1-%2.png")
                                                   .arg(QCoreApplication::applicationPid())
                                                   .arg(m_track));
            if (cover.save(path, "PNG"))
                m_artPath = path;
        }
    }
    const QVariantMap now{{QStringLiteral("PlaybackStatus"), playbackStatus()},
                          {QStringLiteral("Metadata"), metadata()},
                          {QStringLiteral("Volume"), volume()},
                          {QStringLiteral("Rate"), rate()},
                          {QStringLiteral("CanGoNext"), canGoNext()},
                          {QStringLiteral("CanGoPrevious"), canGoPrevious()},
                          {QStringLiteral("CanPlay"), canPlay()},
                          {QStringLiteral("CanPause"), canPlay()},
                          {QStringLiteral("CanSeek"), canSeek()}};
    QVariantMap changed;
    for (auto it = now.constBegin(); it != now.constEnd(); ++it) {
        if (m_lastPlayer.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_lastPlayer = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace MovraReference

#include "mpris.moc"
