#include "hintserver.h"
#include "qtprinters.h"
#include "scopedsettings.h"

#include "mpx/osutilities.h"
#include "mpx/pingmanager.h"
#include "settings/applicationsettings.h"
#include "shell/usagehints.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <memory>

using namespace MovraPlayerX;

namespace {

const char kWinOpen[] = "/hint/m10-winplayer/WindowsPlayerOpen";
const char kWinDaily[] = "/hint/m10-winplayer/WindowsPlayerOpen-unique-per-day";
const char kWinOffline[] = "/hint/m10-winplayer/launch-internet-inactive";
const char kWinFirstRun[] = "/hint/m10-winplayer/FirstRunAfterInstall";
const char kWinClose[] = "/hint/m10-winplayer/WindowsPlayerClose";

std::time_t utcTime(int year, int month, int day, int hour = 12, int minute = 0)
{
    std::tm date{};
    date.tm_year = year - 1900;
    date.tm_mon = month - 1;
    date.tm_mday = day;
    date.tm_hour = hour;
    date.tm_min = minute;
    return timegm(&date);
}

class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone)
        : m_previous(qgetenv("TZ"))
        , m_hadPrevious(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_hadPrevious)
            qputenv("TZ", m_previous);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray m_previous;
    bool m_hadPrevious;
};

ApplicationSettings& settings()
{
    return ApplicationSettings::startup();
}

// One player run's worth of hint state: a registry, a platform, a clock and a hint server.
class UsageHints : public ::testing::Test
{
protected:
    void TearDown() override
    {
        PingManager::close();
        setHintClockForTesting({});
        OSUtilities::setPlatformForTesting(0);
    }

    void useServer(const QString& baseUrl)
    {
        m_serverVariable.reset();
        m_serverVariable = std::make_unique<MovraTest::ScopedEnvironment>(PingManager::kServerEnvironmentVariable,
                                                                          baseUrl.toUtf8().constData());
    }

    void setToday(std::time_t time)
    {
        setHintClockForTesting([time] { return time; });
    }

    // Start-up hints, then the close hint; returns once every hint was answered or gave up.
    void run(int platform = OSUtilities::PlatformWindows)
    {
        OSUtilities::setPlatformForTesting(platform);
        PingManager::init();
        sendStartHints();
        sendCloseHint();
        PingManager::close();
    }

    ScopedSettings m_settings;
    std::unique_ptr<MovraTest::ScopedEnvironment> m_serverVariable;
};

TEST_F(UsageHints, FirstRunOnFifthOfMarchSendsOpenDailyAndFirstRunHints)
{
    HintServer server;
    useServer(server.baseUrl());
    setToday(utcTime(2027, 3, 5));

    run();

    EXPECT_EQ(server.paths(), QStringList({kWinOpen, kWinDaily, kWinFirstRun, kWinClose}));
    EXPECT_EQ(settings().get(kFirstRunAdayPingTime, int32_t(-1)), 63);
    EXPECT_TRUE(settings().get(kFirstRunPingSent, false));
    EXPECT_EQ(ScopedSettings::storedValues("PlayerState"),
              QStringList({"FirstRunAdayPingTime", "FirstRunPingSent"}));
}

TEST_F(UsageHints, MacUsesItsOwnAddresses)
{
    HintServer server;
    useServer(server.baseUrl());
    setToday(utcTime(2027, 3, 5));

    run(OSUtilities::PlatformMac);

    EXPECT_EQ(server.paths(), QStringList({"/hint/m10-macplayer/MacPlayerOpen",
                                           "/hint/m10-macplayer/MacPlayerOpen-unique-per-day",
                                           "/hint/m10-macplayer/FirstRunAfterInstall",
                                           "/hint/m10-macplayer/MacPlayerClose"}));
}

TEST_F(UsageHints, SecondRunTheSameDaySendsOnlyTheOpenHint)
{
    HintServer server;
    useServer(server.baseUrl());
    setToday(utcTime(2027, 3, 5, 8));
    run();
    setToday(utcTime(2027, 3, 5, 23, 59));

    run();

    EXPECT_EQ(server.paths().mid(4), QStringList({kWinOpen, kWinClose}));
}

TEST_F(UsageHints, FirstRunOnFirstOfJanuarySendsNoDailyHint)
{
    HintServer server;
    useServer(server.baseUrl());
    setToday(utcTime(2027, 1, 1));

    run();

    EXPECT_EQ(server.paths(), QStringList({kWinOpen, kWinFirstRun, kWinClose}));
    EXPECT_EQ(ScopedSettings::storedValues("PlayerState"), QStringList({"FirstRunPingSent"}));
}

TEST_F(UsageHints, DayOfYearIsTheUtcDay)
{
    struct Case
    {
        const char* name;
        std::time_t time;
        int32_t day;
    };
    // Late evening UTC is already the next day east of Greenwich: the local day must not count.
    ScopedTimeZone zone("JST-9");
    const Case cases[] = {
        {"5 March, common year", utcTime(2027, 3, 5), 63},
        {"5 March, leap year", utcTime(2028, 3, 5), 64},
        {"2 January", utcTime(2027, 1, 2), 1},
        {"31 December, common year, late", utcTime(2027, 12, 31, 23, 30), 364},
        {"31 December, leap year", utcTime(2028, 12, 31), 365},
        {"28 February, late", utcTime(2027, 2, 28, 20), 58},
    };
    HintServer server;
    useServer(server.baseUrl());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings().set(kFirstRunAdayPingTime, int32_t(0));
        setToday(c.time);
        run();
        EXPECT_EQ(settings().get(kFirstRunAdayPingTime, int32_t(-1)), c.day);
        EXPECT_TRUE(server.paths().contains(kWinDaily));
    }
}

TEST_F(UsageHints, UnreadableClockSkipsOnlyTheDailyHint)
{
    HintServer server;
    useServer(server.baseUrl());
    setToday(std::numeric_limits<std::time_t>::max());

    run();

    EXPECT_EQ(server.paths(), QStringList({kWinOpen, kWinFirstRun, kWinClose}));
    EXPECT_EQ(ScopedSettings::storedValues("PlayerState"), QStringList({"FirstRunPingSent"}));
}

TEST_F(UsageHints, OfflineRunIsReportedByTheNextOnlineRun)
{
    useServer(HintServer::closedPortUrl());
    setToday(utcTime(2027, 3, 5));
    run();
    EXPECT_EQ(ScopedSettings::storedValues("PlayerState"), QStringList({"RunWithoutInternetConnection"}));
    EXPECT_TRUE(settings().get(kRunWithoutInternetConnection, false));

    HintServer server;
    useServer(server.baseUrl());
    setToday(utcTime(2027, 3, 6));
    run();

    EXPECT_EQ(server.paths(), QStringList({kWinOpen, kWinDaily, kWinOffline, kWinFirstRun, kWinClose}));
    EXPECT_FALSE(settings().get(kRunWithoutInternetConnection, true));
    EXPECT_EQ(settings().get(kFirstRunAdayPingTime, int32_t(-1)), 64);

    run();
    EXPECT_EQ(server.paths().mid(5), QStringList({kWinOpen, kWinClose}));
}

TEST_F(UsageHints, ServerErrorStillCountsAsReached)
{
    HintServer server(HintServer::Answer::Error);
    useServer(server.baseUrl());
    setToday(utcTime(2027, 3, 5));

    run();

    EXPECT_EQ(server.paths(), QStringList({kWinOpen, kWinDaily, kWinFirstRun, kWinClose}));
    EXPECT_FALSE(settings().get(kRunWithoutInternetConnection, false));
}

TEST_F(UsageHints, SilentServerDelaysStartUpOnlyUntilThePingTimeout)
{
    HintServer server(HintServer::Answer::Never);
    useServer(server.baseUrl());
    setToday(utcTime(2027, 3, 5));
    OSUtilities::setPlatformForTesting(OSUtilities::PlatformWindows);

    QElapsedTimer startUp;
    startUp.start();
    PingManager::init();
    sendStartHints();
    const qint64 startUpMs = startUp.elapsed();
    sendCloseHint();
    QElapsedTimer shutDown;
    shutDown.start();
    PingManager::close();
    const qint64 shutDownMs = shutDown.elapsed();

    RecordProperty("startUpMs", static_cast<int>(startUpMs));
    RecordProperty("shutDownMs", static_cast<int>(shutDownMs));
    std::printf("silent hint server: start-up hints took %lld ms, close %lld ms (ping timeout %d ms)\n",
                static_cast<long long>(startUpMs), static_cast<long long>(shutDownMs),
                PingManager::kPingTimeoutMs);
    // Generous bound: only a hang should fail here.
    EXPECT_LT(startUpMs, 10 * PingManager::kPingTimeoutMs);
    EXPECT_TRUE(settings().get(kRunWithoutInternetConnection, false));
    EXPECT_EQ(server.paths(), QStringList({kWinOpen, kWinClose}));
}

TEST_F(UsageHints, PlatformsWithoutHintsSendAndWriteNothing)
{
    HintServer server;
    useServer(server.baseUrl());
    setToday(utcTime(2027, 3, 5));

    for (int platform : {int(OSUtilities::PlatformLinux), int(OSUtilities::PlatformUnknown), 7, -1}) {
        SCOPED_TRACE(platform);
        run(platform);
        if (platform == 0) { // 0 lifts the override: this machine's own answer
            EXPECT_EQ(OSUtilities::getPlatform(), int(OSUtilities::PlatformLinux));
        }
    }

    EXPECT_EQ(server.paths(), QStringList());
    EXPECT_EQ(ScopedSettings::storedValues("PlayerState"), QStringList());
}

} // namespace
