// The network side of the hint sender, built as MPXHints.so and loaded with the first hint.

#include "mpx/hintsmodule_p.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QQueue>
#include <QSslSocket>
#include <QThread>
#include <QTimer>

#include <vector>

namespace {

using MovraPlayerX::PingManager;
using MovraPlayerX::PingOutcome;

// The category of the rest of the hint sender, so that its messages read and filter the same.
Q_LOGGING_CATEGORY(lcHints, "movra.mpx", QtWarningMsg)

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
            qCInfo(lcHints) << "hint not answered in time, abandoned:" << reply->url().toString();
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
                qCInfo(lcHints) << "hint failed:" << reply->url().toString() << reply->errorString();
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

QObject* createSender() { return new PingWorker; }

void post(QObject* sender, const QUrl& url, const std::shared_ptr<PingOutcome>& outcome)
{
    static_cast<PingWorker*>(sender)->post(url, outcome);
}

void beginClose(QObject* sender)
{
    auto* worker = static_cast<PingWorker*>(sender);
    QMetaObject::invokeMethod(worker, [worker] { worker->beginClose(); }, Qt::QueuedConnection);
}

void loadTls() { QSslSocket::supportsSsl(); }

const MovraPlayerX::HintFunctions kFunctions = {createSender, post, beginClose, loadTls};

} // namespace

extern "C" __attribute__((visibility("default"))) const MovraPlayerX::HintFunctions* MPXHints_functions()
{
    return &kFunctions;
}
