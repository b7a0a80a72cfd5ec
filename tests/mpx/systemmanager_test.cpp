#include "mpx/systemmanager.h"

#include <gtest/gtest.h>

using MovraPlayerX::SystemManager;

namespace {

// Without a session bus (the test environment has none) only the bookkeeping is kept.
class SystemManagerTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        manager.restoreScreensaver();
        manager.restoreSystemPowerManagement();
    }
    SystemManager& manager = SystemManager::Instance();
};

TEST_F(SystemManagerTest, InhibitionsAreHeldAndRestoredSeparately)
{
    EXPECT_FALSE(manager.isScreensaverInhibited());
    EXPECT_FALSE(manager.isPowerManagementInhibited());

    manager.inhibitScreensaver();
    EXPECT_TRUE(manager.isScreensaverInhibited());
    EXPECT_FALSE(manager.isPowerManagementInhibited());

    manager.inhibitSystemPowerManagement(QStringLiteral("Playing a film"));
    manager.restoreScreensaver();
    EXPECT_FALSE(manager.isScreensaverInhibited());
    EXPECT_TRUE(manager.isPowerManagementInhibited());

    manager.restoreSystemPowerManagement();
    EXPECT_FALSE(manager.isPowerManagementInhibited());
}

TEST_F(SystemManagerTest, RepeatedRequestsNeedOneRestore)
{
    manager.inhibitScreensaver();
    manager.inhibitScreensaver();
    manager.restoreScreensaver();
    EXPECT_FALSE(manager.isScreensaverInhibited());
    manager.restoreScreensaver(); // nothing held: harmless
    manager.restoreSystemPowerManagement();
    EXPECT_FALSE(manager.isScreensaverInhibited());
    EXPECT_FALSE(manager.isPowerManagementInhibited());
}

} // namespace
