// Times one whole recognition of a sheet (number and answer readers on two threads at once, as the
// window runs them) on a real canvas, and counts the canvas operations it makes.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

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

void Run(const char* name, void (*draw)(SheetCanvas&), int rounds) {
    auto canvas = WhiteCanvas();
    draw(*canvas);
    CountingSurface surface(*canvas);
    NullSink sink;
    std::vector<double> micros;
    long reads = 0, drawings = 0;
    for (int round = 0; round < rounds; ++round) {
        // A fresh reader each time, as the batch reader makes one per file; the overlay of the
        // previous round stays on the canvas, as for a second press of the recognise button.
        SheetReader reader(surface, sink);
        surface.reads = 0;
        surface.drawings = 0;
        const auto start = std::chrono::steady_clock::now();
        std::thread numberWorker([&] { reader.ReadNumberGrid(); });
        std::thread answerWorker([&] { reader.ReadAnswerGrid(); });
        numberWorker.join();
        answerWorker.join();
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        reads = surface.reads;
        drawings = surface.drawings;
    }
    std::sort(micros.begin(), micros.end());
    std::printf("%-28s rounds %4d  median %8.1f us  min %8.1f us  pixel reads %6ld  drawings %4ld\n", name,
                rounds, micros[micros.size() / 2], micros.front(), reads, drawings);
}

}  // namespace
}  // namespace marksheet

int main(int argc, char** argv) {
    using namespace marksheet;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    std::printf("engine: one recognition = number and answer readers on two threads at once\n");
    Run("all 100 questions answered", FullSheet, rounds);
    Run(
        "blank canvas (no marks)", [](SheetCanvas&) {}, rounds);
    return 0;
}
