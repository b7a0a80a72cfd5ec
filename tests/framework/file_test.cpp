#include "framework/file.h"
#include "framework/widestring.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>

using fwtest::TempDir;
using fwtest::narrow;
using fwtest::wide;

namespace {

// The descriptor this process holds open on path (the newest one), or -1.
int descriptorFor(const std::string& path)
{
    int fd = -1;
    for (int candidate = 3; candidate < 1024; ++candidate) {
        char link[64], target[512] = {};
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", candidate);
        const ssize_t n = readlink(link, target, sizeof target - 1);
        if (n > 0 && path == target)
            fd = candidate;
    }
    return fd;
}

struct ModeRow
{
    const char* name;
    uint32_t mode;
    bool existing;
    int openResult;
    bool keepsContent; // the existing text "old" is still there
    int access;        // O_RDONLY, O_WRONLY or O_RDWR
    bool atEnd;
};

const ModeRow kModeRows[] = {
    {"ReadExisting", 0, true, 0, true, O_RDONLY, false},
    {"ReadMissing", 0, false, 2, false, 0, false},
    {"WriteTruncatesExisting", 1, true, 0, false, O_WRONLY, false},
    {"WriteCreatesMissing", 1, false, 0, false, O_WRONLY, false},
    {"WriteNewRefusesExisting", 2, true, 2, true, 0, false},
    {"WriteNewCreatesMissing", 2, false, 0, false, O_WRONLY, false},
    {"ReadWriteTruncatesExisting", 3, true, 0, false, O_RDWR, false},
    {"ReadWriteTruncateCreatesMissing", 3, false, 0, false, O_RDWR, false},
    {"ReadWriteOpensExisting", 4, true, 0, true, O_RDWR, false},
    {"ReadWriteCreatesMissing", 4, false, 0, false, O_RDWR, false},
    {"ReadWriteNewRefusesExisting", 5, true, 2, true, 0, false},
    {"ReadWriteNewCreatesMissing", 5, false, 0, false, O_RDWR, false},
    {"WriteAtEndKeepsExisting", 6, true, 0, true, O_WRONLY, true},
    {"WriteAtEndCreatesMissing", 6, false, 0, false, O_WRONLY, true},
    {"ReadWriteAtEndKeepsExisting", 7, true, 0, true, O_RDWR, true},
    {"ReadWriteAtEndCreatesMissing", 7, false, 0, false, O_RDWR, true},
};

void PrintTo(const ModeRow& row, std::ostream* out) { *out << row.name; }

class FileModeTest : public ::testing::TestWithParam<ModeRow>
{
};

TEST_P(FileModeTest, OpensAsTheTableSays)
{
    const ModeRow& row = GetParam();
    TempDir dir;
    const std::string path = dir.path() + "/file.bin";
    if (row.existing)
        dir.write("file.bin", "old");

    MSE::File file;
    ASSERT_EQ(file.open(wide(path), row.mode), row.openResult);
    EXPECT_EQ(file.isOpen(), row.openResult == 0);
    EXPECT_EQ(access(path.c_str(), F_OK) == 0, row.existing || row.openResult == 0);
    EXPECT_EQ(fwtest::readFile(path), row.keepsContent ? "old" : "");
    if (row.openResult != 0)
        return;

    const int fd = descriptorFor(path);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_ACCMODE, row.access);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_APPEND, 0) << "the position is set once, writes do not chase the end";
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), row.atEnd && row.keepsContent ? 3 : 0);
    EXPECT_EQ(file.size(), row.keepsContent ? 3u : 0u);
    char buffer[8] = {};
    const bool readable = row.access != O_WRONLY;
    EXPECT_EQ(file.read(buffer, sizeof buffer), readable && row.keepsContent && !row.atEnd ? 3u : 0u);
    file.close();
    EXPECT_EQ(descriptorFor(path), -1);
}

INSTANTIATE_TEST_SUITE_P(Modes, FileModeTest, ::testing::ValuesIn(kModeRows),
                         [](const ::testing::TestParamInfo<ModeRow>& info) { return std::string(info.param.name); });

TEST(FileTest, OpenOnAnOpenFileAnswers1AndKeepsTheFile)
{
    TempDir dir;
    const std::string first = dir.write("a.txt", "first");
    const std::string second = dir.write("b.txt", "second file");
    MSE::File file;
    ASSERT_EQ(file.open(wide(first), 0), MSE::kResultOk);
    EXPECT_EQ(file.open(wide(second), 0), MSE::kResultMissingArgument);
    EXPECT_EQ(file.size(), 5u);
    char buffer[16] = {};
    EXPECT_EQ(file.read(buffer, sizeof buffer), 5u);
    EXPECT_STREQ(buffer, "first");
}

TEST(FileTest, RefusalsAndClosedFiles)
{
    TempDir dir;
    const std::string path = dir.write("a.txt", "abc");
    MSE::File file;
    EXPECT_EQ(file.open(wide(path), 8), MSE::kResultFailed);
    EXPECT_EQ(file.open(wide(dir.path()), 0), MSE::kResultOpenRefused) << "a folder is not a file";
    EXPECT_EQ(file.open(wide(dir.path() + "/missing/x"), 1), MSE::kResultOpenRefused);
    EXPECT_EQ(file.open(MSE::movra_string<wchar_t>(), 0), MSE::kResultOpenRefused);
    EXPECT_FALSE(file.isOpen());
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(file.read(buffer, 4), 0u);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(file.close(), 0);
}

TEST(FileTest, SizeLeavesThePositionAlone)
{
    TempDir dir;
    const std::string path = dir.write("a.txt", "0123456789");
    MSE::File file;
    ASSERT_EQ(file.open(wide(path), 0), MSE::kResultOk);
    char buffer[4] = {};
    ASSERT_EQ(file.read(buffer, 3), 3u);
    EXPECT_EQ(file.size(), 10u);
    ASSERT_EQ(file.read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "345");
}

TEST(FileTest, FileExists)
{
    TempDir dir;
    const std::string path = dir.write("a.txt", "abc");
    EXPECT_TRUE(MSE::fileExists(wide(path)));
    EXPECT_FALSE(MSE::fileExists(wide(path + ".missing")));
    EXPECT_FALSE(MSE::fileExists(wide(dir.path())));
    EXPECT_FALSE(MSE::fileExists(MSE::movra_string<wchar_t>()));
}

std::multiset<std::string> listed(const std::string& folder, const char* extensions, bool recursive)
{
    std::multiset<std::string> names;
    for (const MSE::movra_string<wchar_t>& path : MSE::listFiles(wide(folder), wide(extensions), recursive))
        names.insert(narrow(path));
    return names;
}

class ListFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"a.so", "B.SO", "c.So", "d.xml", "e.so.bak", "noext", "trailing.", "f.txt"})
            dir.write(name, "x");
        dir.write("sub/g.so", "x");
        dir.mkdir("folder.so");
    }
    std::string at(const std::string& name) const { return dir.path() + "/" + name; }
    TempDir dir;
};

TEST_F(ListFilesTest, MatchesExtensionsWithoutRegardToCase)
{
    EXPECT_EQ(listed(dir.path(), "so", false),
              (std::multiset<std::string>{at("a.so"), at("B.SO"), at("c.So"), at("folder.so")}));
}

TEST_F(ListFilesTest, EmptyPiecesAndATrailingCommaMatchNothingMore)
{
    EXPECT_EQ(listed(dir.path(), "so,,xml,", false),
              (std::multiset<std::string>{at("a.so"), at("B.SO"), at("c.So"), at("folder.so"), at("d.xml")}));
}

TEST_F(ListFilesTest, SeparatorsAndTrailingSlashDoNotMatter)
{
    const auto expected = listed(dir.path(), "so", false);
    EXPECT_EQ(listed(dir.path() + "/", "so", false), expected);
    std::string backslashed = dir.path();
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    EXPECT_EQ(listed(backslashed + "\\", "so", false), expected);
}

TEST_F(ListFilesTest, RecursiveListsSubfoldersInsteadOfTestingTheirNames)
{
    EXPECT_EQ(listed(dir.path(), "so", true),
              (std::multiset<std::string>{at("a.so"), at("B.SO"), at("c.So"), at("sub/g.so")}));
}

TEST_F(ListFilesTest, MissingFolderIsEmpty)
{
    EXPECT_TRUE(listed(dir.path() + "/missing", "so", false).empty());
}

TEST(WideStringTest, RoundTripsEveryByteSequence)
{
    const std::string samples[] = {"", "plain", "caf\xc3\xa9", "\xf0\x9f\x98\x80 emoji", "bad \xff\xfe bytes",
                                   "cut \xe2\x82", "overlong \xc0\xaf", "surrogate \xed\xa0\x80"};
    for (const std::string& sample : samples)
        EXPECT_EQ(MSE::toUtf8(MSE::fromUtf8(sample)), sample) << sample;
    EXPECT_EQ(MSE::fromUtf8("caf\xc3\xa9"), MSE::movra_string<wchar_t>(L"caf\u00e9"));
    EXPECT_EQ(MSE::fromUtf8("\xf0\x9f\x98\x80").length(), 1u);
}

TEST(WideStringTest, FilesWithNonUtf8NamesAreListedAndOpened)
{
    TempDir dir;
    dir.write("odd\xff.so", "content");
    const auto files = MSE::listFiles(wide(dir.path()), wide("so"), false);
    ASSERT_EQ(files.size(), 1u);
    MSE::File file;
    EXPECT_EQ(file.open(files.at(0), 0), MSE::kResultOk);
    EXPECT_EQ(file.size(), 7u);
}

} // namespace
