#include "mpx/systemmanager.h"

#include "mpx/mpxlogging_p.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

namespace MovraPlayerX {

namespace {

// A desktop service that does not answer must not stall the player.
constexpr int kDbusTimeoutMs = 1000;

struct CookieService
{
    const char* service;
    const char* path;
    const char* interface;
};

const CookieService kScreenSaverService{"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                        "org.freedesktop.ScreenSaver"};
const CookieService kPowerManagementService{"org.freedesktop.PowerManagement",
                                            "/org/freedesktop/PowerManagement/Inhibit",
                                            "org.freedesktop.PowerManagement.Inhibit"};

QString applicationName()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Movra Player") : name;
}

QDBusMessage callService(QDBusConnection bus, const CookieService& target, const char* method,
                         const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(target.service),
                                                          QString::fromLatin1(target.path),
                                                          QString::fromLatin1(target.interface),
                                                          QString::fromLatin1(method));
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kDbusTimeoutMs);
}

bool busUsable(const QDBusConnection& bus)
{
    return QCoreApplication::instance() && bus.isConnected();
}

} // namespace

struct SystemManager::Inhibition
{
    bool held = false;
    // Which desktop service holds it, if any: a cookie service, or logind through a file
    // descriptor that releases the lock when closed.
    const CookieService* service = nullptr;
    quint32 cookie = 0;
    QDBusUnixFileDescriptor logindLock;

    bool heldBySystem() const { return service != nullptr || logindLock.isValid(); }

    bool takeCookie(const CookieService& target, const QString& reason)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!busUsable(bus))
            return false;
        const QDBusMessage reply = callService(bus, target, "Inhibit", {applicationName(), reason});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
            qCInfo(lcMpx) << target.service << "refused the inhibition:" << reply.errorMessage();
            return false;
        }
        service = &target;
        cookie = reply.arguments().constFirst().toUInt();
        return true;
    }

    bool takeLogindLock(const QString& reason)
    {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!busUsable(bus))
            return false;
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        message.setArguments({QStringLiteral("sleep:idle"), applicationName(), reason, QStringLiteral("block")});
        const QDBusMessage reply = bus.call(message, QDBus::Block, kDbusTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
            qCInfo(lcMpx) << "logind refused the inhibition:" << reply.errorMessage();
            return false;
        }
        logindLock = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
        return logindLock.isValid();
    }

    void release()
    {
        if (service) {
            QDBusConnection bus = QDBusConnection::sessionBus();
            if (busUsable(bus)) {
                const QDBusMessage reply = callService(bus, *service, "UnInhibit", {cookie});
                if (reply.type() != QDBusMessage::ReplyMessage)
                    qCInfo(lcMpx) << service->service << "did not release the inhibition:" << reply.errorMessage();
            }
        }
        service = nullptr;
        cookie = 0;
        logindLock = QDBusUnixFileDescriptor();
        held = false;
    }
};

SystemManager& SystemManager::Instance()
{
    static SystemManager instance;
    return instance;
}

SystemManager::SystemManager()
    : m_screensaver(std::make_unique<Inhibition>())
    , m_power(std::make_unique<Inhibition>())
{
}

// No D-Bus calls here: this runs after the application object is gone, and the desktop
// services drop the inhibitions of a client that disconnects.
SystemManager::~SystemManager() = default;

void SystemManager::inhibitScreensaver(const QString& reason)
{
    if (m_screensaver->held)
        return;
    m_screensaver->held = true;
    m_screensaver->takeCookie(kScreenSaverService, reason.isEmpty() ? QStringLiteral("Playing media") : reason);
}

void SystemManager::inhibitSystemPowerManagement(const QString& reason)
{
    if (m_power->held)
        return;
    m_power->held = true;
    const QString why = reason.isEmpty() ? QStringLiteral("Playing media") : reason;
    if (!m_power->takeCookie(kPowerManagementService, why))
        m_power->takeLogindLock(why);
}

void SystemManager::restoreScreensaver()
{
    m_screensaver->release();
}

void SystemManager::restoreSystemPowerManagement()
{
    m_power->release();
}

bool SystemManager::isScreensaverInhibited() const
{
    return m_screensaver->held;
}

bool SystemManager::isPowerManagementInhibited() const
{
    return m_power->held;
}

bool SystemManager::isScreensaverInhibitedBySystem() const
{
    return m_screensaver->heldBySystem();
}

bool SystemManager::isPowerManagementInhibitedBySystem() const
{
    return m_power->heldBySystem();
}

} // namespace MovraPlayerX
