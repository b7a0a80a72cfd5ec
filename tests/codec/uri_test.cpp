// Cutting addresses into parts, UTF-16 conversion and the joining of component names.

#include "codec/uri.h"
#include "codec/utf8string.h"
#include "codec/wrapper.h"

#include <gtest/gtest.h>

#include <ostream>

#include <list>
#include <string>

namespace {

struct UriRow
{
    const char* name;
    const char* text;
    const char* scheme;
    const char* host;
    const char* port;
    const char* path;
    const char* extension;
    const char* query;
    const char* localPath;
    bool empty;
};

// Test names carry the row name; this keeps the raw bytes out of them.
void PrintTo(const UriRow& row, std::ostream* out)
{
    *out << row.name;
}

const UriRow kUriRows[] = {
    {"FileWithDriveLetter", "file://C:/x/y.dll", "file", "", "", "C:/x/y.dll", "dll", "", "C:/x/y.dll", false},
    {"FileMixedSeparators", "file://C:\\Apps\\Components/MovraComponentManager.so", "file", "", "",
     "C:\\Apps\\Components/MovraComponentManager.so", "so", "", "C:\\Apps\\Components/MovraComponentManager.so", false},
    {"FileAtTheRoot", "file:///MovraComponentManager.so", "file", "", "", "/MovraComponentManager.so", "so", "",
     "/MovraComponentManager.so", false},
    {"FileKeepsItsQueryApart", "file:///a/b.so?x=1", "file", "", "", "/a/b.so", "so", "?x=1", "/a/b.so", false},
    {"SchemeHostPortPathQuery", "res://server:99/a/b.txt?k=v", "res", "server", "99", "/a/b.txt", "txt", "?k=v", "", false},
    {"ColonWithoutSlashesIsNoScheme", "a:b/c", "", "a", "b", "/c", "", "", "", false},
    {"HostOnly", "http://example.org", "http", "example.org", "", "", "", "", "", false},
    {"HostAndQueryWithoutPath", "http://example.org?q=1", "http", "example.org", "", "", "", "?q=1", "", false},
    {"SlashAfterQueryMarkIsNoPath", "http://h?a/b", "http", "h", "", "", "", "?a/b", "", false},
    {"EmptyPort", "http://h:/p", "http", "h", "", "/p", "", "", "", false},
    {"ColonsInPortStayInPort", "http://h:1:2/p", "http", "h", "1:2", "/p", "", "", "", false},
    {"DotBeforeTheLastSegmentCounts", "http://h/a.b/c", "http", "h", "", "/a.b/c", "b/c", "", "", false},
    {"LastDotWins", "http://h/a.tar.gz", "http", "h", "", "/a.tar.gz", "gz", "", "", false},
    {"TrailingDotGivesEmptyExtension", "http://h/a.", "http", "h", "", "/a.", "", "", "", false},
    {"OnlyAQuery", "?only", "", "", "", "", "", "?only", "", true},
    {"QueryMarkBeforeTheScheme", "a?b://c", "a?b", "", "", "", "", "?b://c", "", false},
    {"EmptySchemeBeforeSlashes", "://h/p", "", "h", "", "/p", "", "", "", false},
    {"PlainRelativePath", "dir/file.so", "", "dir", "", "/file.so", "so", "", "", false},
    {"SchemeIsCaseSensitive", "FILE:///a.so", "FILE", "", "", "/a.so", "so", "", "", false},
    {"MultiByteHost", "http://b\xC3\xBC" "cher.de:8\xE2\x82\xAC/p", "http", "b\xC3\xBC" "cher.de", "8\xE2\x82\xAC", "/p", "", "",
     "", false},
    {"MultiBytePathAndExtension", "file:///\xE6\x97\xA5\xE6\x9C\xAC/\xC3\xA4.\xC3\xB1\xF0\x9F\x8E\xAC", "file", "", "",
     "/\xE6\x97\xA5\xE6\x9C\xAC/\xC3\xA4.\xC3\xB1\xF0\x9F\x8E\xAC", "\xC3\xB1\xF0\x9F\x8E\xAC", "",
     "/\xE6\x97\xA5\xE6\x9C\xAC/\xC3\xA4.\xC3\xB1\xF0\x9F\x8E\xAC", false},
    {"MultiByteQuery", "http://h/p?q=\xE6\x97\xA5\xE6\x9C\xAC", "http", "h", "", "/p", "", "?q=\xE6\x97\xA5\xE6\x9C\xAC",
     "", false},
};

class UriParsing : public ::testing::TestWithParam<UriRow>
{
};

TEST_P(UriParsing, CutsIntoSixParts)
{
    const UriRow& row = GetParam();
    const Uri uri{Utf8String(row.text)};
    EXPECT_EQ(uri.scheme.utf8(), row.scheme);
    EXPECT_EQ(uri.host.utf8(), row.host);
    EXPECT_EQ(uri.port.utf8(), row.port);
    EXPECT_EQ(uri.path.utf8(), row.path);
    EXPECT_EQ(uri.extension.utf8(), row.extension);
    EXPECT_EQ(uri.query.utf8(), row.query);
    EXPECT_EQ(uri.localPath().utf8(), row.localPath);
    EXPECT_EQ(uri.isEmpty(), row.empty);
}

INSTANTIATE_TEST_SUITE_P(Rows, UriParsing, ::testing::ValuesIn(kUriRows),
                         [](const ::testing::TestParamInfo<UriRow>& info) { return std::string(info.param.name); });

TEST(Uri, EmptyTextLeavesEverythingEmpty)
{
    const Uri uri{Utf8String("")};
    EXPECT_TRUE(uri.isEmpty());
    EXPECT_TRUE(uri.query.empty());
    EXPECT_TRUE(Uri().isEmpty());
}

TEST(Uri, CopyKeepsAllParts)
{
    const Uri original{Utf8String("res://server:99/a/b.txt?k=v")};
    Uri copy = original;
    EXPECT_EQ(copy.host.utf8(), "server");
    EXPECT_EQ(copy.port.utf8(), "99");
    EXPECT_EQ(copy.extension.utf8(), "txt");
    EXPECT_EQ(copy.query.utf8(), "?k=v");
}

struct WideRow
{
    const char* name;
    const char* utf8;
    std::u16string utf16;
    std::size_t codePoints;
};

// Test names carry the row name; this keeps the raw bytes out of them.
void PrintTo(const WideRow& row, std::ostream* out)
{
    *out << row.name;
}

class Utf8StringConversion : public ::testing::TestWithParam<WideRow>
{
};

TEST_P(Utf8StringConversion, WideAndLength)
{
    const WideRow& row = GetParam();
    Utf8String text(row.utf8);
    EXPECT_EQ(std::u16string(text.wide()), row.utf16);
    EXPECT_EQ(text.length(), row.codePoints);
    // The cache is rebuilt, never appended to.
    EXPECT_EQ(std::u16string(text.wide()), row.utf16);
}

INSTANTIATE_TEST_SUITE_P(Rows, Utf8StringConversion,
                         ::testing::Values(WideRow{"Empty", "", u"", 0}, WideRow{"Ascii", "abc", u"abc", 3},
                                           WideRow{"TwoAndThreeBytes", "\xC3\xA4\xE2\x82\xAC", u"\u00E4\u20AC", 2},
                                           WideRow{"AboveBmpBecomesSurrogatePair", "a\xF0\x9F\x8E\xAC", u"a\U0001F3AC", 2},
                                           WideRow{"BrokenSequenceBecomesReplacement", "a\xC3", u"a\uFFFD", 2},
                                           WideRow{"LoneContinuationByte", "\x80z", u"\uFFFDz", 2}),
                         [](const ::testing::TestParamInfo<WideRow>& info) { return std::string(info.param.name); });

TEST(Utf8String, ComparesWithNarrowLiterals)
{
    EXPECT_TRUE(Utf8String("file") == "file");
    EXPECT_FALSE(Utf8String("file") == "File");
    EXPECT_FALSE(Utf8String("file") == nullptr);
    EXPECT_TRUE(Utf8String(static_cast<const char*>(nullptr)).empty());
}

struct JoinRow
{
    const char* name;
    std::list<std::string> names;
    const char* before;
    const char* after;
};

// Test names carry the row name; this keeps the raw bytes out of them.
void PrintTo(const JoinRow& row, std::ostream* out)
{
    *out << row.name;
}

class JoinNames : public ::testing::TestWithParam<JoinRow>
{
};

TEST_P(JoinNames, Joins)
{
    const JoinRow& row = GetParam();
    Utf8String out(row.before);
    mcm::joinNames(row.names, out);
    EXPECT_EQ(out.utf8(), row.after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JoinNames,
    ::testing::Values(JoinRow{"EmptyListLeavesOutputAlone", {}, "kept", "kept"},
                      JoinRow{"OneNameIsThatName", {"MPC"}, "", "MPC"},
                      JoinRow{"OneNameReplacesOutput", {"MPC"}, "old", "MPC"},
                      JoinRow{"ThreeNames", {"a", "b", "c"}, "", "a;b;c"},
                      JoinRow{"SeveralNamesAppendToOutput", {"a", "b"}, "x", "xa;b"},
                      JoinRow{"EmptyNamesKeepTheirPlace", {"", "b", ""}, "", ";b;"},
                      JoinRow{"SpecOrderComponentFeatureVersion", {"MPC", "video_decoder.hevc", "3.1.0"}, "",
                              "MPC;video_decoder.hevc;3.1.0"},
                      JoinRow{"MultiByteNames", {"\xC3\xA4", "\xF0\x9F\x8E\xAC"}, "", "\xC3\xA4;\xF0\x9F\x8E\xAC"}),
    [](const ::testing::TestParamInfo<JoinRow>& info) { return std::string(info.param.name); });

TEST(AppendName, CollectsInOrderAndIgnoresNull)
{
    std::list<std::string> names{"given"};
    mcm::appendName("a", &names);
    mcm::appendName(nullptr, &names);
    mcm::appendName("b", &names);
    mcm::appendName("c", nullptr);
    EXPECT_EQ(names, (std::list<std::string>{"given", "a", "b"}));
}

} // namespace
