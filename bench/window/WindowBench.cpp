// Window figures: start to first shown sheet, press of the recognise button to the last append,
// and peak memory. Printed, never asserted; runs on the offscreen platform when there is no display.
#include <sys/resource.h>

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "MainWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Notes when the canvas widget has finished a paint.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The paint runs right after this, inside the same dispatch; the caller's processEvents
        // returns only once it is done, decoding and drawing of the sheet included.
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            painted = true;
        }
        return false;
    }
};

// Shows a new window and waits until its canvas has shown the sheet; returns the time taken.
double ShowWindow(std::unique_ptr<marksheet::MainWindow>& window, Clock::time_point since) {
    window = std::make_unique<marksheet::MainWindow>();
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    PaintWatch watch;
    window->findChild<QWidget*>(QStringLiteral("画板1"))->installEventFilter(&watch);
    window->show();
    while (!watch.painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return Milliseconds(Clock::now() - since);
}

// Presses 按钮1 and waits until both readers have let go of the window: the last append is shown.
double PressToLastAppend(marksheet::MainWindow& window) {
    const long idle = window.Session().use_count();
    auto* button = window.findChild<QPushButton*>(QStringLiteral("按钮1"));
    const auto start = Clock::now();
    QTest::mouseClick(button, Qt::LeftButton);
    while (window.Session().use_count() > idle) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return Milliseconds(Clock::now() - start);
}

}  // namespace

int main(int argc, char* argv[]) {
    const auto start = Clock::now();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

    std::unique_ptr<marksheet::MainWindow> window;
    std::printf("start to first shown sheet: %.1f ms (application, window, decoding and first paint)\n",
                ShowWindow(window, start));

    std::vector<double> reopen;
    for (int i = 0; i < 5; ++i) {
        window.reset();
        reopen.push_back(ShowWindow(window, Clock::now()));
    }
    std::printf("another window to its first shown sheet: median %.1f ms of %zu\n", Median(reopen),
                reopen.size());

    constexpr int presses = 20;
    std::vector<double> reading;
    for (int i = 0; i < presses; ++i) {
        window->Session()->boxes.WriteText(marksheet::ResultBox::Number, "");
        window->Session()->boxes.WriteText(marksheet::ResultBox::Answers, "");
        reading.push_back(PressToLastAppend(*window));
    }
    std::printf("press of 识别答题卡 to the last append: median %.1f ms, slowest %.1f ms of %d presses\n",
                Median(reading), *std::max_element(reading.begin(), reading.end()), presses);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MiB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::fflush(nullptr);
    std::_Exit(0);
}
