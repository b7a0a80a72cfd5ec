#pragma once
// A hint server on the loopback interface, serving on a thread of its own: it records the
// path of every request in arrival order and answers as told.

#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class HintServer
{
public:
    enum class Answer {
        Ok,    // 200
        Error, // 500
        Never, // reads the request and keeps the connection open without a word
    };

    explicit HintServer(Answer answer = Answer::Ok);
    ~HintServer();

    // "http://127.0.0.1:<port>"
    QString baseUrl() const;
    QStringList paths() const;

    // A loopback address on which nothing listens, so connections are refused.
    static QString closedPortUrl();

    HintServer(const HintServer&) = delete;
    HintServer& operator=(const HintServer&) = delete;

private:
    void serve();
    void handle(int connection);

    const Answer m_answer;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_paths; // guarded by m_mutex
    std::vector<int> m_silentConnections; // server thread only
    std::thread m_thread;
};
