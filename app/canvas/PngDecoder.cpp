// PNG pictures through libpng's simplified reading interface, mixed over the background where not opaque.
#include <png.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "Decoders.h"

namespace marksheet {

namespace {

// Frees libpng's reading state whatever way the decoder leaves.
struct PngImageGuard {
    png_image* image;
    ~PngImageGuard() { png_image_free(image); }
};

DecodeError ReasonFor(const png_image& image) {
    // The simplified interface reports failures only as text.
    const std::string_view message(image.message);
    for (std::string_view truncation :
         {"Read Error", "read beyond end of data", "Not enough image data", "unexpected end", "truncated"})
        if (message.find(truncation) != std::string_view::npos) return DecodeError::Truncated;
    return DecodeError::Corrupt;
}

std::uint32_t Be32(std::span<const std::uint8_t> b, std::size_t at) {
    return (static_cast<std::uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

// A walk over the chunks before libpng sees them. libpng takes memory for a chunk as long as the chunk
// claims to be before it reads it, so a few bytes claiming a gigabyte of text would take a gigabyte;
// here every chunk must lie within the bytes we have. And since deflate packs at most about 1032 bytes
// into one, image data far too short for the picture its header claims is refused before pixel memory
// is taken for it.
std::optional<DecodeError> CheckChunks(std::span<const std::uint8_t> b) {
    constexpr std::size_t SignatureSize = 8;
    std::size_t at = SignatureSize;
    std::uint64_t imageDataBytes = 0;
    std::uint64_t rawImageBytes = 0;
    bool header = false;
    while (at + 8 <= b.size()) {
        const std::uint32_t length = Be32(b, at);
        if (length > 0x7FFFFFFFu) return DecodeError::Corrupt;
        const std::span<const std::uint8_t> type = b.subspan(at + 4, 4);
        auto is = [&](const char* name) { return std::equal(type.begin(), type.end(), name); };
        if (length + std::uint64_t{8} > b.size() - at) {
            // Image data is read as it streams in and libpng decides whether enough of it came;
            // any other chunk whose data is not all here is refused. (A cut checksum costs no memory
            // and is left to libpng.)
            if (!is("IDAT")) return DecodeError::Truncated;
            imageDataBytes += b.size() - at - 8;
            break;
        }
        const std::span<const std::uint8_t> data = b.subspan(at + 8, length);
        if (is("IHDR") && length >= 13) {
            header = true;
            const std::uint64_t width = Be32(data, 0), height = Be32(data, 4);
            if (!PictureSizeAllowed(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height)))
                return DecodeError::TooLarge;
            const int depth = data[8];
            const int channels = data[9] == 2 ? 3 : data[9] == 4 ? 2 : data[9] == 6 ? 4 : 1;
            // The smallest the filtered rows can be (interlacing only adds to it).
            rawImageBytes = height * (1 + (width * channels * depth + 7) / 8);
        } else if (is("IDAT")) {
            imageDataBytes += length;
        } else if (is("IEND")) {
            break;
        }
        at += 12 + length;
    }
    if (header && imageDataBytes > 0 && rawImageBytes > imageDataBytes * 1100 + 4096)
        return DecodeError::Truncated;
    return std::nullopt;
}

// One channel of a pixel that is not fully opaque, mixed with the background's channel:
// the whole-number part of a*c + (1 - a)*b, limited to 0..255, with a = alpha * f and f = 1/255
// rounded to single precision. Everything is computed in single precision, the precision of f:
// alpha * f is a float, and so are both products and their sum.
std::uint32_t MixChannel(std::uint32_t channel, std::uint32_t backgroundChannel, float a) {
    const float own = a * static_cast<float>(channel);
    const float behind = (1.0f - a) * static_cast<float>(backgroundChannel);
    const float mixed = own + behind;
    return static_cast<std::uint32_t>(std::clamp(static_cast<int>(mixed), 0, 255));
}

}  // namespace

DecodeResult DecodePng(std::span<const std::uint8_t> bytes, CanvasColour background) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    PngImageGuard guard{&image};
    if (const auto refused = CheckChunks(bytes)) return *refused;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return ReasonFor(image);
    // The header alone has been read: refuse giant pictures before any pixel memory exists.
    if (!PictureSizeAllowed(image.width, image.height)) return DecodeError::TooLarge;

    image.format = PNG_FORMAT_RGBA;
    Picture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    // Four bytes of RGBA per pixel, exactly the size of a canvas colour: libpng writes into the
    // picture's own pixels, which are then turned into colours in place (no second buffer).
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    static_assert(sizeof(CanvasColour) == 4);
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) return ReasonFor(image);

    const auto bg = static_cast<std::uint32_t>(background);
    const float f = 1.0f / 255.0f;
    for (CanvasColour& pixel : picture.pixels) {
        std::uint8_t rgba[4];
        std::memcpy(rgba, &pixel, 4);
        std::uint32_t r = rgba[0], g = rgba[1], b = rgba[2];
        const std::uint32_t alpha = rgba[3];
        if (alpha != 255) {
            const float a = static_cast<float>(alpha) * f;
            r = MixChannel(r, bg & 0xFF, a);
            g = MixChannel(g, (bg >> 8) & 0xFF, a);
            b = MixChannel(b, (bg >> 16) & 0xFF, a);
        }
        pixel = static_cast<CanvasColour>(r | (g << 8) | (b << 16));
    }
    return picture;
}

}  // namespace marksheet
