#include "componenttestkit.h"

#include "platform/registry.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ComponentTest {

std::string appDir()
{
    const char* dir = std::getenv("MOVRA_APP_DIR");
    return dir ? dir : MOVRA_TEST_APP_DIR;
}

std::string makeTemporaryFolder(const char* tag)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/movra-" + tag + "-XXXXXX";
    if (!::mkdtemp(&pattern[0]))
        std::abort();
    return pattern;
}

void writeFile(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    ASSERT_TRUE(out.good()) << path;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

namespace {

// `ownGroup`: the child leads a process group of its own, so whatever it starts in turn (a
// python3 that is a version manager's shim starts the real interpreter as its child) can be
// stopped with it.
pid_t spawn(const std::vector<std::string>& argv, int outFd, bool ownGroup = false)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

RunResult run(const std::vector<std::string>& argv)
{
    RunResult result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return result;
    const pid_t pid = spawn(argv, fds[1]);
    ::close(fds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0)
            result.output.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    if (pid > 0)
        result.status = waitFor(pid);
    return result;
}

Server::Server(const std::string& folder, int port)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        std::abort();
    m_pid = spawn({"python3", MOVRA_TEST_SERVER_SCRIPT, folder, std::to_string(port)}, fds[1], true);
    ::close(fds[1]);
    std::string line;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(fds[0]);
    m_port = std::atoi(line.c_str());
    if (m_port <= 0)
        ADD_FAILURE() << "the component server did not start: " << line;
}

Server::~Server()
{
    if (m_pid > 0) {
        ::kill(-m_pid, SIGKILL);
        waitFor(m_pid);
    }
}

std::string Server::url(const std::string& mode) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + "/" + mode;
}

void writeTarXz(const std::string& path, const std::vector<ArchiveEntry>& entries)
{
    archive* a = archive_write_new();
    archive_write_set_format_pax_restricted(a);
    archive_write_add_filter_xz(a);
    ASSERT_EQ(archive_write_open_filename(a, path.c_str()), ARCHIVE_OK);
    for (const ArchiveEntry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        archive_entry_set_perm(entry, 0644);
        switch (e.type) {
        case ArchiveEntry::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, static_cast<la_int64_t>(e.contents.size()));
            break;
        case ArchiveEntry::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            archive_entry_set_perm(entry, 0755);
            break;
        case ArchiveEntry::Symlink:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, e.contents.c_str());
            break;
        case ArchiveEntry::Hardlink:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_hardlink(entry, e.contents.c_str());
            break;
        case ArchiveEntry::CharDevice:
            archive_entry_set_filetype(entry, AE_IFCHR);
            archive_entry_set_rdev(entry, makedev(1, 3));
            break;
        }
        ASSERT_EQ(archive_write_header(a, entry), ARCHIVE_OK) << archive_error_string(a);
        if (e.type == ArchiveEntry::File && !e.contents.empty())
            archive_write_data(a, e.contents.data(), e.contents.size());
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
}

Kit::Kit()
    : m_dir(makeTemporaryFolder("components"))
    , m_registry(std::make_unique<MovraTest::TemporaryRegistry>())
    , m_log(std::make_unique<MovraTest::ScopedEnvironment>("MOVRA_COMPONENTS_LOG", (m_dir + "/components.log").c_str()))
    , m_timeout(std::make_unique<MovraTest::ScopedEnvironment>("MOVRA_COMPONENTS_TIMEOUT_MS", "1000"))
    , m_server(std::make_unique<MovraTest::ScopedEnvironment>("MOVRA_COMPONENT_SERVER", nullptr))
{
    m_publicKey = generateKey(m_dir + "/publisher");
    setManagerValue("ComponentsDir", root());
    setManagerValue("TrustedKeys", m_publicKey);
}

Kit::~Kit()
{
    m_registry.reset();
    const std::string command = "chmod -R u+w '" + m_dir + "' 2>/dev/null; rm -rf '" + m_dir + "'";
    if (std::system(command.c_str()) != 0) {
        // Leftovers in /tmp are harmless.
    }
}

std::string Kit::generateKey(const std::string& base)
{
    const RunResult r = run({appDir() + "/movra-publish", "--generate-key", base});
    EXPECT_EQ(r.status, 0) << r.output;
    std::string key = readFile(base + ".pub");
    while (!key.empty() && key.back() == '\n')
        key.pop_back();
    return key;
}

std::string Kit::makeFolder(const std::string& name, const std::map<std::string, std::string>& files)
{
    const std::string folder = m_dir + "/plugins/" + name;
    EXPECT_EQ(std::system(("mkdir -p '" + folder + "'").c_str()), 0);
    for (const auto& [file, contents] : files) {
        const std::string path = folder + "/" + file;
        EXPECT_EQ(std::system(("mkdir -p '" + path.substr(0, path.find_last_of('/')) + "'").c_str()), 0);
        writeFile(path, contents);
    }
    return folder;
}

void Kit::publish(const std::string& serverFolder, const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {appDir() + "/movra-publish", "--key", keyFile(), "--out", serverFolder};
    argv.insert(argv.end(), args.begin(), args.end());
    const RunResult r = run(argv);
    ASSERT_EQ(r.status, 0) << r.output;
}

namespace {

std::u16string wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

} // namespace

void Kit::setManagerValue(const char* name, const std::string& value)
{
    using namespace MovraRegistry;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Install\\MovraComponentManager", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::u16string data = wide(value);
    EXPECT_EQ(RegSetValueExW(key, wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>((data.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::string Kit::recordValue(const std::string& component, const char* value) const
{
    using namespace MovraRegistry;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (u"SOFTWARE\\Movra\\Install\\" + wide(component)).c_str(), 0, KEY_READ,
                      &key)
        != ERROR_SUCCESS)
        return "<no record>";
    char16_t data[1024] = {};
    DWORD size = sizeof data - 2, type = 0;
    const LONG rc = RegQueryValueExW(key, wide(value).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return "<no value>";
    std::string out;
    for (const char16_t* p = data; *p; ++p)
        out += static_cast<char>(*p);
    return out;
}

const Library& Library::get()
{
    static const Library library = [] {
        Library l;
        const std::string path = appDir() + "/ComponentManager/MovraComponentManager.so";
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            ADD_FAILURE() << ::dlerror();
            return l;
        }
        l.initialize = reinterpret_cast<decltype(l.initialize)>(::dlsym(handle, "MCM_Initialize"));
        l.shutdown = reinterpret_cast<decltype(l.shutdown)>(::dlsym(handle, "MCM_Shutdown"));
        l.checkForUpdates = reinterpret_cast<decltype(l.checkForUpdates)>(::dlsym(handle, "MCM_CheckForUpdates"));
        l.findComponents = reinterpret_cast<decltype(l.findComponents)>(::dlsym(handle, "MCM_FindComponents"));
        l.updateComponents = reinterpret_cast<decltype(l.updateComponents)>(::dlsym(handle, "MCM_UpdateComponents"));
        l.addSpec = reinterpret_cast<decltype(l.addSpec)>(::dlsym(handle, "MCM_AddSpec"));
        return l;
    }();
    return library;
}

void appendName(const char* name, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(name);
}

Session::Session()
{
    // The registry folder may have changed since the last session of this process.
    MovraRegistry::resetRegistryForTesting();
    initStatus = Library::get().initialize(&handle);
}

Session::~Session()
{
    Library::get().shutdown(handle);
}

int32_t Session::find(const std::vector<std::string>& specs, std::vector<std::string>* names)
{
    for (const std::string& spec : specs)
        Library::get().addSpec(handle, spec.c_str());
    return Library::get().findComponents(handle, &appendName, names);
}

int32_t Session::update(const std::string& joinedNames)
{
    return Library::get().updateComponents(handle, joinedNames.c_str());
}

} // namespace ComponentTest
