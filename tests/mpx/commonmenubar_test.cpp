#include "framework/farm.h"
#include "mpx/commonmenubar.h"

#include <QMenuBar>
#include <QPointer>
#include <gtest/gtest.h>

#include <thread>

using MovraPlayerX::CommonMenuBar;

namespace {

TEST(CommonMenuBar, OneParentlessMenuBarUntilReleased)
{
    MSE::Farm farm;
    CommonMenuBar::init(&farm);
    EXPECT_EQ(CommonMenuBar::pluginContext(), &farm);

    QPointer<QMenuBar> bar = CommonMenuBar::menuBar();
    ASSERT_FALSE(bar.isNull());
    EXPECT_EQ(bar->parent(), nullptr);
    EXPECT_EQ(CommonMenuBar::menuBar(), bar.data());

    CommonMenuBar::init(nullptr); // a new context keeps the bar plug-ins already filled
    EXPECT_EQ(CommonMenuBar::pluginContext(), nullptr);
    EXPECT_EQ(CommonMenuBar::menuBar(), bar.data());

    CommonMenuBar::release();
    EXPECT_TRUE(bar.isNull());
    CommonMenuBar::release(); // nothing left: harmless

    QPointer<QMenuBar> again = CommonMenuBar::menuBar();
    ASSERT_FALSE(again.isNull());
    delete again.data(); // someone else deleting it is noticed
    EXPECT_NE(CommonMenuBar::menuBar(), nullptr);
    CommonMenuBar::release();
}

TEST(CommonMenuBar, NoWidgetOffTheGuiThread)
{
    QMenuBar* fromWorker = reinterpret_cast<QMenuBar*>(0x1);
    std::thread worker([&] { fromWorker = CommonMenuBar::menuBar(); });
    worker.join();
    EXPECT_EQ(fromWorker, nullptr);
}

} // namespace
