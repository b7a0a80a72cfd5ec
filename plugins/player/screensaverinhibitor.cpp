#include "screensaverinhibitor.h"

#include "mpx/systemmanager.h"

#include <QCoreApplication>

namespace MovraReference {

ScreenSaverInhibitor::ScreenSaverInhibitor(MediaSession* session, QObject* parent) : QObject(parent), m_session(session)
{
    connect(session, &MediaSession::stateChanged, this, &ScreenSaverInhibitor::update);
    connect(session, &QObject::destroyed, this, &ScreenSaverInhibitor::release);
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    release();
}

void ScreenSaverInhibitor::update()
{
    const bool wanted = m_session && m_session->state() == MediaSession::State::Playing && m_session->hasVideo();
    if (wanted == m_holding)
        return;
    if (!wanted) {
        release();
        return;
    }
    const QString reason = QCoreApplication::translate("MovraPlayerControls", "Playing a video");
    MovraPlayerX::SystemManager::Instance().inhibitScreensaver(reason);
    MovraPlayerX::SystemManager::Instance().inhibitSystemPowerManagement(reason);
    m_holding = true;
}

void ScreenSaverInhibitor::release()
{
    if (!m_holding)
        return;
    MovraPlayerX::SystemManager::Instance().restoreScreensaver();
    MovraPlayerX::SystemManager::Instance().restoreSystemPowerManagement();
    m_holding = false;
}

} // namespace MovraReference
