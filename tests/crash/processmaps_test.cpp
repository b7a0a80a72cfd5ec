// The maps parser the crash handler reads its own mappings with.

#include "platform/processmaps.h"

#include <gtest/gtest.h>

#include <string>

using MovraPlatform::Mapping;
using MovraPlatform::parseMaps;

namespace {

struct MapsRow
{
    const char* name;
    const char* line;
    bool parses;
    uint64_t start, end, offset, inode;
    const char* permissions; // "rwxp" letters that are set
    const char* mappingName;
    bool isFile;
};

const MapsRow kMapsRows[] = {
    {"library", "7f1c2a000000-7f1c2a021000 r-xp 00002000 fd:01 1835131                    /usr/lib/x86_64-linux-gnu/libc.so.6",
     true, 0x7f1c2a000000, 0x7f1c2a021000, 0x2000, 1835131, "rxp", "/usr/lib/x86_64-linux-gnu/libc.so.6", true},
    {"spaces in the path", "00400000-00401000 r--p 00000000 08:02 42 /home/u/My Films/lib x.so", true, 0x400000,
     0x401000, 0, 42, "rp", "/home/u/My Films/lib x.so", true},
    {"deleted file", "00400000-00401000 rw-s 00000000 00:05 7 /dev/shm/buffer (deleted)", true, 0x400000, 0x401000, 0, 7,
     "rw", "/dev/shm/buffer (deleted)", true},
    {"anonymous", "7ffd1000-7ffd2000 rw-p 00000000 00:00 0 ", true, 0x7ffd1000, 0x7ffd2000, 0, 0, "rwp", "", false},
    {"no name at all", "7ffd1000-7ffd2000 ---p 00000000 00:00 0", true, 0x7ffd1000, 0x7ffd2000, 0, 0, "p", "", false},
    {"special", "ffffffffff600000-ffffffffff601000 --xp 00000000 00:00 0                  [vsyscall]", true,
     0xffffffffff600000, 0xffffffffff601000, 0, 0, "xp", "[vsyscall]", false},
    {"heap", "55d0c000-55d2d000 rw-p 00000000 00:00 0 [heap]", true, 0x55d0c000, 0x55d2d000, 0, 0, "rwp", "[heap]", false},
    {"cut short", "00400000-00401000 r-xp 00000000", false, 0, 0, 0, 0, "", "", false},
    {"end before start", "00402000-00401000 r-xp 00000000 08:02 42 /x", false, 0, 0, 0, 0, "", "", false},
    {"not hexadecimal", "zz400000-00401000 r-xp 00000000 08:02 42 /x", false, 0, 0, 0, 0, "", "", false},
};

class MapsLine : public testing::TestWithParam<MapsRow>
{
};

void PrintTo(const MapsRow& row, std::ostream* out)
{
    *out << row.name;
}

TEST_P(MapsLine, ParsesToItsFields)
{
    const MapsRow& row = GetParam();
    const std::string text = std::string(row.line) + "\n";
    Mapping mapping;
    mapping.start = 0xdeadbeef;
    const size_t count = parseMaps(text.data(), text.size(), &mapping, 1);
    ASSERT_EQ(count, row.parses ? 1u : 0u);
    if (!row.parses) {
        EXPECT_EQ(mapping.start, 0xdeadbeefu) << "a refused line must not be stored";
        return;
    }
    EXPECT_EQ(mapping.start, row.start);
    EXPECT_EQ(mapping.end, row.end);
    EXPECT_EQ(mapping.offset, row.offset);
    EXPECT_EQ(mapping.inode, row.inode);
    const std::string permissions = row.permissions;
    EXPECT_EQ(mapping.readable, permissions.find('r') != std::string::npos);
    EXPECT_EQ(mapping.writable, permissions.find('w') != std::string::npos);
    EXPECT_EQ(mapping.executable, permissions.find('x') != std::string::npos);
    EXPECT_EQ(mapping.isPrivate, permissions.find('p') != std::string::npos);
    EXPECT_EQ(std::string(mapping.name, mapping.nameLength), row.mappingName);
    EXPECT_TRUE(mapping.nameIs(row.mappingName));
    EXPECT_EQ(mapping.isFile(), row.isFile);
}

INSTANTIATE_TEST_SUITE_P(Lines, MapsLine, testing::ValuesIn(kMapsRows), [](const testing::TestParamInfo<MapsRow>& info) {
    std::string name = info.param.name;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
    return name;
});

TEST(Maps, AFullTableStopsWithoutWritingPastItAndALastLineNeedsNoNewline)
{
    const std::string text = "1000-2000 r--p 00000000 00:00 0\n\n3000-4000 r--p 00000000 00:00 0\n5000-6000 r--p 0 00:00 0";
    Mapping table[3];
    table[2].start = 0xdeadbeef;
    EXPECT_EQ(parseMaps(text.data(), text.size(), table, 2), 2u);
    EXPECT_EQ(table[1].start, 0x3000u);
    EXPECT_EQ(table[2].start, 0xdeadbeefu);
    EXPECT_EQ(parseMaps(text.data(), text.size(), table, 3), 3u);
    EXPECT_EQ(table[2].start, 0x5000u);
    EXPECT_EQ(MovraPlatform::findMapping(table, 3, 0x3fff), &table[1]);
    EXPECT_EQ(MovraPlatform::findMapping(table, 3, 0x4000), nullptr);
}

} // namespace
