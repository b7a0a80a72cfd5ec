#include "mpx/pingmanager.h"

#include "mpx/mpxlogging_p.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QQueue>
#include <QSslSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace MovraPlayerX {

namespace {

// How long close() waits beyond the requests' own deadline for the network thread to wind down.
constexpr int kThreadStopGraceMs = 2000;

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

bool hasHttpStatus(const QNetworkReply* reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
}

// Lives on the network thread; every member runs there. Hints go out one at a time, in the
// order they were asked for, so the server sees them in that order.
class PingWorker : public QObject
{
public:
    // Any thread. The request passes through a queue of our own, not through the posted
    // event, so that the hand-over is visible to ThreadSanitizer, which cannot see into Qt.
    void post(const QUrl& url, const std::shared_ptr<PingOutcome>& outcome)
    {
        {
            std::lock_guard<std::mutex> lock(m_inboxMutex);
            m_inbox.push_back({url, outcome});
        }
        QMetaObject::invokeMethod(this, [this] { takeInbox(); }, Qt::QueuedConnection);
    }

    // Whatever is not answered within kPingTimeoutMs from now is abandoned.
    void beginClose()
    {
        m_closing = true;
        if (!m_current && m_queue.isEmpty()) {
            stop();
            return;
        }
        m_closeDeadline = new QTimer;
        m_closeDeadline->setSingleShot(true);
        connect(m_closeDeadline, &QTimer::timeout, this, [this] { abandonAll(); });
        m_closeDeadline->start(PingManager::kPingTimeoutMs);
    }

private:
    struct Request
    {
        QUrl url;
        std::shared_ptr<PingOutcome> outcome;
    };

    void takeInbox()
    {
        std::vector<Request> arrived;
        {
            std::lock_guard<std::mutex> lock(m_inboxMutex);
            arrived.swap(m_inbox);
        }
        for (Request& request : arrived) {
            if (m_stopping)
                request.outcome->settle(false);
            else
                m_queue.enqueue(std::move(request));
        }
        if (!m_current)
            startNext();
    }

    void startNext()
    {
        if (m_queue.isEmpty()) {
            if (m_closing)
                stop();
            return;
        }
        const Request next = m_queue.dequeue();
        if (!m_network)
            m_network = new QNetworkAccessManager;
        QNetworkRequest request(next.url);
        // The hint is delivered once the server answers at all; a redirect is an answer.
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Movra Player"));
        QNetworkReply* reply = m_network->get(request);
        m_current = reply;

        auto* deadline = new QTimer(reply);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, reply, [reply] {
            qCInfo(lcMpx) << "hint not answered in time, abandoned:" << reply->url().toString();
            reply->abort();
        });
        deadline->start(PingManager::kPingTimeoutMs);

        const std::shared_ptr<PingOutcome> outcome = next.outcome;
        // The status line is enough; a waiting caller need not wait for the body.
        connect(reply, &QNetworkReply::metaDataChanged, this, [reply, outcome] {
            if (hasHttpStatus(reply))
                outcome->settle(true);
        });
        connect(reply, &QNetworkReply::finished, this, [this, reply, outcome] {
            const bool answered = hasHttpStatus(reply);
            if (!answered)
                qCInfo(lcMpx) << "hint failed:" << reply->url().toString() << reply->errorString();
            outcome->settle(answered);
            m_current = nullptr;
            reply->deleteLater();
            startNext();
        });
    }

    void abandonAll()
    {
        while (!m_queue.isEmpty())
            m_queue.dequeue().outcome->settle(false);
        if (m_current)
            m_current->abort(); // its finished() leads to stop()
        else
            stop();
    }

    // Posted, so that a reply whose finished() led here is not deleted while it emits.
    void stop()
    {
        if (m_stopping)
            return;
        m_stopping = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                delete m_closeDeadline;
                m_closeDeadline = nullptr;
                delete m_network;
                m_network = nullptr;
                thread()->quit();
            },
            Qt::QueuedConnection);
    }

    std::mutex m_inboxMutex;
    std::vector<Request> m_inbox; // guarded by m_inboxMutex
    QNetworkAccessManager* m_network = nullptr;
    QQueue<Request> m_queue;
    QNetworkReply* m_current = nullptr;
    QTimer* m_closeDeadline = nullptr;
    bool m_closing = false;
    bool m_stopping = false;
};

std::mutex stateMutex;
bool enabled = false;             // guarded by stateMutex; between init() and close()
QThread* networkThread = nullptr; // guarded by stateMutex
PingWorker* worker = nullptr;     // guarded by stateMutex

// The network thread starts with the first hint rather than at init(): on a platform that
// sends no hints, a run never pays for it. Called with stateMutex held.
bool startNetworkThread()
{
    if (worker)
        return true;
    if (!enabled || !QCoreApplication::instance())
        return false;
    networkThread = new QThread;
    networkThread->setObjectName(QStringLiteral("movra-hints"));
    worker = new PingWorker;
    worker->moveToThread(networkThread);
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

void PingManager::init()
{
    std::lock_guard<std::mutex> lock(stateMutex);
    if (enabled)
        return;
    if (!QCoreApplication::instance()) {
        qCWarning(lcMpx) << "hints need an application object; none will be sent";
        return;
    }
    enabled = true;
}

void PingManager::close()
{
    QThread* thread = nullptr;
    PingWorker* closing = nullptr;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        enabled = false;
        std::swap(thread, networkThread);
        std::swap(closing, worker);
    }
    if (!thread)
        return;
    QMetaObject::invokeMethod(closing, [closing] { closing->beginClose(); }, Qt::QueuedConnection);
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
    if (address.scheme() == QLatin1String("https")) {
        // The TLS libraries are loaded once, by the first secure hint, rather than by every
        // start of the player; after that this costs one atomic load.
        static std::once_flag tlsLoaded;
        std::call_once(tlsLoaded, [] { QSslSocket::supportsSsl(); });
    }
    auto outcome = std::make_shared<PingOutcome>();
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        if (!startNetworkThread()) {
            qCInfo(lcMpx) << "hint sending is not initialised; dropped" << url;
            return false;
        }
        worker->post(address, outcome);
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
