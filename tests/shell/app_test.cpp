#include "framework/farm.h"
#include "pluginlog.h"
#include "settings/applicationsettings.h"
#include "shell/appevents.h"
#include "shell/movraplayerapp.h"

#include <QFileOpenEvent>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>

using namespace MovraPlayerX;
using ShellTest::clearPluginLog;
using ShellTest::linesOf;
using ShellTest::readPluginLog;

namespace {

MovraPlayerApp* app()
{
    return static_cast<MovraPlayerApp*>(QCoreApplication::instance());
}

bool deliver(int type)
{
    QEvent event(static_cast<QEvent::Type>(type));
    return QCoreApplication::sendEvent(app(), &event);
}

// Runs the event loop with `action` queued first; true when something made the loop quit
// before the fallback ended it. The fallback starts once the action is done, since some
// actions (writing the association records) take a while on a slow disk, and it goes with
// the call, so it cannot end a later loop.
// `patience` is how long a loop that does not quit is given: short where quitting is the
// fault, long where it is expected, so a loaded machine cannot fail the test.
bool quitsWhile(const std::function<void()>& action, int patience = 500)
{
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, [] { QCoreApplication::exit(42); });
    QTimer::singleShot(0, &fallback, [&] {
        action();
        fallback.start(patience);
    });
    return QCoreApplication::exec() == 0;
}

constexpr int kExpectedQuit = 30000;

// The process's farm with the recording view plug-in registered once.
MSE::Farm* farmWithView()
{
    static bool registered = false;
    MSE::Farm* farm = app()->pluginContext();
    if (!registered) {
        farm->addPlugin(MSE::movra_string<wchar_t>(QStringLiteral(SHELL_TEST_PLUGIN_DIR).toStdWString().c_str()),
                        MSE::movra_string<wchar_t>(L"TestView.so"));
        registered = true;
    }
    return farm;
}

// Whoever holds only the application object (the installer, a plug-in) reaches its install
// callback through Qt's cast, which must hand back the callback's own sub-object, not the
// object's start; an unknown name gives nothing.
TEST(MovraPlayerApp, TheInstallCallbackIsReachedThroughQtsCast)
{
    EXPECT_EQ(app()->qt_metacast("mcm::IAsyncInstallCallback"),
              static_cast<void*>(static_cast<mcm::IAsyncInstallCallback*>(app())));
    EXPECT_EQ(app()->qt_metacast("QApplication"), static_cast<void*>(static_cast<QApplication*>(app())));
    EXPECT_EQ(app()->qt_metacast("Nothing::Else"), nullptr);
}

TEST(MovraPlayerApp, DispatchAnswers)
{
    // Registration is left to plug-ins: Qt must count it as unhandled.
    EXPECT_FALSE(deliver(kDeviceRegistrationEvent));
    // Not ours: handed to QApplication, which gives user types to customEvent() and so
    // counts them handled; above all they start no maintenance work and do not quit.
    EXPECT_FALSE(quitsWhile([] { EXPECT_TRUE(deliver(QEvent::User + 6)); }));
    EXPECT_FALSE(quitsWhile([] { EXPECT_TRUE(deliver(QEvent::User + 11)); }));
    // A codec event of the wrong class is consumed without effect.
    EXPECT_TRUE(deliver(kGetCodecEvent));
    EXPECT_TRUE(deliver(kNeedCodecEvent));
}

TEST(MovraPlayerApp, AFileOpenEventOfAnotherClassIsDropped)
{
    // What a plug-in may post: the bare type, or a class of its own that reuses the type.
    struct ForeignEvent : QEvent
    {
        ForeignEvent() : QEvent(QEvent::FileOpen) { std::memset(junk, 0xA5, sizeof junk); }
        unsigned char junk[64];
    };
    farmWithView();
    clearPluginLog();
    EXPECT_TRUE(deliver(QEvent::FileOpen));
    ForeignEvent foreign;
    EXPECT_TRUE(QCoreApplication::sendEvent(app(), &foreign));
    EXPECT_TRUE(linesOf(readPluginLog(), "test.view").filter(QStringLiteral("openUri")).isEmpty());
}

TEST(MovraPlayerApp, MaintenanceRequestsQuit)
{
    for (int type : {kAssociateFileTypesEvent, kDisassociateFileTypesEvent, kInitializeCachesEvent,
                     kClearDownloadCacheEvent}) {
        SCOPED_TRACE(type);
        bool answered = false;
        EXPECT_TRUE(quitsWhile([&] { answered = deliver(type); }, kExpectedQuit));
        EXPECT_TRUE(answered);
    }
}

TEST(MovraPlayerApp, DeregistrationQuitsOnlyWithoutVisibleWindows)
{
    QWidget window;
    window.show();
    EXPECT_FALSE(quitsWhile([] { deliver(kDeviceDeregistrationEvent); }));
    window.hide();
    EXPECT_TRUE(quitsWhile([] { deliver(kDeviceDeregistrationEvent); }, kExpectedQuit));
}

TEST(MovraPlayerApp, FileOpensReachTheHandlerInOrder)
{
    farmWithView();
    clearPluginLog();
    const char* texts[] = {"/home/me/My Films/a b.mkv", "http://example.com/a%20b?x=1#t", "rtsp://cam/live",
                           "/tmp/100%.avi", "http://host/%zz"};
    for (const char* text : texts) {
        QFileOpenEvent event(QString::fromUtf8(text));
        EXPECT_TRUE(QCoreApplication::sendEvent(app(), &event));
    }
    EXPECT_EQ(app()->property("openingWithFile"), QVariant(true));
    const QStringList expected = {
        "openUri file:///home/me/My%20Films/a%20b.mkv",
        "openUri http://example.com/a%20b?x=1#t",
        "openUri rtsp://cam/live",
        "openUri file:///tmp/100%25.avi",
        "openUri http://host/%25zz",
    };
    QStringList opened = linesOf(readPluginLog(), "test.view").filter(QStringLiteral("openUri"));
    EXPECT_EQ(opened, expected);
}

TEST(MovraPlayerApp, AHandlerThatOpensFromInsideTheDispatchKeepsOrderAndDoesNotBlock)
{
    farmWithView();
    clearPluginLog();
    QFileOpenEvent first(QStringLiteral("http://host/reenter"));
    QFileOpenEvent second(QStringLiteral("/after.mkv"));
    QCoreApplication::sendEvent(app(), &first);
    QCoreApplication::sendEvent(app(), &second);
    EXPECT_EQ(linesOf(readPluginLog(), "test.view").filter(QStringLiteral("openUri")),
              QStringList({"openUri http://host/reenter", "openUri file:///followup.mkv",
                           "openUri file:///after.mkv"}));
}

class BackgroundPause : public ::testing::Test
{
protected:
    void TearDown() override
    {
        ApplicationSettings::application().set(kPauseInBackground, false);
        deliver(QEvent::ApplicationActivate);
    }
};

TEST_F(BackgroundPause, NothingHappensUnlessAsked)
{
    farmWithView();
    clearPluginLog();
    ASSERT_TRUE(ApplicationSettings::application().set(kPauseInBackground, false));
    EXPECT_TRUE(deliver(QEvent::ApplicationDeactivate));
    EXPECT_FALSE(app()->isPausedInBackground());
    EXPECT_TRUE(deliver(QEvent::ApplicationActivate));
    EXPECT_TRUE(linesOf(readPluginLog(), "test.view").filter(QRegularExpression("pause|resume")).isEmpty());
}

TEST_F(BackgroundPause, PausesAndResumesAtFullRate)
{
    farmWithView();
    clearPluginLog();
    ASSERT_TRUE(ApplicationSettings::application().set(kPauseInBackground, true));
    EXPECT_TRUE(deliver(QEvent::ApplicationDeactivate));
    EXPECT_TRUE(app()->isPausedInBackground());
    EXPECT_TRUE(deliver(QEvent::ApplicationActivate));
    EXPECT_FALSE(app()->isPausedInBackground());
    // A second activation without a pause in between does nothing.
    EXPECT_TRUE(deliver(QEvent::ApplicationActivate));
    EXPECT_EQ(linesOf(readPluginLog(), "test.view").filter(QRegularExpression("^(pause|resume)")),
              QStringList({"pause", "resume 1.000000"}));
}

TEST(MovraPlayerApp, ClearDownloadCacheReachesTheMediaManager)
{
    farmWithView();
    clearPluginLog();
    EXPECT_TRUE(quitsWhile([] { deliver(kClearDownloadCacheEvent); }, kExpectedQuit));
    EXPECT_TRUE(linesOf(readPluginLog(), "test.view").contains("clearDownloadCache"));
}

} // namespace
