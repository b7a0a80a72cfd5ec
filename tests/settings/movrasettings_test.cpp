// Values in sections of the store on a real registry in a temporary folder: their encodings
// and the rules for what is accepted and read back. Open modes, names, paths and deletion are
// in settingssections_test.cpp.

#include "settingstestsupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace SettingsTestSupport;

namespace {

// --- encodings ---

struct WriteCase
{
    const char* name;
    std::function<bool(IMovraSettings&)> write;
    DWORD type;
    std::vector<uint8_t> bytes;
};

class ValueEncoding : public SettingsTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ValueEncoding, StoresTypeAndBytes)
{
    Section section = openSection("Test", mvds::UserCreate);
    ASSERT_TRUE(section);
    ASSERT_TRUE(GetParam().write(*section));
    const rawreg::Value stored = rawreg::read(HKEY_CURRENT_USER, kTestPath, u"v");
    ASSERT_EQ(stored.status, ERROR_SUCCESS);
    EXPECT_EQ(stored.type, GetParam().type);
    EXPECT_EQ(stored.bytes, GetParam().bytes);
}

std::vector<uint8_t> bytesOf(const void* data, std::size_t size)
{
    const auto* begin = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(begin, begin + size);
}

const float kFloat = 1.5f;
const double kDouble = -2.25;

INSTANTIATE_TEST_SUITE_P(
    Table, ValueEncoding,
    ::testing::Values(
        WriteCase{"int32MinusOneSignExtends", [](IMovraSettings& s) { return s.setValue(u"v", int32_t(-1)); },
                  REG_QWORD, rawreg::qword(0xFFFFFFFFFFFFFFFFull)},
        WriteCase{"uint32MaxZeroExtends", [](IMovraSettings& s) { return s.setValue(u"v", uint32_t(0xFFFFFFFFu)); },
                  REG_QWORD, rawreg::qword(0x00000000FFFFFFFFull)},
        WriteCase{"int64Min", [](IMovraSettings& s) { return s.setValue("v", INT64_MIN); },
                  REG_QWORD, rawreg::qword(0x8000000000000000ull)},
        WriteCase{"uint64Max", [](IMovraSettings& s) { return s.setValue("v", UINT64_MAX); },
                  REG_QWORD, rawreg::qword(UINT64_MAX)},
        WriteCase{"longLong", [](IMovraSettings& s) { return s.setValue(u"v", 0x0102030405060708LL); },
                  REG_QWORD, rawreg::qword(0x0102030405060708ull)},
        WriteCase{"floatAsDword", [](IMovraSettings& s) { return s.setValue(u"v", kFloat); },
                  REG_DWORD, bytesOf(&kFloat, 4)},
        WriteCase{"doubleAsQword", [](IMovraSettings& s) { return s.setValue("v", kDouble); },
                  REG_QWORD, bytesOf(&kDouble, 8)},
        WriteCase{"boolTrue", [](IMovraSettings& s) { return s.setValue(u"v", true); }, REG_DWORD, rawreg::dword(1)},
        WriteCase{"boolFalse", [](IMovraSettings& s) { return s.setValue("v", false); }, REG_DWORD, rawreg::dword(0)},
        WriteCase{"stringWithNul", [](IMovraSettings& s) { return s.setValue(u"v", std::u16string(u"ab")); },
                  REG_SZ, std::vector<uint8_t>{'a', 0, 'b', 0, 0, 0}},
        WriteCase{"utf8StringLiteral", [](IMovraSettings& s) { return s.setValue("v", "\xC3\xA9"); },
                  REG_SZ, std::vector<uint8_t>{0xE9, 0, 0, 0}},
        WriteCase{"emptyString", [](IMovraSettings& s) { return s.setValue(u"v", std::u16string()); },
                  REG_SZ, std::vector<uint8_t>{0, 0}},
        WriteCase{"binary", [](IMovraSettings& s) { return s.setValue(u"v", "\x01\x00\xFF", 3); },
                  REG_BINARY, std::vector<uint8_t>{1, 0, 0xFF}},
        WriteCase{"zeroLengthBinary", [](IMovraSettings& s) { return s.setValue("v", static_cast<const char*>(nullptr), 0); },
                  REG_BINARY, std::vector<uint8_t>{}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, RejectedWritesStoreNothing)
{
    Section section = openSection("Test", mvds::UserCreate);
    EXPECT_FALSE(section->setValue(u"v", static_cast<const char*>(nullptr), 3));
    EXPECT_FALSE(section->setValue(u"", int32_t(1)));
    EXPECT_FALSE(section->setValue("bad\xC3", int32_t(1)));  // name does not convert
    ASSERT_TRUE(section->setValue(u"text", "good"));
    EXPECT_FALSE(section->setValue(u"text", "bad\xF5\x80\x80\x80"));  // text does not convert
    EXPECT_FALSE(section->setValue("text", std::string("\xED\xA0\x80")));
    uint32_t count = 99;
    ASSERT_TRUE(section->getValueCount(count));
    EXPECT_EQ(count, 1u);
    std::string text;
    EXPECT_TRUE(section->getValue("text", text));
    EXPECT_EQ(text, "good");
}

TEST_F(SettingsTest, IntegersReadBackTheirLow32Bits)
{
    Section section = openSection("Test", mvds::UserCreate);
    ASSERT_TRUE(section->setValue(u"signed", int32_t(-1)));
    ASSERT_TRUE(section->setValue(u"unsigned", uint32_t(0xFFFFFFFFu)));
    ASSERT_TRUE(section->setValue(u"wide", int64_t(0x123456789ABCDEF0)));

    int32_t i32 = 0;
    uint32_t u32 = 0;
    int64_t i64 = 0;
    uint64_t u64 = 0;
    EXPECT_TRUE(section->getValue(u"signed", i32));
    EXPECT_EQ(i32, -1);
    EXPECT_TRUE(section->getValue("signed", u32));
    EXPECT_EQ(u32, 0xFFFFFFFFu);
    EXPECT_TRUE(section->getValue(u"signed", u64));
    EXPECT_EQ(u64, UINT64_MAX);
    EXPECT_TRUE(section->getValue(u"unsigned", i32));
    EXPECT_EQ(i32, -1);
    EXPECT_TRUE(section->getValue("unsigned", i64));
    EXPECT_EQ(i64, 0xFFFFFFFFll);
    EXPECT_TRUE(section->getValue(u"wide", i32));
    EXPECT_EQ(static_cast<uint32_t>(i32), 0x9ABCDEF0u);
    EXPECT_TRUE(section->getValue(u"wide", i64));
    EXPECT_EQ(i64, 0x123456789ABCDEF0);
}

TEST_F(SettingsTest, DwordFromAnotherProgramReadsThroughIntegerGetters)
{
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"d", REG_DWORD, rawreg::dword(0x80000001u)), ERROR_SUCCESS);
    Section section = openSection("Test", mvds::UserReadOnly);
    ASSERT_TRUE(section);
    int32_t i32 = 0;
    uint32_t u32 = 0;
    int64_t i64 = -1;
    uint64_t u64 = ~0ull;
    long long ll = -1;
    EXPECT_TRUE(section->getValue(u"d", i32));
    EXPECT_EQ(i32, static_cast<int32_t>(0x80000001u));
    EXPECT_TRUE(section->getValue(u"d", u32));
    EXPECT_EQ(u32, 0x80000001u);
    // The upper half of a 64-bit read of a DWORD is zero: DWORDs are unsigned.
    EXPECT_TRUE(section->getValue(u"d", i64));
    EXPECT_EQ(i64, 0x80000001ll);
    EXPECT_TRUE(section->getValue(u"d", u64));
    EXPECT_EQ(u64, 0x80000001ull);
    EXPECT_TRUE(section->getValue(u"d", ll));
    EXPECT_EQ(ll, 0x80000001ll);
    bool flag = false;
    EXPECT_TRUE(section->getValue(u"d", flag));
    EXPECT_TRUE(flag);
}

TEST_F(SettingsTest, ScalarsRoundTrip)
{
    Section section = openSection("Test", mvds::UserCreate);
    ASSERT_TRUE(section->setValue("f", 3.25f));
    ASSERT_TRUE(section->setValue("d", 1e300));
    ASSERT_TRUE(section->setValue("b", false));
    float f = 0;
    double d = 0;
    bool b = true;
    EXPECT_TRUE(section->getValue("f", f));
    EXPECT_EQ(f, 3.25f);
    EXPECT_TRUE(section->getValue(u"d", d));
    EXPECT_EQ(d, 1e300);
    EXPECT_TRUE(section->getValue(u"b", b));
    EXPECT_FALSE(b);
}

// Every getter meets a value it must refuse; the out variable keeps its sentinel.
TEST_F(SettingsTest, WrongTypesFailAndLeaveTheOutVariable)
{
    const std::vector<uint8_t> sixteen(16, 0xAB);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"qword", REG_QWORD, rawreg::qword(7)), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"dword", REG_DWORD, rawreg::dword(7)), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"expand", REG_EXPAND_SZ, rawreg::utf16z(u"%HOME%")), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"text", REG_SZ, rawreg::utf16z(u"7")), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"big", REG_BINARY, sixteen), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"small", REG_BINARY, {1, 2, 3, 4}), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"short", REG_DWORD, {1, 2}), ERROR_SUCCESS);
    Section section = openSection("Test", mvds::UserReadOnly);
    ASSERT_TRUE(section);

    const int32_t kI32 = 0x0BADF00D;
    const uint64_t kU64 = 0xDEADBEEFDEADBEEFull;
    for (const char16_t* name : {u"expand", u"text", u"big", u"short", u"missing"}) {
        SCOPED_TRACE(std::string(name, name + std::char_traits<char16_t>::length(name)));
        int32_t i32 = kI32;
        uint32_t u32 = kI32;
        int64_t i64 = kU64;
        uint64_t u64 = kU64;
        long long ll = kU64;
        EXPECT_FALSE(section->getValue(name, i32));
        EXPECT_FALSE(section->getValue(name, u32));
        EXPECT_FALSE(section->getValue(name, i64));
        EXPECT_FALSE(section->getValue(name, u64));
        EXPECT_FALSE(section->getValue(name, ll));
        EXPECT_EQ(i32, kI32);
        EXPECT_EQ(u32, static_cast<uint32_t>(kI32));
        EXPECT_EQ(i64, static_cast<int64_t>(kU64));
        EXPECT_EQ(u64, kU64);
        EXPECT_EQ(ll, static_cast<long long>(kU64));
    }
    float f = 42.f;
    EXPECT_FALSE(section->getValue(u"qword", f));  // a float is a DWORD only
    EXPECT_FALSE(section->getValue(u"small", f));
    EXPECT_EQ(f, 42.f);
    double d = 42.0;
    EXPECT_FALSE(section->getValue(u"dword", d));  // a double is a QWORD only
    EXPECT_FALSE(section->getValue(u"big", d));
    EXPECT_EQ(d, 42.0);
    bool b = true;
    EXPECT_FALSE(section->getValue(u"qword", b));
    EXPECT_TRUE(b);
    b = false;
    EXPECT_FALSE(section->getValue(u"short", b));
    EXPECT_FALSE(b);
    std::u16string wide = u"sentinel";
    std::string narrow = "sentinel";
    EXPECT_FALSE(section->getValue(u"expand", wide));
    EXPECT_FALSE(section->getValue(u"dword", wide));
    EXPECT_FALSE(section->getValue("expand", narrow));
    EXPECT_FALSE(section->getValue(u"big", narrow));
    EXPECT_EQ(wide, u"sentinel");
    EXPECT_EQ(narrow, "sentinel");
    mvtl::MemoryBuffer<char> buffer(5);
    EXPECT_FALSE(section->getValue(u"text", buffer));
    EXPECT_FALSE(section->getValue(u"qword", buffer));
    EXPECT_EQ(buffer.size(), 5u);
}

TEST_F(SettingsTest, OversizedValueReportsMoreDataAndFails)
{
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"big", REG_QWORD, std::vector<uint8_t>(16, 1)), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestPath.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    uint8_t bytes[8];
    DWORD size = sizeof bytes;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"big", nullptr, &type, bytes, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 16u);
    RegCloseKey(key);

    Section section = openSection("Test", mvds::UserReadOnly);
    int64_t value = 5;
    double d = 5;
    EXPECT_FALSE(section->getValue(u"big", value));
    EXPECT_FALSE(section->getValue(u"big", d));
    EXPECT_EQ(value, 5);
}

TEST_F(SettingsTest, StringsAndBinaryRoundTrip)
{
    Section section = openSection("Test", mvds::UserCreate);
    const std::string utf8 = "Gulim \xE4\xB8\xAD \xF0\x9F\x8E\xAC";
    ASSERT_TRUE(section->setValue("s", utf8));
    std::string narrow;
    std::u16string wide;
    EXPECT_TRUE(section->getValue("s", narrow));
    EXPECT_EQ(narrow, utf8);
    EXPECT_TRUE(section->getValue(u"s", wide));
    EXPECT_EQ(wide, u"Gulim \u4E2D \U0001F3AC");

    // Around the size a read first tries, and well past it.
    for (std::size_t length : {1, 60, 61, 62, 63, 64, 1000}) {
        std::u16string text;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(static_cast<char16_t>(u'a' + i % 26 + (i % 3 == 0 ? 0x400 : 0)));
        ASSERT_TRUE(section->setValue(u"long", text));
        std::u16string back;
        EXPECT_TRUE(section->getValue(u"long", back)) << length;
        EXPECT_EQ(back, text) << length;
    }

    // Stored text ending in half a surrogate pair has no UTF-8 form: the UTF-8 read fails.
    ASSERT_TRUE(section->setValue(u"half", std::u16string(u"ab") + char16_t(0xD800)));
    narrow = "kept";
    EXPECT_FALSE(section->getValue("half", narrow));
    EXPECT_EQ(narrow, "kept");
    EXPECT_TRUE(section->getValue(u"half", wide));

    // An empty string is a value: its two bytes are the terminating NUL.
    ASSERT_TRUE(section->setValue(u"empty", std::u16string()));
    narrow = "x";
    EXPECT_TRUE(section->getValue("empty", narrow));
    EXPECT_EQ(narrow, "");

    const char blob[] = {0, 1, 2, 3, 4};
    ASSERT_TRUE(section->setValue(u"blob", blob, 5));
    mvtl::MemoryBuffer<char> buffer;
    ASSERT_TRUE(section->getValue("blob", buffer));
    ASSERT_EQ(buffer.size(), 5u);
    EXPECT_EQ(std::memcmp(buffer.get(), blob, 5), 0);
}

TEST_F(SettingsTest, StringWithoutTerminatorOrOddSizeReadsItsText)
{
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"noNul", REG_SZ, {'a', 0, 'b', 0, 'c', 0}), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"odd", REG_SZ, {'x', 0, 'y'}), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"inner", REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0}), ERROR_SUCCESS);
    ASSERT_EQ(rawreg::write(HKEY_CURRENT_USER, kTestPath, u"zero", REG_SZ, {}), ERROR_SUCCESS);
    Section section = openSection("Test", mvds::UserReadOnly);
    std::u16string text;
    EXPECT_TRUE(section->getValue(u"noNul", text));
    EXPECT_EQ(text, u"abc");
    EXPECT_TRUE(section->getValue(u"odd", text));
    EXPECT_EQ(text, u"x\u0079");
    EXPECT_TRUE(section->getValue(u"inner", text));
    EXPECT_EQ(text, u"a");
    text = u"kept";
    EXPECT_FALSE(section->getValue(u"zero", text));
    EXPECT_EQ(text, u"kept");
}

TEST_F(SettingsTest, NamesThatDoNotConvertFail)
{
    Section section = openSection("Test", mvds::UserCreate);
    ASSERT_TRUE(section->setValue(u"ok", int32_t(1)));
    int32_t value = 7;
    EXPECT_FALSE(section->getValue("\xC0\xAF", value));
    EXPECT_FALSE(section->removeValue("\xED\xA0\x80"));
    EXPECT_FALSE(section->openSection("\xFF", nullptr));
    EXPECT_FALSE(mvds::openSettings(std::string("\x80"), mvds::UserCreate, nullptr));
    EXPECT_EQ(value, 7);
}

// --- open modes ---

} // namespace
