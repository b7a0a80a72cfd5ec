// The application object's side of a codec install, in process, against the stand-in
// component manager: requests, reports, the panel, the player window and the user's answers.

#include "codec/asyncinstall.h"
#include "codec/getcodecevent.h"
#include "codec/loadingcodecwidget.h"
#include "codectestsupport.h"
#include "framework/farm.h"
#include "shell/movraplayerapp.h"

#include <MSE/PluginContext.h>
#include <MovraPlayerX/CodecEvents.h>

#include <QDir>
#include <QFile>
#include <QFileOpenEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>

#include <memory>

namespace {

using CodecTest::StandinScript;
using CodecTest::waitFor;
using MovraPlayerX::GetCodecEvent;
using MovraPlayerX::LoadingCodecWidget;
using MovraPlayerX::MovraPlayerApp;
using MovraPlayerX::NeedCodecEvent;

MovraPlayerApp* app()
{
    return static_cast<MovraPlayerApp*>(QCoreApplication::instance());
}

// What reaches the application object, in order.
class EventLog : public QObject
{
public:
    EventLog() { app()->installEventFilter(this); }
    ~EventLog() override { app()->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != app())
            return false;
        if (event->type() == QEvent::FileOpen)
            lines << QStringLiteral("open ") + static_cast<QFileOpenEvent*>(event)->file();
        if (static_cast<int>(event->type()) == NeedCodecEvent::EventType)
            requests << event;
        return false;
    }

    QStringList lines;
    QList<QEvent*> requests;
};

// What the player window shows: disabled while a codec installs, the panel on it excepted.
QWidget* contents(const std::unique_ptr<QWidget>& window)
{
    return window->findChild<QWidget*>(QStringLiteral("content"));
}

// Records when the window's contents are disabled or enabled and when the panel leaves it.
class WindowLog : public QObject
{
public:
    WindowLog(QWidget* window, QStringList& lines) : m_lines(lines)
    {
        window->installEventFilter(this);
        window->findChild<QWidget*>(QStringLiteral("content"))->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange)
            m_lines << (static_cast<QWidget*>(watched)->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled"));
        if (event->type() == QEvent::ChildRemoved
            && static_cast<QChildEvent*>(event)->child()->objectName() == QLatin1String("LoadingCodecWidget"))
            m_lines << QStringLiteral("panel removed");
        return false;
    }

private:
    QStringList& m_lines;
};

LoadingCodecWidget* panel()
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* found = qobject_cast<LoadingCodecWidget*>(widget))
            return found;
    }
    return nullptr;
}

class CodecAppTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CodecTest::writeInstallRecord(QStringLiteral("MovraComponentManager"), QStringLiteral("InstallDir"),
                                      CodecTest::standinFolder(QStringLiteral("full")));
    }

    void TearDown() override
    {
        // Back to idle: no worker, no panel, no request, no report still queued.
        EXPECT_TRUE(waitFor([] { return mcm::runningInstalls() == 0; }, 15000));
        app()->closeCodecWidget();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::removePostedEvents(app());
    }

    std::unique_ptr<QWidget> playerWindow()
    {
        auto window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("MovraPlayerWindow"));
        window->resize(640, 360);
        // As the player shows it while a decoder is missing: a line across most of the window.
        auto* content = new QLabel(QStringLiteral("Waiting for the H.264 decoder to be installed… (a long line)"),
                                   window.get());
        content->setObjectName(QStringLiteral("content"));
        content->setGeometry(20, 170, 600, 20);
        window->show();
        return window;
    }

    static void request(int kind, const QUrl& url = QUrl(QStringLiteral("file:///media/clip.mkv")))
    {
        QCoreApplication::postEvent(app(), new NeedCodecEvent(url, kind));
    }

    // Until the panel shows a status other than downloading.
    static bool waitForOutcome()
    {
        return waitFor([] { return panel() && panel()->errorCode() != 0; });
    }
};

struct KindRow
{
    const char* name;
    int kind;
    const char* spec;
};

// Test names carry the row name; this keeps the raw bytes out of them.
void PrintTo(const KindRow& row, std::ostream* out)
{
    *out << row.name;
}

class RequestKind : public CodecAppTest, public ::testing::WithParamInterface<KindRow>
{
};

TEST_P(RequestKind, AsksForItsDecoder)
{
    const KindRow& row = GetParam();
    StandinScript script(QStringLiteral("none"));
    auto window = playerWindow();
    request(row.kind);
    if (!row.spec) {
        // Unknown kinds start nothing at all: once the request is handled, nothing is pending.
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(panel(), nullptr);
        EXPECT_TRUE(contents(window)->isEnabled());
        EXPECT_EQ(app()->pendingCodecInstall(), nullptr);
        EXPECT_TRUE(script.calls().isEmpty());
        return;
    }
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(panel()->errorCode(), mcm::kNothingToInstall);
    EXPECT_TRUE(script.calls().contains(QString::fromLatin1(row.spec)));
    EXPECT_FALSE(script.calls().join(QLatin1Char('|')).contains(QStringLiteral("MCM_UpdateComponents")));
    EXPECT_TRUE(contents(window)->isEnabled());
    EXPECT_EQ(panel()->parentWidget(), window.get());
}

INSTANTIATE_TEST_SUITE_P(Rows, RequestKind,
                         ::testing::Values(KindRow{"Avc", 0, "MCM_AddSpec MPC;video_decoder.avc;3.1.0"},
                                           KindRow{"Hevc", 1, "MCM_AddSpec MPC;video_decoder.hevc;3.1.0"},
                                           KindRow{"Mpeg4", 2, "MCM_AddSpec MPC;video_decoder.mpeg4;3.1.0"},
                                           KindRow{"Three", 3, nullptr}, KindRow{"MinusOne", -1, nullptr}),
                         [](const ::testing::TestParamInfo<KindRow>& info) { return std::string(info.param.name); });

TEST_F(CodecAppTest, EventsOfTheseTypesButAnotherClassAreIgnored)
{
    StandinScript script(QStringLiteral("ok"));
    auto window = playerWindow();
    QCoreApplication::postEvent(app(), new QEvent(static_cast<QEvent::Type>(NeedCodecEvent::EventType)));
    QCoreApplication::postEvent(app(), new QEvent(static_cast<QEvent::Type>(1008)));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(panel(), nullptr);
    EXPECT_TRUE(contents(window)->isEnabled());
    EXPECT_TRUE(script.calls().isEmpty());
}

TEST_F(CodecAppTest, DisablesThePlayerWindowWhileInstallingEvenWhenAnotherIsActive)
{
    StandinScript script(QStringLiteral("hold+update:27"));
    auto other = std::make_unique<QWidget>();
    other->show();
    QApplication::setActiveWindow(other.get());
    auto window = playerWindow();
    request(0);
    ASSERT_TRUE(waitFor([] { return panel() != nullptr; }));
    EXPECT_FALSE(contents(window)->isEnabled());
    EXPECT_TRUE(window->isEnabled()) << "the panel on it must stay usable";
    EXPECT_TRUE(panel()->isEnabled());
    EXPECT_TRUE(other->isEnabled());
    EXPECT_EQ(panel()->parentWidget(), window.get());
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_TRUE(panel()->findChild<QLabel*>(QStringLiteral("animationLabel"))->isVisible());
    // Nothing of the line beneath shows beside the panel.
    const QRect line = contents(window)->geometry();
    EXPECT_LE(panel()->geometry().left(), line.left());
    EXPECT_GE(panel()->geometry().right(), line.right());
    EXPECT_TRUE(panel()->geometry().contains(line.center()));
}

// Cancel while downloading: the transfer is given up at once, the panel goes, the window is
// usable again, and the worker's late report (29) brings no error panel back.
TEST_F(CodecAppTest, CancelWhileDownloadingEndsTheTransferAndClosesThePanel)
{
    StandinScript script(QStringLiteral("sleep:60000"));
    auto window = playerWindow();
    EventLog events;
    request(0);
    ASSERT_TRUE(waitFor([&] { return script.calls().contains(QStringLiteral("MCM_UpdateComponents MPC")); }));
    QPointer<LoadingCodecWidget> shown = panel();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->errorCode(), 0);
    QPushButton* cancel = shown->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    ASSERT_TRUE(cancel->isVisible());
    ASSERT_TRUE(cancel->isEnabled());
    cancel->click();
    EXPECT_FALSE(shown && shown->isVisible());
    EXPECT_EQ(app()->pendingCodecInstall(), nullptr);
    EXPECT_TRUE(contents(window)->isEnabled());
    // Well before the minute the stand-in would otherwise take.
    ASSERT_TRUE(waitFor([] { return mcm::runningInstalls() == 0; }, 15000));
    EXPECT_TRUE(script.calls().contains(QStringLiteral("MCM_Cancel")));
    EXPECT_TRUE(script.calls().contains(QStringLiteral("MCM_UpdateComponents cancelled")));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(panel(), nullptr);
    EXPECT_TRUE(events.lines.isEmpty());
    EXPECT_TRUE(contents(window)->isEnabled());
}

TEST_F(CodecAppTest, WithoutAnyWindowThePanelStandsAlone)
{
    StandinScript script(QStringLiteral("none"));
    QApplication::setActiveWindow(nullptr);
    request(0);
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(panel()->parentWidget(), nullptr);
    EXPECT_TRUE(panel()->isWindow());
}

TEST_F(CodecAppTest, SuccessReopensTheAddressThenClosesThePanelThenEnablesTheWindow)
{
    StandinScript script(QStringLiteral("ok"));
    auto window = playerWindow();
    EventLog events;
    QStringList order;
    WindowLog windowLog(window.get(), order);
    // An address that is not a local file must come back as itself.
    request(1, QUrl::fromEncoded("http://media.example/clip%20one.mkv?x=1"));
    ASSERT_TRUE(waitFor([&] { return !events.lines.isEmpty(); }));
    ASSERT_TRUE(waitFor([&] { return order.size() >= 3; }));
    EXPECT_EQ(events.lines, QStringList{QStringLiteral("open http://media.example/clip%20one.mkv?x=1")});
    EXPECT_EQ(order, (QStringList{QStringLiteral("disabled"), QStringLiteral("panel removed"), QStringLiteral("enabled")}));
    EXPECT_EQ(panel(), nullptr);
    EXPECT_EQ(app()->pendingCodecInstall(), nullptr);
}

TEST_F(CodecAppTest, SuccessWithoutARequestOpensNothing)
{
    auto window = playerWindow();
    EventLog events;
    app()->showCodecWidget(27);
    window->setEnabled(false);
    GetCodecEvent report(0, 0);
    app()->handleGetCodecEvent(&report);
    EXPECT_TRUE(events.lines.isEmpty());
    EXPECT_EQ(panel(), nullptr);
}

TEST_F(CodecAppTest, TryAgainRepostsTheKeptRequestItself)
{
    StandinScript script(QStringLiteral("update:27,ok"));
    auto window = playerWindow();
    EventLog events;
    request(0);
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(panel()->errorCode(), 27);
    EXPECT_TRUE(contents(window)->isEnabled());
    const NeedCodecEvent* kept = app()->pendingCodecInstall();
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(events.requests.size(), 1);
    EXPECT_NE(events.requests[0], kept) << "a copy is kept, not the plug-in's event";

    panel()->findChild<QPushButton*>(QStringLiteral("acceptButton"))->click();
    EXPECT_EQ(app()->pendingCodecInstall(), nullptr) << "the request is in the queue";
    EXPECT_EQ(panel()->errorCode(), 0);
    ASSERT_TRUE(waitFor([&] { return events.requests.size() == 2; }));
    EXPECT_EQ(events.requests[1], kept);
    ASSERT_TRUE(waitFor([&] { return !events.lines.isEmpty(); }));
    EXPECT_EQ(events.lines, QStringList{QStringLiteral("open /media/clip.mkv")});
}

TEST_F(CodecAppTest, CancelDropsTheRequestAndLeavesTheWindowEnabled)
{
    StandinScript script(QStringLiteral("find:27"));
    auto window = playerWindow();
    EventLog events;
    request(0);
    ASSERT_TRUE(waitForOutcome());
    QPointer<LoadingCodecWidget> shown = panel();
    shown->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    EXPECT_EQ(app()->pendingCodecInstall(), nullptr);
    EXPECT_FALSE(shown && shown->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(shown.isNull());
    waitFor([] { return false; }, 100);
    EXPECT_TRUE(events.lines.isEmpty());
    EXPECT_TRUE(contents(window)->isEnabled());
}

TEST_F(CodecAppTest, SecondRequestWhileInstallingStartsASecondWorkerOnOnePanel)
{
    StandinScript script(QStringLiteral("hold,none"));
    auto window = playerWindow();
    request(0);
    ASSERT_TRUE(waitFor([&] { return script.calls().contains(QStringLiteral("MCM_UpdateComponents MPC")); }));
    LoadingCodecWidget* first = panel();
    request(2, QUrl(QStringLiteral("file:///media/second.avi")));
    ASSERT_TRUE(waitFor([&] { return script.calls().count(QStringLiteral("MCM_Initialize")) == 2; }));
    EXPECT_EQ(panel(), first);
    EXPECT_EQ(app()->pendingCodecInstall()->url, QUrl(QStringLiteral("file:///media/second.avi")));
    int panels = 0;
    for (QWidget* widget : QApplication::allWidgets())
        panels += qobject_cast<LoadingCodecWidget*>(widget) != nullptr;
    EXPECT_EQ(panels, 1);
    script.release();
    ASSERT_TRUE(waitFor([&] { return script.calls().count(QStringLiteral("MCM_Shutdown")) == 2; }));
}

TEST_F(CodecAppTest, PlayerWindowDestroyedDuringTheInstall)
{
    StandinScript script(QStringLiteral("hold+update:27"));
    auto window = playerWindow();
    request(0);
    ASSERT_TRUE(waitFor([] { return panel() != nullptr; }));
    window.reset();  // takes the panel with it
    EXPECT_EQ(panel(), nullptr);
    script.release();
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(panel()->errorCode(), 27);
}

// "Nothing to install" while the decoder's component is installed, as an install by another
// process since the start leaves it: a component folder this run never registered.
class InstalledComponent : public CodecAppTest
{
protected:
    void TearDown() override
    {
        CodecAppTest::TearDown();
        for (const char* name : {"AVCCodec", "HEVCCodec"})
            CodecTest::removeInstallRecord(QString::fromLatin1(name));
    }

    // The test decoder in a component folder of its own, with the records an install writes.
    QString install(const QString& name, bool withVersion = true)
    {
        const QString folder = components.filePath(name);
        EXPECT_TRUE(QDir().mkpath(folder));
        for (const char* file : {"/CodecTestDecoder.so", "/CodecTestDecoder.xml"})
            QFile::copy(QStringLiteral(CODEC_DECODER_DIR) + QLatin1String(file), folder + QLatin1String(file));
        CodecTest::writeInstallRecord(name, QStringLiteral("InstallDir"), folder);
        if (withVersion)
            CodecTest::writeInstallRecord(name, QStringLiteral("Version"), QStringLiteral("1.0"));
        return folder;
    }

    static bool farmKnowsTheDecoder()
    {
        MSE::List<MSE::PluginInfo*> infos;
        return app()->pluginContext()->getPluginInfos(&infos, MSE::PluginContext::PluginNameFilter("test.codec.decoder"))
                   == 0
               && infos.size() == 1;
    }

    QTemporaryDir components;
};

TEST_F(InstalledComponent, RescansAndReopensOnceThenShowsTheMessage)
{
    StandinScript script(QStringLiteral("none,none"));
    install(QStringLiteral("AVCCodec"));
    auto window = playerWindow();
    EventLog events;
    request(0);
    ASSERT_TRUE(waitFor([&] { return !events.lines.isEmpty(); }));
    EXPECT_EQ(events.lines, QStringList{QStringLiteral("open /media/clip.mkv")});
    EXPECT_EQ(panel(), nullptr);
    EXPECT_EQ(app()->pendingCodecInstall(), nullptr);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(farmKnowsTheDecoder());

    // The reopened file asks again (its decoder did not serve it after all): the message now,
    // not another round.
    request(0);
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(panel()->errorCode(), mcm::kNothingToInstall);
    EXPECT_EQ(events.lines.size(), 1);
    EXPECT_TRUE(window->isEnabled());
}

struct NotInstalledRow
{
    const char* name;
    const char* component;  // installed before the request, if any
    bool withVersion;
    bool folderRemoved;
};

void PrintTo(const NotInstalledRow& row, std::ostream* out)
{
    *out << row.name;
}

class NotInstalled : public InstalledComponent, public ::testing::WithParamInterface<NotInstalledRow>
{
};

// An H.264 request whose decoder is not installed as an install leaves it gets the message.
TEST_P(NotInstalled, ShowsTheMessage)
{
    const NotInstalledRow& row = GetParam();
    StandinScript script(QStringLiteral("none"));
    if (row.component) {
        const QString folder = install(QString::fromLatin1(row.component), row.withVersion);
        if (row.folderRemoved)
            QDir(folder).removeRecursively();
    }
    auto window = playerWindow();
    EventLog events;
    request(0);
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(panel()->errorCode(), mcm::kNothingToInstall);
    EXPECT_TRUE(events.lines.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rows, NotInstalled,
                         ::testing::Values(NotInstalledRow{"NoRecord", nullptr, true, false},
                                           NotInstalledRow{"AnotherDecoder", "HEVCCodec", true, false},
                                           NotInstalledRow{"NoVersion", "AVCCodec", false, false},
                                           NotInstalledRow{"FolderGone", "AVCCodec", true, true}),
                         [](const ::testing::TestParamInfo<NotInstalledRow>& info) { return std::string(info.param.name); });

} // namespace
