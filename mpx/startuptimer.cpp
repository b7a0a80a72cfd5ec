#include "mpx/startuptimer.h"

#include <QLoggingCategory>

namespace MovraPlayerX {

namespace {
Q_LOGGING_CATEGORY(lcStartup, "movra.shell", QtWarningMsg)
}

StartupTimer::StartupTimer(QObject* parent)
    : QObject(parent)
{
    m_timer.start();
}

StartupTimer::~StartupTimer() = default;

void StartupTimer::done()
{
    if (m_startupTimeMs >= 0)
        return;
    m_startupTimeMs = m_timer.elapsed();
    qCInfo(lcStartup, "start-up took %lld ms", static_cast<long long>(m_startupTimeMs));
}

} // namespace MovraPlayerX
