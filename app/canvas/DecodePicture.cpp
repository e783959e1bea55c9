// Telling a picture's format by its first bytes, and handing it to that format's decoder.
#include "Decoders.h"

namespace marksheet {

std::string_view DecodeErrorName(DecodeError error) {
    switch (error) {
    case DecodeError::Empty: return "Empty";
    case DecodeError::TooShort: return "TooShort";
    case DecodeError::UnknownFormat: return "UnknownFormat";
    case DecodeError::Truncated: return "Truncated";
    case DecodeError::Corrupt: return "Corrupt";
    case DecodeError::TooLarge: return "TooLarge";
    case DecodeError::UnsupportedColourSpace: return "UnsupportedColourSpace";
    case DecodeError::UnsupportedVariant: return "UnsupportedVariant";
    }
    return "Unknown";
}

std::string_view DecodeErrorMessage(DecodeError error) {
    switch (error) {
    case DecodeError::Empty: return "the file is empty";
    case DecodeError::TooShort: return "too short to be a picture";
    case DecodeError::UnknownFormat: return "not a picture format the reader knows (BMP, JPEG, PNG, ICO, CUR, GIF, PCX)";
    case DecodeError::Truncated: return "the picture breaks off";
    case DecodeError::Corrupt: return "the picture data is damaged";
    case DecodeError::TooLarge: return "the picture is too large (over 16384 pixels on a side or 100 million pixels)";
    case DecodeError::UnsupportedColourSpace: return "the picture's colour space is not grey or RGB";
    case DecodeError::UnsupportedVariant: return "a variant of the format that the reader does not show";
    }
    return "unknown error";
}

PictureFormat DetectPictureFormat(std::span<const std::uint8_t> b) {
    if (b.size() < 8) return PictureFormat::Unknown;
    if (b[0] == 0x42 && b[1] == 0x4D) return PictureFormat::Bmp;
    if (b[0] == 0xFF && b[1] == 0xD8) return PictureFormat::Jpeg;
    if (b[0] == 0x89 && b[1] == 0x50 && b[2] == 0x4E && b[3] == 0x47) return PictureFormat::Png;
    if (b[0] == 0x00 && b[1] == 0x00) {
        const int kind = b[2] | (b[3] << 8);
        const int count = b[4] | (b[5] << 8);
        if (kind == 1 && count > 0) return PictureFormat::Ico;
        if (kind == 2 && count > 0) return PictureFormat::Cur;
    }
    if (b[0] == 0x47 && b[1] == 0x49 && b[2] == 0x46 && b[3] == 0x38 && (b[4] == 0x37 || b[4] == 0x39) &&
        b[5] == 0x61)
        return PictureFormat::Gif;
    if (b[0] == 0x0A && b[1] <= 5 && b[2] == 0x01 && b[3] == 0x08) return PictureFormat::Pcx8;
    if (b[0] == 0x0A && b[1] == 0x03 && b[2] == 0x01 && b[3] == 0x01) return PictureFormat::Pcx1;
    return PictureFormat::Unknown;
}

DecodeResult DecodePicture(std::span<const std::uint8_t> bytes, CanvasColour background) {
    if (bytes.empty()) return DecodeError::Empty;
    if (bytes.size() < 8) return DecodeError::TooShort;
    switch (const PictureFormat format = DetectPictureFormat(bytes)) {
    case PictureFormat::Jpeg: return DecodeJpeg(bytes);
    case PictureFormat::Png: return DecodePng(bytes, background);
    case PictureFormat::Pcx8:
    case PictureFormat::Pcx1: return DecodePcx(bytes);
    case PictureFormat::Bmp:
    case PictureFormat::Ico:
    case PictureFormat::Cur:
    case PictureFormat::Gif: return DecodeWithQt(bytes, format, background);
    case PictureFormat::Unknown: break;
    }
    return DecodeError::UnknownFormat;
}

}  // namespace marksheet
