#pragma once
// Keeps the screen awake while a picture plays: the screen saver and system sleep are held
// off while a video plays (not while paused, at the end, or for sound alone) and released
// again as soon as that stops, or when the window goes. Held through MPXLibrary's system
// manager, which speaks to the desktop's services and says nothing when there are none.

#include "mediasession.h"

#include <QObject>
#include <QPointer>

namespace MovraReference {

class ScreenSaverInhibitor : public QObject
{
    Q_OBJECT
public:
    explicit ScreenSaverInhibitor(MediaSession* session, QObject* parent = nullptr);
    ~ScreenSaverInhibitor() override;

    bool isHolding() const { return m_holding; }
    // Checks the session again (also called on each of its state changes).
    void update();
    void release();

private:
    QPointer<MediaSession> m_session;
    bool m_holding = false;
};

} // namespace MovraReference
