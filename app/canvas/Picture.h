// A decoded sheet picture and the named reasons a picture could not be decoded.
#pragma once

#include "SheetSurface.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

namespace marksheet {

/// A decoded picture: width x height CanvasColour values (0x00BBGGRR), row by row, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<CanvasColour> pixels;
};

/// Why bytes gave no picture. The window ignores these; the batch reader names them.
enum class DecodeError {
    Empty,                   ///< no bytes at all
    TooShort,                ///< fewer than 8 bytes
    UnknownFormat,           ///< first bytes of no format the canvas shows
    Truncated,               ///< the data breaks off
    Corrupt,                 ///< the data is damaged or inconsistent
    TooLarge,                ///< more than MaxPictureSide on a side or MaxPicturePixels in all
    UnsupportedColourSpace,  ///< e.g. a CMYK or YCCK JPEG
    UnsupportedVariant,      ///< a variant of a known format that the canvas does not show
};

/// Limits checked on the header before any pixel memory is taken: a decompression bomb
/// must not take the machine's memory.
inline constexpr int MaxPictureSide = 16384;
inline constexpr std::int64_t MaxPicturePixels = 100'000'000;

std::string_view DecodeErrorName(DecodeError error);     ///< e.g. "Truncated"
std::string_view DecodeErrorMessage(DecodeError error);  ///< a short sentence for users

/// The picture formats, told apart by their first bytes.
enum class PictureFormat { Unknown, Bmp, Jpeg, Png, Ico, Cur, Gif, Pcx8, Pcx1 };

/// The format the first bytes announce, in the canvas's order of tests; Unknown below 8 bytes.
PictureFormat DetectPictureFormat(std::span<const std::uint8_t> bytes);

using DecodeResult = std::variant<Picture, DecodeError>;

/// Decodes picture bytes of any format the canvas shows. Pixels that are not fully opaque
/// are shown over the background colour.
DecodeResult DecodePicture(std::span<const std::uint8_t> bytes, CanvasColour background);

/// True when a header's dimensions are within the limits (and positive).
inline bool PictureSizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= MaxPictureSide && height <= MaxPictureSide &&
           width * height <= MaxPicturePixels;
}

}  // namespace marksheet
