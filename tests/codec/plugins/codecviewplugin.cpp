// The player window of the codec tests. It plays an address only when the decoder plug-in is
// registered; otherwise it asks the application for the codec, as a real player does. It writes
// what it sees to MOVRA_TEST_PLUGIN_LOG, one line each, and plays the user:
//   MOVRA_TEST_CODEC_KIND         the codec kind it asks for (default 0)
//   MOVRA_TEST_CODEC_ANSWERS      answers to the panel's questions in order: retry, cancel, ok
//   MOVRA_TEST_CLOSE_AFTER_PANEL  close the window this many ms after the panel first shows
// It closes its window shortly after playing, and after the last answer has been dealt with.

#include "panelwatch.h"

#include <MSE/PluginObject.h>
#include <MovraPlayerX/CodecEvents.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <ctime>
#include <string>

namespace {

using CodecTestPlugin::record;

constexpr char kDecoderName[] = "test.codec.decoder";

long long monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

class WindowWatcher : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange && watched->objectName() == QLatin1String("content"))
            record(static_cast<QWidget*>(watched)->isEnabled() ? "window enabled" : "window disabled");
        if (event->type() == QEvent::ChildRemoved
            && static_cast<QChildEvent*>(event)->child()->objectName() == QLatin1String("LoadingCodecWidget"))
            record("panel removed");
        return false;
    }
};

class CodecViewPlugin final : public MSE::PluginObject, public MovraPlayerX::IView, public MovraPlayerX::IURIHandler
{
public:
    using PluginObject::PluginObject;

    ~CodecViewPlugin() override
    {
        delete m_window;
        delete m_watcher;
    }

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (id == MovraPlayerX::kViewInterface) {
            *out = static_cast<MovraPlayerX::IView*>(this);
            return 0;
        }
        if (id == MovraPlayerX::kURIHandlerInterface) {
            *out = static_cast<MovraPlayerX::IURIHandler*>(this);
            return 0;
        }
        return 3;
    }

    void show() override
    {
        if (m_window)
            return;
        m_answers = QString::fromLocal8Bit(qgetenv("MOVRA_TEST_CODEC_ANSWERS")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        m_window = new QWidget;
        m_window->setObjectName(QStringLiteral("MovraPlayerWindow"));
        m_window->resize(640, 360);
        m_watcher = new WindowWatcher;
        m_window->installEventFilter(m_watcher);
        // What the window shows; disabled (not the window, which holds the panel) while a codec
        // installs.
        auto* content = new QWidget(m_window);
        content->setObjectName(QStringLiteral("content"));
        content->setGeometry(0, 0, 640, 360);
        content->installEventFilter(m_watcher);
        m_window->show();
        // The window's code lives in this library: stay alive for the rest of the run.
        addRef();
        auto* poll = new QTimer(m_window);
        QObject::connect(poll, &QTimer::timeout, [this] {
            watchPanel();
            cancelDownloadWhenAsked();
        });
        poll->start(20);
    }

    void openUri(const char* encodedUri) override
    {
        const std::string uri = encodedUri ? encodedUri : "(null)";
        record("openUri " + uri);
        if (findDecoder()) {
            record("playing");
            closeSoon(100);
            return;
        }
        record("no decoder");
        const int kind = qEnvironmentVariableIntValue("MOVRA_TEST_CODEC_KIND");
        QCoreApplication::postEvent(QCoreApplication::instance(),
                                    new MovraPlayerX::NeedCodecEvent(QUrl::fromEncoded(QByteArray(uri.c_str())), kind));
    }

private:
    bool findDecoder()
    {
        MSE::PluginContext* context = getPluginContext();
        if (!context->isVideoFormatSupported(MSE::movra_string<char>("avc1")))
            return false;
        for (MSE::PluginInfo* info : context->pluginInfos) {
            if (info->name == kDecoderName) {
                MSE::Plugin* decoder = nullptr;
                if (context->getPlugin(info, &decoder, true) == 0 && decoder) {
                    record("decoder obtained");
                    decoder->release();
                    return true;
                }
            }
        }
        return false;
    }

    void closeSoon(int ms)
    {
        QTimer::singleShot(ms, m_window, [this] {
            record("closing " + std::to_string(monotonicMs()));
            m_window->close();
        });
    }

    void watchPanel()
    {
        QWidget* panel = m_window->findChild<QWidget*>(QStringLiteral("LoadingCodecWidget"));
        const QString state = CodecTestPlugin::panelState(panel);
        if (state == m_lastState)
            return;
        m_lastState = state;
        if (state.isEmpty())
            return;
        record(state.toStdString());

        if (!m_closeScheduled && qEnvironmentVariableIsSet("MOVRA_TEST_CLOSE_AFTER_PANEL")) {
            m_closeScheduled = true;
            closeSoon(qEnvironmentVariableIntValue("MOVRA_TEST_CLOSE_AFTER_PANEL"));
        }
        if (!CodecTestPlugin::panelAwaitsAnswer(panel) || m_answers.isEmpty())
            return;
        auto* cancel = panel->findChild<QPushButton*>(QStringLiteral("cancelButton"));
        auto* accept = panel->findChild<QPushButton*>(QStringLiteral("acceptButton"));
        const QString answer = m_answers.takeFirst();
        record("answer " + answer.toStdString());
        if (answer == QLatin1String("cancel")) {
            cancel->click();
            closeSoon(300);
        } else {
            accept->click();
        }
    }

    // The answer "cancel-download": Cancel in the downloading look, once an archive download
    // has begun in MOVRA_TEST_DOWNLOAD_DIR (the components folder).
    void cancelDownloadWhenAsked()
    {
        if (m_answers.isEmpty() || m_answers.first() != QLatin1String("cancel-download"))
            return;
        QWidget* panel = m_window->findChild<QWidget*>(QStringLiteral("LoadingCodecWidget"));
        auto* cancel = panel ? panel->findChild<QPushButton*>(QStringLiteral("cancelButton")) : nullptr;
        auto* accept = panel ? panel->findChild<QPushButton*>(QStringLiteral("acceptButton")) : nullptr;
        if (!cancel || !cancel->isVisible() || !cancel->isEnabled() || accept->isVisible())
            return;
        const QDir folder(qEnvironmentVariable("MOVRA_TEST_DOWNLOAD_DIR"));
        if (folder.entryList({QStringLiteral(".download~*")}, QDir::Files | QDir::Hidden).isEmpty())
            return;
        m_answers.removeFirst();
        record("answer cancel-download");
        // The shell may delete the panel inside the click.
        const QPointer<QWidget> panelAfterClick(panel);
        cancel->click();
        record(panelAfterClick && panelAfterClick->isVisible() ? "panel still shown" : "panel hidden");
        closeSoon(300);
    }

    QPointer<QWidget> m_window;
    WindowWatcher* m_watcher = nullptr;
    QStringList m_answers;
    QString m_lastState;
    bool m_closeScheduled = false;
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context,
                                                                     MSE::Plugin** plugin)
{
    if (!context || !plugin)
        return 1;
    *plugin = new CodecViewPlugin(context);
    return 0;
}
