// UTF-8 <-> UTF-16 conversion of the store: every malformed input gives "".

#include "settings/stringconversion.h"

#include <gtest/gtest.h>

using mvds::toUtf8;
using mvds::toWide;

namespace {

struct WideCase
{
    const char* name;
    std::string utf8;
    std::u16string expected;
};

class ToWide : public ::testing::TestWithParam<WideCase> {};

TEST_P(ToWide, Converts)
{
    EXPECT_EQ(toWide(GetParam().utf8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ToWide,
    ::testing::Values(
        WideCase{"empty", "", u""},
        WideCase{"ascii", "Volume", u"Volume"},
        WideCase{"twoByte", "\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
        WideCase{"threeByte", "\xE4\xB8\xAD", u"\u4E2D"},
        WideCase{"lastBmp", "\xEF\xBF\xBF", u"\uFFFF"},
        WideCase{"fourByteBecomesPair", "\xF0\x9F\x8E\xAC", u"\U0001F3AC"},
        WideCase{"maximum", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        WideCase{"embeddedNulKept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        WideCase{"strayContinuation", "a\x80z", u""},
        WideCase{"leadAboveF4", "\xF5\x80\x80\x80", u""},
        WideCase{"leadFF", "\xFF", u""},
        WideCase{"overlongTwoByteC0", "\xC0\xAF", u""},
        WideCase{"overlongTwoByteC1", "\xC1\xBF", u""},
        WideCase{"overlongThreeByte", "\xE0\x80\xAF", u""},
        WideCase{"overlongFourByte", "\xF0\x8F\xBF\xBF", u""},
        WideCase{"encodedHighSurrogate", "\xED\xA0\x80", u""},
        WideCase{"encodedLowSurrogate", "\xED\xBF\xBF", u""},
        WideCase{"aboveMaximum", "\xF4\x90\x80\x80", u""},
        WideCase{"truncatedTwoByte", "ab\xC3", u""},
        WideCase{"truncatedFourByte", "\xF0\x9F\x8E", u""},
        WideCase{"leadFollowedByAscii", "\xC3" "A", u""},
        WideCase{"malformedAfterGoodText", "Good text \xE4\xB8", u""}),
    [](const auto& info) { return std::string(info.param.name); });

struct Utf8Case
{
    const char* name;
    std::u16string utf16;
    std::string expected;
};

class ToUtf8 : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(ToUtf8, Converts)
{
    EXPECT_EQ(toUtf8(GetParam().utf16), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ToUtf8,
    ::testing::Values(
        Utf8Case{"empty", u"", ""},
        Utf8Case{"ascii", u"Volume", "Volume"},
        Utf8Case{"twoByte", u"\u00E9", "\xC3\xA9"},
        Utf8Case{"threeByte", u"\u4E2D", "\xE4\xB8\xAD"},
        Utf8Case{"pairBecomesFourBytes", u"\U0001F3AC", "\xF0\x9F\x8E\xAC"},
        Utf8Case{"maximumPair", u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        // Never ill-formed UTF-8 out: whoever reads a setting as UTF-8 may rely on it.
        Utf8Case{"loneLowSurrogateGivesEmpty", std::u16string(1, char16_t(0xDC00)), ""},
        Utf8Case{"loneLowSurrogateLastGivesEmpty", std::u16string(u"a") + char16_t(0xDFFF), ""},
        Utf8Case{"highSurrogateBeforeTextGivesEmpty", std::u16string(1, char16_t(0xD800)) + u"a", ""},
        Utf8Case{"highSurrogateLastGivesEmpty", std::u16string(u"abc") + char16_t(0xD83C), ""},
        Utf8Case{"twoHighSurrogatesLastGivesEmpty",
                 std::u16string(1, char16_t(0xD800)) + char16_t(0xD800), ""},
        Utf8Case{"reversedPair", std::u16string(1, char16_t(0xDC00)) + char16_t(0xD800), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StringConversion, RoundTripsEveryScalarValueClass)
{
    const std::u16string text = u"A\u00E9\u07FF\u0800\uD7FF\uE000\uFFFF\U00010000\U0010FFFF";
    EXPECT_EQ(toWide(toUtf8(text)), text);
}

} // namespace
