// Runs the window tests on one application object; or, as a child process, closes a window while
// its readers run and ends the way the program does, or times one reading; or saves a screenshot of a
// reading.
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>

#include "MainWindow.h"
#include "WindowFixture.h"

namespace marksheet::testing {
int RunWindowTests(int argc, char* argv[]);
int RunCommandsTests(int argc, char* argv[]);
int RunResultBoxesTests(int argc, char* argv[]);

namespace {

// The event loop's end, as the program has it: flush what was printed, then end at once, whatever
// the readers are doing.
[[noreturn]] void EndLikeTheProgram() {
    const int status = QApplication::exec();
    std::fflush(nullptr);
    std::_Exit(status);
}

// System-wide monotonic time, so that the parent process can compare it with its own clock.
long long MonotonicMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// Three pairs of readers start; the main thread then stays busy long enough for them to be waiting
// on it with their first appends (and the later pairs on the reader's locks), and the window is
// closed with Esc in that state. The process must end by itself, with status 0.
[[noreturn]] void CloseWhileReading() {
    auto* window = new MainWindow;
    window->show();
    // Esc is a shortcut of the active window: pressed before the window is active (a loaded machine
    // can take longer than any fixed pause), it would be lost and the window never closed.
    if (!QTest::qWaitForWindowActive(window)) std::_Exit(3);
    QTimer::singleShot(0, window, [window] {
        for (int press = 0; press < 3; ++press) QTest::mouseClick(RecognizeButton(window), Qt::LeftButton);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        QTest::keyClick(NumberBox(window), Qt::Key_Escape);
    });
    EndLikeTheProgram();
}

// One press of the recognise button once the sheet is shown, then Esc after delayUs microseconds.
// "busy": the main thread sleeps through the delay, so a reader that reaches an edit box meanwhile
// is blocked waiting for it when the window closes. "live": the event loop runs through the delay,
// so the readers read, draw and append until the close. Prints "close <time>" (MonotonicMicroseconds)
// just before Esc, for the parent to time the exit.
[[noreturn]] void CloseAfter(long long delayUs, bool busy) {
    auto* window = new MainWindow;
    window->show();
    if (!QTest::qWaitForWindowActive(window)) std::_Exit(3);  // else Esc, a window shortcut, is lost
    SheetCanvas& canvas = window->Session()->canvas;
    if (!QTest::qWaitFor([&] { return !canvas.RepaintPending(); })) std::_Exit(3);
    auto close = [window] {
        std::printf("close %lld\n", MonotonicMicroseconds());
        std::fflush(stdout);
        QTest::keyClick(NumberBox(window), Qt::Key_Escape);
    };
    QTimer::singleShot(0, window, [=] {
        QTest::mouseClick(RecognizeButton(window), Qt::LeftButton);
        if (busy) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            close();
        } else {
            QTimer::singleShot(std::chrono::milliseconds(delayUs / 1000), Qt::PreciseTimer, window, close);
        }
    });
    EndLikeTheProgram();
}

// Prints "recognition <microseconds>": one press of the recognise button on the shown sample sheet
// until both readers have let go of the window, so the parent can spread its closing moments over it.
[[noreturn]] void TimeOneRecognition() {
    auto* window = new MainWindow;
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) std::_Exit(3);
    const std::weak_ptr<SheetSession> session = window->Session();
    const long idle = session.use_count();
    if (!QTest::qWaitFor([&] { return !window->Session()->canvas.RepaintPending(); })) std::_Exit(3);
    const long long start = MonotonicMicroseconds();
    QTest::mouseClick(RecognizeButton(window), Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return session.use_count() <= idle; }, 60000)) std::_Exit(4);
    std::printf("recognition %lld\n", MonotonicMicroseconds() - start);
    QTimer::singleShot(0, window, &QWidget::close);  // inside the event loop, so that it ends it
    EndLikeTheProgram();
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
    // Child modes, started by the closing tests; each ends the process the way the program does.
    if (argc > 1 && std::string_view(argv[1]) == "--close-while-reading") {
        if (argc > 3)
            marksheet::testing::CloseAfter(std::stoll(argv[2]), std::string_view(argv[3]) == "busy");
        marksheet::testing::CloseWhileReading();
    }
    if (argc > 1 && std::string_view(argv[1]) == "--time-recognition")
        marksheet::testing::TimeOneRecognition();
    if (argc > 2 && std::string_view(argv[1]) == "--screenshot")
        return marksheet::testing::SaveScreenshotAfterReading(QString::fromLocal8Bit(argv[2]));
    int failed = 0;
    failed += marksheet::testing::RunResultBoxesTests(argc, argv) != 0;
    failed += marksheet::testing::RunWindowTests(argc, argv) != 0;
    failed += marksheet::testing::RunCommandsTests(argc, argv) != 0;
    return failed == 0 ? 0 : 1;
}
