#pragma once
// The entry points of MPXHints.so, the module that sends usage hints over HTTP. It is loaded
// with the first hint, so that a run that sends none (every run on a platform without hints)
// never maps QtNetwork and the Kerberos and proxy libraries behind it.
#include "mpx/pingmanager.h"

#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

class QObject;

namespace MovraPlayerX {

// Answer of one request, handed from the network thread to a caller that may have stopped
// waiting for it.
struct PingOutcome
{
    std::mutex mutex;
    std::condition_variable settled;
    bool done = false;
    bool reached = false;

    void settle(bool serverAnswered)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (done)
                return;
            done = true;
            reached = serverAnswered;
        }
        settled.notify_all();
    }

    bool waitForAnswer()
    {
        std::unique_lock<std::mutex> lock(mutex);
        settled.wait_for(lock, std::chrono::milliseconds(PingManager::kPingTimeoutMs), [this] { return done; });
        return reached;
    }
};

struct HintFunctions
{
    // The object that sends the hints, one at a time, in the order posted; the caller moves it
    // to the network thread before the first post and deletes it once that thread has ended.
    QObject* (*createSender)();
    // Any thread.
    void (*post)(QObject* sender, const QUrl& url, const std::shared_ptr<PingOutcome>& outcome);
    // Any thread: lets queued hints go out, abandons what is not answered within
    // kPingTimeoutMs, then ends the sender's thread.
    void (*beginClose)(QObject* sender);
    // Loads the TLS backend and the libraries behind it; once, before the first secure hint.
    void (*loadTls)();
};

constexpr char kHintsModule[] = "MPXHints.so";
constexpr char kHintsEntryPoint[] = "MPXHints_functions";

} // namespace MovraPlayerX
