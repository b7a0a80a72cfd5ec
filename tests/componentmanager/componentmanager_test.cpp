// MovraComponentManager.so loaded with dlopen as the player loads it, against a component
// server on loopback: installs, the refusals that must leave the previous installation
// working, bad specs, rights, cancellation and concurrent sessions.

#include "componenttestkit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <fstream>
#include <functional>
#include <thread>

#include <dlfcn.h>
#include <sys/mount.h>
#include <sys/stat.h>

using namespace ComponentTest;

namespace {

const char kAvcSpec[] = "MPC;video_decoder.avc;3.1.0";

struct Fixture : ::testing::Test
{
    Kit kit;
    std::string serverFolder = kit.dir() + "/server";

    void publishBase(const std::string& avcVersion = "1.0", const std::string& avcBytes = "avc-1")
    {
        kit.publish(serverFolder, {"--component", "MPC", "--version", "3.1.0", "--folder",
                                   kit.makeFolder("MPC", {{"MPC.so", "mpc"}}), "--component", "AVCCodec",
                                   "--version", avcVersion, "--folder",
                                   kit.makeFolder("AVC-" + avcVersion, {{"AVCCodec.so", avcBytes}}), "--provides",
                                   "video_decoder.avc", "--requires", "MPC"});
    }

    void installBase(const Server& server)
    {
        MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
        Session session;
        ASSERT_EQ(session.update("AVCCodec"), 0) << kit.log();
    }

    // Nothing but the components themselves and their lock files in the root.
    std::vector<std::string> leftovers() const
    {
        const RunResult r = run({"sh", "-c", "ls -A '" + kit.root() + "' | grep -v -e '^\\.lock-' -e '^MPC$' -e "
                                                  "'^AVCCodec$' -e '^MPEG4Decoder$' || true"});
        std::vector<std::string> names;
        std::istringstream lines(r.output);
        for (std::string line; std::getline(lines, line);)
            names.push_back(line);
        return names;
    }
};

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

// Each row spoils an update from 1.0 to 2.0 of AVCCodec; 1.0 must stay installed and whole.
struct Refusal
{
    const char* name;
    std::function<void(Fixture&)> spoil;  // after 2.0 has been published
    std::string mode;                     // server behaviour for the update
    int32_t status;
    const char* logged;
};

void republishWithArchive(Fixture& f, const std::vector<ArchiveEntry>& entries)
{
    const std::string archive = f.kit.dir() + "/hostile.tar.xz";
    writeTarXz(archive, entries);
    f.kit.publish(f.serverFolder, {"--component", "AVCCodec", "--version", "2.0", "--archive", archive, "--provides",
                                   "video_decoder.avc", "--requires", "MPC"});
}

void editCatalogue(Fixture& f, const std::string& from, const std::string& to, bool resign)
{
    std::string text = readFile(f.serverFolder + "/catalog.json");
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    writeFile(f.serverFolder + "/catalog.json", text);
    if (resign)
        f.kit.publish(f.serverFolder, {"--sign"});
}

const Refusal kRefusals[] = {
    {"UnknownKey",
     [](Fixture& f) {
         const std::string other = f.kit.generateKey(f.kit.dir() + "/stranger");
         ASSERT_EQ(run({appDir() + "/movra-publish", "--key", f.kit.dir() + "/stranger.key", "--out", f.serverFolder,
                        "--sign"})
                       .status,
                   0);
     },
     "ok", 22, "signature does not verify"},
    {"ModifiedAfterSigning", [](Fixture& f) { editCatalogue(f, "\"2.0\"", "\"2.1\"", false); }, "ok", 22,
     "signature does not verify"},
    {"WrongHash",
     [](Fixture& f) {
         std::string bytes = readFile(f.serverFolder + "/AVCCodec-2.0.tar.xz");
         bytes[bytes.size() / 2] ^= 0x55;
         writeFile(f.serverFolder + "/AVCCodec-2.0.tar.xz", bytes);
     },
     "ok", 25, "SHA-256"},
    {"LargerThanAnnounced",
     [](Fixture& f) {
         std::ofstream(f.serverFolder + "/AVCCodec-2.0.tar.xz", std::ios::app) << std::string(100000, 'x');
     },
     "ok", 25, "larger than the announced"},
    {"UnpacksBeyondAnnounced", [](Fixture& f) { editCatalogue(f, "\"unpacked_size\": 5", "\"unpacked_size\": 2", true); },
     "ok", 26, "unpacks to more"},
    {"ParentPath", [](Fixture& f) { republishWithArchive(f, {{ArchiveEntry::File, "../../escaped", "x"}}); }, "ok", 26,
     "unsafe entry name"},
    {"AbsolutePath",
     [](Fixture& f) { republishWithArchive(f, {{ArchiveEntry::File, f.kit.dir() + "/absolute", "x"}}); }, "ok", 26,
     "unsafe entry name"},
    {"SymlinkToEtc",
     [](Fixture& f) {
         republishWithArchive(f, {{ArchiveEntry::Symlink, "etc", "/etc"}, {ArchiveEntry::File, "etc/movra-x", "x"}});
     },
     "ok", 26, "points outside"},
    {"SymlinkUpwards",
     [](Fixture& f) { republishWithArchive(f, {{ArchiveEntry::Symlink, "up", "sub/../../.."}}); }, "ok", 26,
     "points outside"},
    {"HardlinkOut",
     [](Fixture& f) { republishWithArchive(f, {{ArchiveEntry::Hardlink, "passwd", "../../../../etc/passwd"}}); },
     "ok", 26, "hard link"},
    {"DeviceNode", [](Fixture& f) { republishWithArchive(f, {{ArchiveEntry::CharDevice, "null", ""}}); }, "ok", 26,
     "device"},
    {"NeverAnswers", [](Fixture&) {}, "hang", 24, "no data for 1000 ms"},
    {"DropsHalfway", [](Fixture&) {}, "drop", 24, "AVCCodec-2.0.tar.xz"},
    {"NotFound", [](Fixture&) {}, "status/404", 24, "HTTP status 404"},
    {"ServerError", [](Fixture&) {}, "status/500", 24, "HTTP status 500"},
    {"RedirectLoop", [](Fixture&) {}, "loop", 24, "redirects"},
    {"RedirectToFileScheme", [](Fixture&) {}, "scheme", 24, "scheme other than http"},
    {"ServerDown", [](Fixture&) {}, "down", 21, "catalog.json"},
    {"NeedsNewerPlayer",
     [](Fixture& f) {
         f.kit.publish(f.serverFolder, {"--component", "AVCCodec", "--version", "2.0", "--folder",
                                        f.kit.makeFolder("AVC2", {{"AVCCodec.so", "avc-2"}}), "--min-player", "99.0"});
     },
     "ok", 14, "needs player 99.0"},
};

void PrintTo(const Refusal& refusal, std::ostream* out)
{
    *out << refusal.name;
}

class RefusalTest : public Fixture, public ::testing::WithParamInterface<Refusal>
{
};

TEST_P(RefusalTest, LeavesThePreviousInstallationWorking)
{
    publishBase();
    Server server(serverFolder);
    installBase(server);
    publishBase("2.0", "avc-2");
    GetParam().spoil(*this);
    const std::string url = GetParam().mode == "down" ? "http://127.0.0.1:1/ok" : server.url(GetParam().mode);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", url.c_str());
    {
        Session session;
        EXPECT_EQ(session.update("AVCCodec"), GetParam().status);
    }
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-1");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "1.0");
    EXPECT_EQ(kit.recordValue("AVCCodec", "InstallDir"), kit.root() + "/AVCCodec");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
    EXPECT_FALSE(exists(kit.dir() + "/escaped"));
    EXPECT_FALSE(exists(kit.dir() + "/absolute"));
    EXPECT_FALSE(exists("/etc/movra-x"));
    const std::string log = kit.log();
    EXPECT_NE(log.find("status " + std::to_string(GetParam().status)), std::string::npos) << log;
    EXPECT_NE(log.find(GetParam().logged), std::string::npos) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
}

INSTANTIATE_TEST_SUITE_P(Update, RefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

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
    ASSERT_EQ(std::system(("mkdir -p '" + serverFolder + "' && head -c 100000000 /dev/zero > '" + serverFolder
                           + "/catalog.json'")
                              .c_str()),
              0);
    Server server(serverFolder);
    MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", server.url().c_str());
    Session session;
    std::vector<std::string> names;
    EXPECT_EQ(session.find({kAvcSpec}, &names), 30);
    EXPECT_NE(kit.log().find("larger than 8388608 bytes"), std::string::npos) << kit.log();
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
        EXPECT_EQ(session.update("AVCCodec"), 27);
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
        EXPECT_EQ(session.update("AVCCodec"), 27);
    }
    EXPECT_FALSE(exists(kit.root() + "/MPC"));
    EXPECT_NE(kit.log().find("pkexec refused (exit 126)"), std::string::npos) << kit.log();

    writeFile(pkexec, "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/args\"\n"
                      "unset MOVRA_REGISTRY_MACHINE_READONLY\nexec \"$@\"\n");
    {
        Session session;
        EXPECT_EQ(session.update("AVCCodec"), 0) << kit.log();
    }
    char* tool = ::realpath((appDir() + "/movra-components").c_str(), nullptr);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(readFile(bin + "/args"),
              std::string(tool) + " install --no-elevate --server " + server.url() + " -- MPC AVCCodec\n");
    std::free(tool);
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-1");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "1.0");
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
    for (int i = 0; i < 200 && run({"sh", "-c", "ls -A '" + kit.root() + "' | grep -q download"}).status != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto start = std::chrono::steady_clock::now();
    Library::get().shutdown(handle);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    worker.join();
    EXPECT_EQ(status, 29);
    // The target is a tenth of this; the margin is for sanitizer builds on a busy machine.
    EXPECT_LT(elapsed, std::chrono::seconds(1));
    EXPECT_EQ(readFile(kit.root() + "/AVCCodec/AVCCodec.so"), "avc-1");
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "1.0");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
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
        EXPECT_EQ(session.update("AVCCodec"), 28) << kit.log();
    }
    // The requirement fitted and stays installed; the decoder left nothing.
    const RunResult left = run({"ls", "-A", small + "/components"});
    EXPECT_EQ(left.output, ".lock-AVCCodec\n.lock-MPC\nMPC\n");
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
    for (int i = 0; i < 250 && !exists(bin + "/started"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(readFile(bin + "/started"), "0\n");
}

TEST(ComponentManagerHandles, StaleAndNullHandlesAreRefusedNotFollowed)
{
    const Library& lib = Library::get();
    std::vector<std::string> names;
    EXPECT_EQ(lib.shutdown(nullptr), 0);
    EXPECT_EQ(lib.findComponents(nullptr, &appendName, &names), 31);
    EXPECT_EQ(lib.updateComponents(nullptr, "MPC"), 31);
    EXPECT_EQ(lib.addSpec(nullptr, kAvcSpec), 31);
    EXPECT_EQ(lib.initialize(nullptr), 31);
    int local = 0;
    EXPECT_EQ(lib.updateComponents(&local, "MPC"), 31);
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
    EXPECT_EQ(verify.status, 25);
    EXPECT_NE(verify.output.find("MPC/MPC.so: changed"), std::string::npos) << verify.output;
    EXPECT_EQ(run({tool, "--server", serverUrl, "install", "--reinstall", "MPC"}).status, 0);
    EXPECT_EQ(readFile(kit.root() + "/MPC/MPC.so"), "mpc");
    EXPECT_EQ(run({tool, "--server", serverUrl, "remove", "AVCCodec"}).status, 0);
    EXPECT_FALSE(exists(kit.root() + "/AVCCodec"));
    EXPECT_EQ(kit.recordValue("AVCCodec", "Version"), "<no record>");
    EXPECT_EQ(run({tool, "remove", "../etc"}).status, 31);
}

} // namespace
