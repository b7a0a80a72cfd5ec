#include "loopbackhttpserver.h"
#include "mpx/pingmanager.h"
#include "support/scopedenvironment.h"

#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <gtest/gtest.h>

using MovraTest::ScopedEnvironment;

using MovraPlayerX::PingManager;

namespace {

// Far above the ping timeout: only catches a hang, never measures speed.
constexpr qint64 kHangGuardMs = 30000;

int hintThreads()
{
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name == "movra-hints")
            ++count;
    }
    return count;
}

// A joined QThread can still be listed for a moment: its wait() returns before the system
// thread has finished exiting.
int hintThreadsOnceSettled(int expected)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int count = hintThreads();
    while (count != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        count = hintThreads();
    }
    return count;
}

bool mapped(const char* library)
{
    std::ifstream maps("/proc/self/maps");
    const std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
    return text.find(library) != std::string::npos;
}

// First in this file: the process must not have sent a hint yet.
// A run that sends no hint must not pay for mapping QtNetwork and what it brings along; the
// caller's preparation runs once, before the network libraries arrive.
TEST(PingManagerModule, TheNetworkLibrariesArriveWithTheFirstHint)
{
    LoopbackHttpServer server(200);
    int prepared = 0;
    bool networkMappedWhenPrepared = true;
    PingManager::init([&] {
        ++prepared;
        networkMappedWhenPrepared = mapped("libQt6Network");
    });
    EXPECT_FALSE(mapped("libQt6Network"));
    EXPECT_FALSE(mapped("MPXHints.so"));
    EXPECT_FALSE(PingManager::sendPing("ftp://127.0.0.1/hint", true)); // refused before any loading
    EXPECT_FALSE(mapped("MPXHints.so"));
    EXPECT_EQ(prepared, 0);

    EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + "/hint/first", true));
    EXPECT_EQ(prepared, 1);
    EXPECT_FALSE(networkMappedWhenPrepared);
    EXPECT_TRUE(mapped("libQt6Network"));
    EXPECT_TRUE(mapped("MPXHints.so"));
    EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + "/hint/second", false));
    PingManager::close();
    EXPECT_EQ(prepared, 1);

    // Sending again after close() reuses the loaded module; a new preparation is not needed.
    bool preparedAgain = false;
    PingManager::init([&] { preparedAgain = true; });
    EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + "/hint/third", true));
    PingManager::close();
    EXPECT_FALSE(preparedAgain);
    EXPECT_EQ(server.requestPaths(), (std::vector<std::string>{"/hint/first", "/hint/second", "/hint/third"}));
}

class PingManagerTest : public ::testing::Test
{
protected:
    void SetUp() override { PingManager::init(); }
    void TearDown() override { PingManager::close(); }
};

TEST_F(PingManagerTest, AnyHttpAnswerCountsAsReached)
{
    for (int status : {200, 301, 404, 500}) {
        SCOPED_TRACE(status);
        LoopbackHttpServer server(status);
        EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + "/hint/open?x=1", true));
        EXPECT_EQ(server.requestPaths(), std::vector<std::string>{"/hint/open?x=1"});
    }
}

TEST_F(PingManagerTest, SilentServerIsUnreachableAfterTheTimeout)
{
    LoopbackHttpServer server(LoopbackHttpServer::kSilent);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(PingManager::sendPing(server.baseUrl() + "/hint/open", true));
    // A slow server gets its whole time before it counts as unreachable: giving up early would
    // lose hints to servers that are merely slow. Qt's coarse timers may fire up to 5 % early.
    EXPECT_GE(clock.elapsed(), PingManager::kPingTimeoutMs * 95 / 100);
    EXPECT_LT(clock.elapsed(), kHangGuardMs);
    EXPECT_EQ(server.requestPaths(), std::vector<std::string>{"/hint/open"});
}

TEST_F(PingManagerTest, ClosedPortIsUnreachable)
{
    const QString url = QStringLiteral("http://127.0.0.1:%1/hint/open").arg(LoopbackHttpServer::closedPort());
    EXPECT_FALSE(PingManager::sendPing(url, true));
}

TEST_F(PingManagerTest, UnusableAddressesAreRefusedWithoutARequest)
{
    LoopbackHttpServer server(200);
    const QString port = QString::number(server.port());
    const QString addresses[] = {
        QString(),
        QStringLiteral("not an address"),
        QStringLiteral("/hint/relative"),
        QStringLiteral("http://"),
        QStringLiteral("ftp://127.0.0.1:%1/hint").arg(port),
        QStringLiteral("file:///etc/passwd"),
        QStringLiteral("http://127.0.0.1:%1/bad path with spaces%").arg(port),
    };
    for (const QString& address : addresses) {
        SCOPED_TRACE(address.toStdString());
        EXPECT_FALSE(PingManager::sendPing(address, true));
        EXPECT_FALSE(PingManager::sendPing(address, false));
    }
    // A good hint afterwards is the only request the server ever sees.
    EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + "/hint/ok", true));
    EXPECT_EQ(server.requestPaths(), std::vector<std::string>{"/hint/ok"});
}

TEST_F(PingManagerTest, HintsWithoutWaitingArriveInOrderBeforeCloseReturns)
{
    LoopbackHttpServer server(200);
    EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + "/hint/open", true));
    for (const char* path : {"/hint/a-unique-per-day", "/hint/b", "/hint/c"})
        EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + path, false));
    PingManager::close();
    EXPECT_EQ(server.requestPaths(),
              (std::vector<std::string>{"/hint/open", "/hint/a-unique-per-day", "/hint/b", "/hint/c"}));
}

TEST_F(PingManagerTest, CloseAbandonsHintsToASilentServer)
{
    LoopbackHttpServer server(LoopbackHttpServer::kSilent);
    for (const char* path : {"/hint/a", "/hint/b", "/hint/c"})
        EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + path, false));
    ASSERT_TRUE(server.waitForRequests(1));
    QElapsedTimer clock;
    clock.start();
    PingManager::close();
    EXPECT_LT(clock.elapsed(), kHangGuardMs);
    // After close nothing more is sent; the queued hints behind the first were dropped.
    EXPECT_FALSE(PingManager::sendPing(server.baseUrl() + "/hint/late", false));
    const std::vector<std::string> paths = server.requestPaths();
    EXPECT_EQ(paths.front(), "/hint/a");
    EXPECT_EQ(std::count(paths.begin(), paths.end(), "/hint/late"), 0);
}

TEST_F(PingManagerTest, WaitingBehindASilentHintGivesUpAndLaterHintsStillGoOut)
{
    LoopbackHttpServer silent(LoopbackHttpServer::kSilent);
    LoopbackHttpServer answering(200);
    EXPECT_TRUE(PingManager::sendPing(silent.baseUrl() + "/hint/stuck", false));
    // Either the silent hint is still in the way or this one has its own time left; both end.
    QElapsedTimer clock;
    clock.start();
    PingManager::sendPing(answering.baseUrl() + "/hint/open", true);
    EXPECT_LT(clock.elapsed(), kHangGuardMs);
    EXPECT_TRUE(PingManager::sendPing(answering.baseUrl() + "/hint/next", true));
    EXPECT_EQ(answering.requestPaths().back(), "/hint/next");
}

TEST(PingManagerLifecycle, NothingIsSentWithoutInitOrAfterClose)
{
    LoopbackHttpServer server(200);
    PingManager::close(); // without init: harmless
    EXPECT_FALSE(PingManager::sendPing(server.baseUrl() + "/hint/early", true));
    PingManager::init();
    PingManager::init(); // a second init keeps the running thread
    EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + "/hint/during", true));
    PingManager::close();
    PingManager::close();
    EXPECT_FALSE(PingManager::sendPing(server.baseUrl() + "/hint/after", false));
    PingManager::init(); // hint sending can start again
    EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + "/hint/again", true));
    PingManager::close();
    EXPECT_EQ(server.requestPaths(), (std::vector<std::string>{"/hint/during", "/hint/again"}));
}

// A run that never sends a hint (every run on a platform without hints) starts no network thread.
TEST(PingManagerLifecycle, TheNetworkThreadStartsWithTheFirstHint)
{
    LoopbackHttpServer server(200);
    PingManager::init();
    EXPECT_EQ(hintThreadsOnceSettled(0), 0);
    EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + "/hint/first", true));
    EXPECT_TRUE(PingManager::sendPing(server.baseUrl() + "/hint/second", true));
    EXPECT_EQ(hintThreads(), 1);
    PingManager::close();
    EXPECT_EQ(hintThreadsOnceSettled(0), 0);
    EXPECT_EQ(server.requestPaths(), (std::vector<std::string>{"/hint/first", "/hint/second"}));
}

TEST(PingManagerServer, BaseUrlComesFromTheEnvironmentWithoutTrailingSlash)
{
    {
        ScopedEnvironment server(PingManager::kServerEnvironmentVariable, nullptr);
        EXPECT_EQ(PingManager::serverBaseUrl(), QString::fromLatin1(PingManager::kDefaultServerBaseUrl));
    }
    {
        ScopedEnvironment server(PingManager::kServerEnvironmentVariable, "http://127.0.0.1:8080//");
        EXPECT_EQ(PingManager::serverBaseUrl(), QStringLiteral("http://127.0.0.1:8080"));
    }
}

} // namespace
