// The reference of the start-up figures: a bare Qt program that shows the same window as
// the plain view plug-in and quits.

#include "benchwindow.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    MovraBench::showBenchWindow();
    return QApplication::exec();
}
