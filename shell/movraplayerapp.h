#pragma once
#include "codec/asyncinstallcallback.h"

#include <QApplication>
#include <QPointer>
#include <QUrl>
#include <QtPlugin>

#include <optional>

class QFileOpenEvent;

Q_DECLARE_INTERFACE(mcm::IAsyncInstallCallback, "mcm::IAsyncInstallCallback")

namespace MSE {
class Farm;
class PluginContext;
}

namespace MovraPlayerX {

class DelayedFileOpener;
class GetCodecEvent;
class LoadingCodecWidget;
class NeedCodecEvent;

// The one Qt application object of a player run, and the hub through which the rest of
// the system reaches the shell: files to open, maintenance requests, codec requests and
// activation changes all arrive here as events.
class MovraPlayerApp : public QApplication, public mcm::IAsyncInstallCallback
{
    Q_OBJECT
    Q_INTERFACES(mcm::IAsyncInstallCallback)
public:
    MovraPlayerApp(int& argc, char** argv);
    ~MovraPlayerApp() override;

    // The process's plug-in farm; fetched on first use.
    MSE::Farm* pluginContext();
    // Created on the first file to open; lives until the process ends.
    DelayedFileOpener* fileOpener();

    // Registers the plug-ins of an existing folder with the farm; false for anything else.
    bool addPluginFolder(const QString& folder);
    void addStreamEnginePluginFolders();
    static void loadTextDecodePlugin(MSE::PluginContext* context);

    void associateFileTypes(bool force);
    void disassociateFileTypes();

    // Codec installs (movraplayerapp_codec.cpp).
    void installFinished(int32_t status, int32_t detail) override;
    void handleGetCodecEvent(GetCodecEvent* event);
    void handleNeedCodecEvent(NeedCodecEvent* event);
    void showCodecWidget(int32_t status);
    void closeCodecWidget();
    void refreshCodecPluginFolders();
    // The request being served, kept to reopen its file; null when none is pending.
    const NeedCodecEvent* pendingCodecInstall() const { return pendingCodecRequest; }

    bool isPausedInBackground() const { return pausedInBackground; }

protected:
    bool event(QEvent* event) override;

private slots:
    void loadingCodecWidgetFinished(bool retrySelected);

private:
    void openFileEvent(QFileOpenEvent* event);
    void pauseInBackground();
    void resumeFromBackground();
    void quitIfNoWindowIsVisible();
    void clearDownloadCache();
    void endCodecInstalls();
    bool rescanInsteadOfError(int32_t status);

    MSE::Farm* context = nullptr;
    DelayedFileOpener* fileOpener_ = nullptr;
    bool pausedInBackground = false;
    NeedCodecEvent* pendingCodecRequest = nullptr;
    // Both belong to (or are) a plug-in's window, which may be destroyed under us.
    QPointer<LoadingCodecWidget> codecWidget;
    QPointer<QWidget> codecParentWindow;
    // The request last answered by a rescan instead of an install.
    struct RescannedRequest
    {
        QUrl url;
        int32_t codecKind = 0;
        bool operator==(const RescannedRequest& other) const
        {
            return url == other.url && codecKind == other.codecKind;
        }
    };
    std::optional<RescannedRequest> rescannedCodecRequest;
};

} // namespace MovraPlayerX
