// Test fixtures for the engine: canvases drawn from ASCII art, synthetic sheets with corner marks
// and filled cells, and a surface and a sink that record what the readers did.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "GridGeometry.h"
#include "SheetCanvas.h"
#include "SheetGeometry.h"
#include "SheetReader.h"
#include "TextSink.h"

namespace marksheet::testing {

inline constexpr CanvasColour White = 0x00FFFFFF;
inline constexpr CanvasColour Black = 0x00000000;

/// A white canvas without picture, repainted once so that everything drawn on it stays.
inline std::unique_ptr<SheetCanvas> WhiteCanvas() {
    auto canvas = std::make_unique<SheetCanvas>(White);
    canvas->Repaint();
    return canvas;
}

/// Draws ASCII art with its top-left character at (x, y): '#' black, '.' white, 'g' pen green;
/// any other character leaves the pixel as it is.
inline void DrawArt(SheetSurface& surface, int x, int y, std::initializer_list<std::string_view> art) {
    int row = 0;
    for (std::string_view line : art) {
        for (int i = 0; i < static_cast<int>(line.size()); ++i) {
            const char c = line[static_cast<std::size_t>(i)];
            if (c == '#') surface.DrawPoint(x + i, y + row, Black);
            if (c == '.') surface.DrawPoint(x + i, y + row, White);
            if (c == 'g') surface.DrawPoint(x + i, y + row, PenColour);
        }
        ++row;
    }
}

/// Paints the inclusive box (x0, y0)..(x1, y1).
inline void FillBox(SheetSurface& surface, int x0, int y0, int x1, int y1, CanvasColour colour = Black) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) surface.DrawPoint(x, y, colour);
}

/// A solid mark covering the scan point (x, y) and its confirming samples, so that (x, y) is the
/// first confirmed point in the scan's order.
inline void DrawCornerMark(SheetSurface& surface, const CornerScan& scan, int x, int y) {
    int x0 = x, x1 = x, y0 = y, y1 = y;
    for (int i = 0; i < scan.confirmCount; ++i) {
        x0 = std::min(x0, x + scan.confirmDx[i]);
        x1 = std::max(x1, x + scan.confirmDx[i]);
        y0 = std::min(y0, y + scan.confirmDy[i]);
        y1 = std::max(y1, y + scan.confirmDy[i]);
    }
    FillBox(surface, x0, y0, x1, y1);
}

/// Draws the two corner marks that make the scans locate a grid with these edges.
inline void DrawGridCorners(SheetSurface& surface, const CornerScan& topLeft, const CornerScan& bottomRight,
                            const RegionGrid& edges) {
    DrawCornerMark(surface, topLeft, edges.left - topLeft.edgeDx, edges.top - topLeft.edgeDy);
    DrawCornerMark(surface, bottomRight, edges.right - bottomRight.edgeDx, edges.bottom - bottomRight.edgeDy);
}

/// Edges that the scans can produce, far enough apart that the two grids do not meet.
inline constexpr RegionGrid NumberEdges{195, 40, 375, 190, 0, 0};       // cells 20 x 15
inline constexpr RegionGrid AnswerEdges{15, 137, 385, 497, 0, 0};       // cells 16 x 11
inline constexpr RegionGrid SheetNumberEdges{211, 50, 371, 180, 0, 0};  // cells 17 x 13
inline constexpr RegionGrid SheetAnswerEdges{15, 187, 385, 481, 0, 0};  // cells 16 x 9

inline RegionGrid LocatedNumber(RegionGrid edges) {
    const CellSize size = NumberCellSize(edges);
    edges.columnWidth = size.columnWidth;
    edges.rowHeight = size.rowHeight;
    return edges;
}
inline RegionGrid LocatedAnswer(RegionGrid edges) {
    const CellSize size = AnswerCellSize(edges);
    edges.columnWidth = size.columnWidth;
    edges.rowHeight = size.rowHeight;
    return edges;
}

/// Blackens the inside of a cell, leaving its edge lines (which it shares with its neighbours) white.
inline void FillCell(SheetSurface& surface, const RegionGrid& located, int column, int row) {
    const CellBox box = CellBoxOf(located, column, row);
    FillBox(surface, box.x0 + 1, box.y0 + 1, box.x1 - 1, box.y1 - 1);
}

/// Marks one row per number column: rows[c] is the 1-based row of column c + 1, 0 for none.
inline void DrawNumberMarks(SheetSurface& surface, const RegionGrid& edges, const std::vector<int>& rows) {
    DrawGridCorners(surface, NumberTopLeftScan, NumberBottomRightScan, edges);
    const RegionGrid located = LocatedNumber(edges);
    for (int c = 0; c < static_cast<int>(rows.size()); ++c)
        if (rows[static_cast<std::size_t>(c)] > 0)
            FillCell(surface, located, c + 1, rows[static_cast<std::size_t>(c)]);
}

/// Fills option row `row` (1..6) of question `question` (1..100, in block order).
inline void FillAnswer(SheetSurface& surface, const RegionGrid& located, int question, int row) {
    const int block = (question - 1) / QuestionsPerBlock;  // from 0
    const int q = (question - 1) % QuestionsPerBlock;      // from 0
    const int i = block / AnswerBlockColumns;
    const int j = block % AnswerBlockColumns;
    FillCell(surface, located, j * (QuestionsPerBlock + 1) + q + 1, i * (AnswerOptionRows + 1) + row);
}

/// One operation seen by a RecordingSurface.
struct SurfaceOp {
    enum Kind { Read, Point, Line, Rectangle } kind;
    int x1, y1, x2 = 0, y2 = 0;
    CanvasColour colour = 0;
    friend bool operator==(const SurfaceOp&, const SurfaceOp&) = default;
};

/// Records every operation in order, and passes it on to a real surface when given one
/// (otherwise reads see white and drawings go nowhere).
class RecordingSurface final : public SheetSurface {
public:
    explicit RecordingSurface(SheetSurface* inner = nullptr) : inner(inner) {}
    CanvasColour ReadPixel(int x, int y) override {
        Record({SurfaceOp::Read, x, y});
        return inner ? inner->ReadPixel(x, y) : White;
    }
    void DrawPoint(int x, int y, CanvasColour colour) override {
        Record({SurfaceOp::Point, x, y, 0, 0, colour});
        if (inner) inner->DrawPoint(x, y, colour);
    }
    void DrawLine(int x1, int y1, int x2, int y2) override {
        Record({SurfaceOp::Line, x1, y1, x2, y2});
        if (inner) inner->DrawLine(x1, y1, x2, y2);
    }
    void DrawRectangle(int x1, int y1, int x2, int y2) override {
        Record({SurfaceOp::Rectangle, x1, y1, x2, y2});
        if (inner) inner->DrawRectangle(x1, y1, x2, y2);
    }
    std::vector<SurfaceOp> Ops() const {
        std::lock_guard guard(lock);
        return ops;
    }
    std::vector<std::pair<int, int>> Reads() const {
        std::vector<std::pair<int, int>> reads;
        for (const SurfaceOp& op : Ops())
            if (op.kind == SurfaceOp::Read) reads.emplace_back(op.x1, op.y1);
        return reads;
    }
    std::vector<SurfaceOp> Drawings() const {
        std::vector<SurfaceOp> drawings;
        for (const SurfaceOp& op : Ops())
            if (op.kind != SurfaceOp::Read) drawings.push_back(op);
        return drawings;
    }
    void Clear() {
        std::lock_guard guard(lock);
        ops.clear();
    }

private:
    void Record(SurfaceOp op) {
        std::lock_guard guard(lock);
        ops.push_back(op);
    }
    SheetSurface* inner;
    mutable std::mutex lock;
    std::vector<SurfaceOp> ops;
};

/// Collects the two boxes' text and every append, in order; safe from several threads.
class RecordingSink final : public TextSink {
public:
    void Append(ResultBox box, std::string_view text) override {
        std::lock_guard guard(lock);
        (box == ResultBox::Number ? numberText : answerText) += text;
        appends.emplace_back(box, std::string(text));
    }
    std::string Text(ResultBox box) const {
        std::lock_guard guard(lock);
        return box == ResultBox::Number ? numberText : answerText;
    }
    std::vector<std::string> Appends(ResultBox box) const {
        std::lock_guard guard(lock);
        std::vector<std::string> texts;
        for (const auto& [b, text] : appends)
            if (b == box) texts.push_back(text);
        return texts;
    }

private:
    mutable std::mutex lock;
    std::string numberText;
    std::string answerText;
    std::vector<std::pair<ResultBox, std::string>> appends;
};

/// A white canvas with a reader that appends into a recording sink: one fresh sheet per test.
struct Sheet {
    std::unique_ptr<SheetCanvas> canvas = WhiteCanvas();
    RecordingSink sink;
    SheetReader reader{*canvas, sink};
};

}  // namespace marksheet::testing
