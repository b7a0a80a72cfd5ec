// main() for tests that show widgets on a real X display: one Xvfb with openbox for the whole
// executable, started before the QApplication so that it connects there. Without Xvfb the
// tests run offscreen and those needing X skip (MOVRA_REQUIRE_X) with the reason.
#include "support/xdisplay.h"

#include <QApplication>

#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery) needs no display and must not start one.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QString why;
    std::unique_ptr<movratest::XDisplay> display = movratest::XDisplay::start(QSize(1280, 720), &why);
    if (display) {
        qputenv("DISPLAY", display->name().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
        movratest::XDisplay::setShared(display.get());
    } else {
        std::fprintf(stderr, "x_test_main: no X display (%s); tests needing one skip\n", qPrintable(why));
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
