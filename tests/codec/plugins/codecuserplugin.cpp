// A scripted user beside any main window, the shipped player's included: a start-up plug-in
// that watches for the codec loading panel on every window, writes each look the panel shows
// to MOVRA_TEST_PLUGIN_LOG ("panel ..." lines, "panel gone" when it goes) and presses its
// buttons as the test says:
//   MOVRA_TEST_CODEC_ANSWERS  answers to the panel's questions in order: retry, cancel
//   MOVRA_TEST_ANSWER_WHEN    a file; no answer is given before it exists, so the test can
//                             change the world (start a server) while the question waits

#include "panelwatch.h"

#include <MSE/PluginObject.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace {

using CodecTestPlugin::record;

QWidget* findPanel()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->objectName() == QLatin1String("LoadingCodecWidget"))
            return window;
        if (auto* panel = window->findChild<QWidget*>(QStringLiteral("LoadingCodecWidget")))
            return panel;
    }
    return nullptr;
}

class CodecUserPlugin final : public MSE::PluginObject, public MovraPlayerX::IStartup
{
public:
    using PluginObject::PluginObject;

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (id == MovraPlayerX::kStartupInterface) {
            *out = static_cast<MovraPlayerX::IStartup*>(this);
            return 0;
        }
        return 3;
    }

    void run() override
    {
        if (m_running)
            return;
        m_running = true;
        m_answers = qEnvironmentVariable("MOVRA_TEST_CODEC_ANSWERS").split(QLatin1Char(','), Qt::SkipEmptyParts);
        m_gate = qEnvironmentVariable("MOVRA_TEST_ANSWER_WHEN");
        // The watching code lives in this library, which must stay loaded while the timer
        // runs: the object is kept for the rest of the run, and the timer goes with the
        // application object.
        addRef();
        auto* poll = new QTimer(QCoreApplication::instance());
        QObject::connect(poll, &QTimer::timeout, [this] { watchPanel(); });
        poll->start(20);
    }

private:
    void watchPanel()
    {
        QWidget* panel = findPanel();
        const QString state = CodecTestPlugin::panelState(panel);
        if (state != m_lastState) {
            record(state.isEmpty() ? std::string("panel gone") : state.toStdString());
            m_lastState = state;
        }
        if (m_answers.isEmpty() || !CodecTestPlugin::panelAwaitsAnswer(panel))
            return;
        if (!m_gate.isEmpty() && !QFileInfo::exists(m_gate))
            return;
        const QString answer = m_answers.takeFirst();
        record("answer " + answer.toStdString());
        const char* button = answer == QLatin1String("cancel") ? "cancelButton" : "acceptButton";
        panel->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }

    bool m_running = false;
    QStringList m_answers;
    QString m_gate;
    QString m_lastState;
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context,
                                                                     MSE::Plugin** plugin)
{
    if (!context || !plugin)
        return 1;
    *plugin = new CodecUserPlugin(context);
    return 0;
}
