// The application object under test is the process's one QApplication.
#include "settings/registrysandbox.h"
#include "shell/movraplayerapp.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    RegistrySandbox registry;
    MovraPlayerX::MovraPlayerApp app(argc, argv);
    return RUN_ALL_TESTS();
}
