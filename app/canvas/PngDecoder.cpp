// PNG pictures through libpng's simplified reading interface, mixed over the background where not opaque.
#include <png.h>

#include <algorithm>
#include <cstring>
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
