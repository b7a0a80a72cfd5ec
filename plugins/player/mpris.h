#pragma once
// The player on the desktop's media bus (MPRIS 2): org.mpris.MediaPlayer2.movraplayer with the
// MediaPlayer2 and MediaPlayer2.Player interfaces, so media keys, sound menus and playerctl
// see and drive it. Without a session bus nothing is registered and nothing is said.

#include <QDBusObjectPath>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

namespace MovraReference {

class PlayerWindow;

class Mpris : public QObject
{
    Q_OBJECT
public:
    static constexpr char kServiceName[] = "org.mpris.MediaPlayer2.movraplayer";
    static constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";

    explicit Mpris(PlayerWindow* window);
    ~Mpris() override;

    bool isRegistered() const { return !m_service.isEmpty(); }
    QString serviceName() const { return m_service; }

    // What the Player interface answers now.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    QDBusObjectPath trackId() const;
    qlonglong positionUs() const;
    double volume() const;
    void setVolume(double volume);
    double rate() const;
    void setRate(double rate);
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const;
    bool canSeek() const;

    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    void seekBy(qlonglong offsetUs);
    void setPosition(const QDBusObjectPath& track, qlonglong positionUs);
    void openUri(const QString& uri);
    void raise();
    void quit();

    // Sends Seeked with the position now; the session says when it seeked, whoever asked.
    void announceSeek();

private:
    void emitChanges();

    QPointer<PlayerWindow> m_window;
    QString m_service;
    QVariantMap m_lastPlayer;
    int m_track = 0;
    QString m_trackUrl;
    QString m_artPath;
};

} // namespace MovraReference
