// The application object under test is the process's one QApplication.
#include "shell/movraplayerapp.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A registry of this run's own, so settings written by one run never leak into another.
    QTemporaryDir registry;
    qputenv("MOVRA_REGISTRY_DIR", registry.path().toUtf8());
    // Maintenance requests set the user's default programs: never in the real user's folders.
    QTemporaryDir desktop;
    qputenv("XDG_DATA_HOME", (desktop.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (desktop.path() + QStringLiteral("/config")).toUtf8());
    QTemporaryDir logs;
    qputenv("MOVRA_TEST_PLUGIN_LOG", (logs.path() + QStringLiteral("/plugins.log")).toUtf8());
    MovraPlayerX::MovraPlayerApp app(argc, argv);
    return RUN_ALL_TESTS();
}
