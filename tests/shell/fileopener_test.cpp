#include "framework/farm.h"
#include "pluginlog.h"
#include "shell/delayedfileopener.h"

#include <QCoreApplication>
#include <QUrl>

#include <gtest/gtest.h>

using MovraPlayerX::DelayedFileOpener;
using ShellTest::clearPluginLog;
using ShellTest::linesOf;
using ShellTest::readPluginLog;

namespace {

MSE::movra_string<wchar_t> wide(const QString& text)
{
    return MSE::movra_string<wchar_t>(text.toStdWString().c_str());
}

TEST(DelayedFileOpener, KeepsAddressesUntilAReceiverExistsThenDeliversThemInOrder)
{
    MSE::Farm farm;  // empty: nobody receives addresses yet
    clearPluginLog();
    auto* opener = new DelayedFileOpener(&farm);
    opener->enqueue(QUrl("file:///one.mkv"));
    opener->enqueue(QUrl("http://two/"));
    opener->openFiles();
    opener->enqueue(QUrl("file:///three.mkv"));
    opener->openFiles();
    EXPECT_EQ(opener->pendingCount(), 3);

    ASSERT_EQ(farm.addPlugin(wide(QStringLiteral(SHELL_TEST_PLUGIN_DIR)), wide(QStringLiteral("TestView.so"))), 0);
    opener->openFiles();
    EXPECT_EQ(opener->pendingCount(), 0);
    opener->openFiles();  // nothing left: nothing more is delivered
    EXPECT_EQ(linesOf(readPluginLog(), "test.view").filter(QStringLiteral("openUri")),
              QStringList({"openUri file:///one.mkv", "openUri http://two/", "openUri file:///three.mkv"}));

    // The opener gives its receiver back; only then may the farm go.
    delete opener;
}

TEST(DelayedFileOpener, EmptyQueueObtainsTheReceiverAndDeliversNothing)
{
    MSE::Farm farm;
    ASSERT_EQ(farm.addPlugin(wide(QStringLiteral(SHELL_TEST_PLUGIN_DIR)), wide(QStringLiteral("TestView.so"))), 0);
    clearPluginLog();
    {
        DelayedFileOpener opener(&farm);
        opener.openFiles();
    }
    const QStringList lines = linesOf(readPluginLog(), "test.view");
    EXPECT_TRUE(lines.contains("created"));
    EXPECT_TRUE(lines.filter(QStringLiteral("openUri")).isEmpty());
    EXPECT_TRUE(lines.contains("destroyed"));
}

} // namespace
