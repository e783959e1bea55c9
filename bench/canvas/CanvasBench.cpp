// The canvas's own costs: one live pixel read (alone and while another thread draws), and setting
// and repainting a picture (the built-in sample, and an A4 scan at 200 dpi as JPEG quality 85).
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <atomic>
#include <random>
#include <thread>

#include "SampleSheet.h"
#include "SheetCanvas.h"
#include "SheetGeometry.h"

namespace marksheet {
namespace {

constexpr CanvasColour Grey = 0x00C0C0C0;

// Reads walk the canvas as the readers do (column by column) so that no single line stays in cache
// by accident; every read is a live read under the canvas lock.
void ReadPixelAlone(benchmark::State& state) {
    SheetCanvas canvas(Grey);
    canvas.SetPicture(SampleSheetBytes());
    canvas.Repaint();
    int x = 0, y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(canvas.ReadPixel(x, y));
        if ((y += 7) >= CanvasHeight) {
            y -= CanvasHeight;
            if (++x == CanvasWidth) x = 0;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// The same reads while a second thread draws lines and points on the same canvas without pause:
// the cost of sharing the one lock (the window's two workers do this).
void ReadPixelWhileAnotherThreadDraws(benchmark::State& state) {
    SheetCanvas canvas(Grey);
    canvas.SetPicture(SampleSheetBytes());
    canvas.Repaint();
    std::atomic<bool> stop{false};
    std::atomic<long> drawings{0};
    std::thread drawer([&] {
        int i = 0;
        while (!stop.load(std::memory_order_relaxed)) {
            canvas.DrawLine(10, 100 + i % 300, 390, 100 + i % 300);
            canvas.DrawPoint(i % CanvasWidth, 50, CellMarkerColour);
            drawings.fetch_add(2, std::memory_order_relaxed);
            ++i;
        }
    });
    int x = 0, y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(canvas.ReadPixel(x, y));
        if ((y += 7) >= CanvasHeight) {
            y -= CanvasHeight;
            if (++x == CanvasWidth) x = 0;
        }
    }
    stop = true;
    drawer.join();
    state.SetItemsProcessed(state.iterations());
    state.counters["drawings"] =
        benchmark::Counter(static_cast<double>(drawings), benchmark::Counter::kAvgIterations);
}

// An A4 page at 200 dpi (1654 x 2339) with thin dark lines and filled boxes, as JPEG quality 85.
std::vector<std::uint8_t> A4ScanJpeg() {
    QImage page(1654, 2339, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    std::mt19937 random(2026);
    painter.setPen(QPen(QColor(200, 40, 40), 2));
    for (int x = 100; x < 1554; x += 40) painter.drawLine(x, 300, x, 2200);
    for (int y = 300; y < 2200; y += 40) painter.drawLine(100, y, 1554, y);
    for (int i = 0; i < 400; ++i)
        painter.fillRect(100 + 40 * static_cast<int>(random() % 36) + 6,
                         300 + 40 * static_cast<int>(random() % 47) + 6, 28, 28, Qt::black);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    writer.write(page);
    return {bytes.begin(), bytes.end()};
}

// SetPicture and the repaint that follows: decoding, shrinking to the shown size and painting the
// whole canvas, as after the user picks a file (and per file in the batch reader).
void DecodeAndRepaint(benchmark::State& state, std::vector<std::uint8_t> (*bytesOf)()) {
    const std::vector<std::uint8_t> bytes = bytesOf();
    SheetCanvas canvas(Grey);
    for (auto _ : state) {
        canvas.SetPicture(bytes);
        benchmark::DoNotOptimize(canvas.Repaint());
    }
    if (!canvas.Placement()) state.SkipWithError("the picture did not decode");
    state.counters["file_kB"] = static_cast<double>(bytes.size()) / 1000.0;
}

std::vector<std::uint8_t> SampleBytes() {
    const auto sample = SampleSheetBytes();
    return {sample.begin(), sample.end()};
}

// A repaint of the whole canvas with the picture already decoded (a window uncovered).
void RepaintDecoded(benchmark::State& state) {
    SheetCanvas canvas(Grey);
    canvas.SetPicture(SampleSheetBytes());
    canvas.Repaint();
    for (auto _ : state) {
        canvas.Invalidate(WholeCanvas);
        benchmark::DoNotOptimize(canvas.Repaint());
    }
}

BENCHMARK(ReadPixelAlone);
BENCHMARK(ReadPixelWhileAnotherThreadDraws)->UseRealTime();
BENCHMARK(RepaintDecoded)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(DecodeAndRepaint, BuiltInSample, SampleBytes)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeAndRepaint, A4Scan200dpiJpeg, A4ScanJpeg)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marksheet

BENCHMARK_MAIN();
