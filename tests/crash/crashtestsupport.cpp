#include "crashtestsupport.h"

#include <QDir>

#include <sys/stat.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace CrashTest {

std::string messageFor(const std::string& dumpPath)
{
    return "This application has performed an illegal operation and must be closed.\n\n"
           "A crash dump has been saved to:\n"
           + dumpPath + "\n\nPlease send this file to the Movra Development team.";
}

std::string crashChildPath()
{
    return CRASH_CHILD;
}

std::vector<std::string> dumpsIn(const std::string& folder)
{
    static const std::regex pattern("crash_child-[0-9a-f]{1,8}\\.dmp");
    std::vector<std::string> dumps;
    for (const std::string& name : folderEntries(folder)) {
        if (std::regex_match(name, pattern))
            dumps.push_back(name);
    }
    return dumps;
}

int fileMode(const std::string& path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

void CrashFolderTest::SetUp()
{
    if (kUnderSanitizer)
        GTEST_SKIP() << "the sanitizer's own handlers own the fatal signals; the crash handler is tested in the plain build";
    ASSERT_TRUE(m_dir.isValid());
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(desktop())));
}

std::string CrashFolderTest::path(const std::string& relative) const
{
    return m_dir.path().toStdString() + (relative.empty() ? "" : "/" + relative);
}

ChildResult CrashFolderTest::crash(const std::string& scenario, const std::string& mode,
                                   const std::map<std::string, std::string>& environment,
                                   const std::string& awaitOutput) const
{
    std::map<std::string, std::string> variables{{"XDG_DESKTOP_DIR", desktop()}};
    for (const auto& [name, value] : environment)
        variables[name] = value;
    return runChild({crashChildPath(), scenario, mode}, variables, path(""), awaitOutput);
}

std::string CrashFolderTest::expectOneDump(const ChildResult& result, const std::string& folder, int signalNumber) const
{
    EXPECT_TRUE(result.killedBy(signalNumber)) << result.describe();
    const std::vector<std::string> dumps = dumpsIn(folder);
    EXPECT_EQ(dumps.size(), 1u) << result.describe();
    if (dumps.size() != 1)
        return std::string();
    const std::string dump = folder + "/" + dumps.front();
    EXPECT_EQ(fileMode(dump), 0600);
    EXPECT_NE(result.standardError.find(messageFor(dump) + "\n"), std::string::npos) << result.describe();
    return dump;
}

} // namespace CrashTest
