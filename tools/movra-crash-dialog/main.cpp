// movra-crash-dialog: shows the crash handler's message to the user. A program of its own
// because the crashed process can no longer run an event loop or allocate safely.
//
//   movra-crash-dialog MESSAGE
//
// The crashed process has ended by the time the user reads the box: it starts this program
// and does not wait for it. On a platform without a screen (offscreen, minimal) nobody could
// close the box: the caption and message go to standard output instead.

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {
constexpr char kCaption[] = "Application Crash";
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: movra-crash-dialog MESSAGE\n");
        return 2;
    }
    QApplication application(argc, argv);
    const QString message = QString::fromLocal8Bit(argv[1]);
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        std::printf("%s\n%s\n", kCaption, message.toLocal8Bit().constData());
        return 0;
    }
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kCaption), message, QMessageBox::Ok);
    box.exec();
    return 0;
}
