#include "mpx/systemmanager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <mutex>

using MovraPlayerX::SystemManager;

namespace {

struct Call
{
    QString interface;
    QString member;
    QVariantList arguments;
};

// Answers Inhibit with a fixed cookie and records every call; lives on a thread of its own
// because the caller blocks the GUI thread while it waits for the answer.
class FakeInhibitService : public QDBusVirtualObject
{
public:
    explicit FakeInhibitService(quint32 cookie)
        : m_cookie(cookie)
    {
    }

    QString introspect(const QString&) const override { return QString(); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_calls.push_back({message.interface(), message.member(), message.arguments()});
        }
        if (message.member() == QLatin1String("Inhibit"))
            connection.send(message.createReply(QVariant::fromValue(m_cookie)));
        else
            connection.send(message.createReply());
        return true;
    }

    std::vector<Call> calls() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }

private:
    const quint32 m_cookie;
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
};

const char kBusConfig[] = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%1/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// A private session bus with fake screen-saver and power-management services on it. The
// process's session bus connection is made on first use, after the address is set here.
class SystemManagerBusTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        busDir = new QTemporaryDir;
        QFile config(busDir->filePath(QStringLiteral("bus.conf")));
        config.open(QIODevice::WriteOnly);
        config.write(QString::fromLatin1(kBusConfig).arg(busDir->path()).toUtf8());
        config.close();
        busDaemon = new QProcess;
        busDaemon->start(daemon, {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                                  QStringLiteral("--config-file=") + config.fileName()});
        if (!busDaemon->waitForReadyRead(10000))
            return;
        const QByteArray address = busDaemon->readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);

        serviceThread = new QThread;
        serviceThread->start();
        screenSaver = new FakeInhibitService(41);
        power = new FakeInhibitService(77);
        screenSaver->moveToThread(serviceThread);
        power->moveToThread(serviceThread);
        QDBusConnection services = QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("fake"));
        services.registerVirtualObject(QStringLiteral("/org/freedesktop/ScreenSaver"), screenSaver);
        services.registerVirtualObject(QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"), power);
        services.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
        services.registerService(QStringLiteral("org.freedesktop.PowerManagement"));
    }

    static void TearDownTestSuite()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("fake"));
        if (serviceThread) {
            serviceThread->quit();
            serviceThread->wait();
        }
        delete screenSaver;
        delete power;
        delete serviceThread;
        if (busDaemon) {
            busDaemon->kill();
            busDaemon->waitForFinished();
        }
        delete busDaemon;
        delete busDir;
    }

    void SetUp() override
    {
        if (!screenSaver)
            GTEST_SKIP() << "dbus-daemon is not available";
    }

    void TearDown() override
    {
        manager.restoreScreensaver();
        manager.restoreSystemPowerManagement();
    }

    static QDBusConnection fakeServices() { return QDBusConnection(QStringLiteral("fake")); }

    SystemManager& manager = SystemManager::Instance();
    static inline QTemporaryDir* busDir = nullptr;
    static inline QProcess* busDaemon = nullptr;
    static inline QThread* serviceThread = nullptr;
    static inline FakeInhibitService* screenSaver = nullptr;
    static inline FakeInhibitService* power = nullptr;
};

TEST_F(SystemManagerBusTest, ScreenSaverCookieIsTakenOnceAndGivenBack)
{
    const size_t before = screenSaver->calls().size();
    manager.inhibitScreensaver(QStringLiteral("Playing a film"));
    manager.inhibitScreensaver(QStringLiteral("Playing a film"));
    EXPECT_TRUE(manager.isScreensaverInhibitedBySystem());
    EXPECT_FALSE(manager.isPowerManagementInhibited());
    manager.restoreScreensaver();
    EXPECT_FALSE(manager.isScreensaverInhibited());
    EXPECT_FALSE(manager.isScreensaverInhibitedBySystem());

    const std::vector<Call> calls = screenSaver->calls();
    ASSERT_EQ(calls.size(), before + 2);
    EXPECT_EQ(calls[before].interface, QStringLiteral("org.freedesktop.ScreenSaver"));
    EXPECT_EQ(calls[before].member, QStringLiteral("Inhibit"));
    ASSERT_EQ(calls[before].arguments.size(), 2);
    EXPECT_EQ(calls[before].arguments.at(1).toString(), QStringLiteral("Playing a film"));
    EXPECT_EQ(calls[before + 1].member, QStringLiteral("UnInhibit"));
    EXPECT_EQ(calls[before + 1].arguments, QVariantList{QVariant::fromValue(quint32(41))});
}

TEST_F(SystemManagerBusTest, PowerManagementCookieIsGivenBackOnRestore)
{
    const size_t before = power->calls().size();
    manager.inhibitSystemPowerManagement();
    EXPECT_TRUE(manager.isPowerManagementInhibitedBySystem());
    manager.restoreScreensaver(); // the other inhibition: leaves this one alone
    EXPECT_TRUE(manager.isPowerManagementInhibited());
    manager.restoreSystemPowerManagement();
    manager.restoreSystemPowerManagement();

    const std::vector<Call> calls = power->calls();
    ASSERT_EQ(calls.size(), before + 2);
    EXPECT_EQ(calls[before].interface, QStringLiteral("org.freedesktop.PowerManagement.Inhibit"));
    EXPECT_EQ(calls[before].member, QStringLiteral("Inhibit"));
    EXPECT_EQ(calls[before + 1].member, QStringLiteral("UnInhibit"));
    EXPECT_EQ(calls[before + 1].arguments, QVariantList{QVariant::fromValue(quint32(77))});
}

TEST_F(SystemManagerBusTest, WithoutTheServiceOnlyTheBookkeepingIsKept)
{
    ASSERT_TRUE(fakeServices().unregisterService(QStringLiteral("org.freedesktop.ScreenSaver")));
    const size_t before = screenSaver->calls().size();
    manager.inhibitScreensaver();
    EXPECT_TRUE(manager.isScreensaverInhibited());
    EXPECT_FALSE(manager.isScreensaverInhibitedBySystem());
    manager.restoreScreensaver();
    EXPECT_FALSE(manager.isScreensaverInhibited());
    EXPECT_EQ(screenSaver->calls().size(), before);
    ASSERT_TRUE(fakeServices().registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
}

} // namespace
