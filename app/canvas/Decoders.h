// One decoder per picture format, behind DecodePicture.
#pragma once

#include "Picture.h"

namespace marksheet {

DecodeResult DecodeJpeg(std::span<const std::uint8_t> bytes);
DecodeResult DecodePng(std::span<const std::uint8_t> bytes, CanvasColour background);
DecodeResult DecodePcx(std::span<const std::uint8_t> bytes);
/// BMP, GIF, ICO and CUR through Qt's image reader, the format named after our own detection.
DecodeResult DecodeWithQt(std::span<const std::uint8_t> bytes, PictureFormat format, CanvasColour background);

}  // namespace marksheet
