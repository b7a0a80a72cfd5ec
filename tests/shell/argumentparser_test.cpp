#include "shell/appevents.h"
#include "shell/argumentparser.h"
#include "shell/exports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileOpenEvent>
#include <QMetaMethod>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// What reached the application object, in order: "open:<file>" or the event type.
class PostedEvents : public QObject
{
public:
    PostedEvents() { qApp->installEventFilter(this); }
    ~PostedEvents() override { qApp->removeEventFilter(this); }

    std::vector<std::string> take()
    {
        QCoreApplication::sendPostedEvents(qApp);
        return std::move(seen);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != qApp)
            return false;
        if (event->type() == QEvent::FileOpen) {
            seen.push_back("open:" + static_cast<QFileOpenEvent*>(event)->file().toStdString());
            return true;
        }
        if (event->type() > QEvent::User && event->type() <= QEvent::User + 10) {
            seen.push_back(std::to_string(event->type()));
            return true;
        }
        return false;
    }

private:
    std::vector<std::string> seen;
};

struct ParserCase
{
    const char* name;
    QStringList arguments;
    std::vector<std::string> events;
    bool result;
};

void PrintTo(const ParserCase& c, std::ostream* out)
{
    *out << c.name;
}

class ParserTable : public ::testing::TestWithParam<ParserCase>
{
};

// "$CWD" in an expected event stands for the working directory: a file named relative to
// it reaches the player as an absolute path.
std::vector<std::string> expanded(const std::vector<std::string>& events)
{
    const std::string cwd = QDir::currentPath().toStdString();
    std::vector<std::string> result;
    for (std::string event : events) {
        const size_t at = event.find("$CWD");
        if (at != std::string::npos)
            event.replace(at, 4, cwd);
        result.push_back(event);
    }
    return result;
}

TEST_P(ParserTable, PostsEventsInArgumentOrder)
{
    PostedEvents events;
    const ParserCase& c = GetParam();
    EXPECT_EQ(ArgumentParser::instance().parseCommandLine(c.arguments), c.result);
    EXPECT_EQ(events.take(), expanded(c.events));
}

const QString prog = QStringLiteral("/opt/movra/movra-player");

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ParserTable,
    ::testing::Values(
        ParserCase{"FileThenAssociate", {prog, "/home/me/film.avi", "-associateFileTypes"},
                   {"open:/home/me/film.avi", "1003"}, true},
        ParserCase{"RelativeFileIsMadeAbsolute", {prog, "clip.mkv", "./sub/../other.mkv"},
                   {"open:$CWD/clip.mkv", "open:$CWD/other.mkv"}, false},
        ParserCase{"NameBeginningWithAColon", {prog, ":clip.mkv", ":"}, {"open:$CWD/:clip.mkv", "open:$CWD/:"}, false},
        ParserCase{"WindowsPathIsARelativeName", {prog, "C:\\Videos\\film.avi"},
                   {"open:$CWD/C:\\Videos\\film.avi"}, false},
        ParserCase{"DoubleDashEndsTheOptions",
                   {prog, "-initializeCaches", "--", "-odd-name.mkv", "--clearDownloadCache", "/unregserver", "--"},
                   {"1005", "open:$CWD/-odd-name.mkv", "open:$CWD/--clearDownloadCache", "open:/unregserver",
                    "open:$CWD/--"},
                   true},
        ParserCase{"RegisterDeviceStartsNormally", {prog, "-kvsregisterdevice"}, {"1002"}, false},
        ParserCase{"UnregServerIsDeregistration", {prog, "/unregserver"}, {"1001"}, true},
        ParserCase{"SlashOwnNameOfDeregistrationIsAFile", {prog, "/kvsderegister"}, {"open:/kvsderegister"}, false},
        ParserCase{"AbsolutePathIsAFile", {prog, "/home/me/film.mkv"}, {"open:/home/me/film.mkv"}, false},
        ParserCase{"LoneSlashIsAFile", {prog, "/"}, {"open:/"}, false},
        ParserCase{"OtherCaseIgnored", {prog, "-AssociateFileTypes", "--initializecaches"}, {}, false},
        ParserCase{"AppendedValueIgnored", {prog, "-associateFileTypes=1", "/clearDownloadCache:x"},
                   {"open:/clearDownloadCache:x"}, false},
        ParserCase{"LoneDashIgnored", {prog, "-", "--"}, {}, false},
        ParserCase{"SpacesStayInOneFile", {prog, "my film (2).mkv"}, {"open:$CWD/my film (2).mkv"}, false},
        ParserCase{"EmptyArgumentSkipped", {prog, "", "a.mkv"}, {"open:$CWD/a.mkv"}, false},
        ParserCase{"ProgramPathIsNotAFile", {prog}, {}, false},
        ParserCase{"EmptyList", {}, {}, false},
        ParserCase{"InterleavedKeepsOrder",
                   {prog, "a.mkv", "-initializeCaches", "http://host/b c", "--clearDownloadCache", "/tmp/c.avi"},
                   {"open:$CWD/a.mkv", "1005", "open:http://host/b c", "1007", "open:/tmp/c.avi"}, true},
        ParserCase{"RegistrationDoesNotMakeMaintenance", {prog, "-kvsregisterdevice", "x.mkv"},
                   {"1002", "open:$CWD/x.mkv"}, false}),
    [](const ::testing::TestParamInfo<ParserCase>& info) { return std::string(info.param.name); });

TEST(ArgumentParser, EveryWrittenFormOfEveryOptionPostsItsEvent)
{
    struct Row { const char* forms[3]; int type; bool maintenance; };
    const Row rows[] = {
        {{"-kvsderegister", "--kvsderegister", "/unregserver"}, 1001, true},
        {{"-kvsregisterdevice", "--kvsregisterdevice", "/kvsregisterdevice"}, 1002, false},
        {{"-associateFileTypes", "--associateFileTypes", "/associateFileTypes"}, 1003, true},
        {{"-disassociateFileTypes", "--disassociateFileTypes", "/disassociateFileTypes"}, 1004, true},
        {{"-initializeCaches", "--initializeCaches", "/initializeCaches"}, 1005, true},
        {{"-clearDownloadCache", "--clearDownloadCache", "/clearDownloadCache"}, 1007, true},
    };
    PostedEvents events;
    for (const Row& row : rows) {
        for (const char* form : row.forms) {
            SCOPED_TRACE(form);
            EXPECT_EQ(ArgumentParser::instance().parseCommandLine({prog, QString::fromLatin1(form)}), row.maintenance);
            EXPECT_EQ(events.take(), std::vector<std::string>{std::to_string(row.type)});
        }
    }
}

TEST(ArgumentParser, IsInvokableByNameThroughTheMetaObject)
{
    ArgumentParser parser;
    EXPECT_STREQ(parser.metaObject()->className(), "ArgumentParser");
    const int index = parser.metaObject()->indexOfSlot("parseCommandLine(QStringList)");
    ASSERT_GE(index, 0);
    const QMetaMethod slot = parser.metaObject()->method(index);
    EXPECT_EQ(slot.parameterNames().value(0), QByteArray("arguments"));
    EXPECT_STREQ(slot.typeName(), "bool");

    PostedEvents events;
    bool result = false;
    ASSERT_TRUE(QMetaObject::invokeMethod(&parser, "parseCommandLine", Q_RETURN_ARG(bool, result),
                                          Q_ARG(QStringList, QStringList({prog, "-clearDownloadCache"}))));
    EXPECT_TRUE(result);
    EXPECT_EQ(events.take(), std::vector<std::string>{"1007"});
}

TEST(ArgumentParser, ThousandsOfArgumentsArriveInOrder)
{
    QStringList arguments{prog};
    std::vector<std::string> expected;
    for (int i = 0; i < 5000; ++i) {
        arguments << QStringLiteral("/media/clip %1.mkv").arg(i);
        expected.push_back("open:/media/clip " + std::to_string(i) + ".mkv");
    }
    PostedEvents events;
    EXPECT_FALSE(ArgumentParser::instance().parseCommandLine(arguments));
    EXPECT_EQ(events.take(), expected);
}

TEST(CommandlineExport, DecodesUtf8AndSkipsTheProgramPath)
{
    PostedEvents events;
    char program[] = "/opt/movra/movra-player";
    char option[] = "-associateFileTypes";
    char film[] = "/films/\xc3\xa9t\xc3\xa9.mkv";  // "été"
    char* argv[] = {program, option, film};
    commandline(3, argv);
    EXPECT_EQ(events.take(), (std::vector<std::string>{"1003", "open:/films/\xc3\xa9t\xc3\xa9.mkv"}));
}

TEST(CommandlineExport, SurvivesBadInput)
{
    PostedEvents events;
    commandline(0, nullptr);
    commandline(-5, nullptr);
    EXPECT_TRUE(events.take().empty());

    char program[] = "prog";
    char notUtf8[] = "/films/\xff\xfe\x80.mkv";
    char* argv[] = {program, notUtf8, nullptr};
    commandline(3, argv);
    const std::vector<std::string> seen = events.take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].rfind("open:/films/", 0), 0u);
}

} // namespace
