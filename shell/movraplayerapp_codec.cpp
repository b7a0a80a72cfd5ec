// The application object's side of a codec install: a plug-in's request starts a worker and
// shows the loading panel over the player window; the worker's report reopens the file or
// turns the panel into an error; the user's answer retries, gives up or updates the player.

#include "shell/movraplayerapp.h"

#include "codec/asyncinstall.h"
#include "codec/codeclog.h"
#include "codec/getcodecevent.h"
#include "codec/installedcomponent.h"
#include "codec/loadingcodecwidget.h"
#include "settings/opensettings.h"

#include <MovraPlayerX/CodecEvents.h>

#include <QFileOpenEvent>
#include <QProcess>
#include <QWidget>

#include <iterator>

namespace MovraPlayerX {

namespace {

constexpr char kPlayerWindowName[] = "MovraPlayerWindow";
const char16_t* const kCodecPluginComponents[] = {u"MPC", u"AVCCodec", u"HEVCCodec", u"MPEG4Decoder"};
constexpr char16_t kSetupComponent[] = u"Setup";
constexpr char16_t kInstallPathValue[] = u"InstallPath";
constexpr char kUpdateArgument[] = "/update";

struct CodecKindRow
{
    int32_t kind;
    const char* feature;
};
// Every kind asks the same component, in the same version.
constexpr CodecKindRow kCodecKinds[] = {
    {0, "video_decoder.avc"},
    {1, "video_decoder.hevc"},
    {2, "video_decoder.mpeg4"},
};
constexpr char kCodecComponent[] = "MPC";
constexpr char kCodecVersion[] = "3.1.0";
constexpr char kBlockedProperty[] = "movraBlockedForCodecInstall";

// While a codec installs, all the player window holds but the panel is disabled, not the
// window itself: the panel is its child and would be disabled with it, and its Cancel must
// stay usable during the download.
void blockWindowContents(QWidget* window, const QWidget* panel, bool blocked)
{
    if (!window)
        return;
    const QList<QWidget*> children = window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (child == panel || child->isWindow())
            continue;
        if (blocked && child->isEnabled()) {
            child->setProperty(kBlockedProperty, true);
            child->setEnabled(false);
        } else if (!blocked && child->property(kBlockedProperty).toBool()) {
            child->setProperty(kBlockedProperty, QVariant());
            child->setEnabled(true);
        }
    }
}

} // namespace

// Runs on the worker thread, with the application object kept alive by the report's lock.
void MovraPlayerApp::installFinished(int32_t status, int32_t detail)
{
    QCoreApplication::postEvent(this, new GetCodecEvent(status, detail));
}

void MovraPlayerApp::endCodecInstalls()
{
    // First of all: a worker still running must not report to an object being destroyed.
    mcm::detachInstallCallback(this);
    delete codecWidget.data();
    delete pendingCodecRequest;
    pendingCodecRequest = nullptr;
}

void MovraPlayerApp::handleNeedCodecEvent(NeedCodecEvent* event)
{
    if (!event)
        return;
    const CodecKindRow* row = nullptr;
    for (const CodecKindRow& candidate : kCodecKinds) {
        if (candidate.kind == event->codecKind)
            row = &candidate;
    }
    if (!row) {
        qCDebug(lcCodec, "codec request of unknown kind %d ignored", event->codecKind);
        return;
    }
    std::list<mcm::ComponentSpec> specs;
    specs.push_back(mcm::ComponentSpec{row->feature, kCodecComponent, kCodecVersion});

    delete pendingCodecRequest;
    pendingCodecRequest = new NeedCodecEvent(*event);

    mcm::startAsyncInstall(specs, this);

    codecParentWindow = QApplication::activeWindow();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->objectName() == QLatin1String(kPlayerWindowName)) {
            codecParentWindow = window;
            break;
        }
    }
    blockWindowContents(codecParentWindow, codecWidget, true);
    showCodecWidget(mcm::kInstalled);
}

void MovraPlayerApp::handleGetCodecEvent(GetCodecEvent* event)
{
    if (!event)
        return;
    if (event->status == mcm::kCancelled && !codecWidget) {
        // The user gave the download up; the panel went then.
    } else if (event->status != mcm::kInstalled) {
        showCodecWidget(event->status);
    } else {
        refreshCodecPluginFolders();
        if (pendingCodecRequest) {
            // The file opens exactly as one the user opened. A file-open event made from an
            // address would carry only its local path, which a network address does not have.
            const QUrl& url = pendingCodecRequest->url;
            QFileOpenEvent reopen(url.isLocalFile() ? url.toLocalFile() : QString::fromUtf8(url.toEncoded()));
            QCoreApplication::sendEvent(this, &reopen);
        }
        closeCodecWidget();
    }
    blockWindowContents(codecParentWindow, codecWidget, false);
}

void MovraPlayerApp::showCodecWidget(int32_t status)
{
    if (!codecWidget) {
        codecWidget = new LoadingCodecWidget(codecParentWindow);
        connect(codecWidget.data(), &LoadingCodecWidget::finished, this, &MovraPlayerApp::loadingCodecWidgetFinished);
    }
    codecWidget->setErrorCode(status);
    codecWidget->show();
}

void MovraPlayerApp::closeCodecWidget()
{
    if (LoadingCodecWidget* widget = codecWidget.data()) {
        codecWidget = nullptr;
        widget->disconnect();
        widget->hide();
        // Called from the panel's own signal when the user answers: the button that emitted
        // it is still on the stack, so the panel goes once that call has returned.
        if (sender() == widget)
            widget->deleteLater();
        else
            delete widget;
    }
    delete pendingCodecRequest;
    pendingCodecRequest = nullptr;
}

void MovraPlayerApp::refreshCodecPluginFolders()
{
    for (const char16_t* component : kCodecPluginComponents) {
        // Never a folder whose files are not what the record says.
        const QString folder = mcm::installedComponentFolder(QString::fromStdU16String(component));
        if (!folder.isEmpty())
            addPluginFolder(folder);
    }
}

void MovraPlayerApp::loadingCodecWidgetFinished(bool retrySelected)
{
    if (!retrySelected || !pendingCodecRequest) {
        // Cancel during the download: the transfer ends at once, its report (29) is dropped.
        if (codecWidget && codecWidget->errorCode() == mcm::kInstalled) {
            mcm::cancelRunningInstalls();
            blockWindowContents(codecParentWindow, codecWidget, false);
        }
        closeCodecWidget();
        return;
    }
    if (codecWidget && codecWidget->errorCode() == LoadingCodecWidget::kUpdateRequired) {
        std::u16string updater;
        if (mvds::readInstallString(std::u16string(kSetupComponent), std::u16string(kInstallPathValue), updater)
            && !updater.empty()) {
            const QString program = QString::fromStdU16String(updater);
            if (!QProcess::startDetached(program, {QString::fromLatin1(kUpdateArgument)}))
                qCWarning(lcCodec) << "cannot start the updater" << program;
        }
        // The player goes either way: the update question has been answered.
        QCoreApplication::quit();
        return;
    }
    NeedCodecEvent* request = pendingCodecRequest;
    pendingCodecRequest = nullptr;
    QCoreApplication::postEvent(this, request);
    showCodecWidget(mcm::kInstalled);
}

} // namespace MovraPlayerX
