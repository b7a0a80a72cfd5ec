#include "xdisplay.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cstdlib>

namespace movratest {
namespace {

const char kReady[] = "movra-window-manager-ready";
XDisplay* g_shared = nullptr;

// Reads a process's standard output until it holds needle or the time is up.
bool readUntil(QProcess& process, const QByteArray& needle, int timeoutMs, QByteArray* seen)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!seen->contains(needle)) {
        if (process.state() == QProcess::NotRunning || deadline.hasExpired())
            return false;
        process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        seen->append(process.readAllStandardOutput());
    }
    return true;
}

void stop(QProcess* process)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished(5000);
    }
}

} // namespace

QStringList XDisplay::missingPrograms()
{
    QStringList missing;
    for (const char* program : {"Xvfb", "openbox", "xdotool", "import"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
            missing << QString::fromLatin1(program);
    }
    return missing;
}

XDisplay* XDisplay::shared()
{
    return g_shared;
}

void XDisplay::setShared(XDisplay* display)
{
    g_shared = display;
}

std::unique_ptr<XDisplay> XDisplay::start(QSize screen, QString* why)
{
    const auto fail = [why](const QString& text) {
        if (why)
            *why = text;
        return std::unique_ptr<XDisplay>();
    };
    const QStringList missing = missingPrograms();
    if (!missing.isEmpty())
        return fail(QStringLiteral("not installed: ") + missing.join(QStringLiteral(", ")));

    std::unique_ptr<XDisplay> display(new XDisplay);
    display->m_screen = screen;
    // -displayfd: the server picks a free number itself and writes it once it accepts
    // connections, so parallel tests never race for one.
    display->m_server = std::make_unique<QProcess>();
    display->m_server->setProcessChannelMode(QProcess::SeparateChannels);
    display->m_server->setStandardErrorFile(QProcess::nullDevice());
    display->m_server->start(QStringLiteral("Xvfb"),
                             {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QByteArray number;
    if (!display->m_server->waitForStarted(10000) || !readUntil(*display->m_server, "\n", 20000, &number))
        return fail(QStringLiteral("Xvfb did not start"));
    display->m_name = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    // openbox runs its start-up command once it manages the screen.
    display->m_windowManager = std::make_unique<QProcess>();
    display->m_windowManager->setProcessEnvironment(display->environment());
    display->m_windowManager->setStandardErrorFile(QProcess::nullDevice());
    display->m_windowManager->start(QStringLiteral("openbox"),
                                    {QStringLiteral("--startup"), QStringLiteral("echo ") + QLatin1String(kReady)});
    QByteArray said;
    if (!display->m_windowManager->waitForStarted(10000) || !readUntil(*display->m_windowManager, kReady, 20000, &said))
        return fail(QStringLiteral("openbox did not start on ") + display->m_name);
    return display;
}

XDisplay::~XDisplay()
{
    if (g_shared == this)
        g_shared = nullptr;
    stop(m_windowManager.get());
    stop(m_server.get());
}

QProcessEnvironment XDisplay::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_name);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return environment;
}

bool XDisplay::run(const QString& program, const QStringList& arguments, QByteArray* output, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool XDisplay::xdotool(const QStringList& arguments, QString* output) const
{
    QByteArray bytes;
    const bool ok = run(QStringLiteral("xdotool"), arguments, &bytes);
    if (output)
        *output = QString::fromUtf8(bytes);
    return ok;
}

bool XDisplay::key(const QString& keys) const
{
    return xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

bool XDisplay::moveMouse(QPoint at) const
{
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
}

bool XDisplay::click(QPoint at, int button) const
{
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                    QStringLiteral("click"), QString::number(button)});
}

bool XDisplay::doubleClick(QPoint at) const
{
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                    QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                    QStringLiteral("--delay"), QStringLiteral("50"), QStringLiteral("1")});
}

bool XDisplay::wheel(QPoint at, int clicks) const
{
    if (clicks == 0)
        return moveMouse(at);
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                    QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(std::abs(clicks)),
                    QString::number(clicks > 0 ? 4 : 5)});
}

QStringList XDisplay::windowsOf(qint64 pid, const QString& name, int timeoutMs) const
{
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                          QString::number(pid)};
    if (!name.isEmpty())
        arguments << QStringLiteral("--name") << QRegularExpression::escape(name);
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QString output;
        xdotool(arguments, &output);
        const QStringList ids = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!ids.isEmpty() || deadline.hasExpired())
            return ids;
        QThread::msleep(50); // polling a condition, bounded by the deadline
    }
}

QRect XDisplay::windowGeometry(const QString& windowId) const
{
    QString output;
    if (!xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), windowId}, &output))
        return QRect();
    QRect rect;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals);
        const int value = line.mid(equals + 1).toInt();
        if (key == QLatin1String("X"))
            rect.moveLeft(value);
        else if (key == QLatin1String("Y"))
            rect.moveTop(value);
        else if (key == QLatin1String("WIDTH"))
            rect.setWidth(value);
        else if (key == QLatin1String("HEIGHT"))
            rect.setHeight(value);
    }
    return rect;
}

bool XDisplay::activate(const QString& windowId) const
{
    return xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowId});
}

QImage XDisplay::screenshot() const
{
    QByteArray png;
    if (!run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")}, &png))
        return QImage();
    return QImage::fromData(png, "PNG");
}

} // namespace movratest
