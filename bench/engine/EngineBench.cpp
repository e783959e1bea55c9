// Times one whole recognition of a sheet (number and answer readers on two threads at once, as the
// window runs them) on a real canvas, and counts the canvas operations it makes.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "SampleSheet.h"
#include "SheetDrawing.h"

namespace marksheet {
namespace {

using namespace testing;

// Passes every operation to the canvas and counts it.
class CountingSurface final : public SheetSurface {
public:
    explicit CountingSurface(SheetSurface& inner) : inner(inner) {}
    CanvasColour ReadPixel(int x, int y) override {
        reads.fetch_add(1, std::memory_order_relaxed);
        return inner.ReadPixel(x, y);
    }
    void DrawPoint(int x, int y, CanvasColour colour) override {
        drawings.fetch_add(1, std::memory_order_relaxed);
        inner.DrawPoint(x, y, colour);
    }
    void DrawLine(int x1, int y1, int x2, int y2) override {
        drawings.fetch_add(1, std::memory_order_relaxed);
        inner.DrawLine(x1, y1, x2, y2);
    }
    void DrawRectangle(int x1, int y1, int x2, int y2) override {
        drawings.fetch_add(1, std::memory_order_relaxed);
        inner.DrawRectangle(x1, y1, x2, y2);
    }
    std::atomic<long> reads{0};
    std::atomic<long> drawings{0};

private:
    SheetSurface& inner;
};

class NullSink final : public TextSink {
public:
    void Append(ResultBox, std::string_view) override {}
};

void FullSheet(SheetCanvas& canvas) {
    DrawNumberMarks(canvas, SheetNumberEdges, {3, 1, 4, 1, 5, 9, 2, 6, 5});
    DrawGridCorners(canvas, AnswerTopLeftScan, AnswerBottomRightScan, SheetAnswerEdges);
    const RegionGrid located = LocatedAnswer(SheetAnswerEdges);
    for (int q = 1; q <= QuestionCount; ++q) FillAnswer(canvas, located, q, 2 + q % 5);
}

// One recognition per iteration: a fresh reader (as the batch reader makes one per file) and the
// two readers on two threads at once. The overlay of earlier iterations stays on the canvas, as for
// a second press of the recognise button before a repaint; it changes no count of reads.
void Recognise(benchmark::State& state, void (*draw)(SheetCanvas&)) {
    auto canvas = WhiteCanvas();
    draw(*canvas);
    CountingSurface surface(*canvas);
    NullSink sink;
    for (auto _ : state) {
        SheetReader reader(surface, sink);
        std::thread numberWorker([&] { benchmark::DoNotOptimize(reader.ReadNumberGrid()); });
        std::thread answerWorker([&] { benchmark::DoNotOptimize(reader.ReadAnswerGrid()); });
        numberWorker.join();
        answerWorker.join();
    }
    state.counters["pixel_reads"] =
        benchmark::Counter(static_cast<double>(surface.reads), benchmark::Counter::kAvgIterations);
    state.counters["drawings"] =
        benchmark::Counter(static_cast<double>(surface.drawings), benchmark::Counter::kAvgIterations);
}

void BlankCanvas(SheetCanvas&) {}

// The built-in sample sheet as the window shows it at start.
void BuiltInSample(SheetCanvas& canvas) {
    canvas.SetPicture(SampleSheetBytes());
    canvas.Repaint();
}

// Medians of several runs: the machine is shared, and a median shrugs off a run that lost the CPU.
BENCHMARK_CAPTURE(Recognise, BuiltInSample, BuiltInSample)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->DisplayAggregatesOnly(true);
BENCHMARK_CAPTURE(Recognise, AllQuestionsAnswered, FullSheet)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->DisplayAggregatesOnly(true);
BENCHMARK_CAPTURE(Recognise, BlankCanvasNoMarks, BlankCanvas)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->DisplayAggregatesOnly(true);

}  // namespace
}  // namespace marksheet

BENCHMARK_MAIN();
