// The reference player plug-in: the main window, the receiver of addresses, playback
// services and the download cache, all in one object.

#include "playerlog.h"
#include "playerwindow.h"

#include <MSE/PluginObject.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <vector>

namespace MovraReference {
namespace {

// A status line for whoever turned the category on (the demo script does); the terminal
// stays quiet otherwise.
void say(const QString& text)
{
    qCInfo(lcPlayer).noquote() << QStringLiteral("Movra Player: ") + text;
}

class PlayerPlugin final : public MSE::PluginObject,
                           public MovraPlayerX::IView,
                           public MovraPlayerX::IURIHandler,
                           public MovraPlayerX::IPlaybackServices,
                           public MovraPlayerX::IMediaManager
{
public:
    using PluginObject::PluginObject;

    ~PlayerPlugin() override { delete m_window; }


    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (!out)
            return MSE::kResultMissingArgument;
        if (id == MovraPlayerX::kViewInterface)
            *out = static_cast<MovraPlayerX::IView*>(this);
        else if (id == MovraPlayerX::kURIHandlerInterface)
            *out = static_cast<MovraPlayerX::IURIHandler*>(this);
        else if (id == MovraPlayerX::kPlaybackServicesInterface)
            *out = static_cast<MovraPlayerX::IPlaybackServices*>(this);
        else if (id == MovraPlayerX::kMediaManagerInterface)
            *out = static_cast<MovraPlayerX::IMediaManager*>(this);
        else
            return MSE::kResultFailed;
        return MSE::kResultOk;
    }

    // IView
    void show() override
    {
        PlayerWindow* window = ensureWindow();
        if (!m_holdsWindowReference) {
            // The window's code lives in this library: keep the library loaded while it is open.
            addRef();
            m_holdsWindowReference = true;
        }
        window->show();
        window->raise();
        say(QStringLiteral("main window shown"));
        scheduleDemoEnd();
    }

    // IURIHandler
    void openUri(const char* encodedUri) override
    {
        const QString address = QString::fromUtf8(encodedUri ? encodedUri : "");
        say(QStringLiteral("opening %1").arg(address));
        // Addresses given together (the command line) play one after the other.
        ensureWindow()->enqueueAddress(address);
    }

    // IPlaybackServices. Without a window nothing plays: the shell also asks after the window
    // has closed (going to the background, shutting down), and building a hidden window with
    // its media session just to pause or seek nothing is wasted work at the worst moment.
    void pause() override
    {
        if (m_window)
            m_window->pause();
    }
    void resume(double rate) override
    {
        if (m_window)
            m_window->resume(rate);
    }
    int64_t position() override { return m_window ? m_window->position() : 0; }
    void setPosition(int64_t position) override
    {
        if (m_window)
            m_window->setPosition(position);
    }

    // IMediaManager
    void clearDownloadCache() override
    {
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
                              + QStringLiteral("/downloads");
        QDir(cache).removeRecursively();
        say(QStringLiteral("download cache cleared"));
    }

private:
    PlayerWindow* ensureWindow()
    {
        if (!m_window) {
            m_window = new PlayerWindow(getPluginContext());
            qCDebug(lcPlayer) << "main window created";
            m_window->useSettings();
            QObject::connect(m_window, &PlayerWindow::closed, [this] { windowClosed(); });
            MediaSession* session = m_window->session();
            QObject::connect(session, &MediaSession::stateChanged, [session](MediaSession::State state) {
                if (state == MediaSession::State::WaitingForCodec && !session->problems().isEmpty())
                    say(session->problems().last());
            });
        }
        return m_window;
    }

    void windowClosed()
    {
        if (!m_holdsWindowReference)
            return;
        m_holdsWindowReference = false;
        // Not from inside the window's close handling: the last release deletes the window.
        QTimer::singleShot(0, [this] { release(); });
    }

    // Without a display nobody can close the window; MOVRA_DEMO_QUIT_AFTER_MS ends such a
    // run, and MOVRA_PLAYER_SNAPSHOT keeps a picture of the window as it was.
    void scheduleDemoEnd()
    {
        bool ok = false;
        const int ms = qEnvironmentVariableIntValue("MOVRA_DEMO_QUIT_AFTER_MS", &ok);
        if (!ok || ms < 0 || m_demoScheduled)
            return;
        m_demoScheduled = true;
        QTimer::singleShot(ms, m_window, [window = m_window] {
            const QString snapshot = qEnvironmentVariable("MOVRA_PLAYER_SNAPSHOT");
            if (!snapshot.isEmpty()) {
                if (window->grab().save(snapshot))
                    say(QStringLiteral("window picture saved to %1").arg(snapshot));
            }
            const MediaSession::Statistics played = window->session()->statistics();
            say(playedSummary(played.framesShown, played.framesDropped, window->session()->positionMs()));
            // How far the pictures were from the sound when shown (late is positive), and
            // where they were shown: what a measurement of the run needs to know.
            std::vector<int64_t> offsets = played.avOffsetsUs;
            if (!offsets.empty()) {
                std::nth_element(offsets.begin(), offsets.begin() + std::ptrdiff_t(offsets.size() / 2), offsets.end());
                say(QStringLiteral("picture-to-sound offset median %1 ms").arg(offsets[offsets.size() / 2] / 1000.0, 0, 'f', 1));
            }
            if (const QWidget* view = window->findChild<QWidget*>(QStringLiteral("videoView")))
                say(QStringLiteral("picture area %1x%2").arg(view->width()).arg(view->height()));
            say(QStringLiteral("closing the window"));
            window->close();
        });
    }

    PlayerWindow* m_window = nullptr;
    bool m_holdsWindowReference = false;
    bool m_demoScheduled = false;
};

} // namespace
} // namespace MovraReference

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context,
                                                                     MSE::Plugin** plugin)
{
    if (!context || !plugin)
        return MSE::kResultMissingArgument;
    *plugin = new MovraReference::PlayerPlugin(context);
    return MSE::kResultOk;
}
