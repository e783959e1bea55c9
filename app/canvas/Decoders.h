// One decoder per picture format, behind DecodePicture.
#pragma once

#include <optional>

#include "Picture.h"

namespace marksheet {

DecodeResult DecodeJpeg(std::span<const std::uint8_t> bytes);

/// Takes a picture's rows as a decoder makes them, so that a large scan need not be held whole.
class PictureRows {
public:
    virtual ~PictureRows() = default;
    /// The picture's size (within the size limits), once, before any row.
    virtual void Begin(int width, int height) = 0;
    /// Where the decoder writes row y (width values); rows come top first, each followed by RowDone.
    virtual CanvasColour* RowBuffer(int y) = 0;
    virtual void RowDone(int y) = 0;
    /// False when the rows' top bytes are never looked at (a shrink takes red, green and blue
    /// only): the decoder may then leave them as its library wrote them.
    virtual bool KeepsTopByte() const { return true; }
};

/// A JPEG decoded row by row into rows; the reason when it gives no picture. After a failure the
/// rows already given are to be dropped.
std::optional<DecodeError> DecodeJpegRows(std::span<const std::uint8_t> bytes, PictureRows& rows);
DecodeResult DecodePng(std::span<const std::uint8_t> bytes, CanvasColour background);
DecodeResult DecodePcx(std::span<const std::uint8_t> bytes);
/// BMP, GIF, ICO and CUR through Qt's image reader, the format named after our own detection.
DecodeResult DecodeWithQt(std::span<const std::uint8_t> bytes, PictureFormat format, CanvasColour background);

}  // namespace marksheet
