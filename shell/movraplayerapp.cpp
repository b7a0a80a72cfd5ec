#include "shell/movraplayerapp.h"

#include "codec/asyncinstall.h"
#include "codec/getcodecevent.h"
#include "framework/farm.h"
#include "framework/widestring.h"
#include "settings/applicationsettings.h"
#include "settings/opensettings.h"
#include "shell/appevents.h"
#include "shell/delayedfileopener.h"
#include "shell/interfaceholder.h"

#include <MovraPlayerX/CodecEvents.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <QDir>
#include <QFileInfo>
#include <QFileOpenEvent>
#include <QUrl>
#include <QWidget>

namespace MovraPlayerX {

namespace {

constexpr char kTextDecodePluginName[] = "com.movra.streamengine.plugin.TextDecode";
constexpr char kOpeningWithFileProperty[] = "openingWithFile";

ApplicationSettings& settings()
{
    return ApplicationSettings::application();
}

// The opener outlives the application object: addresses may still be queued for the
// receiving plug-in while the run ends, so it lives until the process does.
DelayedFileOpener* processFileOpener = nullptr;

} // namespace

MovraPlayerApp::MovraPlayerApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    mcm::attachInstallCallback(this);
}

MovraPlayerApp::~MovraPlayerApp()
{
    endCodecInstalls();
    InterfaceHolder playback(kPlaybackServicesInterface);
    if (playback.acquire(context) == 0) {
        auto* services = playback.get<IPlaybackServices>();
        services->setPosition(services->position());
    }
    context = nullptr;
    playback.release();
}

MSE::Farm* MovraPlayerApp::pluginContext()
{
    if (!context)
        context = MSE::Farm::instance();
    return context;
}

DelayedFileOpener* MovraPlayerApp::fileOpener()
{
    if (!fileOpener_) {
        if (!processFileOpener)
            processFileOpener = new DelayedFileOpener(context);
        fileOpener_ = processFileOpener;
    }
    return fileOpener_;
}

bool MovraPlayerApp::addPluginFolder(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    pluginContext()->discoverPlugins(MSE::fromUtf8(QDir::toNativeSeparators(folder).toStdString()));
    return true;
}

void MovraPlayerApp::addStreamEnginePluginFolders()
{
    if (addPluginFolder(applicationDirPath() + QStringLiteral("/MSEPlugins")))
        return;
    std::u16string installPath;
    if (mvds::readInstallString(std::u16string(u"MPC"), std::u16string(u"InstallPath"), installPath))
        addPluginFolder(QString::fromStdU16String(installPath));
}

void MovraPlayerApp::loadTextDecodePlugin(MSE::PluginContext* context)
{
    MSE::Plugin* plugin = nullptr;
    // Loading the library is the whole point: it builds its caches as it loads.
    if (context->getPlugin(&plugin, MSE::PluginContext::PluginNameFilter(kTextDecodePluginName),
                           MSE::PluginContext::SimplePluginInfoSelector(), true) == MSE::kResultOk
        && plugin)
        plugin->release();
}

bool MovraPlayerApp::event(QEvent* event)
{
    switch (static_cast<int>(event->type())) {
    case QEvent::FileOpen:
        // Plug-ins post events too; only Qt's own class carries a file name.
        if (auto* request = dynamic_cast<QFileOpenEvent*>(event))
            openFileEvent(request);
        return true;
    case QEvent::ApplicationActivate:
        resumeFromBackground();
        return true;
    case QEvent::ApplicationDeactivate:
        pauseInBackground();
        return true;
    case kDeviceDeregistrationEvent:
        quitIfNoWindowIsVisible();
        return true;
    case kDeviceRegistrationEvent:
        // Left to the plug-ins that watch the application object for it.
        return false;
    case kAssociateFileTypesEvent:
        associateFileTypes(true);
        QCoreApplication::quit();
        return true;
    case kDisassociateFileTypesEvent:
        disassociateFileTypes();
        QCoreApplication::quit();
        return true;
    case kInitializeCachesEvent:
        if (context)
            loadTextDecodePlugin(context);
        QCoreApplication::quit();
        return true;
    case kClearDownloadCacheEvent:
        if (context)
            clearDownloadCache();
        QCoreApplication::quit();
        return true;
    case kGetCodecEvent:
        if (auto* report = dynamic_cast<GetCodecEvent*>(event))
            handleGetCodecEvent(report);
        return true;
    case kNeedCodecEvent:
        if (auto* request = dynamic_cast<NeedCodecEvent*>(event))
            handleNeedCodecEvent(request);
        return true;
    case kOpenQueuedFilesEvent:
        setProperty(kOpeningWithFileProperty, true);
        fileOpener()->openFiles();
        return true;
    default:
        return QApplication::event(event);
    }
}

void MovraPlayerApp::openFileEvent(QFileOpenEvent* event)
{
    // Before the plug-in context exists there is nobody to hand a file to.
    if (!context)
        return;
    const QString text = event->file();
    const QUrl address = text.contains(QStringLiteral("://"))
                             ? QUrl::fromEncoded(text.toUtf8(), QUrl::TolerantMode)
                             : QUrl::fromLocalFile(text);
    fileOpener()->enqueue(address);

    // Delivered at once and through notify(), so event filters of plug-ins see it first;
    // sendEvent() marks it as not spontaneous.
    QEvent openQueued(static_cast<QEvent::Type>(kOpenQueuedFilesEvent));
    QCoreApplication::sendEvent(this, &openQueued);
}

void MovraPlayerApp::pauseInBackground()
{
    if (!settings().get(kPauseInBackground, false))
        return;
    InterfaceHolder playback(kPlaybackServicesInterface);
    if (playback.acquire(context) == 0) {
        playback.get<IPlaybackServices>()->pause();
        pausedInBackground = true;
    }
}

void MovraPlayerApp::resumeFromBackground()
{
    if (!pausedInBackground)
        return;
    InterfaceHolder playback(kPlaybackServicesInterface);
    // When no plug-in answers the flag stays set, so the next activation tries again.
    if (playback.acquire(context) == 0) {
        pausedInBackground = false;
        playback.get<IPlaybackServices>()->resume(1.0);
    }
}

void MovraPlayerApp::quitIfNoWindowIsVisible()
{
    const QWidgetList widgets = QApplication::allWidgets();
    for (const QWidget* widget : widgets) {
        if (widget->isVisible())
            return;
    }
    QCoreApplication::quit();
}

void MovraPlayerApp::clearDownloadCache()
{
    InterfaceHolder mediaManager(kMediaManagerInterface);
    if (mediaManager.acquire(context) == 0)
        mediaManager.get<IMediaManager>()->clearDownloadCache();
}

} // namespace MovraPlayerX
