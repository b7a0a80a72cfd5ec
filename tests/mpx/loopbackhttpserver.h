#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QString>

// A minimal HTTP server on 127.0.0.1 with a thread of its own. It records the target of every
// request line it receives and either answers each request with a fixed status and an empty
// body, or (silent) keeps the connection open and never answers.
class LoopbackHttpServer
{
public:
    static constexpr int kSilent = 0;

    explicit LoopbackHttpServer(int status);
    ~LoopbackHttpServer();

    unsigned short port() const { return m_port; }
    QString baseUrl() const;
    std::vector<std::string> requestPaths() const;
    // True once at least count requests arrived; gives up after limit (a hang guard only).
    bool waitForRequests(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(30)) const;

    // A loopback port on which nothing listens: connections to it are refused.
    static unsigned short closedPort();

    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

private:
    void run();
    void answer(int client, const std::string& request);

    int m_status;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    unsigned short m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::vector<std::string> m_paths; // guarded by m_mutex
};
