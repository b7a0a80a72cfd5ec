// MovraComponentManager.so loaded with dlopen as the player loads it, against a component
// server on loopback: installs, the refusals that must leave the previous installation
// working, bad specs, rights, cancellation and concurrent sessions.

#include "componentfixture.h"
#include "componentmanager/componentstatus.h"
#include "support/waitfor.h"

#include "platform/registry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>
#include <sys/stat.h>

using namespace ComponentTest;

namespace {


TEST_F(Fixture, FindsAndInstallsComponentsRequirementsFirst)
{
    publishBase();
    kit.publish(serverFolder, {"--component", "MPEG4Decoder", "--version", "2.0.1", "--folder",
                               kit.makeFolder("M4", {{"MPEG4Decoder.so", "m4"}, {"sub/data.bin", "d"}}),
                               "--provides", "video_decoder.mpeg4", "--requires", "MPC"});
    Server server(serverFolder);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    {
        Session session;
        ASSERT_EQ(session.initStatus, 0);
        std::vector<std::string> names;
        ASSERT_EQ(session.find({kAvcSpec}, &names), 0) << kit.log();
        EXPECT_EQ(names, (std::vector<std::string>{"MPC", "AVCCodec"}));
        ASSERT_EQ(session.update("MPC;AVCCodec"), 0) << kit.log();
    }
    EXPECT_EQ(kit.recordValue("MPC", "Version"), "3.1.0");
    EXPECT_EQ(kit.recordValue("MPC", "InstallDir"), kit.root() + "/MPC");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "1.0");
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-1");
    {
        Session session;
        std::vector<std::string> names;
        EXPECT_EQ(session.find({kAvcSpec}, &names), 0);
        EXPECT_TRUE(names.empty()) << names.front();
        // The requirement is there now: only the decoder itself is missing.
        Session other;
        ASSERT_EQ(other.find({"MPC;video_decoder.mpeg4;3.1.0"}, &names), 0);
        EXPECT_EQ(names, (std::vector<std::string>{"MPEG4Decoder"}));
        EXPECT_EQ(other.update("MPEG4Decoder"), 0) << kit.log();
    }
    EXPECT_EQ(readFile(kit.root() + "/MPEG4Decoder/sub/data.bin"), "d");
    EXPECT_TRUE(leftovers().empty());
    EXPECT_EQ(kit.log(), "");

    const RunResult list = run({appDir() + "/movra-components", "list"});
    EXPECT_EQ(list.status, 0) << list.output;
    EXPECT_NE(list.output.find("AVCCodec             1.0          1.0"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("MPEG4Decoder         2.0.1        2.0.1"), std::string::npos) << list.output;
}

TEST_F(Fixture, InstalledVersionIsLeftAloneAndNewerOnesAreReported)
{
    publishBase();
    Server server(serverFolder);
    installBase(server);
    struct stat before, after;
    ASSERT_EQ(::stat((kit.root() + "/AVCCodec").c_str(), &before), 0);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    {
        Session session;
        EXPECT_EQ(session.update("AVCCodec"), 0);
    }
    ASSERT_EQ(::stat((kit.root() + "/AVCCodec").c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);

    publishBase("1.2", "avc-1.2");
    Session session;
    std::vector<std::string> names = {"given"};
    EXPECT_EQ(Library::get().checkForUpdates(session.handle, "MPC;AVCCodec;NotInstalled", 0, &appendName, &names), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"given", "AVCCodec"}));
    // Installed at an older version counts as missing for a find.
    names.clear();
    EXPECT_EQ(session.find({kAvcSpec}, &names), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"AVCCodec"}));
    EXPECT_EQ(session.update("AVCCodec"), 0) << kit.log();
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-1.2");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "1.2");
}

TEST_F(Fixture, BadSpecsAndUnknownFeaturesFailTheFind)
{
    publishBase();
    Server server(serverFolder);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    const struct
    {
        const char* spec;
        int32_t status;
    } rows[] = {
        {"MPC", 31},
        {"MPC;video_decoder.avc", 31},
        {"MPC;;3.1.0", 31},
        {";video_decoder.avc;3.1.0", 31},
        {"MPC;video_decoder.avc;three", 31},
        {"../MPC;video_decoder.avc;3.1.0", 31},
        {"MPC;video_decoder.avc;3.1.0;extra", 31},
        {"MPC;video_decoder.vp9;3.1.0", 23},
        {"MPC;video_decoder.avc;4.0", 23},
    };
    for (const auto& row : rows) {
        Session session;
        std::vector<std::string> names;
        EXPECT_EQ(session.find({kAvcSpec, row.spec}, &names), row.status) << row.spec;
        EXPECT_TRUE(names.empty()) << row.spec;
    }
    const std::string log = kit.log();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), static_cast<long>(std::size(rows))) << log;
    EXPECT_FALSE(exists(kit.root() + "/MPC"));
}

TEST_F(Fixture, OversizedCatalogueIsCutOffAndRefused)
{
    ASSERT_EQ(std::system(("mkdir -p '" + serverFolder + "' && head -c 40000000 /dev/zero > '" + serverFolder
                           + "/catalog.json'")
                              .c_str()),
              0);
    Server server(serverFolder);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    // The server reads the whole file before it answers: on a busy machine that is no stall.
    MovraTest::ScopedEnvironment patient("MOVRA_COMPONENTS_TIMEOUT_MS", "30000");
    Session session;
    std::vector<std::string> names;
    EXPECT_EQ(session.find({kAvcSpec}, &names), MovraComponents::CatalogueInvalid);
    EXPECT_NE(kit.log().find("larger than 33554432 bytes"), std::string::npos) << kit.log();
}

TEST_F(Fixture, WithoutRightsAndWithoutPkexecNothingIsInstalled)
{
    publishBase();
    Server server(serverFolder);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    MovraTest::ScopedEnvironment readOnly("MOVRA_REGISTRY_MACHINE_READONLY", "1");
    MovraTest::ScopedEnvironment path("PATH", (kit.dir() + "/no-such-folder").c_str());
    {
        Session session;
        EXPECT_EQ(session.update("AVCCodec"), MovraComponents::NoRights);
    }
    EXPECT_FALSE(exists(kit.root() + "/MPC"));
    EXPECT_NE(kit.log().find("cannot run pkexec"), std::string::npos) << kit.log();
}

// A stand-in pkexec on PATH: one that grants (runs the command as if with the rights, here
// by lifting the test's read-only machine root) and one that refuses as polkit does.
TEST_F(Fixture, MissingRightsAreFetchedThroughPkexec)
{
    publishBase();
    Server server(serverFolder);
    kit.setManagerValue("ServerUrl", server.url());
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    MovraTest::ScopedEnvironment readOnly("MOVRA_REGISTRY_MACHINE_READONLY", "1");
    const std::string bin = kit.dir() + "/bin";
    ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
    MovraTest::ScopedEnvironment path("PATH", (bin + ":" + std::getenv("PATH")).c_str());
    const std::string pkexec = bin + "/pkexec";

    writeFile(pkexec, "#!/bin/sh\nexit 126\n");
    ::chmod(pkexec.c_str(), 0755);
    {
        Session session;
        EXPECT_EQ(session.update("AVCCodec"), MovraComponents::NoRights);
    }
    EXPECT_FALSE(exists(kit.root() + "/MPC"));
    EXPECT_NE(kit.log().find("pkexec refused (exit 126)"), std::string::npos) << kit.log();

    // As root only the administrator's server counts: the caller's own (here another folder,
    // validly signed, with other bytes) is neither handed on nor taken from the environment.
    const std::string otherFolder = kit.dir() + "/other-server";
    kit.publish(otherFolder, {"--component", "MPC", "--version", "3.1.0", "--folder",
                              kit.makeFolder("MPC-other", {{"MPC.so", "mpc-other"}}), "--component", "AVCCodec",
                              "--version", "1.0", "--folder", kit.makeFolder("AVC-other", {{"AVCCodec.so", "avc-other"}}),
                              "--provides", "video_decoder.avc", "--requires", "MPC"});
    Server other(otherFolder);
    MovraTest::ScopedEnvironment callersServer("MOVRA_COMPONENT_SERVER", other.url().c_str());
    writeFile(pkexec, "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/args\"\n"
                      "unset MOVRA_REGISTRY_MACHINE_READONLY\nPKEXEC_UID=$(id -u) exec \"$@\"\n");
    {
        Session session;
        EXPECT_EQ(session.update("AVCCodec"), 0) << kit.log();
    }
    char* tool = ::realpath((appDir() + "/movra-components").c_str(), nullptr);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(readFile(bin + "/args"), std::string(tool) + " install --no-elevate -- MPC AVCCodec\n");
    std::free(tool);
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-1");
    EXPECT_EQ(readFile(kit.root() + "/MPC/MPC.so"), "mpc");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "1.0");
    const RunResult asked = run({"env", "PKEXEC_UID=0", appDir() + "/movra-components", "--server", other.url(),
                                 "--no-elevate", "install", "--reinstall", "MPC"});
    EXPECT_NE(asked.output.find("--server ignored"), std::string::npos) << asked.output;
    EXPECT_EQ(readFile(kit.root() + "/MPC/MPC.so"), "mpc");
}

TEST_F(Fixture, ShutdownCancelsASlowDownloadPromptly)
{
    std::string noise(1 << 20, '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    publishBase();
    Server server(serverFolder);
    installBase(server);
    publishBase("2.0", noise);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url("slow").c_str());
    void* handle = nullptr;
    ASSERT_EQ(Library::get().initialize(&handle), 0);
    int32_t status = -1;
    std::thread worker([&] { status = Library::get().updateComponents(handle, "AVCCodec"); });
    // Let the archive transfer begin (the catalogue alone takes a few slow rounds).
    const auto downloading = [&] { return run({"sh", "-c", "ls -A '" + kit.root() + "' | grep -q download"}).status == 0; };
    MovraTest::waitFor(downloading, 4000);
    const auto start = std::chrono::steady_clock::now();
    Library::get().shutdown(handle);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    worker.join();
    EXPECT_EQ(status, MovraComponents::Cancelled);
    // The target is a tenth of this; the margin is for sanitizer builds on a busy machine.
    EXPECT_LT(elapsed, std::chrono::seconds(1));
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-1");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "1.0");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

// The loading panel's Cancel: the call returns 29 while the handle stays usable, and the next
// start of the manager leaves nothing of the download behind.
TEST_F(Fixture, CancelEndsATricklingDownloadAndTheNextStartClearsIt)
{
    std::mt19937 random(11);
    std::string noise(4000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    publishBase("1.0", noise);
    kit.setManagerValue("MinimumRateBytesPerSecond", "0");
    kit.setManagerValue("TransferTimeoutMs", "60000");
    Server server(serverFolder);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url("trickle").c_str());
    MovraTest::ScopedEnvironment noStall("MOVRA_COMPONENTS_TIMEOUT_MS", "60000");
    using CancelFunction = int32_t (*)(void*);
    ASSERT_NE(Library::get().initialize, nullptr);  // loads the library
    const auto cancel = reinterpret_cast<CancelFunction>(
        ::dlsym(::dlopen((appDir() + "/ComponentManager/MovraComponentManager.so").c_str(), RTLD_NOW | RTLD_NOLOAD),
                "MCM_Cancel"));
    ASSERT_NE(cancel, nullptr);
    {
        Session session;
        int32_t status = -1;
        std::thread worker([&] { status = session.update("MPC"); });
        ASSERT_TRUE(MovraTest::waitFor(
            [&] { return run({"sh", "-c", "ls -A '" + kit.root() + "' | grep -q download"}).status == 0; }, 10000));
        EXPECT_EQ(cancel(session.handle), 0);
        worker.join();
        EXPECT_EQ(status, MovraComponents::Cancelled);
    }
    EXPECT_FALSE(exists(kit.root() + "/MPC"));
    EXPECT_EQ(kit.recordValue("MPC", "Version"), "<no record>");
    {
        Session next;
    }
    EXPECT_EQ(run({"ls", "-A", kit.root()}).output, ".catalogue-serials\n.catalogue-serials.lock\n");
}

TEST_F(Fixture, ConcurrentSessionsInstallOnce)
{
    publishBase();
    Server server(serverFolder);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    // Both sessions open before either works, as two installs of the player would.
    Session first, second;
    int32_t a = -1, b = -1;
    std::thread one([&] { a = first.update("AVCCodec"); });
    std::thread two([&] { b = second.update("AVCCodec"); });
    one.join();
    two.join();
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-1");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

TEST_F(Fixture, FullDiskLeavesNothingBehind)
{
    const std::string small = kit.dir() + "/small";
    ASSERT_EQ(::mkdir(small.c_str(), 0755), 0);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
    std::string noise(600000, '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 11);
    kit.setManagerValue("ComponentsDir", small + "/components");
    publishBase("1.0", noise);
    Server server(serverFolder);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    {
        Session session;
        EXPECT_EQ(session.update("AVCCodec"), MovraComponents::DiskFull) << kit.log();
    }
    // The requirement fitted and stays installed; the decoder left nothing.
    const RunResult left = run({"ls", "-A", small + "/components"});
    EXPECT_EQ(left.output, ".catalogue-serials\n.catalogue-serials.lock\n.lock-AVCCodec\n.lock-MPC\nMPC\n");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "<no record>");
    EXPECT_EQ(kit.recordValue("MPC", "Version"), "3.1.0");
    ::umount(small.c_str());
}

#ifdef MOVRA_TEST_AVC_COMPONENT_DIR
// The decoder and codec pack the build makes as components, published and installed the way
// a user's player gets them: the installed decoder loads, finding the pack beside it.
TEST_F(Fixture, BuiltDecoderComponentsInstallAndLoad)
{
    kit.publish(serverFolder, {"--component", "MPC", "--version", "3.1.0", "--folder", MOVRA_TEST_MPC_COMPONENT_DIR,
                               "--component", "AVCCodec", "--version", "1.0", "--folder",
                               MOVRA_TEST_AVC_COMPONENT_DIR, "--provides",
                               "video_decoder.avc", "--requires", "MPC"});
    Server server(serverFolder);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    {
        Session session;
        std::vector<std::string> names;
        ASSERT_EQ(session.find({kAvcSpec}, &names), 0) << kit.log();
        ASSERT_EQ(names, (std::vector<std::string>{"MPC", "AVCCodec"}));
        ASSERT_EQ(session.update("MPC;AVCCodec"), 0) << kit.log();
    }
    EXPECT_TRUE(exists(kit.root() + "/AVCCodec/AVCCodec.xml"));
    void* decoder = ::dlopen((kit.root() + "/AVCCodec/AVCCodec.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(decoder, nullptr) << ::dlerror();
    EXPECT_NE(::dlsym(decoder, "_getPlugin"), nullptr);
    ::dlclose(decoder);
}
#endif

// The updater the player starts for status 14: every installed component brought up to the
// catalogue, then the player beside it started again (here a stand-in that leaves a mark).
TEST_F(Fixture, UpdaterUpdatesEverythingAndStartsThePlayer)
{
    publishBase();
    Server server(serverFolder);
    installBase(server);
    publishBase("1.2", "avc-1.2");
    const std::string bin = kit.dir() + "/app";
    ASSERT_EQ(run({"mkdir", "-p", bin}).status, 0);
    ASSERT_EQ(run({"cp", appDir() + "/movra-components", bin + "/"}).status, 0);
    writeFile(bin + "/movra-player", "#!/bin/sh\necho \"$#\" > \"$(dirname \"$0\")/started\"\n");
    ::chmod((bin + "/movra-player").c_str(), 0755);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    const RunResult updater = run({bin + "/movra-components", "/update"});
    EXPECT_EQ(updater.status, 0) << updater.output;
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-1.2");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "1.2");
    MovraTest::waitFor([&] { return exists(bin + "/started"); }, 10000);
    EXPECT_EQ(readFile(bin + "/started"), "0\n");
}

// A mirror (or anyone on the path of a plain-http address) can serve an older catalogue that
// was validly signed once; the manager must neither be frozen on it nor go back with it.
TEST_F(Fixture, ReplayedOrExpiredCataloguesAreRefusedAndNothingGoesBack)
{
    const std::string tool = appDir() + "/movra-components";
    publishBase();
    const std::string replayFolder = kit.dir() + "/replay";
    ASSERT_EQ(run({"cp", "-r", serverFolder, replayFolder}).status, 0);
    publishBase("2.0", "avc-2");
    Server server(serverFolder), replay(replayFolder);
    installBase(server);
    ASSERT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-2");

    const RunResult update = run({tool, "--server", replay.url(), "update"});
    EXPECT_EQ(update.status, MovraComponents::CatalogueOutdated) << update.output;
    EXPECT_NE(update.output.find("serial 1 is lower than 2"), std::string::npos) << update.output;
    EXPECT_EQ(update.output.find("up to date"), std::string::npos) << update.output;
    const RunResult reinstall = run({tool, "--server", replay.url(), "install", "--reinstall", "AVCCodec"});
    EXPECT_EQ(reinstall.status, MovraComponents::CatalogueOutdated) << reinstall.output;
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-2");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "2.0");
    EXPECT_NE(kit.log().find("an older catalogue was replayed"), std::string::npos) << kit.log();

    // Signed, with a new serial, but no longer valid.
    const std::string expiredFolder = kit.dir() + "/expired";
    kit.publish(expiredFolder, {"--serial", "9", "--expires", "2001-01-01T00:00:00Z", "--component", "MPEG4Decoder",
                                "--version", "1.0", "--folder", kit.makeFolder("M4", {{"MPEG4Decoder.so", "m4"}})});
    Server expired(expiredFolder);
    const RunResult stale = run({tool, "--server", expired.url(), "install", "MPEG4Decoder"});
    EXPECT_EQ(stale.status, MovraComponents::CatalogueOutdated) << stale.output;
    EXPECT_NE(stale.output.find("expired at 2001-01-01T00:00:00Z"), std::string::npos) << stale.output;
    EXPECT_FALSE(exists(kit.root() + "/MPEG4Decoder"));

    // A newer publication that offers an older version: a reinstall keeps the newer one;
    // naming the version is the way back.
    kit.publish(serverFolder, {"--component", "AVCCodec", "--version", "1.5", "--folder",
                               kit.makeFolder("AVC-1.5", {{"AVCCodec.so", "avc-1.5"}}), "--provides",
                               "video_decoder.avc", "--requires", "MPC"});
    EXPECT_EQ(run({tool, "--server", server.url(), "install", "--reinstall", "AVCCodec"}).status, 0);
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-2");
    EXPECT_EQ(run({tool, "--server", server.url(), "install", "AVCCodec@1.4"}).status, MovraComponents::NoProvider);
    const RunResult back = run({tool, "--server", server.url(), "install", "AVCCodec@1.5"});
    EXPECT_EQ(back.status, 0) << back.output;
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-1.5");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "1.5");
}

// Names may begin with another component's name: the work folders of one install are never
// taken for another's leftovers.
TEST_F(Fixture, ComponentsWhoseNamesShareAPrefixInstallSideBySide)
{
    std::map<std::string, std::string> files;
    for (int i = 0; i < 100; ++i)
        files["lib/part" + std::to_string(i)] = std::string(200, static_cast<char>('a' + i % 26));
    kit.publish(serverFolder, {"--component", "a", "--version", "1.0", "--folder", kit.makeFolder("a", files),
                               "--component", "a-b", "--version", "1.0", "--folder", kit.makeFolder("a-b", files)});
    Server server(serverFolder);
    const std::string tool = appDir() + "/movra-components";
    // MOVRA_PREFIX_ROUNDS: the soak runs twenty.
    const char* roundsText = std::getenv("MOVRA_PREFIX_ROUNDS");
    const int rounds = roundsText ? std::atoi(roundsText) : 4;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::string> outputs(2);
        std::vector<int> statuses(2);
        std::thread first([&] {
            const RunResult r = run({tool, "--server", server.url(), "install", "--reinstall", "a"});
            statuses[0] = r.status;
            outputs[0] = r.output;
        });
        const RunResult r = run({tool, "--server", server.url(), "install", "--reinstall", "a-b"});
        statuses[1] = r.status;
        outputs[1] = r.output;
        first.join();
        ASSERT_EQ(statuses[0], 0) << "round " << round << ": " << outputs[0];
        ASSERT_EQ(statuses[1], 0) << "round " << round << ": " << outputs[1];
        const RunResult verify = run({tool, "--server", server.url(), "verify", "a", "a-b"});
        ASSERT_EQ(verify.status, 0) << "round " << round << ": " << verify.output;
    }
}

std::u16string wideAscii(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// A kill between the swap and the record leaves the record behind the files; the next start
// of the manager, whatever it is asked, puts the record right, and until then the record
// does not count.
TEST_F(Fixture, EveryStartReconcilesRecordsAndLeftovers)
{
    publishBase("2.0", "avc-2");
    Server server(serverFolder);
    installBase(server);
    // Files of 2.0, record of 1.0; and a complete first install of MPC with no record.
    kit.setManagerValue("ComponentsDir", kit.root());
    {
        using namespace MovraRegistry;
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Install\\AVCCodec", 0, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        const std::u16string old = u"1.0";
        RegSetValueExW(key, u"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()), 8);
        RegCloseKey(key);
        ASSERT_EQ(SHDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Install\\MPC"), ERROR_SUCCESS);
    }
    // And a record whose folder a cut-short remove took away.
    {
        using namespace MovraRegistry;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Install\\Gone", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const std::u16string dir = wideAscii(kit.root() + "/Gone");
        RegSetValueExW(key, u"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                       static_cast<DWORD>((dir.size() + 1) * 2));
        const std::u16string version = u"1.0";
        RegSetValueExW(key, u"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()), 8);
        RegCloseKey(key);
    }
    // What killed and cancelled installs leave, and one that a live install holds.
    for (const char* left : {".download~AVCCodec~a1b2c3", ".staging~MPC~d4e5f6", ".old~Gone~g7h8i9",
                             ".lock-Gone", ".lock-NeverInstalled", ".staging~Held~x1y2z3"})
        writeFile(kit.root() + "/" + left, "left");
    const int held = ::open((kit.root() + "/.lock-Held").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "1.0");
    {
        Session session;
        ASSERT_EQ(session.initStatus, 0);
    }
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "2.0");
    EXPECT_EQ(kit.recordValue("MPC", "Version"), "3.1.0");
    EXPECT_EQ(kit.recordValue("MPC", "InstallDir"), kit.root() + "/MPC");
    EXPECT_EQ(kit.recordValue("Gone", "Version"), "<no record>");
    const RunResult left = run({"ls", "-A", kit.root()});
    EXPECT_EQ(left.output, ".catalogue-serials\n.catalogue-serials.lock\n.lock-Held\n.staging~Held~x1y2z3\nAVCCodec\nMPC\n");
    ::close(held);
    EXPECT_EQ(run({appDir() + "/movra-components", "--server", server.url(), "list"}).status, 0);
    EXPECT_EQ(run({"ls", "-A", kit.root()}).output, ".catalogue-serials\n.catalogue-serials.lock\nAVCCodec\nMPC\n");
}

// Only the records of components the manager installed may go: its own, the updater's and
// the player's stay whatever the command line says.
TEST_F(Fixture, RemoveLeavesRecordsItDidNotWrite)
{
    kit.setManagerValue("InstallDir", appDir() + "/ComponentManager");
    {
        using namespace MovraRegistry;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Install\\Setup", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const std::u16string path = u"/usr/bin/true";
        RegSetValueExW(key, u"InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>((path.size() + 1) * 2));
        RegCloseKey(key);
    }
    const std::string tool = appDir() + "/movra-components";
    for (const char* name : {"MovraComponentManager", "Setup"}) {
        const RunResult r = run({tool, "remove", name});
        EXPECT_EQ(r.status, MovraComponents::InvalidArgument) << name << ": " << r.output;
    }
    EXPECT_EQ(kit.recordValue("MovraComponentManager", "InstallDir"), appDir() + "/ComponentManager");
    EXPECT_EQ(kit.recordValue("MovraComponentManager", "ComponentsDir"), kit.root());
    EXPECT_EQ(kit.recordValue("MovraComponentManager", "TrustedKeys"), kit.publicKey());
    EXPECT_EQ(kit.recordValue("Setup", "InstallPath"), "/usr/bin/true");
}

// A server that sends a byte now and then never times out by the stall limit alone.
TEST_F(Fixture, TricklingAndEndlessDownloadsEnd)
{
    // Random bytes: xz leaves them as large as they are.
    std::mt19937 random(7);
    std::string noise(8000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    publishBase("1.0", noise);
    Server server(serverFolder);
    {
        MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url("trickle").c_str());
        Session session;
        EXPECT_EQ(session.update("AVCCodec"), MovraComponents::DownloadFailed);
    }
    EXPECT_NE(kit.log().find("slower than 1024 bytes per second"), std::string::npos) << kit.log();
    // Fast enough for the rate, too slow for the whole.
    kit.setManagerValue("MinimumRateBytesPerSecond", "10");
    kit.setManagerValue("TransferDeadlineMs", "1500");
    {
        MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url("slow").c_str());
        Session session;
        EXPECT_EQ(session.update("AVCCodec"), MovraComponents::DownloadFailed);
    }
    EXPECT_NE(kit.log().find("not done within 1500 ms"), std::string::npos) << kit.log();
    EXPECT_FALSE(exists(kit.root() + "/AVCCodec"));
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

TEST(ComponentManagerHandles, StaleAndNullHandlesAreRefusedNotFollowed)
{
    const Library& lib = Library::get();
    std::vector<std::string> names;
    EXPECT_EQ(lib.shutdown(nullptr), 0);
    EXPECT_EQ(lib.findComponents(nullptr, &appendName, &names), MovraComponents::InvalidArgument);
    EXPECT_EQ(lib.updateComponents(nullptr, "MPC"), MovraComponents::InvalidArgument);
    EXPECT_EQ(lib.addSpec(nullptr, kAvcSpec), MovraComponents::InvalidArgument);
    EXPECT_EQ(lib.initialize(nullptr), MovraComponents::InvalidArgument);
    int local = 0;
    EXPECT_EQ(lib.updateComponents(&local, "MPC"), MovraComponents::InvalidArgument);
}

TEST_F(Fixture, ToolVerifiesAndRemoves)
{
    publishBase();
    Server server(serverFolder);
    installBase(server);
    const std::string tool = appDir() + "/movra-components";
    const std::string serverUrl = server.url();
    EXPECT_EQ(run({tool, "--server", serverUrl, "verify"}).status, 0);
    writeFile(kit.root() + "/MPC/MPC.so", "tampered");
    const RunResult verify = run({tool, "--server", serverUrl, "verify"});
    EXPECT_EQ(verify.status, MovraComponents::ChecksumMismatch);
    EXPECT_NE(verify.output.find("MPC/MPC.so: changed"), std::string::npos) << verify.output;
    EXPECT_EQ(run({tool, "--server", serverUrl, "install", "--reinstall", "MPC"}).status, 0);
    EXPECT_EQ(readFile(kit.root() + "/MPC/MPC.so"), "mpc");
    EXPECT_EQ(run({tool, "--server", serverUrl, "remove", "AVCCodec"}).status, 0);
    EXPECT_FALSE(exists(kit.root() + "/AVCCodec"));
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "<no record>");
    EXPECT_EQ(run({tool, "remove", "../etc"}).status, MovraComponents::InvalidArgument);
}

} // namespace
