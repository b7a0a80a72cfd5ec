#include "fullscreencontrols.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QWidget>

namespace MovraReference {

FullScreenControls::FullScreenControls(QWidget* window, QWidget* controls, QWidget* picture)
    : QObject(window), m_window(window), m_controls(controls), m_picture(picture)
{
    m_hide.setSingleShot(true);
    m_hide.setInterval(kDefaultHideDelayMs);
    connect(&m_hide, &QTimer::timeout, this, &FullScreenControls::hideIfIdle);
    // Without tracking a still button-less pointer's moves would never reach the filter.
    for (QWidget* widget : {m_picture.data(), m_controls.data()}) {
        if (widget)
            widget->setMouseTracking(true);
    }
    if (m_picture && m_picture->parentWidget())
        m_picture->parentWidget()->setMouseTracking(true);
    qApp->installEventFilter(this);
}

void FullScreenControls::setActive(bool active)
{
    m_active = active;
    if (active) {
        wake();
        return;
    }
    m_hide.stop();
    if (m_controls)
        m_controls->show();
    if (m_picture && m_pointerHidden)
        m_picture->unsetCursor();
    m_pointerHidden = false;
}

bool FullScreenControls::controlsShown() const
{
    return m_controls && m_controls->isVisible();
}

void FullScreenControls::wake()
{
    if (m_controls && !m_controls->isVisible())
        m_controls->show();
    if (m_picture && m_pointerHidden)
        m_picture->unsetCursor();
    m_pointerHidden = false;
    m_hide.start();
}

void FullScreenControls::hideIfIdle()
{
    if (!m_active || !m_window)
        return;
    ++m_idleChecks;
    const bool overControls = m_controls && m_controls->isVisible()
                              && m_controls->rect().contains(m_controls->mapFromGlobal(QCursor::pos()));
    if (overControls || QApplication::activePopupWidget()) {
        m_hide.start();
        return;
    }
    if (m_controls)
        m_controls->hide();
    if (m_picture) {
        m_picture->setCursor(Qt::BlankCursor);
        m_pointerHidden = true;
    }
}

bool FullScreenControls::eventFilter(QObject* watched, QEvent* event)
{
    if (m_active && m_window && (event->type() == QEvent::MouseMove || event->type() == QEvent::Wheel)) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == m_window)
            wake();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace MovraReference
