#include "support/waitfor.h"

#include <QCoreApplication>
#include <QThread>

#include <thread>

namespace MovraTest {

double secondsUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (condition())
            return std::chrono::duration<double>(now - start).count();
        if (now - start > limit)
            return -1;
        QCoreApplication* application = QCoreApplication::instance();
        if (application && application->thread() == QThread::currentThread())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    return secondsUntil(condition, limit) >= 0;
}

} // namespace MovraTest
