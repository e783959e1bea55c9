// PCX pictures: our own small decoder for run-length coded 8-bit (256-colour palette) and
// two-colour 1-bit pictures, strict about every length it is given.
#include <cstddef>

#include "Decoders.h"

namespace marksheet {

namespace {

constexpr std::size_t HeaderSize = 128;
// The 256-colour palette: a 0x0C marker then 256 RGB triples, at the very end of the file.
constexpr std::size_t PaletteBlockSize = 1 + 256 * 3;
constexpr std::uint8_t PaletteMarker = 0x0C;

int Word(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}

CanvasColour Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return static_cast<CanvasColour>(r | (g << 8) | (b << 16));
}

// Two-colour pictures of version 3 carry no palette information, whatever the header's palette
// bytes hold (often zeros or leftovers): a clear bit is black and a set bit white.
constexpr CanvasColour MonoBlack = 0x00000000;
constexpr CanvasColour MonoWhite = 0x00FFFFFF;

// Unpacks the run-length data into height lines of bytesPerLine bytes. Runs may continue from one
// line into the next (many writers do this), but never past the last line.
std::variant<std::vector<std::uint8_t>, DecodeError> Unpack(std::span<const std::uint8_t> data,
                                                            std::size_t total) {
    std::vector<std::uint8_t> out(total);
    std::size_t written = 0;
    std::size_t at = 0;
    while (written < total) {
        if (at >= data.size()) return DecodeError::Truncated;
        const std::uint8_t code = data[at++];
        std::size_t count = 1;
        std::uint8_t value = code;
        if ((code & 0xC0) == 0xC0) {
            count = code & 0x3F;
            if (at >= data.size()) return DecodeError::Truncated;
            value = data[at++];
        }
        if (count > total - written) return DecodeError::Corrupt;  // a run overrunning the picture
        std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(written), count, value);
        written += count;
    }
    return out;
}

}  // namespace

DecodeResult DecodePcx(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < HeaderSize) return DecodeError::Truncated;
    if (bytes[0] != 0x0A || bytes[2] != 0x01) return DecodeError::UnknownFormat;
    const int bitsPerPixel = bytes[3];
    const bool eightBit = bitsPerPixel == 8;
    if (!eightBit && !(bitsPerPixel == 1 && bytes[1] == 3)) return DecodeError::UnsupportedVariant;
    if (bytes[65] != 1) return DecodeError::UnsupportedVariant;  // planar colour pictures

    const int xMin = Word(bytes, 4), yMin = Word(bytes, 6), xMax = Word(bytes, 8), yMax = Word(bytes, 10);
    if (xMax < xMin || yMax < yMin) return DecodeError::Corrupt;
    const int width = xMax - xMin + 1;
    const int height = yMax - yMin + 1;
    if (!PictureSizeAllowed(width, height)) return DecodeError::TooLarge;
    const std::size_t bytesPerLine = static_cast<std::size_t>(Word(bytes, 66));
    const std::size_t bytesNeeded =
        eightBit ? static_cast<std::size_t>(width) : (static_cast<std::size_t>(width) + 7) / 8;
    if (bytesPerLine < bytesNeeded) return DecodeError::Corrupt;

    std::span<const std::uint8_t> data = bytes.subspan(HeaderSize);
    std::span<const std::uint8_t> palette;
    if (eightBit) {
        if (data.size() < PaletteBlockSize || bytes[bytes.size() - PaletteBlockSize] != PaletteMarker)
            return DecodeError::Corrupt;  // no 256-colour palette at the end
        palette = bytes.last(PaletteBlockSize - 1);
        data = data.first(data.size() - PaletteBlockSize);
    }
    // Every run-length byte yields at most 63 bytes: refuse a header whose pixels the data cannot
    // possibly hold before taking memory for them.
    const std::size_t total = bytesPerLine * static_cast<std::size_t>(height);
    if (total > data.size() * 63) return DecodeError::Truncated;

    auto unpacked = Unpack(data, total);
    if (auto* error = std::get_if<DecodeError>(&unpacked)) return *error;
    const std::vector<std::uint8_t>& lines = std::get<std::vector<std::uint8_t>>(unpacked);

    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = &lines[static_cast<std::size_t>(y) * bytesPerLine];
        CanvasColour* out = &picture.pixels[static_cast<std::size_t>(y) * width];
        for (int x = 0; x < width; ++x) {
            if (eightBit) {
                const std::uint8_t* rgb = &palette[static_cast<std::size_t>(line[x]) * 3];
                out[x] = Rgb(rgb[0], rgb[1], rgb[2]);
            } else {
                const bool set = (line[x / 8] >> (7 - x % 8)) & 1;
                out[x] = set ? MonoWhite : MonoBlack;
            }
        }
    }
    return picture;
}

}  // namespace marksheet
