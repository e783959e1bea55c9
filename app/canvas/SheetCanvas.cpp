// The sheet canvas: live pixel reads and drawings, picture replacement and repainting, all under one lock.
#include "SheetCanvas.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "Decoders.h"

namespace marksheet {

namespace {

CanvasRect Unite(CanvasRect a, CanvasRect b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    const int left = std::min(a.x, b.x);
    const int top = std::min(a.y, b.y);
    const int right = std::max(a.x + a.width, b.x + b.width);
    const int bottom = std::max(a.y + a.height, b.y + b.height);
    return {left, top, right - left, bottom - top};
}

// into[i] = min(into[i], from[i]) for count bytes; the two never overlap.
void MinimumBytes(std::uint8_t* __restrict into, const std::uint8_t* __restrict from, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) into[i] = std::min(into[i], from[i]);
}

// out[i] = min(a[i], b[i]) for count bytes; out overlaps neither.
void MinimumOfBytes(std::uint8_t* __restrict out, const std::uint8_t* a, const std::uint8_t* b,
                    std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out[i] = std::min(a[i], b[i]);
}

CanvasRect ClipToCanvas(CanvasRect r) {
    const int left = std::max(r.x, 0);
    const int top = std::max(r.y, 0);
    const int right = std::min(r.x + r.width, CanvasWidth);
    const int bottom = std::min(r.y + r.height, CanvasHeight);
    if (right <= left || bottom <= top) return {};
    return {left, top, right - left, bottom - top};
}

// A decoded picture's rows made into the picture as shown: kept as they come when the picture
// fits, else shrunk keeping dark as they come.
class ShownPictureRows final : public PictureRows {
public:
    void Begin(int width, int height) override {
        placement = PlacePicture(width, height, CanvasWidth, CanvasHeight);
        sourceWidth = width;
        if (placement.width == width && placement.height == height) {
            whole.resize(static_cast<std::size_t>(width) * height);
        } else {
            shrink.emplace(width, height, placement.width, placement.height);
            row.resize(static_cast<std::size_t>(width));
        }
    }
    CanvasColour* RowBuffer(int y) override {
        return shrink ? row.data() : &whole[static_cast<std::size_t>(y) * sourceWidth];
    }
    void RowDone(int y) override {
        if (shrink) shrink->AddRow(y, row.data());
    }
    bool KeepsTopByte() const override { return !shrink; }
    std::vector<CanvasColour> Take() { return shrink ? shrink->Take() : std::move(whole); }

    PicturePlacement placement;

private:
    int sourceWidth = 0;
    std::vector<CanvasColour> whole;
    std::optional<DarkKeepingShrink> shrink;
    std::vector<CanvasColour> row;
};

}  // namespace

SheetCanvas::SheetCanvas(CanvasColour background)
    : background(background),
      pixels(static_cast<std::size_t>(CanvasWidth) * CanvasHeight, background),
      pending(WholeCanvas) {}

CanvasColour SheetCanvas::ReadPixel(int x, int y) {
    if (!Inside(x, y)) return NoPixelColour;
    std::lock_guard guard(lock);
    return At(x, y);
}

void SheetCanvas::DrawPoint(int x, int y, CanvasColour colour) {
    if (!Inside(x, y)) return;
    {
        std::lock_guard guard(lock);
        At(x, y) = colour;
    }
    Notify({x, y, 1, 1});
}

CanvasRect SheetCanvas::DrawDottedLineLocked(int x1, int y1, int x2, int y2) {
    // Only horizontal and vertical lines occur on a sheet; a slanted line steps along its longer
    // axis (a simple DDA), keeping the same dotted pattern.
    const int dx = x2 - x1;
    const int dy = y2 - y1;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    CanvasRect changed;
    for (int i = 0; i < steps; ++i) {                   // the end pixel is not part of the line
        if (i % (DotRun + DotGap) >= DotRun) continue;  // a gap keeps what it showed
        const int x = x1 + static_cast<int>(static_cast<std::int64_t>(dx) * i / steps);
        const int y = y1 + static_cast<int>(static_cast<std::int64_t>(dy) * i / steps);
        if (!Inside(x, y)) continue;
        At(x, y) = PenColour;
        changed = Unite(changed, {x, y, 1, 1});
    }
    return changed;
}

void SheetCanvas::DrawLine(int x1, int y1, int x2, int y2) {
    CanvasRect changed;
    {
        std::lock_guard guard(lock);
        changed = DrawDottedLineLocked(x1, y1, x2, y2);
    }
    Notify(changed);
}

void SheetCanvas::DrawRectangle(int x1, int y1, int x2, int y2) {
    const int left = std::min(x1, x2);
    const int right = std::max(x1, x2) - 1;
    const int top = std::min(y1, y2);
    const int bottom = std::max(y1, y2) - 1;
    if (right < left || bottom < top) return;
    CanvasRect changed;
    {
        std::lock_guard guard(lock);
        // One dotted path clockwise from the top-left corner, so the pattern runs on around it.
        int step = 0;
        auto plot = [&](int x, int y) {
            if (step++ % (DotRun + DotGap) >= DotRun || !Inside(x, y)) return;
            At(x, y) = PenColour;
            changed = Unite(changed, {x, y, 1, 1});
        };
        if (left == right || top == bottom) {  // a one-pixel-wide box is a single run
            for (int y = top; y <= bottom; ++y)
                for (int x = left; x <= right; ++x) plot(x, y);
        } else {
            for (int x = left; x < right; ++x) plot(x, top);
            for (int y = top; y < bottom; ++y) plot(right, y);
            for (int x = right; x > left; --x) plot(x, bottom);
            for (int y = bottom; y > top; --y) plot(left, y);
        }
    }
    Notify(changed);
}

void SheetCanvas::SetPicture(std::span<const std::uint8_t> bytes) {
    {
        std::lock_guard guard(lock);
        pictureBytes.assign(bytes.begin(), bytes.end());
        decoded = false;
        shownPicture.clear();
        shownPicture.shrink_to_fit();
        lastError.reset();
        pending = WholeCanvas;
    }
    std::lock_guard guard(listenerLock);
    if (repaintListener) repaintListener(WholeCanvas);
}

void SheetCanvas::Invalidate(CanvasRect area) {
    area = ClipToCanvas(area);
    if (area.IsEmpty()) return;
    {
        std::lock_guard guard(lock);
        pending = Unite(pending, area);
    }
    std::lock_guard guard(listenerLock);
    if (repaintListener) repaintListener(area);
}

void SheetCanvas::DecodeLocked() {
    decoded = true;
    if (pictureBytes.empty()) {
        lastError = DecodeError::Empty;
        return;
    }
    if (DetectPictureFormat(pictureBytes) == PictureFormat::Jpeg) {
        // Scans come as JPEG above all, often several million pixels: decoded row by row straight
        // into the shown size, so the whole picture is never held (nor its memory zeroed).
        ShownPictureRows rows;
        if (const auto error = DecodeJpegRows(pictureBytes, rows)) {
            lastError = *error;
            pictureBytes.clear();
            pictureBytes.shrink_to_fit();
            return;
        }
        placement = rows.placement;
        shownPicture = rows.Take();
        return;
    }
    DecodeResult result = DecodePicture(pictureBytes, background);
    if (auto* error = std::get_if<DecodeError>(&result)) {
        // A picture that cannot be decoded is discarded until the next SetPicture.
        lastError = *error;
        pictureBytes.clear();
        pictureBytes.shrink_to_fit();
        return;
    }
    Picture& picture = std::get<Picture>(result);
    placement = PlacePicture(picture.width, picture.height, CanvasWidth, CanvasHeight);
    if (placement.width == picture.width && placement.height == picture.height)
        shownPicture = std::move(picture.pixels);
    else
        shownPicture = ShrinkKeepingDark(picture, placement.width, placement.height);
}

CanvasRect SheetCanvas::Repaint() {
    CanvasRect area;
    {
        std::lock_guard guard(lock);
        area = ClipToCanvas(pending);
        pending = {};
        if (area.IsEmpty()) return {};
        if (!decoded) DecodeLocked();
        const bool hasPicture = !shownPicture.empty();
        const int areaRight = area.x + area.width;
        for (int y = area.y; y < area.y + area.height; ++y) {
            CanvasColour* row = &At(0, y);
            const int py = y - placement.y;
            // Each row is background, then the picture's part of it, then background again.
            int pictureLeft = areaRight, pictureRight = areaRight;
            if (hasPicture && py >= 0 && py < placement.height) {
                pictureLeft = std::clamp(placement.x, area.x, areaRight);
                pictureRight = std::clamp(placement.x + placement.width, pictureLeft, areaRight);
            }
            std::fill(row + area.x, row + pictureLeft, background);
            if (pictureRight > pictureLeft) {
                const CanvasColour* source = &shownPicture[static_cast<std::size_t>(py) * placement.width +
                                                           (pictureLeft - placement.x)];
                std::copy(source, source + (pictureRight - pictureLeft), row + pictureLeft);
            }
            std::fill(row + pictureRight, row + areaRight, background);
        }
    }
    Notify(area);
    return area;
}

bool SheetCanvas::RepaintPending() const {
    std::lock_guard guard(lock);
    return !pending.IsEmpty();
}

std::optional<DecodeError> SheetCanvas::LastDecodeError() const {
    std::lock_guard guard(lock);
    return lastError;
}

std::optional<PicturePlacement> SheetCanvas::Placement() const {
    std::lock_guard guard(lock);
    if (shownPicture.empty()) return std::nullopt;
    return placement;
}

std::vector<CanvasColour> SheetCanvas::Snapshot() const {
    std::lock_guard guard(lock);
    return pixels;
}

void SheetCanvas::CopyArea(CanvasRect area, std::vector<CanvasColour>& out) const {
    area = ClipToCanvas(area);
    out.resize(static_cast<std::size_t>(std::max(area.width, 0)) * std::max(area.height, 0));
    std::lock_guard guard(lock);
    for (int y = 0; y < area.height; ++y) {
        const CanvasColour* row = &pixels[static_cast<std::size_t>(area.y + y) * CanvasWidth + area.x];
        std::copy(row, row + area.width, out.begin() + static_cast<std::ptrdiff_t>(y) * area.width);
    }
}

void SheetCanvas::SetChangeListener(ChangeListener listener) {
    std::lock_guard guard(listenerLock);
    changeListener = std::move(listener);
}

void SheetCanvas::SetRepaintListener(RepaintListener listener) {
    std::lock_guard guard(listenerLock);
    repaintListener = std::move(listener);
}

void SheetCanvas::Notify(CanvasRect changed) {
    if (changed.IsEmpty()) return;
    std::lock_guard guard(listenerLock);
    if (changeListener) changeListener(changed);
}

std::vector<CanvasColour> ShrinkKeepingDark(const Picture& picture, int width, int height) {
    if (width <= 0 || height <= 0 || picture.width <= 0 || picture.height <= 0)
        return std::vector<CanvasColour>(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0));
    DarkKeepingShrink shrink(picture.width, picture.height, width, height);
    for (int y = 0; y < picture.height; ++y)
        shrink.AddRow(y, &picture.pixels[static_cast<std::size_t>(y) * picture.width]);
    return shrink.Take();
}

DarkKeepingShrink::DarkKeepingShrink(int sourceWidth, int sourceHeight, int width, int height)
    : sourceWidth(sourceWidth),
      sourceHeight(sourceHeight),
      width(width),
      height(height),
      columns(static_cast<std::size_t>(std::max(width, 0))),
      out(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0)) {
    int longest = 1;
    for (int i = 0; i < width; ++i) {
        columns[static_cast<std::size_t>(i)] = Span(i, width, sourceWidth);
        longest = std::max(longest, columns[static_cast<std::size_t>(i)].second -
                                        columns[static_cast<std::size_t>(i)].first);
    }
    levelCount = std::bit_width(static_cast<unsigned>(longest));
}

std::pair<int, int> DarkKeepingShrink::Span(int i, int shown, int source) {
    const std::int64_t begin = static_cast<std::int64_t>(i) * source / shown;
    std::int64_t end = (static_cast<std::int64_t>(i + 1) * source + shown - 1) / shown;
    end = std::clamp<std::int64_t>(end, begin + 1, source);
    return {static_cast<int>(begin), static_cast<int>(end)};
}

void DarkKeepingShrink::AddRow(int y, const CanvasColour* row) {
    if (width <= 0 || height <= 0 || sourceWidth <= 0 || y < 0 || y >= sourceHeight) return;
    // The minimum per channel is the minimum per byte of the CanvasColour values, so rows are folded
    // as plain bytes: a loop the compiler turns into wide byte-minimum instructions, which matters
    // for a 200 dpi scan of several million pixels. The top byte takes no part in the result.
    const std::size_t rowBytes = static_cast<std::size_t>(sourceWidth) * sizeof(CanvasColour);
    const auto* src = reinterpret_cast<const std::uint8_t*>(row);
    for (OpenRow& r : open) MinimumBytes(reinterpret_cast<std::uint8_t*>(r.folded.data()), src, rowBytes);
    // Shown rows whose span begins at this source row start from it.
    while (nextShownRow < height) {
        const auto [begin, end] = Span(nextShownRow, height, sourceHeight);
        if (begin > y) break;
        std::vector<CanvasColour> folded;
        if (!spare.empty()) {
            folded = std::move(spare.back());
            spare.pop_back();
        }
        folded.assign(row, row + sourceWidth);
        open.push_back({nextShownRow++, end, std::move(folded)});
    }
    // Shown rows whose span ends with this source row are complete.
    while (!open.empty() && open.front().sourceEnd <= y + 1) {
        FinishRow(open.front().shownRow, reinterpret_cast<const std::uint8_t*>(open.front().folded.data()));
        spare.push_back(std::move(open.front().folded));
        open.erase(open.begin());
    }
}

void DarkKeepingShrink::FinishRow(int shownRow, const std::uint8_t* folded) {
    // The minimum over each shown column's source columns, from a table of minimums over runs of
    // 1, 2, 4, ... columns (each level one wide byte-minimum pass over the row): any run is then
    // covered by two overlapping table runs, and a shown pixel costs two reads whatever the ratio.
    const std::size_t rowBytes = static_cast<std::size_t>(sourceWidth) * sizeof(CanvasColour);
    if (levels.size() < static_cast<std::size_t>(levelCount))
        levels.resize(static_cast<std::size_t>(levelCount));
    const std::uint8_t* level[32] = {folded};
    for (int k = 1; k < levelCount; ++k) {
        auto& table = levels[static_cast<std::size_t>(k)];
        table.resize(rowBytes);
        const std::size_t half = std::size_t{1} << (k - 1);
        const std::size_t count = rowBytes - std::min(rowBytes, half * sizeof(CanvasColour));
        MinimumOfBytes(table.data(), level[k - 1], level[k - 1] + half * sizeof(CanvasColour), count);
        level[k] = table.data();
    }
    CanvasColour* dst = &out[static_cast<std::size_t>(shownRow) * width];
    for (int ox = 0; ox < width; ++ox) {
        const auto [colBegin, colEnd] = columns[static_cast<std::size_t>(ox)];
        const int k = std::bit_width(static_cast<unsigned>(colEnd - colBegin)) - 1;
        const std::uint8_t* p = level[k] + static_cast<std::size_t>(colBegin) * sizeof(CanvasColour);
        const std::uint8_t* q = level[k] + static_cast<std::size_t>(colEnd - (1 << k)) * sizeof(CanvasColour);
        dst[ox] = static_cast<CanvasColour>(std::min(p[0], q[0]) | (std::min(p[1], q[1]) << 8) |
                                            (std::min(p[2], q[2]) << 16));
    }
}

}  // namespace marksheet
