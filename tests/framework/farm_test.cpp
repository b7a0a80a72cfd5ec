#include "framework/farm.h"
#include "framework/plugininfoloader.h"
#include "support/farmfixture.h"
#include "support/testcounters.h"
#include "support/testsupport.h"

#include <MovraPlayerX/PluginInterfaces.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

using fwtest::LogCapture;
using fwtest::StderrCapture;
using fwtest::TempDir;
using fwtest::narrow;
using fwtest::wide;
using MSE::PluginContext;

namespace {

MSE::Plugin* const kSentinel = reinterpret_cast<MSE::Plugin*>(0xdeadbeef);

std::set<std::string> registeredNames(MSE::Farm& farm)
{
    std::set<std::string> names;
    for (MSE::PluginInfo* info : farm.pluginInfos)
        names.insert(info->name.c_str());
    return names;
}

class DiscoveryTest : public fwtest::FarmTest
{
protected:
    const std::string folder = fwtest::pluginFolder("discovery");
};

TEST_F(DiscoveryTest, ExactlyTheValidDocumentsRegisterAndEachFailureIsLogged)
{
    LogCapture log;
    StderrCapture errors;
    EXPECT_EQ(farm->discoverPlugins(wide(folder)), MSE::kResultOk);

    EXPECT_EQ(registeredNames(*farm), (std::set<std::string>{"test.good", "test.goodupper", "test.noentry",
                                                             "test.failingentry", "test.missingdependency",
                                                             "test.notelf", "test.missingsymbol"}));
    const std::string dir = folder + "/";
    const std::string tag = "MSE::Farm::addPlugin";
    for (const char* broken : {"NotXml", "WrongRoot", "WrongVersion", "NoType"})
        EXPECT_TRUE(logged(log, "Plugin", tag, "Could not parse property file '" + dir + broken + ".xml'")) << broken;
    EXPECT_TRUE(logged(log, "Plugin", tag,
                       "Could not find properties file '" + dir + "NoProperties.xml' for library '" + dir +
                           "NoProperties.so'"));

    // Of the two libraries named test.good, the one listed first stays; the other is refused by name.
    MSE::PluginInfo* good = info("test.good");
    ASSERT_TRUE(good);
    const std::string kept = narrow(good->libraryFile);
    ASSERT_TRUE(kept == "Good.so" || kept == "Duplicate.so") << kept;
    const std::string refused = kept == "Good.so" ? "Duplicate.so" : "Good.so";
    EXPECT_TRUE(logged(log, "Plugin", tag,
                       "Plugin name 'test.good' is not unique. Loaded from library '" + dir + refused + "'"));
    // One line for each of the seven registered plug-ins, so a log shows the whole story.
    for (const char* file : {"Good.so", "GOODUPPER.SO", "NoEntry.so", "FailingEntry.so", "MissingDependency.so", "NotElf.so",
                             "MissingSymbol.so"}) {
        MSE::PluginInfo* record = nullptr;
        for (MSE::PluginInfo* candidate : farm->pluginInfos)
            record = narrow(candidate->libraryFile) == file ? candidate : record;
        if (!record)
            continue;
        EXPECT_TRUE(logged(log, "Plugin", tag,
                           "Registered plugin '" + std::string(record->name.c_str()) + "' from library '" + dir + file + "'"))
            << file;
    }
    EXPECT_EQ(log.lines().size(), 13u) << log.text();

    // The loader's own report for the document that is not XML.
    EXPECT_NE(errors.text().find("Could not parse file '" + dir + "NotXml.xml' contents: 'this is not XML"),
              std::string::npos);
    EXPECT_NE(errors.text().find("Could not find root element of doc '" + dir + "NotXml.xml'"), std::string::npos);
    EXPECT_NE(errors.text().find("Root element of doc '" + dir + "WrongRoot.xml' is not 'properties'"), std::string::npos);

    MSE::PluginInfo* upper = info("test.goodupper");
    ASSERT_TRUE(upper);
    EXPECT_EQ(narrow(upper->libraryFolder), folder) << "the folder as it was given";
    EXPECT_EQ(narrow(upper->libraryFile), "GOODUPPER.SO");
}

TEST_F(DiscoveryTest, ARecordPutIntoTheCatalogueDirectlyStillClaimsItsName)
{
    TempDir dir;
    MSE::PluginInfo* record = MSE::loadPluginInfo(wide(dir.write(
        "Early.xml", "<properties version=\"1.0\"><type>plugin</type><plugin><name>test.good</name></plugin></properties>")));
    ASSERT_TRUE(record);
    farm->pluginInfos.append(record);
    LogCapture log;
    StderrCapture quiet;
    ASSERT_EQ(farm->discoverPlugins(wide(folder)), MSE::kResultOk);
    EXPECT_EQ(log.count("Plugin name 'test.good' is not unique."), 2) << log.text();
    EXPECT_EQ(info("test.good"), record);
}

TEST_F(DiscoveryTest, FolderSpellingsRegisterTheSameLibraries)
{
    MSE::Farm other;
    StderrCapture quiet;
    ASSERT_EQ(farm->discoverPlugins(wide(folder)), MSE::kResultOk);
    std::string backslashed = folder + "\\";
    ASSERT_EQ(other.discoverPlugins(wide(backslashed)), MSE::kResultOk);
    EXPECT_EQ(registeredNames(*farm), registeredNames(other));
    MSE::List<MSE::PluginInfo*> infos;
    other.getPluginInfos(&infos, PluginContext::PluginNameFilter("test.goodupper"));
    ASSERT_EQ(infos.size(), 1u);
    EXPECT_EQ(narrow(infos.at(0)->libraryFolder), backslashed);
}

TEST_F(DiscoveryTest, FoldersWithoutCandidates)
{
    TempDir empty;
    empty.write("readme.txt", "x");
    empty.write("sub/Nested.so", "x");
    LogCapture log;
    EXPECT_EQ(farm->discoverPlugins(wide(empty.path())), MSE::kResultFailed);
    EXPECT_TRUE(logged(log, "Plugin", "MSE::Farm::discoverPlugins", "No files found in folder '" + empty.path() + "/'"));
    EXPECT_EQ(farm->discoverPlugins(wide(empty.path() + "/missing")), MSE::kResultFailed);
    EXPECT_TRUE(farm->pluginInfos.empty());

    TempDir failing;
    failing.write("Lonely.so", "x");
    EXPECT_EQ(farm->discoverPlugins(wide(failing.path())), MSE::kResultOk) << "a candidate that fails still counts";
    EXPECT_TRUE(farm->pluginInfos.empty());
}

TEST_F(DiscoveryTest, PropertiesFileNames)
{
    TempDir dir;
    const char* doc = "<properties version=\"1.0\"><type>plugin</type><plugin><name>%s</name></plugin></properties>";
    auto document = [doc](const char* name) {
        char text[256];
        std::snprintf(text, sizeof text, doc, name);
        return std::string(text);
    };
    dir.write("NoSuffix.xml", document("test.nosuffix"));
    dir.write("Thing.bundle/Contents/Resources/Thing.xml", document("test.bundle"));
    dir.write("two.dots.xml", document("test.twodots"));
    EXPECT_EQ(farm->addPlugin(wide(dir.path()), wide("NoSuffix")), MSE::kResultOk);
    EXPECT_EQ(farm->addPlugin(wide(dir.path()), wide("Thing.bundle")), MSE::kResultOk);
    EXPECT_EQ(farm->addPlugin(wide(dir.path() + "/"), wide("two.dots.so")), MSE::kResultOk);
    EXPECT_EQ(farm->addPlugin(wide(dir.path()), wide("two.dots.so")), MSE::kResultFailed) << "same name again";
    EXPECT_EQ(registeredNames(*farm), (std::set<std::string>{"test.nosuffix", "test.bundle", "test.twodots"}));
}

// Registered libraries that cannot yield an object: each request fails, logs, and tries again.
struct LoadFailureRow
{
    const char* pluginName;
    const char* file;
    int result;
    const char* message; // followed by the library's folder and file and "'"; null: none
};

void PrintTo(const LoadFailureRow& row, std::ostream* out) { *out << row.pluginName; }

class LoadFailureTest : public fwtest::FarmTest, public ::testing::WithParamInterface<LoadFailureRow>
{
};

TEST_P(LoadFailureTest, RequestFailsAndIsLoggedEachTime)
{
    const LoadFailureRow& row = GetParam();
    const std::string folder = fwtest::pluginFolder("discovery");
    {
        StderrCapture quiet;
        ASSERT_EQ(farm->discoverPlugins(wide(folder)), MSE::kResultOk);
    }
    LogCapture log;
    const int64_t created = ftc_createdObjects();
    for (int attempt = 0; attempt < 2; ++attempt) {
        MSE::Plugin* plugin = kSentinel;
        EXPECT_EQ(farm->getPlugin(&plugin, PluginContext::PluginNameFilter(row.pluginName),
                                  PluginContext::SimplePluginInfoSelector(), true),
                  row.result);
        EXPECT_EQ(plugin, kSentinel);
    }
    EXPECT_EQ(ftc_createdObjects(), created);
    EXPECT_TRUE(farm->plugins.empty());
    if (row.message) {
        const std::string message = std::string(row.message) + folder + row.file + "'";
        EXPECT_EQ(log.count(message), 2) << log.text();
        EXPECT_TRUE(logged(log, "Plugin", "MSE::Farm::getLibraryContext", message));
        EXPECT_EQ(libraryCount(), 0u);
        EXPECT_FALSE(fwtest::isMapped(row.file));
        EXPECT_FALSE(farm->lastLoadError(row.pluginName).empty());
    } else {
        // The entry failed: the library is loaded and stays until a sweep finds no object of it.
        EXPECT_EQ(log.text(), "");
        EXPECT_EQ(libraryCount(), 1u);
        EXPECT_TRUE(fwtest::isMapped(row.file));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, LoadFailureTest,
    ::testing::Values(LoadFailureRow{"test.noentry", "NoEntry.so", 3, "Could not resolve _getPlugin symbol in library '"},
                      LoadFailureRow{"test.notelf", "NotElf.so", 3, "Could not load library '"},
                      LoadFailureRow{"test.missingdependency", "MissingDependency.so", 3, "Could not load library '"},
                      LoadFailureRow{"test.missingsymbol", "MissingSymbol.so", 3, "Could not load library '"},
                      LoadFailureRow{"test.failingentry", "FailingEntry.so", 42, nullptr}),
    [](const ::testing::TestParamInfo<LoadFailureRow>& info) { return std::string(info.param.file).substr(0, std::string(info.param.file).find('.')); });

TEST_F(LoadFailureTest, MissingDependencyIsNamedInTheLoadError)
{
    StderrCapture quiet;
    farm->discoverPlugins(wide(fwtest::pluginFolder("discovery")));
    MSE::Plugin* plugin = nullptr;
    farm->getPlugin(info("test.missingdependency"), &plugin, true);
    EXPECT_NE(farm->lastLoadError("test.missingdependency").find("GhostDependency.so"), std::string::npos);
}

TEST_F(LoadFailureTest, AnUndefinedSymbolIsNamedInSourceFormAfterTheLoadersOwnLines)
{
    const std::string folder = fwtest::pluginFolder("discovery");
    {
        StderrCapture quiet;
        ASSERT_EQ(farm->discoverPlugins(wide(folder)), MSE::kResultOk);
    }
    LogCapture log;
    MSE::Plugin* plugin = nullptr;
    EXPECT_EQ(farm->getPlugin(info("test.missingsymbol"), &plugin, true), MSE::kResultFailed);
    const std::vector<std::string> lines = log.lines();
    ASSERT_EQ(lines.size(), 3u) << log.text();
    EXPECT_NE(lines[0].find("Could not load library '" + folder + "MissingSymbol.so'"), std::string::npos);
    EXPECT_NE(lines[1].find("undefined symbol: _ZN13fwtest_absent15missingFunctionEPKci"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("Undefined symbol _ZN13fwtest_absent15missingFunctionEPKci is "
                            "fwtest_absent::missingFunction(char const*, int)"),
              std::string::npos)
        << lines[2];
    EXPECT_NE(farm->lastLoadError("test.missingsymbol").find("(fwtest_absent::missingFunction(char const*, int))"),
              std::string::npos);
}

TEST_F(LoadFailureTest, StatusesKeepEachRefusalAndTheLastLoadFailure)
{
    const std::string folder = fwtest::pluginFolder("discovery") + "/";
    {
        StderrCapture quiet;
        ASSERT_EQ(farm->discoverPlugins(wide(folder)), MSE::kResultOk);
    }
    MSE::Plugin* plugin = nullptr;
    EXPECT_EQ(farm->getPlugin(info("test.failingentry"), &plugin, true), 42);
    EXPECT_EQ(farm->getPlugin(info("test.noentry"), &plugin, true), MSE::kResultFailed);
    std::map<std::string, MSE::PluginStatus> byFile;
    for (const MSE::PluginStatus& status : farm->pluginStatuses())
        byFile[status.library.substr(folder.size())] = status;
    EXPECT_EQ(byFile.size(), 13u);
    EXPECT_EQ(byFile["FailingEntry.so"].state, MSE::PluginStatus::LoadFailed);
    EXPECT_EQ(byFile["FailingEntry.so"].reason, "_getPlugin returned 42");
    EXPECT_EQ(byFile["NoEntry.so"].reason, "no _getPlugin entry point");
    EXPECT_EQ(byFile["WrongRoot.so"].state, MSE::PluginStatus::Refused);
    EXPECT_EQ(byFile["NoProperties.so"].reason, "properties document missing: " + folder + "NoProperties.xml");
    EXPECT_EQ(byFile["Good.so"].name, "test.good");
    EXPECT_EQ(byFile["GOODUPPER.SO"].state, MSE::PluginStatus::Registered);
    EXPECT_EQ(byFile["GOODUPPER.SO"].reason, "");
}

class QueryTest : public fwtest::FarmTest
{
protected:
    void SetUp() override
    {
        FarmTest::SetUp();
        StderrCapture quiet;
        ASSERT_EQ(farm->discoverPlugins(wide(fwtest::pluginFolder("discovery"))), MSE::kResultOk);
    }
    int get(const char* name, MSE::Plugin** out, bool create = true)
    {
        return farm->getPlugin(out, PluginContext::PluginNameFilter(name), PluginContext::SimplePluginInfoSelector(),
                               create);
    }
};

TEST_F(QueryTest, GetPluginReusesTheLiveObjectAndAddsAReference)
{
    const int64_t live = ftc_liveObjects();
    MSE::Plugin* first = kSentinel;
    EXPECT_EQ(get("test.good", &first, false), MSE::kResultFailed) << "nothing live and no creation";
    EXPECT_EQ(first, kSentinel);

    ASSERT_EQ(get("test.good", &first), MSE::kResultOk);
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ(first->getPluginInfo(), info("test.good"));
    EXPECT_EQ(first->pluginInfo, info("test.good"));
    EXPECT_EQ(first->getPluginContext(), farm.get());

    MSE::Plugin* second = nullptr;
    ASSERT_EQ(get("test.good", &second), MSE::kResultOk);
    EXPECT_EQ(second, first);
    MSE::Plugin* third = nullptr;
    ASSERT_EQ(get("test.good", &third, false), MSE::kResultOk);
    EXPECT_EQ(third, first);
    EXPECT_EQ(first->getRefCount(), 3);
    EXPECT_EQ(ftc_liveObjects(), live + 1);

    first->release();
    first->release();
    EXPECT_EQ(farm->plugins.size(), 1u);
    first->release();
    EXPECT_TRUE(farm->plugins.empty());
    EXPECT_EQ(ftc_liveObjects(), live);
}

TEST_F(QueryTest, MissingArgumentsAndNoMatch)
{
    EXPECT_EQ(get("test.good", nullptr), MSE::kResultMissingArgument);
    MSE::Plugin* plugin = kSentinel;
    EXPECT_EQ(get("test.nothing", &plugin), MSE::kResultFailed);
    EXPECT_EQ(plugin, kSentinel);
    EXPECT_EQ(farm->getPlugin(nullptr, &plugin, true), MSE::kResultMissingArgument);
    EXPECT_EQ(farm->getPlugin(info("test.good"), nullptr, true), MSE::kResultMissingArgument);
    EXPECT_EQ(farm->createPlugin(nullptr, &plugin), MSE::kResultMissingArgument);
    EXPECT_EQ(farm->createPlugin(info("test.good"), nullptr), MSE::kResultMissingArgument);
    EXPECT_EQ(plugin, kSentinel);
    MSE::List<MSE::PluginInfo*> infos;
    EXPECT_EQ(farm->getPluginInfos(static_cast<MSE::List<MSE::PluginInfo*>*>(nullptr), PluginContext::NullFilter()), MSE::kResultMissingArgument);
    std::vector<MSE::Plugin*>* noVector = nullptr;
    EXPECT_EQ(farm->getLivePlugins(noVector, PluginContext::NullFilter()), MSE::kResultMissingArgument);
}

TEST_F(QueryTest, CreatePluginAlwaysMakesANewObjectAndGetPluginPicksTheEarliest)
{
    MSE::Plugin* first = nullptr;
    MSE::Plugin* second = nullptr;
    ASSERT_EQ(farm->createPlugin(info("test.good"), &first), MSE::kResultOk);
    ASSERT_EQ(farm->createPlugin(info("test.good"), &second), MSE::kResultOk);
    EXPECT_NE(first, second);
    EXPECT_EQ(libraryCount(), 1u) << "two objects share one library";
    MSE::Plugin* again = nullptr;
    ASSERT_EQ(farm->getPlugin(info("test.good"), &again, false), MSE::kResultOk);
    EXPECT_EQ(again, first);
    again->release();
    first->release();
    second->release();
    EXPECT_TRUE(farm->plugins.empty());
}

TEST_F(QueryTest, GetPluginInfosClearsTheListAndKeepsCatalogueOrder)
{
    MSE::List<MSE::PluginInfo*> infos;
    infos.append(info("test.good"));
    EXPECT_EQ(farm->getPluginInfos(&infos, PluginContext::PluginInterfaceFilter("no.such.interface")), MSE::kResultFailed);
    EXPECT_TRUE(infos.empty());
    ASSERT_EQ(farm->getPluginInfos(&infos, PluginContext::PluginInterfaceFilter(MovraPlayerX::kStartupInterface)), MSE::kResultOk);
    ASSERT_EQ(infos.size(), farm->pluginInfos.size());
    for (uint32_t i = 0; i < infos.size(); ++i)
        EXPECT_EQ(infos.at(i), farm->pluginInfos.at(i));
    ASSERT_EQ(farm->getPluginInfos(&infos, PluginContext::PluginInterfaceFilter("test.interface.test.goodupper")), MSE::kResultOk);
    ASSERT_EQ(infos.size(), 1u);
    EXPECT_STREQ(infos.at(0)->name.c_str(), "test.goodupper");
    EXPECT_EQ(farm->getPluginInfos(&infos, PluginContext::PluginNameFilter("TEST.GOOD")), MSE::kResultFailed) << "names are case-sensitive";
}

TEST_F(QueryTest, GetLivePluginsAddsAReferenceToEach)
{
    std::vector<MSE::Plugin*> live{kSentinel};
    EXPECT_EQ(farm->getLivePlugins(&live, PluginContext::NullFilter()), MSE::kResultFailed);
    EXPECT_TRUE(live.empty());
    MSE::Plugin* good = nullptr;
    MSE::Plugin* upper = nullptr;
    ASSERT_EQ(get("test.good", &good), MSE::kResultOk);
    ASSERT_EQ(get("test.goodupper", &upper), MSE::kResultOk);
    ASSERT_EQ(farm->getLivePlugins(&live, PluginContext::PluginInterfaceFilter(MovraPlayerX::kStartupInterface)), MSE::kResultOk);
    EXPECT_EQ(live, (std::vector<MSE::Plugin*>{good, upper}));
    EXPECT_EQ(good->getRefCount(), 2);
    EXPECT_EQ(upper->getRefCount(), 2);
    for (MSE::Plugin* plugin : live)
        farm->releasePluginReference(plugin);
    good->release();
    upper->release();
    EXPECT_TRUE(farm->plugins.empty());
}

TEST_F(QueryTest, InterfacesOfALiveObject)
{
    MSE::Plugin* plugin = nullptr;
    ASSERT_EQ(get("test.good", &plugin), MSE::kResultOk);
    void* startup = nullptr;
    ASSERT_EQ(plugin->getInterface(MovraPlayerX::kStartupInterface, &startup), MSE::kResultOk);
    const int64_t runs = ftc_startupRuns();
    static_cast<MovraPlayerX::IStartup*>(startup)->run();
    EXPECT_EQ(ftc_startupRuns(), runs + 1);
    void* other = kSentinel;
    EXPECT_NE(plugin->getInterface(MovraPlayerX::kURIHandlerInterface, &other), MSE::kResultOk);
    EXPECT_EQ(other, kSentinel);
    plugin->release();
}

TEST_F(QueryTest, ReleaseOperationsRefuseObjectsStillHeld)
{
    MSE::Plugin* plugin = nullptr;
    ASSERT_EQ(get("test.good", &plugin), MSE::kResultOk);
    EXPECT_EQ(farm->releasePlugin(plugin), MSE::kResultMissingArgument);
    EXPECT_EQ(farm->deferPluginRelease(plugin), MSE::kResultMissingArgument);
    EXPECT_EQ(farm->releasePlugin(nullptr), MSE::kResultMissingArgument);
    EXPECT_EQ(farm->deferPluginRelease(nullptr), MSE::kResultMissingArgument);
    EXPECT_EQ(farm->completePluginRelease(nullptr), MSE::kResultMissingArgument);
    EXPECT_EQ(farm->plugins.size(), 1u);
    EXPECT_TRUE(farm->releasedPlugins.empty());
    farm->releasePluginReference(nullptr);
    farm->releasePluginReference(plugin);
    EXPECT_TRUE(farm->plugins.empty());
}

TEST_F(QueryTest, UnloadLibraryRefusesWhileAnObjectLives)
{
    MSE::Plugin* plugin = nullptr;
    ASSERT_EQ(get("test.good", &plugin), MSE::kResultOk);
    const std::string file = narrow(info("test.good")->libraryFile);
    ASSERT_EQ(libraryCount(), 1u);
    MSE::LibraryContext* context = nullptr;
    {
        boost::recursive_mutex::scoped_lock lock(farm->farmLock);
        context = farm->libraries.front();
    }
    LogCapture log;
    EXPECT_EQ(farm->unloadLibrary(context), MSE::kResultFailed);
    EXPECT_TRUE(logged(log, "PluginFactory", "MSE::Farm::unloadLibrary",
                       "Refusing to unload library for plugin 'test.good', it's still in use."));
    EXPECT_EQ(libraryCount(), 1u);
    EXPECT_EQ(farm->unloadLibrary(nullptr), MSE::kResultMissingArgument);

    plugin->release();
    EXPECT_EQ(farm->unloadLibrary(context), MSE::kResultOk);
    EXPECT_TRUE(logged(log, "PluginFactory", "MSE::Farm::unloadLibrary", "Unloading library for plugin 'test.good'"));
    EXPECT_EQ(libraryCount(), 0u);
    EXPECT_FALSE(fwtest::isMapped(file));

    ASSERT_EQ(get("test.good", &plugin), MSE::kResultOk) << "loads again";
    EXPECT_TRUE(fwtest::isMapped(file));
    plugin->release();
}

TEST_F(QueryTest, TeardownDeletesLiveObjectsAndUnloadsTheirLibraries)
{
    const int64_t live = ftc_liveObjects();
    MSE::Plugin* plugin = nullptr;
    ASSERT_EQ(get("test.goodupper", &plugin), MSE::kResultOk);
    EXPECT_TRUE(fwtest::isMapped("GOODUPPER.SO"));
    farm.reset();
    EXPECT_EQ(ftc_liveObjects(), live);
    EXPECT_FALSE(fwtest::isMapped("GOODUPPER.SO"));
}

// Format queries read the documents of every registered plug-in.
class FormatQueryTest : public fwtest::FarmTest
{
protected:
    void SetUp() override
    {
        FarmTest::SetUp();
        dir.write("Video.xml", R"(<properties version="1.0"><type>plugin</type><plugin><name>video</name>
          <StreamEngine><ports>
            <port media="video" type="in"><format fourCC="H264"/><format fourCC="avc1"/><format/></port>
            <port media="video" type="out"><format fourCC="MP4V"/></port>
            <group><port media="overlay" type="in"><format fourCC="SUBT"/></port></group>
          </ports></StreamEngine></plugin></properties>)");
        dir.write("Audio.xml", R"(<properties version="1.0"><type>plugin</type><plugin><name>audio</name>
          <StreamEngine>
            <port media="audio" type="in"><format id="0x55"/><format id="255"/><format/></port>
            <port media="audio" type="out"><format id="86"/></port>
          </StreamEngine></plugin></properties>)");
    }
    TempDir dir;
};

TEST_F(FormatQueryTest, EmptyCatalogueSupportsNothing)
{
    EXPECT_FALSE(farm->isVideoFormatSupported("H264"));
    EXPECT_FALSE(farm->isAudioFormatSupported(85));
    EXPECT_FALSE(farm->isOverlayFormatSupported("SUBT"));
}

TEST_F(FormatQueryTest, InputPortsOnlyAndExactCodes)
{
    ASSERT_EQ(farm->addPlugin(wide(dir.path()), wide("Video.so")), MSE::kResultOk);
    ASSERT_EQ(farm->addPlugin(wide(dir.path()), wide("Audio.so")), MSE::kResultOk);
    struct
    {
        const char* fourCC;
        bool video, overlay;
    } fourCCs[] = {{"H264", true, false}, {"h264", false, false}, {"avc1", true, false}, {"MP4V", false, false},
                   {"SUBT", false, true}, {"H26", false, false},  {"", false, false}};
    for (const auto& row : fourCCs) {
        EXPECT_EQ(farm->isVideoFormatSupported(row.fourCC), row.video) << row.fourCC;
        EXPECT_EQ(farm->isOverlayFormatSupported(row.fourCC), row.overlay) << row.fourCC;
    }
    struct
    {
        int32_t id;
        bool supported;
    } ids[] = {{85, true}, {255, true}, {86, false}, {0, false}, {0x255, false}};
    for (const auto& row : ids)
        EXPECT_EQ(farm->isAudioFormatSupported(row.id), row.supported) << row.id;
}

} // namespace
