// Runs the window tests on one application object; or, as a child process, closes a window while
// its readers run and ends the way the program does; or saves a screenshot of a reading.
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "MainWindow.h"
#include "WindowFixture.h"

namespace marksheet::testing {
int RunWindowTests(int argc, char* argv[]);
int RunCommandsTests(int argc, char* argv[]);
int RunResultBoxesTests(int argc, char* argv[]);

namespace {

// Three pairs of readers start; the main thread then stays busy long enough for them to be waiting
// on it with their first appends (and the later pairs on the reader's locks), and the window is
// closed with Esc in that state. The process must end by itself, with status 0.
[[noreturn]] void CloseWhileReading() {
    auto* window = new MainWindow;
    window->show();
    QTimer::singleShot(50, window, [window] {
        for (int press = 0; press < 3; ++press) QTest::mouseClick(RecognizeButton(window), Qt::LeftButton);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        QTest::keyClick(NumberBox(window), Qt::Key_Escape);
    });
    const int status = QApplication::exec();
    std::fflush(nullptr);
    std::_Exit(status);
}

// Shows the window on the display at hand, reads the built-in sample as a user would, and saves
// what the screen shows of the window (docs/window.png is made this way under Xvfb).
int SaveScreenshotAfterReading(const QString& path) {
    WindowUnderTest window;
    if (!QTest::qWaitForWindowExposed(window.get())) return 1;
    QTest::mouseClick(RecognizeButton(window.get()), Qt::LeftButton);
    if (!window.WaitForReadings()) return 1;
    QTest::qWait(200);  // let the last appends and drawings reach the screen
    const QRect frame = window->frameGeometry();
    const QPixmap shot = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return shot.save(path) ? 0 : 1;
}

}  // namespace
}  // namespace marksheet::testing

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc > 1 && std::string_view(argv[1]) == "--close-while-reading")
        marksheet::testing::CloseWhileReading();
    if (argc > 2 && std::string_view(argv[1]) == "--screenshot")
        return marksheet::testing::SaveScreenshotAfterReading(QString::fromLocal8Bit(argv[2]));
    int failed = 0;
    failed += marksheet::testing::RunResultBoxesTests(argc, argv) != 0;
    failed += marksheet::testing::RunWindowTests(argc, argv) != 0;
    failed += marksheet::testing::RunCommandsTests(argc, argv) != 0;
    return failed == 0 ? 0 : 1;
}
