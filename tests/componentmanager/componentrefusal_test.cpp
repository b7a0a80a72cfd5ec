// Updates the server spoils in every way we know of: each must be refused with its own status
// and reason in the log, and leave the installed version working and nothing else behind.

#include "componentfixture.h"
#include "componentmanager/componentstatus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace ComponentTest;

namespace {

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
     "ok", MovraComponents::SignatureInvalid, "signature does not verify"},
    {"ModifiedAfterSigning", [](Fixture& f) { editCatalogue(f, "\"2.0\"", "\"2.1\"", false); }, "ok", MovraComponents::SignatureInvalid,
     "signature does not verify"},
    {"WrongHash",
     [](Fixture& f) {
         std::string bytes = readFile(f.serverFolder + "/AVCCodec-2.0.tar.xz");
         bytes[bytes.size() / 2] ^= 0x55;
         writeFile(f.serverFolder + "/AVCCodec-2.0.tar.xz", bytes);
     },
     "ok", MovraComponents::ChecksumMismatch, "SHA-256"},
    {"LargerThanAnnounced",
     [](Fixture& f) {
         std::ofstream(f.serverFolder + "/AVCCodec-2.0.tar.xz", std::ios::app) << std::string(100000, 'x');
     },
     "ok", MovraComponents::ChecksumMismatch, "larger than the announced"},
    {"UnpacksBeyondAnnounced", [](Fixture& f) { editCatalogue(f, "\"unpacked_size\":5", "\"unpacked_size\":2", true); },
     "ok", MovraComponents::UnsafeArchive, "unpacks to more"},
    {"ParentPath", [](Fixture& f) { republishWithArchive(f, {{ArchiveEntry::File, "../../escaped", "x"}}); }, "ok", MovraComponents::UnsafeArchive,
     "unsafe entry name"},
    {"AbsolutePath",
     [](Fixture& f) { republishWithArchive(f, {{ArchiveEntry::File, f.kit.dir() + "/absolute", "x"}}); }, "ok", MovraComponents::UnsafeArchive,
     "unsafe entry name"},
    {"SymlinkToEtc",
     [](Fixture& f) {
         republishWithArchive(f, {{ArchiveEntry::Symlink, "etc", "/etc"}, {ArchiveEntry::File, "etc/movra-x", "x"}});
     },
     "ok", MovraComponents::UnsafeArchive, "symbolic link \"etc\" to \"/etc\" refused"},
    {"SymlinkUpwards",
     [](Fixture& f) { republishWithArchive(f, {{ArchiveEntry::Symlink, "up", "sub/../../.."}}); }, "ok", MovraComponents::UnsafeArchive,
     "symbolic link"},
    // Each link points one level down by its text; together they reach /etc/passwd.
    {"SymlinkChain",
     [](Fixture& f) {
         std::string target = "self/";
         for (int i = 0; i < 12; ++i)
             target += "self/";
         for (int i = 0; i < 16; ++i)
             target += "../";
         republishWithArchive(f, {{ArchiveEntry::Symlink, "self", "."},
                                  {ArchiveEntry::Symlink, "passwd", target + "etc/passwd"},
                                  {ArchiveEntry::File, "AVCCodec.so", "avc-2"}});
     },
     "ok", MovraComponents::UnsafeArchive, "symbolic link \"self\""},
    // The signed list is the guarantee: nothing it does not name is installed.
    {"UnlistedMember",
     [](Fixture& f) {
         std::string text = readFile(f.serverFolder + "/catalog.json");
         republishWithArchive(f, {{ArchiveEntry::File, "AVCCodec.so", "avc-2"}, {ArchiveEntry::File, "extra.so", "x"}});
         // The catalogue as a publisher of only AVCCodec.so would have signed it.
         text = readFile(f.serverFolder + "/catalog.json");
         const size_t at = text.find("{\"path\":\"extra.so\"");
         ASSERT_NE(at, std::string::npos) << text;
         text.erase(at, text.find('}', at) + 1 - at);
         if (text[at] == ',')
             text.erase(at, 1);
         else if (text[at - 1] == ',')
             text.erase(at - 1, 1);
         writeFile(f.serverFolder + "/catalog.json", text);
         f.kit.publish(f.serverFolder, {"--sign"});
     },
     "ok", MovraComponents::UnsafeArchive, "\"extra.so\" is not in the catalogue's file list"},
    {"ListedFileMissing",
     [](Fixture& f) {
         republishWithArchive(f, {{ArchiveEntry::File, "AVCCodec.so", "avc-2"}});
         editCatalogue(f, "\"archive\":\"AVCCodec-2.0.tar.xz\",\"files\":[", "\"archive\":\"AVCCodec-2.0.tar.xz\",\"files\":[{\"path\":\"AVCCodec.xml\",\"size\":3,\"sha256\":\"" + std::string(64, 'e') + "\"},", true);
     },
     "ok", MovraComponents::UnsafeArchive, "listed file \"AVCCodec.xml\" is not in the archive"},
    {"ListedFileOtherHash",
     [](Fixture& f) {
         republishWithArchive(f, {{ArchiveEntry::File, "AVCCodec.so", "avc-2"}});
         std::string text = readFile(f.serverFolder + "/catalog.json");
         const size_t at = text.find("\"sha256\"", text.find("\"path\":\"AVCCodec.so\""));
         text.replace(at + 10, 64, std::string(64, 'f'));
         writeFile(f.serverFolder + "/catalog.json", text);
         f.kit.publish(f.serverFolder, {"--sign"});
     },
     "ok", MovraComponents::UnsafeArchive, "differs from the SHA-256"},
    {"HardlinkOut",
     [](Fixture& f) { republishWithArchive(f, {{ArchiveEntry::Hardlink, "passwd", "../../../../etc/passwd"}}); },
     "ok", MovraComponents::UnsafeArchive, "hard link \"passwd\""},
    {"DeviceNode", [](Fixture& f) { republishWithArchive(f, {{ArchiveEntry::CharDevice, "null", ""}}); }, "ok", MovraComponents::UnsafeArchive,
     "device"},
    {"NeverAnswers", [](Fixture&) {}, "hang", MovraComponents::DownloadFailed, "no data for 1000 ms"},
    {"DropsHalfway", [](Fixture&) {}, "drop", MovraComponents::DownloadFailed, "AVCCodec-2.0.tar.xz"},
    {"NotFound", [](Fixture&) {}, "status/404", 24, "HTTP status 404"},
    {"ServerError", [](Fixture&) {}, "status/500", 24, "HTTP status 500"},
    {"RedirectLoop", [](Fixture&) {}, "loop", MovraComponents::DownloadFailed, "redirects"},
    {"RedirectToFileScheme", [](Fixture&) {}, "scheme", MovraComponents::DownloadFailed, "scheme other than http"},
    {"ServerDown", [](Fixture&) {}, "down", MovraComponents::ServerUnreachable, "catalog.json"},
    {"NeedsNewerPlayer",
     [](Fixture& f) {
         f.kit.publish(f.serverFolder, {"--component", "AVCCodec", "--version", "2.0", "--folder",
                                        f.kit.makeFolder("AVC2", {{"AVCCodec.so", "avc-2"}}), "--min-player", "99.0"});
     },
     "ok", MovraComponents::PlayerUpdateRequired, "needs player 99.0"},
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

} // namespace
