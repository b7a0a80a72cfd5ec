// Reading and writing .reg files: the forms the system's editor writes, and malformed
// files that must be refused as a whole with the line named.

#include "tools/movra-reg/regfile.h"

#include <gtest/gtest.h>

#include <string>

using namespace MovraReg;
using namespace MovraRegistry;

namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

std::vector<BYTE> bytesOf(const std::u16string& text)
{
    std::u16string withNul = text;
    withNul.push_back(u'\0');
    const auto* b = reinterpret_cast<const BYTE*>(withNul.data());
    return std::vector<BYTE>(b, b + withNul.size() * 2);
}

std::string utf16le(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

struct ValueCase
{
    const char* what;
    std::string line;
    std::u16string name;
    DWORD type;
    std::vector<BYTE> data;
    bool remove;
};

class RegFileValues : public ::testing::TestWithParam<ValueCase>
{
};

TEST_P(RegFileValues, ParsesTheLine)
{
    const ValueCase& c = GetParam();
    RegFile file;
    RegFileError error;
    ASSERT_TRUE(parseRegFile(kHeader + "[HKEY_CURRENT_USER\\Software\\T]\r\n" + c.line + "\r\n", &file, &error))
        << "line " << error.line << ": " << error.message;
    ASSERT_EQ(file.keys.size(), 1u);
    ASSERT_EQ(file.keys[0].values.size(), 1u);
    const RegFileValue& value = file.keys[0].values[0];
    EXPECT_EQ(value.name, c.name);
    EXPECT_EQ(value.remove, c.remove);
    if (!c.remove) {
        EXPECT_EQ(value.type, c.type);
        EXPECT_EQ(value.data, c.data);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RegFileValues,
    ::testing::Values(
        ValueCase{"String", "\"Name\"=\"text\"", u"Name", REG_SZ, bytesOf(u"text"), false},
        ValueCase{"Escapes", R"("a\"b\\c"="x\\y\"z")", u"a\"b\\c", REG_SZ, bytesOf(u"x\\y\"z"), false},
        ValueCase{"Default", "@=\"d\"", u"", REG_SZ, bytesOf(u"d"), false},
        ValueCase{"EmptyString", "\"e\"=\"\"", u"e", REG_SZ, bytesOf(u""), false},
        ValueCase{"Dword", "\"n\"=dword:0000002a", u"n", REG_DWORD, {0x2a, 0, 0, 0}, false},
        ValueCase{"ShortDword", "\"n\"=dword:ff", u"n", REG_DWORD, {0xff, 0, 0, 0}, false},
        ValueCase{"Qword", "\"q\"=hex(b):01,02,03,04,05,06,07,08", u"q", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, false},
        ValueCase{"Binary", "\"b\"=hex:de,AD,be,ef", u"b", REG_BINARY, {0xde, 0xad, 0xbe, 0xef}, false},
        ValueCase{"EmptyBinary", "\"b\"=hex:", u"b", REG_BINARY, {}, false},
        ValueCase{"Expand", "\"x\"=hex(2):41,00,00,00", u"x", REG_EXPAND_SZ, {0x41, 0, 0, 0}, false},
        ValueCase{"Multi", "\"m\"=hex(7):61,00,00,00,00,00", u"m", REG_MULTI_SZ, {0x61, 0, 0, 0, 0, 0}, false},
        ValueCase{"NoneType", "\"z\"=hex(0):", u"z", REG_NONE, {}, false},
        ValueCase{"Continuation", "\"c\"=hex:01,02,\\\r\n  03,04", u"c", REG_BINARY, {1, 2, 3, 4}, false},
        ValueCase{"ContinuationAfterEscapesInTheName", "\"a\\\"b\\\\\"=hex:01,\\\r\n  02,\\\r\n  03", u"a\"b\\", REG_BINARY, {1, 2, 3}, false},
        ValueCase{"Deletion", "\"gone\"=-", u"gone", REG_SZ, {}, true},
        ValueCase{"NonAscii", "\"Größe\"=\"Ünïcödé ☃\"", u"Größe", REG_SZ, bytesOf(u"Ünïcödé ☃"), false}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return info.param.what; });

struct BadCase
{
    const char* what;
    std::string text;
    int line;
};

class RegFileMalformed : public ::testing::TestWithParam<BadCase>
{
};

TEST_P(RegFileMalformed, IsRefusedWithItsLine)
{
    RegFile file;
    file.keys.push_back(RegFileKey{u"untouched", false, 0, {}});
    RegFileError error;
    EXPECT_FALSE(parseRegFile(GetParam().text, &file, &error));
    EXPECT_EQ(error.line, GetParam().line) << error.message;
    EXPECT_FALSE(error.message.empty());
    ASSERT_EQ(file.keys.size(), 1u) << "a refused file hands back nothing";
    EXPECT_EQ(file.keys[0].path, u"untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Files, RegFileMalformed,
    ::testing::Values(
        BadCase{"NoHeader", "[HKEY_CURRENT_USER\\x]\n", 1},
        BadCase{"OldHeader", "REGEDIT4\n\n[HKEY_CURRENT_USER\\x]\n", 1},
        BadCase{"ValueBeforeKey", kHeader + "\"a\"=\"b\"\n", 3},
        BadCase{"UnclosedKey", kHeader + "[HKEY_CURRENT_USER\\x\n", 3},
        BadCase{"BadDword", kHeader + "[HKCU\\x]\n\"a\"=dword:123456789\n", 4},
        BadCase{"BadHexByte", kHeader + "[HKCU\\x]\n\"ok\"=hex:01\n\"a\"=hex:01,2g\n", 5},
        BadCase{"BadHexAfterContinuation", kHeader + "[HKCU\\x]\n\"a\"=hex:01,\\\n  zz\n", 4},
        BadCase{"UnterminatedString", kHeader + "[HKCU\\x]\n\"a\"=\"text\n", 4},
        BadCase{"UnknownEscape", kHeader + "[HKCU\\x]\n\"a\"=\"te\\nxt\"\n", 4},
        BadCase{"MissingEquals", kHeader + "[HKCU\\x]\n\"a\" \"b\"\n", 4},
        BadCase{"UnknownData", kHeader + "[HKCU\\x]\n\"a\"=word:1\n", 4},
        BadCase{"ValueInDeletedKey", kHeader + "[-HKCU\\x]\n\"a\"=\"b\"\n", 4},
        BadCase{"InvalidUtf8", kHeader + "[HKCU\\x]\n\"a\"=\"\xC3\x28\"\n", 4}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return info.param.what; });

TEST(RegFile, ReadsUtf16WithByteOrderMarkAndKeyDeletions)
{
    RegFile file;
    RegFileError error;
    ASSERT_TRUE(parseRegFile(utf16le("Windows Registry Editor Version 5.00\r\n\r\n; comment\r\n[-HKLM\\Old]\r\n"
                                     "[HKCR\\.mkv]\r\n@=\"Movra.mkv\"\r\n"),
                             &file, &error))
        << error.message;
    ASSERT_EQ(file.keys.size(), 2u);
    EXPECT_TRUE(file.keys[0].remove);
    EXPECT_EQ(file.keys[0].path, u"HKLM\\Old");
    EXPECT_EQ(file.keys[0].line, 4);
    EXPECT_FALSE(file.keys[1].remove);
    EXPECT_EQ(file.keys[1].values.at(0).data, bytesOf(u"Movra.mkv"));
}

// Everything a key can hold survives writing and reading back, including values that are
// not clean strings and long data that gets wrapped.
TEST(RegFile, FormatThenParseGivesBackEveryValue)
{
    RegFile original;
    RegFileKey key;
    key.path = u"HKEY_CURRENT_USER\\Software\\Round \"trip\"";
    key.values = {
        {u"", false, REG_SZ, bytesOf(u"default \\ \"quoted\"")},
        {u"odd string", false, REG_SZ, {0x41, 0x00, 0x42}},
        {u"no terminator", false, REG_SZ, {0x41, 0x00}},
        {u"line break", false, REG_SZ, bytesOf(u"a\r\nb")},
        {u"dword", false, REG_DWORD, {1, 2, 3, 4}},
        {u"short dword", false, REG_DWORD, {1, 2}},
        {u"qword", false, REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {u"long binary", false, REG_BINARY, std::vector<BYTE>(300, 0x5a)},
        {u"odd type", false, 0x1234, {9}},
        {u"empty", false, REG_BINARY, {}},
    };
    original.keys.push_back(key);
    original.keys.push_back(RegFileKey{u"HKEY_LOCAL_MACHINE\\Gone", true, 0, {}});

    const std::string text = formatRegFile(original);
    ASSERT_EQ(text.compare(0, 2, "\xFF\xFE"), 0) << "UTF-16LE with a byte-order mark";
    RegFile parsed;
    RegFileError error;
    ASSERT_TRUE(parseRegFile(text, &parsed, &error)) << "line " << error.line << ": " << error.message;
    ASSERT_EQ(parsed.keys.size(), 2u);
    EXPECT_EQ(parsed.keys[0].path, key.path);
    ASSERT_EQ(parsed.keys[0].values.size(), key.values.size());
    for (size_t i = 0; i < key.values.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(parsed.keys[0].values[i].name, key.values[i].name);
        EXPECT_EQ(parsed.keys[0].values[i].type, key.values[i].type);
        EXPECT_EQ(parsed.keys[0].values[i].data, key.values[i].data);
    }
    EXPECT_TRUE(parsed.keys[1].remove);
}

TEST(RegFile, FormatsLikeTheSystemEditor)
{
    EXPECT_EQ(formatRegValue({u"n", false, REG_DWORD, {0x2a, 0, 0, 0}}), u"\"n\"=dword:0000002a");
    EXPECT_EQ(formatRegValue({u"", false, REG_SZ, bytesOf(u"a\"b")}), u"@=\"a\\\"b\"");
    EXPECT_EQ(formatRegValue({u"q", false, REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}}), u"\"q\"=hex(b):01,00,00,00,00,00,00,00");
    EXPECT_EQ(formatRegValue({u"x", true, REG_SZ, {}}), u"\"x\"=-");
}

} // namespace
