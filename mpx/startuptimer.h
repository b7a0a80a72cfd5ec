#pragma once
#include "mpx/mpxglobal.h"

#include <QElapsedTimer>
#include <QObject>

namespace MovraPlayerX {

// Measures the start-up: from construction to the first call of done(), which the start-up
// sequence connects to a zero-interval single-shot timer, so it fires on the event loop's first
// pass. The time is logged under "movra.shell" (info level).
class MPX_EXPORT StartupTimer : public QObject
{
    Q_OBJECT
public:
    explicit StartupTimer(QObject* parent = nullptr);
    ~StartupTimer() override;

    // Milliseconds recorded by the first done(); -1 before it.
    qint64 startupTimeMs() const { return m_startupTimeMs; }

public slots:
    // Only the first call counts.
    void done();

private:
    QElapsedTimer m_timer;
    qint64 m_startupTimeMs = -1;
};

} // namespace MovraPlayerX
