// Command lines as a user, a desktop or a script can write them (arguments separated by NUL
// bytes, not necessarily UTF-8). The parser posts at most one event per argument, a file
// event only with an absolute path or an address, and never acts on anything itself.

#include "fuzzcheck.h"
#include "shell/argumentparser.h"

#include <QCoreApplication>
#include <QFileOpenEvent>

#include <cstdint>
#include <string>

namespace {

class Counter : public QObject
{
public:
    int files = 0;
    int options = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FileOpen) {
            const QString file = static_cast<QFileOpenEvent*>(event)->file();
            FUZZ_CHECK(file.startsWith(QLatin1Char('/')) || file.contains(QLatin1String("://")));
            ++files;
            return true;
        }
        if (event->type() > QEvent::User && event->type() <= QEvent::User + 10) {
            ++options;
            return true;
        }
        return false;
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static int count = 1;
    static char program[] = "commandline_fuzzer";
    static char* arguments[] = {program, nullptr};
    static QCoreApplication application(count, arguments);
    (void)argc;
    (void)argv;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QStringList arguments{QStringLiteral("/usr/bin/movra-player")};
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= bytes.size()) {
        size_t end = bytes.find('\0', start);
        if (end == std::string::npos)
            end = bytes.size();
        arguments << QString::fromLocal8Bit(bytes.data() + start, static_cast<qsizetype>(end - start));
        start = end + 1;
    }
    Counter counter;
    qApp->installEventFilter(&counter);
    const bool maintenance = ArgumentParser::instance().parseCommandLine(arguments);
    QCoreApplication::sendPostedEvents(qApp);
    qApp->removeEventFilter(&counter);
    FUZZ_CHECK(counter.files + counter.options <= arguments.size() - 1);
    FUZZ_CHECK(!maintenance || counter.options > 0);
    return 0;
}
