#include "mpx/commonmenubar.h"

#include <QApplication>
#include <QMenuBar>
#include <QPointer>
#include <QThread>

namespace MovraPlayerX {

namespace {

MSE::PluginContext* sharedContext = nullptr;
// A widget may not outlive the application object; the pointer notices when someone else
// deleted the bar.
QPointer<QMenuBar> sharedMenuBar;

bool onGuiThread()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance())
           && QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

void CommonMenuBar::init(MSE::PluginContext* context)
{
    sharedContext = context;
}

MSE::PluginContext* CommonMenuBar::pluginContext()
{
    return sharedContext;
}

QMenuBar* CommonMenuBar::menuBar()
{
    if (!onGuiThread())
        return nullptr;
    if (!sharedMenuBar) {
        sharedMenuBar = new QMenuBar;
        sharedMenuBar->setObjectName(QStringLiteral("MovraCommonMenuBar"));
    }
    return sharedMenuBar;
}

void CommonMenuBar::release()
{
    if (onGuiThread())
        delete sharedMenuBar.data();
}

} // namespace MovraPlayerX
