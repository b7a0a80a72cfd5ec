#include "desktopbus.h"

#include "playbacksupport.h"

#include <QDBusConnection>
#include <QMutexLocker>
#include <QProcess>

namespace desktoptest {

namespace {
const QString kStandInConnection = QStringLiteral("screensaver-standin");
const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
} // namespace

QString privateBus()
{
    static QProcess* daemon = nullptr;
    static QString address;
    if (daemon)
        return address;
    daemon = new QProcess;
    daemon->start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                  QStringLiteral("--print-address=1")});
    if (!daemon->waitForStarted(10000))
        return address;
    QByteArray line;
    while (!line.contains('\n') && daemon->waitForReadyRead(10000))
        line += daemon->readAllStandardOutput();
    address = QString::fromUtf8(line.trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    return address;
}

Ctl playerctl(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("-p"), QStringLiteral("movraplayer")} + arguments);
    playbacktest::waitFor([&] { return process.state() == QProcess::NotRunning; }, 20000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()).trimmed()};
}

QStringList ScreenSaverStandIn::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

uint ScreenSaverStandIn::Inhibit(const QString&, const QString&)
{
    QMutexLocker lock(&m_mutex);
    m_calls << QStringLiteral("Inhibit");
    return ++m_cookie;
}

void ScreenSaverStandIn::UnInhibit(uint cookie)
{
    QMutexLocker lock(&m_mutex);
    m_calls << QStringLiteral("UnInhibit %1").arg(cookie);
}

ScreenSaverService::ScreenSaverService() : m_standIn(std::make_unique<ScreenSaverStandIn>())
{
    const QString address = privateBus();
    if (address.isEmpty())
        return;
    m_thread.start();
    m_standIn->moveToThread(&m_thread);
    QDBusConnection connection = QDBusConnection::connectToBus(address, kStandInConnection);
    m_registered = connection.isConnected()
        && connection.registerObject(kPath, m_standIn.get(), QDBusConnection::ExportAllSlots)
        && connection.registerService(kService);
}

ScreenSaverService::~ScreenSaverService()
{
    {
        QDBusConnection connection(kStandInConnection);
        connection.unregisterService(kService);
        connection.unregisterObject(kPath);
    }
    QDBusConnection::disconnectFromBus(kStandInConnection);
    m_thread.quit();
    m_thread.wait();
}

} // namespace desktoptest
