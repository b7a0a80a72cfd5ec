#pragma once
// A real X display for tests that need a window manager, real input and real pixels: an Xvfb
// server on a free display number, openbox on it, xdotool for keys and the mouse, and
// ImageMagick's import for pictures of the screen. Everything started is stopped again by the
// destructor.
//
// Tests that show their own widgets on it link movra_x_test_main instead of the offscreen
// main: it starts one display for the whole executable before the QApplication exists, and
// XDisplay::shared() answers it (nullptr where Xvfb is missing; MOVRA_REQUIRE_X skips then).

#include <QImage>
#include <QPoint>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;

namespace movratest {

class XDisplay
{
public:
    // Starts the server and the window manager and waits until both answer. On failure
    // answers nullptr and, when asked, why.
    static std::unique_ptr<XDisplay> start(QSize screen = QSize(1280, 720), QString* why = nullptr);
    // The display movra_x_test_main started, or nullptr.
    static XDisplay* shared();
    static void setShared(XDisplay* display);
    // The programs start() needs that are not on PATH, empty when all are there.
    static QStringList missingPrograms();

    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    QString name() const { return m_name; }
    QSize screenSize() const { return m_screen; }
    // The process environment with DISPLAY pointing here (for programs the test starts).
    QProcessEnvironment environment() const;

    // xdotool with DISPLAY set; answers whether it exited with 0 and, when asked, its output.
    bool xdotool(const QStringList& arguments, QString* output = nullptr) const;
    // Key names as xdotool spells them ("space", "shift+Left", "ctrl+Right", "Prior").
    bool key(const QString& keys) const;
    bool moveMouse(QPoint screenPoint) const;
    bool click(QPoint screenPoint, int button = 1) const;
    bool doubleClick(QPoint screenPoint) const;
    bool wheel(QPoint screenPoint, int clicks) const; // > 0 up, < 0 down
    // The visible windows of a process (newest last), optionally only those whose title
    // contains name; waits up to timeoutMs for at least one.
    QStringList windowsOf(qint64 pid, const QString& name = QString(), int timeoutMs = 10000) const;
    QRect windowGeometry(const QString& windowId) const;
    bool activate(const QString& windowId) const;

    // The whole screen as it is now; a null image when the picture could not be taken.
    QImage screenshot() const;

private:
    XDisplay() = default;
    bool run(const QString& program, const QStringList& arguments, QByteArray* output, int timeoutMs = 10000) const;

    QString m_name;
    QSize m_screen;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
};

} // namespace movratest

#define MOVRA_REQUIRE_X()                                                                          \
    do {                                                                                           \
        if (!movratest::XDisplay::shared())                                                        \
            GTEST_SKIP() << "no X display for this test: Xvfb or openbox is not installed";        \
    } while (false)
