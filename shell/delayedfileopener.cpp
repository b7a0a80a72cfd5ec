#include "shell/delayedfileopener.h"

#include "mpx/uridispatcher.h"

#include <QMutexLocker>

namespace MovraPlayerX {

DelayedFileOpener::DelayedFileOpener(MSE::PluginContext* context)
    : context(context)
{
}

DelayedFileOpener::~DelayedFileOpener()
{
    if (dispatcher)
        dispatcher->releaseInstance();
    QMutexLocker locker(&lock);
    queue.clear();
}

void DelayedFileOpener::enqueue(const QUrl& address)
{
    QMutexLocker locker(&lock);
    queue.push_back(std::make_unique<QUrl>(address));
}

int DelayedFileOpener::pendingCount() const
{
    QMutexLocker locker(&lock);
    return static_cast<int>(queue.size());
}

void DelayedFileOpener::openFiles()
{
    if (!dispatcher) {
        dispatcher = URIDispatcher::getInstance(context);
        if (!dispatcher)
            return;
    }
    // A receiver may open further files from inside dispatchURI (the file-open path sends
    // itself the open request synchronously). The outer loop below delivers those after the
    // batch it is working on, so arrival order holds and nothing waits on our own lock.
    if (dispatching)
        return;
    dispatching = true;
    for (;;) {
        std::vector<std::unique_ptr<QUrl>> batch;
        {
            QMutexLocker locker(&lock);
            batch.swap(queue);
        }
        if (batch.empty())
            break;
        for (const auto& address : batch)
            dispatcher->dispatchURI(*address);
    }
    dispatching = false;
}

} // namespace MovraPlayerX
