// The catalogue reader, the install order and versions: the input a component server
// controls, so every malformed shape must be refused with a reason and nothing else.

#include "componentmanager/catalogue.h"
#include "componentmanager/componentstatus.h"
#include "componentmanager/publisher.h"
#include "componentmanager/safeextract.h"

#include <gtest/gtest.h>

#include <map>

#include <stdlib.h>
#include <unistd.h>

using namespace MovraComponents;

namespace {

std::string entry(const std::string& name, const std::string& extra = "", const std::string& version = "\"1.0\"")
{
    return "{\"name\": \"" + name + "\", \"version\": " + version
           + ", \"archive\": \"a.tar.xz\", \"size\": 10, \"unpacked_size\": 20, \"sha256\": \"" + std::string(64, 'a')
           + "\"" + extra + "}";
}

std::string catalogue(const std::string& components)
{
    return "{\"format\": 1, \"serial\": 3, \"expires\": \"2099-01-01T00:00:00Z\", \"components\": [" + components
           + "]}";
}

TEST(ComponentCatalogue, RefusesMalformedCatalogues)
{
    const std::string good = catalogue(entry("MPC") + "," + entry("AVCCodec", ", \"requires\": [\"MPC\"]"));
    const struct
    {
        const char* name;
        std::string text;
        const char* reason;
    } rows[] = {
        {"Truncated", good.substr(0, good.size() / 2), "not JSON"},
        {"Empty", "", "not JSON"},
        {"DeeplyNested", std::string(100000, '[') + std::string(100000, ']'), "nested too deeply"},
        {"NotAnObject", "[1, 2]", "format"},
        {"WrongFormat", "{\"format\": 2, \"components\": []}", "format"},
        {"ComponentsNotAList", "{\"format\": 1, \"serial\": 1, \"expires\": \"2099-01-01T00:00:00Z\", \"components\": {}}", "not a list"},
        {"SizeIsText", catalogue("{\"name\": \"MPC\", \"version\": \"1\", \"archive\": \"a\", \"size\": \"10\"}"),
         "\"size\" is not a size"},
        {"NegativeSize", catalogue(entry("MPC", ", \"size\": -1")), "is not a size"},
        {"VersionIsNumber", catalogue(entry("MPC", "", "3")), "\"version\" is not a string"},
        {"VersionNotAVersion", catalogue(entry("MPC", "", "\"3.1-beta\"")), "not a version"},
        {"VersionTooManyParts", catalogue(entry("MPC", "", "\"1.2.3.4.5\"")), "not a version"},
        {"DuplicateName", catalogue(entry("MPC") + "," + entry("MPC")), "listed twice"},
        {"DuplicateNameOtherCase", catalogue(entry("MPC") + "," + entry("mpc")), "listed twice"},
        {"NameWithSlash", catalogue(entry("a/b")), "invalid component name"},
        {"NameDotDot", catalogue(entry("..")), "invalid component name"},
        {"NameWithSemicolon", catalogue(entry("MPC;AVCCodec")), "invalid component name"},
        {"RequirementWithSemicolon", catalogue(entry("MPC", ", \"requires\": [\"a;b\"]")), "invalid name"},
        {"CycleOfTwo",
         catalogue(entry("A", ", \"requires\": [\"B\"]") + "," + entry("B", ", \"requires\": [\"A\"]")), "cycle"},
        {"SelfRequirement", catalogue(entry("A", ", \"requires\": [\"A\"]")), "cycle"},
        {"ArchiveOutside", catalogue(entry("MPC", ", \"archive\": \"../x.tar.xz\"")), "unsafe archive address"},
        {"ShortHash", catalogue(entry("MPC", ", \"x\": 1").replace(entry("MPC").find(std::string(64, 'a')), 64, "ab")),
         "SHA-256"},
        // Without a signed serial and expiry a catalogue could be replayed for ever.
        {"NoSerial", "{\"format\": 1, \"expires\": \"2099-01-01T00:00:00Z\", \"components\": []}", "\"serial\""},
        {"SerialZero", "{\"format\": 1, \"serial\": 0, \"expires\": \"2099-01-01T00:00:00Z\", \"components\": []}",
         "\"serial\""},
        {"SerialText", "{\"format\": 1, \"serial\": \"9\", \"expires\": \"2099-01-01T00:00:00Z\", \"components\": []}",
         "\"serial\""},
        {"NoExpiry", "{\"format\": 1, \"serial\": 1, \"components\": []}", "\"expires\""},
        {"ExpiryLocalTime", "{\"format\": 1, \"serial\": 1, \"expires\": \"2099-01-01T00:00:00+02:00\", \"components\": []}",
         "\"expires\""},
        {"ExpiryNotADate", "{\"format\": 1, \"serial\": 1, \"expires\": \"2099-02-30T00:00:00Z\", \"components\": []}",
         "\"expires\""},
        {"FileListedTwice",
         catalogue(entry("MPC", ", \"files\": [{\"path\": \"a\", \"size\": 1, \"sha256\": \"" + std::string(64, 'b')
                                    + "\"}, {\"path\": \"a\", \"size\": 1, \"sha256\": \"" + std::string(64, 'b') + "\"}]")),
         "listed twice"},
    };
    for (const auto& row : rows) {
        Catalogue c;
        std::string error;
        EXPECT_FALSE(c.parse(row.text, &error)) << row.name;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.name << ": " << error;
        EXPECT_TRUE(c.entries().empty()) << row.name;
    }
    Catalogue c;
    std::string error;
    EXPECT_TRUE(c.parse(good, &error)) << error;
    EXPECT_EQ(c.stamp().serial, 3u);
    EXPECT_EQ(formatUtcTime(c.stamp().expires), "2099-01-01T00:00:00Z");
}

// The largest component the limits allow must fit the size limit as movra-publish writes it.
TEST(ComponentCatalogue, HundredThousandFilesFitAndReadBack)
{
    CatalogueEntry e;
    e.name = "Big";
    e.version = *Version::parse("1.0");
    e.archive = "Big-1.0.tar.xz";
    e.size = 1;
    e.unpackedSize = 1;
    e.sha256 = std::string(64, 'c');
    for (size_t i = 0; i < Catalogue::kMaxFilesPerComponent; ++i)
        e.files.push_back(CatalogueFile{"lib/plugins/part" + std::to_string(i) + ".so", 123456, std::string(64, 'd')});
    const std::string text = serialiseCatalogue({e}, CatalogueStamp{5, 4102444800});
    EXPECT_LT(text.size(), Catalogue::kMaxBytes);
    Catalogue c;
    std::string error;
    ASSERT_TRUE(c.parse(text, &error)) << error;
    EXPECT_EQ(c.entries().front().files.size(), Catalogue::kMaxFilesPerComponent);
    e.files.push_back(CatalogueFile{"one-more", 1, std::string(64, 'd')});
    EXPECT_FALSE(c.parse(serialiseCatalogue({e}, CatalogueStamp{5, 4102444800}), &error));
    EXPECT_NE(error.find("more than 100000 files"), std::string::npos) << error;
}

TEST(ComponentCatalogue, ArchiveAddressesStayBelowTheCatalogue)
{
    const std::map<std::string, bool> rows = {
        {"MPC-3.1.0.tar.xz", true}, {"pool/m/MPC.tar.xz", true}, {"../MPC.tar.xz", false},
        {"/etc/passwd", false},     {"a//b", false},             {"http://evil/x", false},
        {".hidden", false},         {"a/./b", false},            {"a?b", false},
    };
    for (const auto& [path, safe] : rows)
        EXPECT_EQ(isSafeRelativePath(path), safe) << path;
}

TEST(ComponentCatalogue, ResolvesRequirementsFirstAndSkipsWhatIsInstalled)
{
    Catalogue c;
    std::string error;
    ASSERT_TRUE(c.parse(catalogue(entry("MPC", "", "\"3.1.0\"") + ","
                                  + entry("Base", ", \"minimum_player_version\": \"0.1\"") + ","
                                  + entry("AVCCodec", ", \"requires\": [\"MPC\", \"Base\"]") + ","
                                  + entry("HEVCCodec", ", \"requires\": [\"MPC\"], \"minimum_player_version\": \"2.0\"")),
                        &error))
        << error;
    std::map<std::string, std::string> installed;
    const auto lookup = [&](const std::string& name) -> std::optional<Version> {
        const auto it = installed.find(name);
        return it == installed.end() ? std::nullopt : Version::parse(it->second);
    };
    const Version player = *Version::parse("1.0");
    auto names = [](const Resolution& r) {
        std::vector<std::string> out;
        for (const CatalogueEntry* e : r.order)
            out.push_back(e->name);
        return out;
    };

    Resolution r = resolveInstallOrder(c, {"AVCCodec", "MPC"}, lookup, player);
    EXPECT_EQ(r.status, Success);
    EXPECT_EQ(names(r), (std::vector<std::string>{"MPC", "Base", "AVCCodec"}));

    installed = {{"MPC", "3.1"}, {"Base", "0.9"}};
    r = resolveInstallOrder(c, {"AVCCodec"}, lookup, player);
    EXPECT_EQ(names(r), (std::vector<std::string>{"Base", "AVCCodec"})) << "3.1 is 3.1.0; 0.9 is older than 1.0";

    r = resolveInstallOrder(c, {"HEVCCodec"}, lookup, player);
    EXPECT_EQ(r.status, PlayerUpdateRequired);
    EXPECT_TRUE(r.order.empty());
    // A component that needs a newer player but is already installed needs nothing.
    installed["HEVCCodec"] = "1.0";
    EXPECT_EQ(resolveInstallOrder(c, {"HEVCCodec"}, lookup, player).status, Success);

    r = resolveInstallOrder(c, {"Missing"}, lookup, player);
    EXPECT_EQ(r.status, NoProvider);
    EXPECT_EQ(r.component, "Missing");
}

TEST(ComponentCatalogue, VersionsCompareNumerically)
{
    const auto v = [](const char* t) { return *Version::parse(t); };
    EXPECT_LT(v("3.9"), v("3.10"));
    EXPECT_EQ(v("3.1"), v("3.1.0.0"));
    EXPECT_GT(v("10.0"), v("9.99.99"));
    for (const char* bad : {"", ".", "1.", ".1", "1..2", "a", "1.2.3.4.5", "1 .2", "-1", "1234567890"})
        EXPECT_FALSE(Version::parse(bad)) << bad;
}

TEST(ComponentCatalogue, EntryNamesOfArchivesAreNormalisedOrRefused)
{
    const std::map<std::string, std::string> rows = {
        {"a/b", "a/b"}, {"./a//b/", "a/b"}, {"/etc/passwd", ""}, {"a/../../b", ""}, {"..", ""}, {"a/..", ""},
    };
    for (const auto& [name, normalised] : rows)
        EXPECT_EQ(normaliseEntryPath(name), normalised) << name;
}

} // namespace

namespace {

// A folder that is missing or empty must not become a component that installs "fine" as
// nothing at all.
TEST(ComponentPublishing, RefusesFoldersWithNothingToPack)
{
    char pattern[] = "/tmp/movra-publish-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    std::string error;
    EXPECT_FALSE(packFolder(dir + "/missing", dir + "/a.tar.xz", &error));
    EXPECT_NE(error.find("cannot read the folder"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(packFolder(dir, dir + "/../movra-publish-empty.tar.xz", &error));
    EXPECT_NE(error.find("is empty"), std::string::npos) << error;
    ::rmdir(dir.c_str());
}

} // namespace
