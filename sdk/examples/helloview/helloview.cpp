// A main window that lists the addresses the player hands it. The player shows it when
// "DefaultViewPlugin" (group GlobalState) names com.example.movra.HelloView, or when no
// preferred view is installed and this one is chosen among the primary views.

#include <MSE/PluginObject.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <new>

namespace {

class HelloView final : public MSE::PluginObject, public MovraPlayerX::IView, public MovraPlayerX::IURIHandler
{
public:
    using PluginObject::PluginObject;
    ~HelloView() override { delete m_window; }

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (!out)
            return MSE::kResultMissingArgument;
        if (id == MovraPlayerX::kViewInterface) {
            *out = static_cast<MovraPlayerX::IView*>(this);
            return MSE::kResultOk;
        }
        if (id == MovraPlayerX::kURIHandlerInterface) {
            *out = static_cast<MovraPlayerX::IURIHandler*>(this);
            return MSE::kResultOk;
        }
        return MSE::kResultFailed;
    }

    void show() override
    {
        if (!m_window) {
            m_window = new QWidget;
            m_window->setWindowTitle(QStringLiteral("Hello from a plug-in"));
            auto* layout = new QVBoxLayout(m_window);
            layout->addWidget(new QLabel(QStringLiteral("Addresses received:")));
            m_list = new QListWidget;
            layout->addWidget(m_list);
            // The player releases its reference after show(); the window's code lives in
            // this library, so the object keeps itself (and the library) alive.
            addRef();
            // Closing the window ends the player's event loop. Demos and tests without a
            // display ask for that after a while.
            bool ok = false;
            const int quitAfter = qEnvironmentVariableIntValue("MOVRA_DEMO_QUIT_AFTER_MS", &ok);
            if (ok)
                QTimer::singleShot(quitAfter, m_window, [window = m_window] { window->close(); });
        }
        m_window->show();
        std::printf("HelloView: shown\n");
        std::fflush(stdout);
    }

    // Addresses arrive encoded ("file:///tmp/a%20b.mkv"); an address that is not one at
    // all arrives as the empty text.
    void openUri(const char* encodedUri) override
    {
        const QString address = QString::fromUtf8(encodedUri ? encodedUri : "");
        if (m_list)
            m_list->addItem(address);
        std::printf("HelloView: received %s\n", qPrintable(address));
        std::fflush(stdout);
    }

private:
    QWidget* m_window = nullptr;
    QListWidget* m_list = nullptr;
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context, MSE::Plugin** plugin)
{
    if (!context || !plugin)
        return MSE::kResultMissingArgument;
    *plugin = new (std::nothrow) HelloView(context);
    return *plugin ? MSE::kResultOk : MSE::kResultFailed;
}
