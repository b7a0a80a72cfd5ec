// movra-reg end to end: commands against a registry of the test's own, the export/import
// round trip, imports that must change nothing, and the real executable's exit codes.

#include "platform/registry.h"
#include "support/temporaryregistry.h"
#include "tools/movra-reg/regtool.h"

#include <gtest/gtest.h>

#include <QString>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <sys/wait.h>

using namespace MovraRegistry;

namespace {

struct Result
{
    int status = -1;
    std::string out;
    std::string err;
};

Result reg(std::initializer_list<const char*> args, const std::string& input = std::string())
{
    std::vector<std::u16string> wide;
    for (const char* arg : args)
        wide.push_back(QString::fromUtf8(arg).toStdU16String());
    std::ostringstream out, err;
    std::istringstream in(input);
    MovraReg::RegTool tool(out, err, in);
    Result result;
    result.status = tool.run(wide);
    result.out = out.str();
    result.err = err.str();
    return result;
}

// Everything below a key: "path" -> name -> (type, data). Names are folded to lower-case
// ASCII in the map key only where the test itself wrote them that way.
using Snapshot = std::map<std::u16string, std::map<std::u16string, std::pair<DWORD, std::vector<BYTE>>>>;

void snapshot(HKEY key, const std::u16string& path, Snapshot* into)
{
    auto& values = (*into)[path];
    for (DWORD i = 0;; ++i) {
        char16_t name[256];
        BYTE data[4096];
        DWORD nameLength = 256, size = sizeof data, type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        values[std::u16string(name, nameLength)] = {type, std::vector<BYTE>(data, data + size)};
    }
    for (DWORD i = 0;; ++i) {
        char16_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY sub = nullptr;
        ASSERT_EQ(RegOpenKeyExW(key, name, 0, KEY_READ, &sub), ERROR_SUCCESS);
        snapshot(sub, path + u'\\' + std::u16string(name, length), into);
        RegCloseKey(sub);
    }
}

Snapshot snapshotOf(HKEY root, const char16_t* path)
{
    Snapshot result;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        snapshot(key, path, &result);
        RegCloseKey(key);
    }
    return result;
}

void set(HKEY root, const char16_t* path, const char16_t* name, DWORD type, std::vector<BYTE> data)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(setValueVerbatim(key, name, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    RegCloseKey(key);
}

std::vector<BYTE> text(const std::u16string& s)
{
    const auto* b = reinterpret_cast<const BYTE*>(s.c_str());
    return std::vector<BYTE>(b, b + (s.size() + 1) * 2);
}

void populate()
{
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Settings\\Player", u"Volume", REG_QWORD, {40, 0, 0, 0, 0, 0, 0, 0});
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Settings\\Player", u"Language", REG_SZ, text(u"de"));
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Settings\\Player", nullptr, REG_SZ, text(u"default \"value\" \\"));
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Settings\\Player\\Größe", u"Ärger", REG_DWORD, {1, 0, 0, 0});
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Blob", u"bin", REG_BINARY, std::vector<BYTE>(200, 0xA5));
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Blob", u"empty", REG_BINARY, {});
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Blob", u"multi", REG_MULTI_SZ, text(std::u16string(u"a\0b\0", 4)));
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Blob", u"expand", REG_EXPAND_SZ, text(u"%HOME%"));
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Blob", u"odd", REG_SZ, {0x41});
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Blob", u"unterminated", REG_SZ, {0x41, 0, 0x42, 0});
    set(HKEY_CURRENT_USER, u"Software\\Movra\\Blob", u"unterminated multi", REG_MULTI_SZ, {0x41, 0, 0, 0, 0x42, 0});
    set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Install\\Player", u"InstallDir", REG_SZ, text(u"/opt/movra"));
    HKEY empty = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Movra\\Empty\\Deeper", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &empty, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(empty);
}

TEST(MovraReg, ExportThenImportIntoAnEmptyRegistryGivesBackTheSameTree)
{
    MovraTest::TemporaryRegistry source;
    populate();
    const Snapshot user = snapshotOf(HKEY_CURRENT_USER, u"Software\\Movra");
    const Snapshot machine = snapshotOf(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra");
    const std::string userFile = source.dir() + "/user.reg";
    const std::string machineFile = source.dir() + "/machine.reg";
    ASSERT_EQ(reg({"export", "HKCU\\Software\\Movra", userFile.c_str()}).status, 0);
    ASSERT_EQ(reg({"export", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Movra", machineFile.c_str(), "/y"}).status, 0);

    MovraTest::TemporaryRegistry target;
    EXPECT_TRUE(snapshotOf(HKEY_CURRENT_USER, u"Software\\Movra").empty());
    Result result = reg({"import", userFile.c_str()});
    ASSERT_EQ(result.status, 0) << result.err;
    result = reg({"import", machineFile.c_str()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(snapshotOf(HKEY_CURRENT_USER, u"Software\\Movra"), user);
    EXPECT_EQ(snapshotOf(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra"), machine);
    EXPECT_EQ(user.size(), 7u) << "Movra, Settings, Player, Größe, Blob, Empty, Deeper";
}

TEST(MovraReg, MalformedImportChangesNothingAndNamesTheLine)
{
    MovraTest::TemporaryRegistry registry;
    populate();
    const Snapshot before = snapshotOf(HKEY_CURRENT_USER, u"Software");
    const std::string file = registry.dir() + "/bad.reg";
    std::ofstream(file) << "Windows Registry Editor Version 5.00\n\n"
                           "[-HKEY_CURRENT_USER\\Software\\Movra\\Blob]\n\n"
                           "[HKEY_CURRENT_USER\\Software\\Movra\\New]\n"
                           "\"ok\"=dword:00000001\n"
                           "\"broken\"=hex:01,02,\\\n"
                           "  0x3\n";
    const Result result = reg({"import", file.c_str()});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("line 7"), std::string::npos) << result.err;
    EXPECT_EQ(snapshotOf(HKEY_CURRENT_USER, u"Software"), before);
}

TEST(MovraReg, ImportTouchingAReadOnlyRootWritesNothing)
{
    MovraTest::TemporaryRegistry registry;
    MovraTest::ScopedEnvironment readOnly("MOVRA_REGISTRY_MACHINE_READONLY", "1");
    resetRegistryForTesting();
    const std::string file = registry.dir() + "/both.reg";
    std::ofstream(file) << "Windows Registry Editor Version 5.00\n\n"
                           "[HKCU\\Software\\Movra]\n\"user\"=\"u\"\n\n"
                           "[HKLM\\SOFTWARE\\Movra]\n\"machine\"=\"m\"\n";
    const Result result = reg({"import", file.c_str()});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Access is denied"), std::string::npos) << result.err;
    EXPECT_TRUE(snapshotOf(HKEY_CURRENT_USER, u"Software").empty());
}

TEST(MovraReg, CommandsBehaveLikeReg)
{
    MovraTest::TemporaryRegistry registry;
    struct Step
    {
        std::vector<const char*> args;
        std::string input;
        int status;
    } steps[] = {
        {{"add", "HKCU\\Software\\T", "/v", "n", "/t", "REG_DWORD", "/d", "0x10", "/f"}, "", 0},
        {{"add", "HKCU\\Software\\T", "/v", "n", "/t", "REG_DWORD", "/d", "5"}, "no\n", 1},
        {{"add", "HKCU\\Software\\T", "/v", "n", "/t", "reg_dword", "/d", "0x4294967296", "/f"}, "", 1},
        {{"add", "HKCU\\Software\\T", "/v", "n", "/t", "REG_WORD", "/d", "1", "/f"}, "", 1},
        {{"add", "HKXX\\Software\\T", "/v", "n", "/d", "1", "/f"}, "", 1},
        {{"add", "HKCU\\Software\\T", "/v", "s", "/d", "text"}, "", 0},
        {{"add", "HKCU\\Software\\T", "/ve", "/d", "default"}, "", 0},
        {{"add", "HKCR\\.mkv", "/ve", "/d", "Movra.mkv", "/f"}, "", 0},
        {{"query", "HKCU\\Software\\T", "/v", "N"}, "", 0},
        {{"query", "HKCU\\Software\\T", "/v", "missing"}, "", 1},
        {{"delete", "HKCU\\Software\\T", "/v", "s"}, "yes\n", 0},
        {{"delete", "HKCU\\Software\\T", "/v", "s", "/f"}, "", 1},
        {{"delete", "HKCU\\Software\\T"}, "n\n", 1},
        {{"bogus"}, "", 1},
    };
    for (const Step& step : steps) {
        std::vector<std::u16string> wide;
        std::string line;
        for (const char* arg : step.args) {
            wide.push_back(QString::fromUtf8(arg).toStdU16String());
            line += std::string(arg) + " ";
        }
        SCOPED_TRACE(line);
        std::ostringstream out, err;
        std::istringstream in(step.input);
        EXPECT_EQ(MovraReg::RegTool(out, err, in).run(wide), step.status) << out.str() << err.str();
    }
    const Snapshot t = snapshotOf(HKEY_CURRENT_USER, u"Software\\T");
    const auto& values = t.at(u"Software\\T");
    EXPECT_EQ(values.at(u"n"), (std::pair<DWORD, std::vector<BYTE>>{REG_DWORD, {0x10, 0, 0, 0}}));
    EXPECT_EQ(values.at(u"").second, text(u"default"));
    EXPECT_EQ(values.count(u"s"), 0u);
    EXPECT_FALSE(snapshotOf(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\.mkv").empty());

    Result result = reg({"query", "HKCU\\Software\\T", "/v", "n"});
    EXPECT_NE(result.out.find("    n    REG_DWORD    0x10"), std::string::npos) << result.out;
    EXPECT_EQ(reg({"delete", "HKCU\\Software\\T", "/va", "/f"}).status, 0);
    EXPECT_TRUE(snapshotOf(HKEY_CURRENT_USER, u"Software\\T").at(u"Software\\T").empty());
    EXPECT_EQ(reg({"delete", "HKCU\\Software", "/f"}).status, 0);
    EXPECT_TRUE(snapshotOf(HKEY_CURRENT_USER, u"Software").empty());
    EXPECT_EQ(reg({"delete", "HKCU", "/f"}).status, 1);
}

// The real executable: exit codes and a broken registry file named on standard error.
TEST(MovraRegExecutable, NamesABrokenRegistryFileAndFails)
{
    MovraTest::TemporaryRegistry registry;
    const std::string tool = MOVRA_REG_EXECUTABLE;
    const std::string errFile = registry.dir() + "/err.txt";
    auto run = [&](const std::string& args) {
        const int status = std::system((tool + " " + args + " >/dev/null 2>'" + errFile + "'").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("add 'HKCU\\Software\\Movra' /v x /t REG_DWORD /d 1 /f"), 0);
    EXPECT_EQ(run("query 'HKCU\\Software\\Movra' /v x"), 0);
    EXPECT_EQ(run("query 'HKCU\\Software\\Nothing'"), 1);

    std::ofstream(registry.userDatabase(), std::ios::trunc) << std::string(4096, 'x');
    EXPECT_EQ(run("query 'HKCU\\Software\\Movra'"), 1);
    std::ifstream in(errFile);
    const std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(err.find(registry.userDatabase()), std::string::npos) << err;
    EXPECT_EQ(run("add 'HKCU\\Software\\Movra' /v x /d 2 /f"), 1);
}

} // namespace
