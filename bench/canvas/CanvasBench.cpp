// What the canvas costs: ReadPixel alone and while another thread draws on the same canvas (the
// engine makes thousands of live reads per sheet), and decoding, shrinking and showing an A4 scan.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <atomic>
#include <string_view>
#include <thread>

#include "SampleSheet.h"
#include "SheetCanvas.h"

namespace marksheet {
namespace {

constexpr CanvasColour Grey = 0x00C8D0D4;

// An A4 page scanned at 300 dpi (2480 x 3508): white paper with dark boxes and lines, roughly a sheet.
std::vector<std::uint8_t> A4Scan(const char* format) {
    QImage page(2480, 3508, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setPen(QPen(Qt::black, 3));
    for (int row = 0; row < 40; ++row)
        for (int column = 0; column < 25; ++column)
            painter.drawRect(200 + column * 80, 900 + row * 60, 50, 35);
    painter.fillRect(150, 850, 40, 40, Qt::black);
    painter.fillRect(2250, 3350, 40, 40, Qt::black);
    for (int line = 0; line < 10; ++line) painter.drawLine(200, 200 + line * 50, 2200, 200 + line * 50);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    page.save(&buffer, format, std::string_view(format) == "JPG" ? 90 : -1);
    return {bytes.begin(), bytes.end()};
}

SheetCanvas& ShownCanvas() {
    static SheetCanvas canvas(Grey);
    static const bool shown = [] {
        const auto scan = A4Scan("PNG");
        canvas.SetPicture(scan);
        canvas.Repaint();
        return true;
    }();
    (void)shown;
    return canvas;
}

void ReadPixelAlone(benchmark::State& state) {
    SheetCanvas& canvas = ShownCanvas();
    int x = 0, y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(canvas.ReadPixel(x, y));
        if (++x == CanvasWidth) x = 0, y = (y + 7) % CanvasHeight;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ReadPixelAlone);

// The engine's two workers: one reads while the other draws lines and points on the same canvas.
void ReadPixelWhileAnotherThreadDraws(benchmark::State& state) {
    SheetCanvas& canvas = ShownCanvas();
    std::atomic<bool> stop{false};
    std::atomic<long> drawings{0};
    std::thread drawer([&] {
        int i = 0;
        while (!stop.load(std::memory_order_relaxed)) {
            const int y = i % CanvasHeight;
            canvas.DrawLine(10, y, 390, y);
            canvas.DrawPoint(i % CanvasWidth, y, 50);
            ++i;
            drawings.fetch_add(2, std::memory_order_relaxed);
        }
    });
    int x = 0, y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(canvas.ReadPixel(x, y));
        if (++x == CanvasWidth) x = 0, y = (y + 7) % CanvasHeight;
    }
    stop = true;
    drawer.join();
    state.SetItemsProcessed(state.iterations());
    state.counters["drawings/s"] =
        benchmark::Counter(static_cast<double>(drawings.load()), benchmark::Counter::kIsRate);
}
BENCHMARK(ReadPixelWhileAnotherThreadDraws)->UseRealTime();

// SetPicture then the first repaint: decode, dark-preserving shrink to 353 x 500, paint the canvas.
void ShowA4Scan(benchmark::State& state, const char* format) {
    const std::vector<std::uint8_t> scan = A4Scan(format);
    SheetCanvas canvas(Grey);
    for (auto _ : state) {
        canvas.SetPicture(scan);
        canvas.Repaint();
        if (canvas.LastDecodeError()) state.SkipWithError("the scan did not decode");
    }
    state.counters["file_kB"] = static_cast<double>(scan.size()) / 1024;
}
BENCHMARK_CAPTURE(ShowA4Scan, jpeg_300dpi, "JPG")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ShowA4Scan, png_300dpi, "PNG")->Unit(benchmark::kMillisecond);

// The scan the batch benchmark reads: A4 at 200 dpi (1654 x 2339), JPEG quality 85.
std::vector<std::uint8_t> A4Scan200dpiJpeg() {
    const QImage page =
        QImage::fromData(A4Scan("PNG")).scaled(1654, 2339, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    page.save(&buffer, "JPG", 85);
    return {bytes.begin(), bytes.end()};
}

void ShowA4Scan200dpi(benchmark::State& state) {
    const std::vector<std::uint8_t> scan = A4Scan200dpiJpeg();
    SheetCanvas canvas(Grey);
    for (auto _ : state) {
        canvas.SetPicture(scan);
        canvas.Repaint();
        if (canvas.LastDecodeError()) state.SkipWithError("the scan did not decode");
    }
    state.counters["file_kB"] = static_cast<double>(scan.size()) / 1024;
}
BENCHMARK(ShowA4Scan200dpi)->Unit(benchmark::kMillisecond);

// The built-in sample: SetPicture and the first repaint, as at the window's start.
void ShowBuiltInSample(benchmark::State& state) {
    SheetCanvas canvas(Grey);
    for (auto _ : state) {
        canvas.SetPicture(SampleSheetBytes());
        canvas.Repaint();
    }
}
BENCHMARK(ShowBuiltInSample)->Unit(benchmark::kMicrosecond);

// A whole repaint of a picture already decoded (the window uncovered): no decoding, only painting.
void RepaintDecoded(benchmark::State& state) {
    SheetCanvas canvas(Grey);
    canvas.SetPicture(SampleSheetBytes());
    canvas.Repaint();
    for (auto _ : state) {
        canvas.Invalidate(WholeCanvas);
        benchmark::DoNotOptimize(canvas.Repaint());
    }
}
BENCHMARK(RepaintDecoded)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace marksheet
