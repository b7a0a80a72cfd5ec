#pragma once
#include "mpx/mpxglobal.h"

#include <QString>

#include <functional>

namespace MovraPlayerX {

// Usage hints to the vendor's hint server, sent over HTTP by a network thread of its own, so
// that hints work before the application's event loop runs and never re-enter it. Hints go out
// one at a time, in the order they were asked for.
//
// init() needs a QCoreApplication; without one, or before init(), sendPing() sends nothing
// and answers false. The network thread, and the module with the network libraries behind
// it, start with the first hint, not with init(), so a run that sends none has neither.
// Every request is abandoned kPingTimeoutMs after it was started, so neither a waiting
// sendPing() nor close() hangs on a dead network.
class MPX_EXPORT PingManager
{
public:
    static constexpr int kPingTimeoutMs = 3000;

    // beforeNetworkLoads, when given, runs once, just before the first hint loads the network
    // libraries (never, in a run that sends none); close() drops it unrun.
    static void init(std::function<void()> beforeNetworkLoads = {});
    // Lets the hints still queued go out, abandons what is not answered within kPingTimeoutMs
    // of the call, and stops the network thread. Safe without init() and when called twice;
    // init() may start hint sending again afterwards.
    static void close();

    // url: absolute http or https address. wait true blocks until the server answers, or at
    // most kPingTimeoutMs (time spent behind hints queued before it included), and returns
    // true when any HTTP answer came back, whatever its status code; a refused connection, an
    // unknown host, a timeout or an unusable address give false.
    // wait false returns at once: true when the hint was handed to the network thread.
    static bool sendPing(const QString& url, bool wait);

    // Base address of the hint server, without a trailing "/": the environment variable
    // MOVRA_HINT_SERVER (such as "http://127.0.0.1:8080") when set, else kDefaultServerBaseUrl.
    static QString serverBaseUrl();
    static constexpr const char* kDefaultServerBaseUrl = "http://hints.movra.example";
    static constexpr const char* kServerEnvironmentVariable = "MOVRA_HINT_SERVER";
};

} // namespace MovraPlayerX
