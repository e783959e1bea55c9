// The sheet canvas: the one place where the sheet's pixels exist, shared by the window, the workers
// and the batch reader. It keeps its own 400 x 500 image; every operation is atomic under one lock.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "Picture.h"
#include "PictureLayout.h"
#include "SheetSurface.h"

namespace marksheet {

/// A rectangle of canvas pixels: x, y of its top-left pixel, width and height.
struct CanvasRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const CanvasRect&, const CanvasRect&) = default;
};

inline constexpr CanvasRect WholeCanvas{0, 0, CanvasWidth, CanvasHeight};

/// The canvas pen's colour: pure green.
inline constexpr CanvasColour PenColour = 0x0000FF00;

/// The dotted pen: along every line, starting at the line's own start pixel, DotRun pixels
/// are painted, then DotGap pixels are left as they were, and so on.
inline constexpr int DotRun = 1;
inline constexpr int DotGap = 1;

class SheetCanvas final : public SheetSurface {
public:
    /// Told, on whatever thread drew, which pixels changed and need showing (no repaint implied).
    using ChangeListener = std::function<void(CanvasRect)>;
    /// Told, on whatever thread asked, that an area must be repainted (the owner then calls Repaint).
    using RepaintListener = std::function<void(CanvasRect)>;

    /// background: the colour of the area the picture does not cover and of the PNG alpha mix.
    explicit SheetCanvas(CanvasColour background);

    CanvasColour ReadPixel(int x, int y) override;
    void DrawPoint(int x, int y, CanvasColour colour) override;
    void DrawLine(int x1, int y1, int x2, int y2) override;
    void DrawRectangle(int x1, int y1, int x2, int y2) override;

    /// Copies the bytes as the new picture, drops the decoded picture and marks the whole
    /// canvas for repainting. Neither checks nor decodes; reads until the repaint return the old
    /// picture with its drawings.
    void SetPicture(std::span<const std::uint8_t> bytes);

    /// Marks an area for repainting (the windowing system needs it shown anew).
    void Invalidate(CanvasRect area);

    /// Repaints the pending area (decoding the picture if it is not yet decoded): the picture and the
    /// background are restored there and drawings there are gone; drawings elsewhere stay.
    /// Returns the area repainted (empty when nothing was pending).
    CanvasRect Repaint();

    /// True when an area is waiting to be repainted.
    bool RepaintPending() const;

    /// Why the last decoding failed, if it did (the picture bytes were then discarded).
    std::optional<DecodeError> LastDecodeError() const;

    /// Where the current decoded picture is shown; nullopt without a picture.
    std::optional<PicturePlacement> Placement() const;

    CanvasColour Background() const { return background; }

    /// Copies the shown pixels (400 x 500, row by row) for display or saving.
    std::vector<CanvasColour> Snapshot() const;
    /// Copies the pixels of one area into out (area.width * area.height values).
    void CopyArea(CanvasRect area, std::vector<CanvasColour>& out) const;

    void SetChangeListener(ChangeListener listener);
    void SetRepaintListener(RepaintListener listener);

private:
    static bool Inside(int x, int y) { return x >= 0 && x < CanvasWidth && y >= 0 && y < CanvasHeight; }
    CanvasColour& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * CanvasWidth + x]; }
    // Paints the dotted pattern over the covered pixels of a horizontal or vertical run; returns the
    // changed box. Caller holds the lock.
    CanvasRect DrawDottedLineLocked(int x1, int y1, int x2, int y2);
    void DecodeLocked();
    void Notify(CanvasRect changed);

    const CanvasColour background;
    mutable std::mutex lock;
    std::vector<CanvasColour> pixels;        // the shown canvas
    std::vector<std::uint8_t> pictureBytes;  // encoded picture, empty for none
    bool decoded = false;                    // shown picture made from pictureBytes
    std::vector<CanvasColour> shownPicture;  // the decoded picture, shrunk to its shown size
    PicturePlacement placement;
    std::optional<DecodeError> lastError;
    CanvasRect pending;  // area waiting to be repainted (bounding box)

    std::mutex listenerLock;
    ChangeListener changeListener;
    RepaintListener repaintListener;
};

/// Shrinks a picture to width x height; each shown pixel takes, per channel, the minimum of the
/// source pixels that fall on it, so thin dark ink keeps its darkness.
std::vector<CanvasColour> ShrinkKeepingDark(const Picture& picture, int width, int height);

/// The same shrink made row by row as a picture is decoded, so that a large scan is never held
/// whole: give the source rows top first to AddRow; after the last, Take returns the shown pixels.
class DarkKeepingShrink {
public:
    DarkKeepingShrink(int sourceWidth, int sourceHeight, int width, int height);
    /// Row y of the source (sourceWidth values); y counts up from 0 without gaps.
    void AddRow(int y, const CanvasColour* row);
    std::vector<CanvasColour> Take() { return std::move(out); }

private:
    // Source span [begin, end) of shown column or row i: every source pixel that overlaps it.
    static std::pair<int, int> Span(int i, int shown, int source);
    void FinishRow(int shownRow, const std::uint8_t* folded);

    int sourceWidth, sourceHeight, width, height;
    std::vector<std::pair<int, int>> columns;  // source columns of each shown column
    // The shown rows that have begun and not ended, oldest first, each with the bytewise minimum
    // of its source rows so far. Without enlargement a source row ends one shown row and begins
    // the next at most, so two suffice; buffers are reused.
    struct OpenRow {
        int shownRow;
        int sourceEnd;
        std::vector<CanvasColour> folded;
    };
    std::vector<OpenRow> open;
    std::vector<std::vector<CanvasColour>> spare;
    int nextShownRow = 0;
    // Minimums over runs of 2, 4, 8 ... source columns of the shown row being finished (level 0 is
    // the folded row itself); levelCount levels cover the longest column span.
    int levelCount = 1;
    std::vector<std::vector<std::uint8_t>> levels;
    std::vector<CanvasColour> out;
};

}  // namespace marksheet
