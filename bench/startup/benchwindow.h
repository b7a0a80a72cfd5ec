#pragma once
// The window both sides of the start-up figures show: the bare Qt program and the plain
// view plug-in the player starts. Once the event loop has run it quits at once, or, with
// MOVRA_BENCH_IDLE_MS set, after that long idle, printing "RSS <kB>" (VmRSS) first.

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace MovraBench {

inline long residentKilobytes()
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kilobytes = -1;
    while (std::fgets(line, sizeof(line), status)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kilobytes = std::atol(line + 6);
    }
    std::fclose(status);
    return kilobytes;
}

inline void showBenchWindow()
{
    auto* window = new QMainWindow;
    window->setWindowTitle(QStringLiteral("Movra Player"));
    window->resize(800, 600);
    window->show();
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [window] { delete window; });
    const char* idle = std::getenv("MOVRA_BENCH_IDLE_MS");
    if (!idle) {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return;
    }
    QTimer::singleShot(std::atoi(idle), qApp, [] {
        std::printf("RSS %ld\n", residentKilobytes());
        std::fflush(stdout);
        QCoreApplication::quit();
    });
}

} // namespace MovraBench
