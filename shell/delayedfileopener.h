#pragma once
#include <QMutex>
#include <QObject>
#include <QUrl>

#include <memory>
#include <vector>

namespace MSE {
class PluginContext;
}

namespace MovraPlayerX {

class URIDispatcher;

// Keeps the addresses the player was asked to open until the plug-in that receives
// addresses exists, then hands them over in arrival order. Lives until the process ends.
class DelayedFileOpener : public QObject
{
    Q_OBJECT
public:
    explicit DelayedFileOpener(MSE::PluginContext* context);
    ~DelayedFileOpener() override;

    // Safe from any thread.
    void enqueue(const QUrl& address);
    int pendingCount() const;

public slots:
    // Main thread. Without a dispatcher yet the queue stays as it is for the next call.
    void openFiles();

private:
    MSE::PluginContext* context;
    URIDispatcher* dispatcher = nullptr;
    mutable QMutex lock;  // guards queue only; never held while an address is dispatched
    std::vector<std::unique_ptr<QUrl>> queue;
    bool dispatching = false;
};

} // namespace MovraPlayerX
