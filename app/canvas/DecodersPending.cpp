// Placeholder decoders until the real ones land; every picture is refused.
#include "Decoders.h"

namespace marksheet {
DecodeResult DecodeJpeg(std::span<const std::uint8_t>) { return DecodeError::UnsupportedVariant; }
DecodeResult DecodePng(std::span<const std::uint8_t>, CanvasColour) { return DecodeError::UnsupportedVariant; }
DecodeResult DecodePcx(std::span<const std::uint8_t>) { return DecodeError::UnsupportedVariant; }
DecodeResult DecodeWithQt(std::span<const std::uint8_t>, PictureFormat, CanvasColour) {
    return DecodeError::UnsupportedVariant;
}
}  // namespace marksheet
