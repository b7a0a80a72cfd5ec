#pragma once
// In full screen the controls and the pointer appear when the mouse moves and go again once
// it has been still for a while, unless the pointer rests on the controls or a menu is open.

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

namespace MovraReference {

class FullScreenControls : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultHideDelayMs = 2000;

    // controls: the row shown and hidden; picture: the widget whose pointer is hidden.
    FullScreenControls(QWidget* window, QWidget* controls, QWidget* picture);

    // On entering full screen (the controls show, then hide when still) and on leaving it
    // (the controls and the pointer stay).
    void setActive(bool active);
    bool isActive() const { return m_active; }
    bool controlsShown() const;
    bool pointerHidden() const { return m_pointerHidden; }
    void setHideDelay(int ms) { m_hide.setInterval(ms); }
    // How often the delay has run out (whether or not the controls went then).
    int idleChecks() const { return m_idleChecks; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wake();
    void hideIfIdle();

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_controls;
    QPointer<QWidget> m_picture;
    QTimer m_hide;
    bool m_active = false;
    bool m_pointerHidden = false;
    int m_idleChecks = 0;
};

} // namespace MovraReference
