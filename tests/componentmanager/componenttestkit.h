#pragma once
// What the component manager's tests share: a folder and registry of their own, the loopback
// component server (componentserver.py), movra-publish and movra-components run as processes,
// hand-made archives, and MovraComponentManager.so loaded with dlopen as the player loads it.

#include "support/temporaryregistry.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

namespace ComponentTest {

std::string appDir();
std::string makeTemporaryFolder(const char* tag);
void writeFile(const std::string& path, const std::string& contents);
std::string readFile(const std::string& path);
bool exists(const std::string& path);

struct RunResult
{
    int status = -1;  // exit code, or 128 + signal
    std::string output;
};
RunResult run(const std::vector<std::string>& argv);

// componentserver.py serving `folder` on a port of its own; stopped on destruction.
class Server
{
public:
    // On `port`, or on any free port when it is 0.
    explicit Server(const std::string& folder, int port = 0);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    std::string url(const std::string& mode = "ok") const;
    int port() const { return m_port; }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

struct ArchiveEntry
{
    enum Type { File, Folder, Symlink, Hardlink, CharDevice } type = File;
    std::string name;
    std::string contents;  // the file's bytes, or the link's target
};
void writeTarXz(const std::string& path, const std::vector<ArchiveEntry>& entries);

// A test's world: temporary folder, registry, log, components root and key; the manager
// record names the root, the trusted key and a 1 s stall limit.
class Kit
{
public:
    Kit();
    ~Kit();
    const std::string& dir() const { return m_dir; }
    std::string root() const { return m_dir + "/components"; }
    std::string logPath() const { return m_dir + "/components.log"; }
    std::string log() const { return readFile(logPath()); }
    std::string keyFile() const { return m_dir + "/publisher.key"; }
    std::string publicKey() const { return m_publicKey; }

    // A plug-in folder with these files (name -> contents).
    std::string makeFolder(const std::string& name, const std::map<std::string, std::string>& files);
    // Runs movra-publish with --key and --out DIR and the rest; fails the test on error.
    void publish(const std::string& serverFolder, const std::vector<std::string>& args);
    std::string generateKey(const std::string& base);
    void setManagerValue(const char* name, const std::string& value);

    std::string recordValue(const std::string& component, const char* value) const;

private:
    std::string m_dir;
    std::unique_ptr<MovraTest::TemporaryRegistry> m_registry;
    std::unique_ptr<MovraTest::ScopedEnvironment> m_log;
    std::unique_ptr<MovraTest::ScopedEnvironment> m_timeout;
    std::unique_ptr<MovraTest::ScopedEnvironment> m_server;
    std::string m_publicKey;
};

// The library's six entry points, resolved from the real module.
struct Library
{
    using NameCallback = void (*)(const char*, void*);
    int32_t (*initialize)(void**) = nullptr;
    int32_t (*shutdown)(void*) = nullptr;
    int32_t (*checkForUpdates)(void*, const char*, int32_t, NameCallback, void*) = nullptr;
    int32_t (*findComponents)(void*, NameCallback, void*) = nullptr;
    int32_t (*updateComponents)(void*, const char*) = nullptr;
    int32_t (*addSpec)(void*, const char*) = nullptr;

    static const Library& get();
};

void appendName(const char* name, void* context);

// One session: initialize, the specs, find; update; shutdown.
struct Session
{
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    int32_t find(const std::vector<std::string>& specs, std::vector<std::string>* names);
    int32_t update(const std::string& joinedNames);
    void* handle = nullptr;
    int32_t initStatus = -1;
};

} // namespace ComponentTest
