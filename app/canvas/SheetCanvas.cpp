// The sheet canvas: live pixel reads and drawings, picture replacement and repainting, all under one lock.
#include "SheetCanvas.h"

#include <algorithm>
#include <cstdlib>

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

CanvasRect ClipToCanvas(CanvasRect r) {
    const int left = std::max(r.x, 0);
    const int top = std::max(r.y, 0);
    const int right = std::min(r.x + r.width, CanvasWidth);
    const int bottom = std::min(r.y + r.height, CanvasHeight);
    if (right <= left || bottom <= top) return {};
    return {left, top, right - left, bottom - top};
}

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
        for (int y = area.y; y < area.y + area.height; ++y) {
            CanvasColour* row = &At(0, y);
            const int py = y - placement.y;
            for (int x = area.x; x < area.x + area.width; ++x) {
                const int px = x - placement.x;
                if (hasPicture && px >= 0 && px < placement.width && py >= 0 && py < placement.height)
                    row[x] = shownPicture[static_cast<std::size_t>(py) * placement.width + px];
                else
                    row[x] = background;
            }
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
    std::vector<CanvasColour> out(static_cast<std::size_t>(width) * height);
    if (width <= 0 || height <= 0 || picture.width <= 0 || picture.height <= 0) return out;
    // Source span [begin, end) of shown column i: every source pixel that overlaps it.
    auto span = [](int i, int shown, int source) {
        const std::int64_t begin = static_cast<std::int64_t>(i) * source / shown;
        std::int64_t end = (static_cast<std::int64_t>(i + 1) * source + shown - 1) / shown;
        end = std::clamp<std::int64_t>(end, begin + 1, source);
        return std::pair<int, int>{static_cast<int>(begin), static_cast<int>(end)};
    };
    std::vector<std::pair<int, int>> columns(static_cast<std::size_t>(width));
    for (int i = 0; i < width; ++i) columns[static_cast<std::size_t>(i)] = span(i, width, picture.width);

    // The minimum per channel is the minimum per byte of the CanvasColour values, so the rows are
    // folded as plain bytes: a loop the compiler turns into wide byte-minimum instructions, which
    // matters for a 200 dpi scan of several million pixels. The top byte is cleared at the end.
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * sizeof(CanvasColour);
    std::vector<CanvasColour> rowMin(static_cast<std::size_t>(picture.width));
    auto* const m = reinterpret_cast<std::uint8_t*>(rowMin.data());
    for (int oy = 0; oy < height; ++oy) {
        const auto [rowBegin, rowEnd] = span(oy, height, picture.height);
        const auto* first = reinterpret_cast<const std::uint8_t*>(
            &picture.pixels[static_cast<std::size_t>(rowBegin) * picture.width]);
        std::copy(first, first + rowBytes, m);
        for (int sy = rowBegin + 1; sy < rowEnd; ++sy) {
            const auto* src = reinterpret_cast<const std::uint8_t*>(
                &picture.pixels[static_cast<std::size_t>(sy) * picture.width]);
            MinimumBytes(m, src, rowBytes);
        }
        CanvasColour* dst = &out[static_cast<std::size_t>(oy) * width];
        for (int ox = 0; ox < width; ++ox) {
            const auto [colBegin, colEnd] = columns[static_cast<std::size_t>(ox)];
            const std::uint8_t* p = m + static_cast<std::size_t>(colBegin) * sizeof(CanvasColour);
            std::uint8_t r = p[0], g = p[1], b = p[2];
            for (int sx = colBegin + 1; sx < colEnd; ++sx) {
                p += sizeof(CanvasColour);
                r = std::min(r, p[0]);
                g = std::min(g, p[1]);
                b = std::min(b, p[2]);
            }
            dst[ox] = static_cast<CanvasColour>(r | (g << 8) | (b << 16));
        }
    }
    return out;
}

}  // namespace marksheet
