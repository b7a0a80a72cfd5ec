#include "mpx/pingmanager.h"

#include "mpx/hintsmodule_p.h"
#include "mpx/mpxlogging_p.h"
#include "mpx/siblingmodule_p.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QUrl>

#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace MovraPlayerX {

namespace {

// How long close() waits beyond the requests' own deadline for the network thread to wind down.
constexpr int kThreadStopGraceMs = 2000;

std::mutex stateMutex;
bool enabled = false;                  // guarded by stateMutex; between init() and close()
std::function<void()> beforeNetwork;   // guarded by stateMutex; set by init(), run once
QThread* networkThread = nullptr;      // guarded by stateMutex
QObject* sender = nullptr;             // guarded by stateMutex; lives on networkThread
const HintFunctions* network = nullptr; // guarded by stateMutex; once loaded, kept for the run
bool networkLoadTried = false;          // guarded by stateMutex

// The network side is a module of its own, loaded here with the first hint and kept for the
// rest of the run; null, with one warning, when it cannot be had. Called with stateMutex held.
const HintFunctions* networkFunctions()
{
    if (networkLoadTried)
        return network;
    networkLoadTried = true;
    if (beforeNetwork)
        std::exchange(beforeNetwork, nullptr)();
    network = loadSiblingModule<HintFunctions>(kHintsModule, kHintsEntryPoint, "hints cannot be sent:");
    return network;
}

// The network thread starts with the first hint rather than at init(): on a platform that
// sends no hints, a run never pays for it. Called with stateMutex held.
bool startNetworkThread()
{
    if (sender)
        return true;
    if (!enabled || !QCoreApplication::instance() || !networkFunctions())
        return false;
    networkThread = new QThread;
    networkThread->setObjectName(QStringLiteral("movra-hints"));
    sender = network->createSender();
    sender->moveToThread(networkThread);
    networkThread->start();
    return true;
}

bool isUsableHintUrl(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty()
           && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

void PingManager::init(std::function<void()> beforeNetworkLoads)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    if (enabled)
        return;
    if (!QCoreApplication::instance()) {
        qCWarning(lcMpx) << "hints need an application object; none will be sent";
        return;
    }
    enabled = true;
    if (!networkLoadTried)
        beforeNetwork = std::move(beforeNetworkLoads);
}

void PingManager::close()
{
    QThread* thread = nullptr;
    QObject* closing = nullptr;
    const HintFunctions* functions = nullptr;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        enabled = false;
        beforeNetwork = nullptr;
        std::swap(thread, networkThread);
        std::swap(closing, sender);
        functions = network;
    }
    if (!thread)
        return;
    functions->beginClose(closing);
    if (thread->wait(QDeadlineTimer(kPingTimeoutMs + kThreadStopGraceMs))) {
        delete closing;
        delete thread;
        return;
    }
    // Deleting a running QThread would abort the process; leaving it is the lesser harm.
    qCWarning(lcMpx) << "hint thread did not stop in time and is left behind";
}

bool PingManager::sendPing(const QString& url, bool wait)
{
    const QUrl address(url, QUrl::StrictMode);
    if (!isUsableHintUrl(address)) {
        qCInfo(lcMpx) << "not a usable hint address:" << url;
        return false;
    }
    auto outcome = std::make_shared<PingOutcome>();
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        if (!startNetworkThread()) {
            qCInfo(lcMpx) << "hint sending is not initialised; dropped" << url;
            return false;
        }
        if (address.scheme() == QLatin1String("https")) {
            // The TLS libraries are loaded once, by the first secure hint, rather than by
            // every start of the player.
            static bool tlsLoaded = false; // guarded by stateMutex
            if (!std::exchange(tlsLoaded, true))
                network->loadTls();
        }
        network->post(sender, address, outcome);
    }
    return wait ? outcome->waitForAnswer() : true;
}

QString PingManager::serverBaseUrl()
{
    QString base = qEnvironmentVariable(kServerEnvironmentVariable);
    if (base.isEmpty())
        base = QString::fromLatin1(kDefaultServerBaseUrl);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

} // namespace MovraPlayerX
