// The logging library: its formatter, and the library itself loaded as the framework loads it.

#include "logformatter.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdarg>
#include <cstdint>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string format(const char* text, ...)
{
    va_list arguments;
    va_start(arguments, text);
    std::string out = MSELogging::formatMessage(text, arguments);
    va_end(arguments);
    return out;
}

TEST(LogFormatterTest, NarrowAndWideStrings)
{
    EXPECT_EQ(format("'%s'", "narrow"), "'narrow'");
    EXPECT_EQ(format("'%S'", L"wide"), "'wide'");
    EXPECT_EQ(format("'%ls'", L"wide"), "'wide'");
    EXPECT_EQ(format("%S|%s", L"caf\u00e9 \U0001F600", "caf\xc3\xa9"), "caf\xc3\xa9 \xf0\x9f\x98\x80|caf\xc3\xa9");
    EXPECT_EQ(format("%S%S", L"/plugins/", L"Foo.so"), "/plugins/Foo.so");
    EXPECT_EQ(format("%s %S", static_cast<const char*>(nullptr), static_cast<const wchar_t*>(nullptr)), "(null) (null)");
    EXPECT_EQ(format("[%5s][%-5s][%.2s][%.2S][%*s]", "ab", "ab", "abcd", L"\u00e9\u00e9\u00e9", 3, "x"),
              "[   ab][ab   ][ab][\xc3\xa9\xc3\xa9][  x]");
    EXPECT_EQ(format("%S", L"bad \xD800 surrogate"), "bad \xef\xbf\xbd surrogate");
}

TEST(LogFormatterTest, OtherConversionsFollowTheCLibrary)
{
    EXPECT_EQ(format("%d %i %u %x %X %o", -5, 7, 4000000000u, 255, 255, 8), "-5 7 4000000000 ff FF 10");
    EXPECT_EQ(format("%ld %lld %zu %hhd %hd", -1L, 1LL << 40, static_cast<size_t>(12), 300, 70000),
              "-1 1099511627776 12 44 4464");
    EXPECT_EQ(format("%05.1f|%e|%g", 3.14159, 1000.0, 0.5), "003.1|1.000000e+03|0.5");
    EXPECT_EQ(format("%c%C%lc", 'a', static_cast<wint_t>(L'\u00e9'), static_cast<wint_t>(L'b')), "a\xc3\xa9" "b");
    EXPECT_EQ(format("100%% %y %s", "next"), "100% %y next") << "unknown conversions stay as written and read nothing";
    EXPECT_EQ(format("%p", static_cast<void*>(nullptr)).empty(), false);
    int ignored = 0;
    EXPECT_EQ(format("a%nb", &ignored), "ab");
    EXPECT_EQ(ignored, 0) << "%n writes nothing";
    EXPECT_EQ(format("trailing %"), "trailing %");
}

// A format string comes from code that may be wrong; a huge field must not cost gigabytes,
// and digits past the range of int must not overflow.
TEST(LogFormatterTest, FieldWidthsAndPrecisionsAreBounded)
{
    const size_t bound = 10000;
    EXPECT_LE(format("%2000000000s", "x").size(), bound);
    EXPECT_LE(format("%.2000000000d", 5).size(), bound);
    EXPECT_LE(format("%99999999999999999999s|", "x").size(), bound);
    EXPECT_LE(format("%.99999999999999999999f|", 1.0).size(), bound);
    EXPECT_LE(format("%*s|", -2147483647 - 1, "x").size(), bound);
    EXPECT_LE(format("%.*d|", 2147483647, 1).size(), bound);
    // Fields inside the bound are untouched.
    EXPECT_EQ(format("%300s", "x").size(), 300u);
    EXPECT_EQ(format("%.300d", 1).size(), 300u);
}

// The library's four exports, as the framework's facade calls them.
class LoggingLibraryTest : public ::testing::Test
{
protected:
    using Configure = int (*)(const char*);
    using Close = void (*)();
    using IsEnabled = bool (*)();
    using Write = void (*)(const char*, const char*, int32_t, const char*, va_list*);

    void SetUp() override
    {
        module = dlopen(MOVRA_APP_DIR "/MSE_Logging.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_TRUE(module) << dlerror();
        configure = reinterpret_cast<Configure>(dlsym(module, "MSELog_configure"));
        close = reinterpret_cast<Close>(dlsym(module, "MSELog_close"));
        isEnabled = reinterpret_cast<IsEnabled>(dlsym(module, "MSELog_isEnabled"));
        writeFunction = reinterpret_cast<Write>(dlsym(module, "MSELog_write"));
        ASSERT_TRUE(configure && close && isEnabled && writeFunction);
    }
    void TearDown() override
    {
        if (module) {
            configure(nullptr);
            dlclose(module);
        }
    }
    void write(const char* category, const char* function, int32_t line, const char* text, ...)
    {
        va_list arguments;
        va_start(arguments, text);
        writeFunction(category, function, line, text, &arguments);
        va_end(arguments);
    }

    void* module = nullptr;
    Configure configure = nullptr;
    Close close = nullptr;
    IsEnabled isEnabled = nullptr;
    Write writeFunction = nullptr;
    fwtest::TempDir dir;
};

TEST_F(LoggingLibraryTest, WritesOneLinePerMessageToTheConfiguredFile)
{
    const std::string path = dir.path() + "/log.txt";
    ASSERT_EQ(configure(path.c_str()), 0);
    EXPECT_TRUE(isEnabled());
    write("Plugin", "MSE::Farm::addPlugin", 42, "Could not parse property file '%S'", L"/p/Foo.xml");
    write("PluginFactory", "MSE::Farm::unloadLibrary", 7, "Unloading library for plugin '%s'\n", "foo");
    EXPECT_EQ(fwtest::readFile(path), "Plugin MSE::Farm::addPlugin(42): Could not parse property file '/p/Foo.xml'\n"
                                      "PluginFactory MSE::Farm::unloadLibrary(7): Unloading library for plugin 'foo'\n");
    configure(nullptr);
    EXPECT_FALSE(isEnabled());
    write("Plugin", "f", 1, "not written");
    EXPECT_EQ(fwtest::readFile(path).find("not written"), std::string::npos);
}

TEST_F(LoggingLibraryTest, ConcurrentWritersNeverInterleaveLines)
{
    const std::string path = dir.path() + "/log.txt";
    ASSERT_EQ(configure(path.c_str()), 0);
    constexpr int kThreads = 6, kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < kLines; ++i)
                write("Plugin", "worker", t, "thread %d line %d %S", t, i, L"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9");
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::set<std::string> lines;
    const std::string text = fwtest::readFile(path);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.insert(text.substr(start, end - start));
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kLines; i += 97) {
            const std::string expected = "Plugin worker(" + std::to_string(t) + "): thread " + std::to_string(t) +
                                         " line " + std::to_string(i) + " \xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9";
            EXPECT_EQ(lines.count(expected), 1u) << expected;
        }
    }
}

TEST_F(LoggingLibraryTest, StandardErrorTarget)
{
    ASSERT_EQ(configure("-"), 0);
    EXPECT_TRUE(isEnabled());
    testing::internal::CaptureStderr();
    write("Plugin", "f", 3, "to %s", "stderr");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Plugin f(3): to stderr\n");
}

} // namespace
