#pragma once
// The desktop around the player, for the tests that put it on a session bus of their own:
// the bus, playerctl run against the player, and a stand-in screen-saver service that records
// what the player asks of it.

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

#include <memory>

namespace desktoptest {

// One bus of the tests' own for the whole executable (QtDBus keeps its session connection);
// DBUS_SESSION_BUS_ADDRESS names it for this process and every process it starts. Empty when
// dbus-daemon could not be started.
QString privateBus();

struct Ctl
{
    int exitCode = -1;
    QString output;
};
// playerctl -p movraplayer `arguments`, with this thread's event loop running meanwhile, so
// that a player in this process can answer.
Ctl playerctl(const QStringList& arguments);

// org.freedesktop.ScreenSaver: each call as "Inhibit" or "UnInhibit <cookie>".
class ScreenSaverStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls() const;
public slots:
    uint Inhibit(const QString& application, const QString& reason);
    void UnInhibit(uint cookie);

private:
    mutable QMutex m_mutex;
    QStringList m_calls;
    uint m_cookie = 0;
};

// The stand-in registered on the private bus, on a connection and thread of its own, so that
// a player's blocking calls from this process's main thread are answered too. Unregistered
// and stopped when it goes.
class ScreenSaverService
{
public:
    ScreenSaverService();
    ~ScreenSaverService();
    ScreenSaverService(const ScreenSaverService&) = delete;
    ScreenSaverService& operator=(const ScreenSaverService&) = delete;

    bool registered() const { return m_registered; }
    QStringList calls() const { return m_standIn->calls(); }

private:
    QThread m_thread;
    std::unique_ptr<ScreenSaverStandIn> m_standIn;
    bool m_registered = false;
};

} // namespace desktoptest
