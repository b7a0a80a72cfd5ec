// Several threads obtain and release objects of several real plug-ins while the cleaner
// thread unloads the libraries nobody uses. Meant to run under ThreadSanitizer as well.

#include "framework/farm.h"
#include "support/testcounters.h"
#include "support/testsupport.h"

#include <MovraPlayerX/PluginInterfaces.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using fwtest::isMapped;
using fwtest::waitFor;
using fwtest::wide;
using MSE::PluginContext;

namespace {

const char* const kNames[] = {"test.alpha", "test.beta", "test.gamma"};
const char* const kFiles[] = {"Alpha.so", "Beta.so", "Gamma.so"};
constexpr int kThreads = 4;
constexpr std::chrono::milliseconds kSweepWait{30000};

void useObject(MSE::Plugin* plugin)
{
    void* startup = nullptr;
    if (plugin->getInterface(MovraPlayerX::kStartupInterface, &startup) == 0)
        static_cast<MovraPlayerX::IStartup*>(startup)->run();
}

// One step of a worker: obtain objects one of several ways, use them, give them back.
void step(MSE::Farm* farm, unsigned& seed)
{
    seed = seed * 1103515245u + 12345u;
    const unsigned pick = (seed >> 8) % 3;
    const unsigned how = (seed >> 12) % 6;
    MSE::Plugin* plugin = nullptr;
    switch (how) {
    case 0:
    case 1:
        if (farm->getPlugin(&plugin, PluginContext::PluginNameFilter(kNames[pick]),
                            PluginContext::SimplePluginInfoSelector(), true) == 0) {
            useObject(plugin);
            plugin->release();
        }
        break;
    case 2: {
        MSE::List<MSE::PluginInfo*> infos;
        if (farm->getPluginInfos(&infos, PluginContext::PluginNameFilter(kNames[pick])) == 0
            && farm->getPlugin(infos.at(0), &plugin, true) == 0) {
            useObject(plugin);
            farm->releasePluginReference(plugin);
        }
        break;
    }
    case 3: {
        MSE::List<MSE::PluginInfo*> infos;
        if (farm->getPluginInfos(&infos, PluginContext::NullFilter()) == 0
            && farm->createPlugin(infos.at(pick % infos.size()), &plugin) == 0) {
            useObject(plugin);
            plugin->release();
        }
        break;
    }
    case 4: {
        std::vector<MSE::Plugin*> live;
        farm->getLivePlugins(&live, PluginContext::PluginInterfaceFilter(MovraPlayerX::kStartupInterface));
        for (MSE::Plugin* object : live) {
            useObject(object);
            object->release();
        }
        break;
    }
    default:
        farm->isVideoFormatSupported("H264");
        farm->isAudioFormatSupported(85);
        break;
    }
}

bool mapped(int index) { return isMapped(kFiles[index]); }

TEST(FarmStressTest, ThreadsObtainAndReleaseWhileTheCleanerUnloads)
{
    fwtest::useLogFile();
    MSE::Farm* farm = MSE::Farm::instance();
    ASSERT_EQ(farm->discoverPlugins(wide(fwtest::pluginFolder("lifecycle"))), MSE::kResultOk);
    const int64_t liveBefore = ftc_liveObjects();
    const int64_t createdBefore = ftc_createdObjects();

    for (int round = 0; round < 2; ++round) {
        // Everyone hammers every plug-in for a while.
        std::atomic<bool> stop{false};
        std::vector<std::thread> workers;
        for (int t = 0; t < kThreads; ++t) {
            workers.emplace_back([farm, &stop, t, round] {
                unsigned seed = static_cast<unsigned>(t * 7919 + round);
                while (!stop)
                    step(farm, seed);
            });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        stop = true;
        for (std::thread& worker : workers)
            worker.join();
        workers.clear();

        // One thread holds alpha while the others keep obtaining and releasing it; the
        // cleaner meanwhile unloads beta and gamma, which nobody uses any more.
        MSE::Plugin* held = nullptr;
        ASSERT_EQ(farm->getPlugin(&held, PluginContext::PluginNameFilter(kNames[0]),
                                  PluginContext::SimplePluginInfoSelector(), true),
                  0);
        stop = false;
        for (int t = 1; t < kThreads; ++t) {
            workers.emplace_back([farm, &stop] {
                while (!stop) {
                    MSE::Plugin* plugin = nullptr;
                    if (farm->getPlugin(&plugin, PluginContext::PluginNameFilter(kNames[0]),
                                        PluginContext::SimplePluginInfoSelector(), true) == 0) {
                        useObject(plugin);
                        plugin->release();
                    }
                    farm->isAudioFormatSupported(85);
                }
            });
        }
        const double swept = waitFor([] { return !mapped(1) && !mapped(2); }, kSweepWait);
        stop = true;
        for (std::thread& worker : workers)
            worker.join();
        EXPECT_GE(swept, 0) << "beta and gamma still mapped";
        EXPECT_TRUE(mapped(0)) << "alpha is held";
        EXPECT_EQ(held->getRefCount(), 1);
        held->release();
    }

    const double unloaded = waitFor([] { return !mapped(0) && !mapped(1) && !mapped(2) && !isMapped("AlphaDependency.so"); },
                                    kSweepWait);
    EXPECT_GE(unloaded, 0) << "a library stayed mapped";
    EXPECT_TRUE(farm->plugins.empty());
    EXPECT_TRUE(farm->releasedPlugins.empty());
    {
        boost::recursive_mutex::scoped_lock lock(farm->farmLock);
        EXPECT_TRUE(farm->libraries.empty());
    }
    EXPECT_EQ(ftc_liveObjects(), liveBefore) << "every object was deleted";
    std::printf("%lld objects created; all libraries unmapped %.2f s after the last release\n",
                static_cast<long long>(ftc_createdObjects() - createdBefore), unloaded);
}

} // namespace
