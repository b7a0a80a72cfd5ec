// The catalogue cache of discovery: a start served from it must be indistinguishable from a
// start without it, whatever changed in the folder since the cache was written.

#include "framework/cataloguecache.h"
#include "support/catalogue.h"
#include "support/testsupport.h"

#include "support/scopedenvironment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

using MovraTest::ScopedEnvironment;

using fwtest::TempDir;
using MSE::CatalogueCache;
using MSE::CatalogueEntry;
using MSE::FileKey;

namespace {

const char kGood[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<properties version="1.0">
  <type>plugin</type>
  <plugin><name>NAME</name><interfaces><interface><name>test.interface.NAME</name></interface></interfaces></plugin>
</properties>
)";

std::string document(const std::string& name)
{
    std::string text = kGood;
    for (std::size_t at; (at = text.find("NAME")) != std::string::npos;)
        text.replace(at, 4, name);
    return text;
}

// Files written now are only cached once they are older than the cache's one second.
void letFilesSettle() { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); }

std::string withoutCache(const std::string& folder)
{
    ScopedEnvironment cache("XDG_CACHE_HOME", "relative");
    ScopedEnvironment home("HOME", "relative");
    return fwtest::discoverySummary(folder);
}

class CatalogueCacheTest : public ::testing::Test
{
protected:
    void SetUp() override { setenv("XDG_CACHE_HOME", (cacheHome.path() + "/cache").c_str(), 1); }
    void TearDown() override { unsetenv("XDG_CACHE_HOME"); }

    // Two good plug-ins, one whose document is not XML, one without document.
    std::string makeFolder(const std::string& name) const
    {
        const std::string folder = plugins.mkdir(name);
        plugins.write(name + "/A.so", "library A");
        plugins.write(name + "/A.xml", document("test.a"));
        plugins.write(name + "/B.so", "library B");
        plugins.write(name + "/B.xml", document("test.b"));
        plugins.write(name + "/Broken.so", "library Broken");
        plugins.write(name + "/Broken.xml", "<properties version=\"1.0\"><type>plugin");
        plugins.write(name + "/Lonely.so", "library Lonely");
        return folder;
    }

    static std::string cacheFile(const std::string& folder) { return CatalogueCache::pathFor(folder + "/"); }

    TempDir cacheHome;
    TempDir plugins;
};

struct Change
{
    const char* name;
    std::function<void(const TempDir&, const std::string&)> apply;
};

void rewrite(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::trunc) << content; }

const Change kChanges[] = {
    {"DocumentRewritten", [](const TempDir&, const std::string& f) { rewrite(f + "/A.xml", document("test.a2")); }},
    {"DocumentRewrittenInPlaceSameSize",
     [](const TempDir&, const std::string& f) { rewrite(f + "/A.xml", document("test.z")); }},
    {"DocumentBroken", [](const TempDir&, const std::string& f) { rewrite(f + "/A.xml", "<properties"); }},
    {"DocumentRepaired", [](const TempDir&, const std::string& f) { rewrite(f + "/Broken.xml", document("test.f")); }},
    {"DocumentAppears", [](const TempDir&, const std::string& f) { rewrite(f + "/Lonely.xml", document("test.l")); }},
    {"DocumentDisappears", [](const TempDir&, const std::string& f) { std::remove((f + "/B.xml").c_str()); }},
    {"DocumentReplacedByRename",
     [](const TempDir&, const std::string& f) {
         rewrite(f + "/new.tmp", document("test.r"));
         std::rename((f + "/new.tmp").c_str(), (f + "/A.xml").c_str());
     }},
    {"DuplicateNameAppears", [](const TempDir&, const std::string& f) { rewrite(f + "/B.xml", document("test.a")); }},
    {"LibraryAppears",
     [](const TempDir&, const std::string& f) {
         rewrite(f + "/C.so", "library C");
         rewrite(f + "/C.xml", document("test.c"));
     }},
    {"LibraryDisappears", [](const TempDir&, const std::string& f) { std::remove((f + "/A.so").c_str()); }},
    {"LibraryReplaced",
     [](const TempDir&, const std::string& f) {
         rewrite(f + "/A.new", "library A, version 2");
         std::rename((f + "/A.new").c_str(), (f + "/A.so").c_str());
     }},
    {"EverythingRemoved", [](const TempDir&, const std::string& f) { std::filesystem::remove_all(f), std::filesystem::create_directory(f); }},
};

TEST_F(CatalogueCacheTest, EachChangeBetweenTwoStartsIsSeenAsWithoutTheCache)
{
    std::vector<std::string> folders;
    for (const Change& change : kChanges)
        folders.push_back(makeFolder(change.name));
    letFilesSettle();

    for (std::size_t i = 0; i < folders.size(); ++i) {
        SCOPED_TRACE(kChanges[i].name);
        const std::string expected = withoutCache(folders[i]);
        EXPECT_EQ(fwtest::discoverySummary(folders[i]), expected) << "first start, writing the cache";
        ASSERT_TRUE(std::filesystem::exists(cacheFile(folders[i])));
        EXPECT_EQ(fwtest::discoverySummary(folders[i]), expected) << "second start, from the cache";
    }

    for (std::size_t i = 0; i < folders.size(); ++i)
        kChanges[i].apply(plugins, folders[i]);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        SCOPED_TRACE(kChanges[i].name);
        EXPECT_EQ(fwtest::discoverySummary(folders[i]), withoutCache(folders[i])) << "right after the change";
    }
    letFilesSettle();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        SCOPED_TRACE(kChanges[i].name);
        const std::string expected = withoutCache(folders[i]);
        EXPECT_EQ(fwtest::discoverySummary(folders[i]), expected) << "first start after the change";
        EXPECT_EQ(fwtest::discoverySummary(folders[i]), expected) << "second start after the change";
    }
}

TEST_F(CatalogueCacheTest, SettledFilesAreServedFromTheCacheWithTheirFailures)
{
    const std::string folder = makeFolder("served");
    letFilesSettle();
    plugins.write("served/Fresh.so", "library Fresh");
    plugins.write("served/Fresh.xml", document("test.fresh"));
    fwtest::discoverySummary(folder);

    const CatalogueCache cache(folder + "/");
    const auto entry = [&](const std::string& library, const std::string& properties) {
        return cache.find(library, FileKey::of(folder + "/" + properties));
    };
    const CatalogueEntry* good = entry("A.so", "A.xml");
    ASSERT_TRUE(good);
    EXPECT_EQ(good->outcome, CatalogueEntry::Parsed);
    EXPECT_EQ(good->text, document("test.a"));
    const CatalogueEntry* broken = entry("Broken.so", "Broken.xml");
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->outcome, CatalogueEntry::Unparsable);
    EXPECT_NE(broken->diagnostics.find("Could not parse file '" + folder + "/Broken.xml'"), std::string::npos);
    EXPECT_EQ(broken->reason.substr(0, 8), "not XML:");
    const CatalogueEntry* lonely = entry("Lonely.so", "Lonely.xml");
    ASSERT_TRUE(lonely);
    EXPECT_EQ(lonely->outcome, CatalogueEntry::PropertiesMissing);
    EXPECT_FALSE(entry("Fresh.so", "Fresh.xml")) << "a file changed within the last second may change unseen";
    EXPECT_FALSE(cache.find("A.so", FileKey::of(folder + "/B.xml"))) << "another document's key";
}

TEST_F(CatalogueCacheTest, ADamagedOrForeignCacheFileIsIgnoredAndRewritten)
{
    const std::string other = makeFolder("other");
    const std::string folder = makeFolder("damaged");
    letFilesSettle();
    fwtest::discoverySummary(other);
    const std::string expected = withoutCache(folder);

    using Damage = std::function<void(std::string&)>;
    const std::pair<const char*, Damage> damages[] = {
        {"TruncatedToHalf", [](std::string& bytes) { bytes.resize(bytes.size() / 2); }},
        {"TruncatedByOneByte", [](std::string& bytes) { bytes.pop_back(); }},
        {"Empty", [](std::string& bytes) { bytes.clear(); }},
        {"NotACacheFile", [](std::string& bytes) { bytes = "[General]\nkey=value\n"; }},
        {"ADocumentAltered",
         [](std::string& bytes) { bytes[bytes.find("test.a</name>") + 5] = 'q'; }},
        {"AnotherFoldersCache", [&](std::string& bytes) { bytes = fwtest::readFile(cacheFile(other)); }},
    };
    for (const auto& [name, damage] : damages) {
        SCOPED_TRACE(name);
        fwtest::discoverySummary(folder);
        std::string bytes = fwtest::readFile(cacheFile(folder));
        ASSERT_FALSE(bytes.empty());
        damage(bytes);
        std::ofstream(cacheFile(folder), std::ios::trunc | std::ios::binary) << bytes;

        EXPECT_EQ(fwtest::discoverySummary(folder), expected);
        const CatalogueCache rewritten(folder + "/");
        EXPECT_TRUE(rewritten.find("A.so", FileKey::of(folder + "/A.xml")));
        EXPECT_EQ(fwtest::discoverySummary(folder), expected);
    }
}

// An entry is keyed on its document alone: a start served from the cache never looks at
// the libraries, so one replaced, emptied or made unreadable leaves the cache file as it
// was; a document changed in any way is read again and its entry rewritten.
TEST_F(CatalogueCacheTest, OnlyTheDocumentDecidesWhetherAnEntryIsReadAgain)
{
    const struct
    {
        const char* name;
        std::function<void(const std::string&)> change;
        bool reread;
    } cases[] = {
        {"LibraryReplaced",
         [](const std::string& f) {
             rewrite(f + "/A.new", "library A, version 2, longer");
             std::rename((f + "/A.new").c_str(), (f + "/A.so").c_str());
         },
         false},
        {"LibraryEmptiedInPlace", [](const std::string& f) { rewrite(f + "/B.so", ""); }, false},
        {"LibraryUnreadable",
         [](const std::string& f) { std::filesystem::permissions(f + "/A.so", std::filesystem::perms::none); }, false},
        {"DocumentTouched",
         [](const std::string& f) {
             std::filesystem::last_write_time(f + "/A.xml", std::filesystem::file_time_type::clock::now());
         },
         true},
        {"DocumentRewrittenSameSize", [](const std::string& f) { rewrite(f + "/A.xml", document("test.z")); }, true},
    };
    std::vector<std::string> folders;
    for (const auto& c : cases)
        folders.push_back(makeFolder(std::string("only-") + c.name));
    letFilesSettle();
    std::vector<std::string> before;
    for (const std::string& folder : folders) {
        fwtest::discoverySummary(folder);
        before.push_back(fwtest::readFile(cacheFile(folder)));
        ASSERT_FALSE(before.back().empty());
    }
    for (std::size_t i = 0; i < folders.size(); ++i)
        cases[i].change(folders[i]);
    letFilesSettle();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::string summary = fwtest::discoverySummary(folders[i]);
        EXPECT_EQ(summary, withoutCache(folders[i]));
        EXPECT_EQ(fwtest::readFile(cacheFile(folders[i])) != before[i], cases[i].reread);
        const CatalogueCache cache(folders[i] + "/");
        EXPECT_TRUE(cache.find("A.so", FileKey::of(folders[i] + "/A.xml")));
    }
    std::filesystem::permissions(folders[2] + "/A.so", std::filesystem::perms::owner_all);
}

TEST_F(CatalogueCacheTest, PlayersStartingAtOnceAllSeeTheSameCatalogue)
{
    const std::string folder = makeFolder("together");
    letFilesSettle();
    const std::string expected = withoutCache(folder);

    // Two of them remove the cache before every start, so it is rewritten all the time.
    std::vector<FILE*> players;
    for (const char* mode : {"churn", "keep", "churn", "keep"})
        players.push_back(popen((std::string(CATALOGUE_HELPER) + " '" + folder + "' 12 " + mode).c_str(), "r"));
    for (FILE* player : players) {
        ASSERT_TRUE(player);
        std::string output;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof(buffer), player)) > 0;)
            output.append(buffer, n);
        EXPECT_EQ(pclose(player), 0);
        int starts = 0;
        for (std::size_t at = 0, end; (end = output.find("--\n", at)) != std::string::npos; at = end + 3, ++starts)
            EXPECT_EQ(output.substr(at, end - at), expected) << "start " << starts;
        EXPECT_EQ(starts, 12);
    }
}

} // namespace
