// Libraries are unloaded by the cleaner thread 5 to 6 seconds after their last object went,
// and loaded again, dependencies included, on the next request. These tests wait for it.

#include "framework/farm.h"
#include "support/farmfixture.h"
#include "support/testcounters.h"
#include "support/testsupport.h"

#include <MovraPlayerX/PluginInterfaces.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

using fwtest::LogCapture;
using fwtest::isMapped;
using fwtest::waitFor;
using fwtest::wide;
using MSE::PluginContext;

namespace {

// Generous: the sweep is due 5 s after the last release and the cleaner wakes every second,
// but a sanitizer build on a busy machine runs late.
constexpr std::chrono::milliseconds kSweepWait{15000};

// An unload is never early: a library stays at least 5 s after its last object went (the
// tick count is whole milliseconds, hence the small allowance). Nor much late: the cleaner
// wakes every second, so about 6 s, with room for a loaded machine. Sanitizer builds are
// only held to kSweepWait.
constexpr double kEarliestUnload = 4.95;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kLatestUnload = kSweepWait.count() / 1000.0;
#else
constexpr double kLatestUnload = 8.0;
#endif

class LifecycleTest : public fwtest::FarmTest
{
protected:
    void SetUp() override
    {
        FarmTest::SetUp();
        ASSERT_EQ(farm->discoverPlugins(wide(fwtest::pluginFolder("lifecycle"))), MSE::kResultOk);
    }
    MSE::Plugin* get(const char* name)
    {
        MSE::Plugin* plugin = nullptr;
        EXPECT_EQ(farm->getPlugin(&plugin, PluginContext::PluginNameFilter(name),
                                  PluginContext::SimplePluginInfoSelector(), true),
                  0);
        return plugin;
    }
    // Runs the object's start-up interface; alpha's needs its dependency library.
    static void runStartup(MSE::Plugin* plugin)
    {
        void* startup = nullptr;
        ASSERT_EQ(plugin->getInterface(MovraPlayerX::kStartupInterface, &startup), MSE::kResultOk);
        static_cast<MovraPlayerX::IStartup*>(startup)->run();
    }
};

TEST_F(LifecycleTest, UnloadedAfterTheLastReleaseAndLoadedAgainWithItsDependency)
{
    LogCapture log;
    for (int round = 0; round < 2; ++round) {
        MSE::Plugin* alpha = get("test.alpha");
        ASSERT_TRUE(alpha);
        EXPECT_TRUE(isMapped("Alpha.so"));
        EXPECT_TRUE(isMapped("AlphaDependency.so"));
        const int64_t runs = ftc_startupRuns();
        runStartup(alpha);
        EXPECT_EQ(ftc_startupRuns(), runs + 1) << "the dependency answered";

        alpha->release();
        EXPECT_TRUE(isMapped("Alpha.so")) << "unloading waits for the cleaner";
        const double untilAlphaGoes = waitFor([] { return !isMapped("Alpha.so"); }, kSweepWait);
        const double seconds = waitFor([] { return !isMapped("AlphaDependency.so"); }, kSweepWait);
        ASSERT_GE(untilAlphaGoes, 0) << "still mapped";
        ASSERT_GE(seconds, 0) << "dependency still mapped";
        std::printf("round %d: unmapped %.2f s after the last release\n", round, untilAlphaGoes);
        EXPECT_GE(untilAlphaGoes, kEarliestUnload);
        EXPECT_LE(untilAlphaGoes + seconds, kLatestUnload);
        EXPECT_EQ(libraryCount(), 0u);
        EXPECT_EQ(log.count("Unloading library for plugin 'test.alpha'"), round + 1);
    }
}

TEST_F(LifecycleTest, ARequestBeforeTheSweepKeepsThatLibrary)
{
    MSE::Plugin* alpha = get("test.alpha");
    MSE::Plugin* beta = get("test.beta");
    ASSERT_TRUE(alpha && beta);
    LogCapture log;
    alpha->release();
    beta->release();
    alpha = get("test.alpha");
    ASSERT_TRUE(alpha);
    ASSERT_GE(waitFor([] { return !isMapped("Beta.so"); }, kSweepWait), 0);
    EXPECT_TRUE(isMapped("Alpha.so"));
    EXPECT_TRUE(log.contains("Unloading library for plugin 'test.beta'"));
    EXPECT_FALSE(log.contains("test.alpha")) << log.text();
    alpha->release();
    ASSERT_GE(waitFor([] { return !isMapped("Alpha.so"); }, kSweepWait), 0);
}

TEST_F(LifecycleTest, DeferredReleaseKeepsTheLibraryUntilCompleted)
{
    // Delta's objects ask for deferred release when their count reaches 0.
    const int64_t live = ftc_liveObjects();
    MSE::Plugin* delta = get("test.delta");
    ASSERT_TRUE(delta);
    delta->release();
    EXPECT_TRUE(farm->plugins.empty());
    ASSERT_EQ(farm->releasedPlugins.size(), 1u);
    EXPECT_EQ(farm->releasedPlugins.at(0), delta);

    // A sweep triggered by another plug-in leaves delta alone.
    MSE::Plugin* gamma = get("test.gamma");
    gamma->release();
    ASSERT_GE(waitFor([] { return !isMapped("Gamma.so"); }, kSweepWait), 0);
    EXPECT_TRUE(isMapped("Delta.so"));

    EXPECT_EQ(farm->completePluginRelease(delta), MSE::kResultOk);
    EXPECT_TRUE(farm->releasedPlugins.empty());
    delete delta;
    EXPECT_EQ(ftc_liveObjects(), live);
    ASSERT_GE(waitFor([] { return !isMapped("Delta.so"); }, kSweepWait), 0);
}

TEST_F(LifecycleTest, AFailedEntryLeavesTheLibraryForTheNextSweep)
{
    // The failing plug-in lives in the discovery folder; register just that one.
    ASSERT_EQ(farm->addPlugin(wide(fwtest::pluginFolder("discovery")), wide("FailingEntry.so")), MSE::kResultOk);
    MSE::Plugin* plugin = nullptr;
    MSE::List<MSE::PluginInfo*> infos;
    ASSERT_EQ(farm->getPluginInfos(&infos, PluginContext::PluginNameFilter("test.failingentry")), MSE::kResultOk);
    EXPECT_EQ(farm->createPlugin(infos.at(0), &plugin), 42);
    EXPECT_TRUE(isMapped("FailingEntry.so"));
    // Nothing scheduled a sweep yet; another plug-in's release does.
    get("test.beta")->release();
    ASSERT_GE(waitFor([] { return !isMapped("FailingEntry.so") && !isMapped("Beta.so"); }, kSweepWait), 0);
}

} // namespace
