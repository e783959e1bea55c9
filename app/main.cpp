// Start-up: the main window, the event loop, and an immediate end when the window closes.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "MainWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    auto* window = new marksheet::MainWindow;  // deletes itself when closed
    window->show();
    const int status = QApplication::exec();
    // Readers may still be running, even waiting for the main thread that no longer answers. End
    // the process here, before any destructor could pull the application or the canvas from
    // under them.
    std::fflush(nullptr);
    std::_Exit(status);
}
