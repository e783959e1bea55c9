// BMP, GIF, ICO and CUR pictures through Qt's image reader, the format named by our own detection.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "Decoders.h"

namespace marksheet {

namespace {

const char* QtFormatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::Bmp:
            return "bmp";
        case PictureFormat::Gif:
            return "gif";
        case PictureFormat::Ico:
            return "ico";
        case PictureFormat::Cur:
            return "cur";
        default:
            return nullptr;
    }
}

// Qt refuses to allocate more than this for one picture: the largest picture we accept, as
// 32-bit pixels, and a little room.
constexpr int AllocationLimitMegabytes = 450;

// A pixel that is not fully opaque is shown over the background: a*c + (1 - a)*b per channel, with
// a = alpha/255 in single precision, the same mix as for PNG pictures.
std::uint32_t MixChannel(std::uint32_t channel, std::uint32_t backgroundChannel, float a) {
    const float own = a * static_cast<float>(channel);
    const float behind = (1.0f - a) * static_cast<float>(backgroundChannel);
    return static_cast<std::uint32_t>(std::clamp(static_cast<int>(own + behind), 0, 255));
}

std::uint32_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}
std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// What we check of a BMP before Qt sees it: the size (Qt's reader would otherwise try for it) and,
// for pictures stored without compression, that every row is there (Qt fills a short file's missing
// rows silently). Pictures with the rare 52- and 56-byte headers, which are the common 40-byte header
// with the colour masks inside it, are handed over as that 40-byte header, which Qt reads.
std::optional<DecodeError> CheckBmp(std::span<const std::uint8_t> b, QByteArray& patched) {
    if (b.size() < 26) return DecodeError::Truncated;
    const std::uint32_t pixelsAt = Le32(b, 10);
    const std::uint32_t headerSize = Le32(b, 14);
    std::int64_t width = 0, height = 0;
    std::uint32_t bitsPerPixel = 0, compression = 0;
    if (headerSize == 12) {  // OS/2 1.x core header: 16-bit sizes
        width = Le16(b, 18);
        height = Le16(b, 20);
        bitsPerPixel = Le16(b, 24);
    } else if (headerSize >= 16) {
        if (b.size() < 14 + std::min<std::size_t>(headerSize, 40)) return DecodeError::Truncated;
        width = static_cast<std::int32_t>(Le32(b, 18));
        height = static_cast<std::int32_t>(Le32(b, 22));
        bitsPerPixel = Le16(b, 28);
        if (headerSize >= 20) compression = Le32(b, 30);
    } else {
        return DecodeError::Corrupt;
    }
    if (width <= 0 || height == 0) return DecodeError::Corrupt;
    if (!PictureSizeAllowed(width, std::abs(height))) return DecodeError::TooLarge;

    constexpr std::uint32_t Uncompressed = 0, Bitfields = 3, AlphaBitfields = 6;
    const bool raw = compression == Uncompressed || compression == Bitfields || compression == AlphaBitfields;
    if (raw && bitsPerPixel >= 1 && bitsPerPixel <= 32) {
        const std::int64_t stride = (width * bitsPerPixel + 31) / 32 * 4;
        if (static_cast<std::int64_t>(pixelsAt) + stride * std::abs(height) >
            static_cast<std::int64_t>(b.size()))
            return DecodeError::Truncated;
    }
    if ((headerSize == 52 || headerSize == 56) &&
        (compression == Bitfields || compression == AlphaBitfields)) {
        patched = QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
        patched[14] = 40;
        patched[30] = static_cast<char>(Bitfields);
    }
    return std::nullopt;
}

// A walk over a GIF's blocks up to the end of its first image: Qt's reader shows whatever part of
// an image arrived, so a file that breaks off inside the first image is refused here.
std::optional<DecodeError> CheckGif(std::span<const std::uint8_t> b) {
    if (b.size() < 13) return DecodeError::Truncated;
    const std::uint32_t screenWidth = Le16(b, 6), screenHeight = Le16(b, 8);
    if (screenWidth == 0 || screenHeight == 0) return DecodeError::Corrupt;
    if (!PictureSizeAllowed(screenWidth, screenHeight)) return DecodeError::TooLarge;
    std::size_t at = 13;
    if (b[10] & 0x80) at += 3u << ((b[10] & 7) + 1);
    auto skipSubBlocks = [&]() -> bool {
        while (at < b.size()) {
            const std::size_t length = b[at++];
            if (length == 0) return true;
            at += length;
        }
        return false;
    };
    while (at < b.size()) {
        const std::uint8_t introducer = b[at++];
        if (introducer == 0x21) {  // extension: its label, then data sub-blocks
            if (at >= b.size()) return DecodeError::Truncated;
            ++at;
            if (!skipSubBlocks()) return DecodeError::Truncated;
        } else if (introducer == 0x2C) {  // the first image
            if (at + 9 > b.size()) return DecodeError::Truncated;
            const std::uint8_t flags = b[at + 8];
            at += 9;
            if (flags & 0x80) at += 3u << ((flags & 7) + 1);
            if (at >= b.size()) return DecodeError::Truncated;
            const std::uint8_t codeSize = b[at++];
            if (codeSize < 1 || codeSize > 8) return DecodeError::Corrupt;
            return skipSubBlocks() ? std::nullopt : std::optional(DecodeError::Truncated);
        } else {
            return DecodeError::Corrupt;  // the trailer or a stray byte before any image
        }
    }
    return DecodeError::Truncated;
}

DecodeError ReasonFor(QImageReader::ImageReaderError error) {
    switch (error) {
        case QImageReader::UnsupportedFormatError:
            return DecodeError::UnsupportedVariant;
        case QImageReader::DeviceError:
            return DecodeError::Truncated;
        default:
            return DecodeError::Corrupt;
    }
}

}  // namespace

DecodeResult DecodeWithQt(std::span<const std::uint8_t> bytes, PictureFormat format,
                          CanvasColour background) {
    const char* name = QtFormatName(format);
    if (name == nullptr) return DecodeError::UnknownFormat;
    QByteArray patched;
    std::optional<DecodeError> refused;
    if (format == PictureFormat::Bmp) refused = CheckBmp(bytes, patched);
    if (format == PictureFormat::Gif) refused = CheckGif(bytes);
    if (refused) return *refused;
    // The reader works on the caller's bytes in place; nothing is copied unless patched.
    const QByteArray data = !patched.isEmpty()
                                ? patched
                                : QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) return DecodeError::Corrupt;
    QImageReader reader(&buffer, name);
    reader.setDecideFormatFromContent(false);
    reader.setAllocationLimit(AllocationLimitMegabytes);
    // No canRead() here: Qt's icon reader answers no for some cursors that it then reads well, and
    // our own first-bytes detection has already named the format.

    // Ask the header's size first, so a giant picture is refused before any pixel memory exists.
    const QSize announced = reader.size();
    if (announced.isValid() && !PictureSizeAllowed(announced.width(), announced.height()))
        return DecodeError::TooLarge;

    // Qt's BMP reader leaves the pixels that an RLE picture skips (deltas, early end of line or
    // picture) as whatever the fresh buffer held, so the same file would show differently from run
    // to run. It reuses an image of the right size and format, so hand it one already cleared:
    // skipped pixels then take the first palette colour, every time.
    QImage image;
    const QImage::Format announcedFormat = reader.imageFormat();
    if (announced.isValid() && announcedFormat != QImage::Format_Invalid) {
        image = QImage(announced, announcedFormat);
        if (!image.isNull()) image.fill(0);
    }
    if (!reader.read(&image) || image.isNull()) return ReasonFor(reader.error());
    if (!PictureSizeAllowed(image.width(), image.height())) return DecodeError::TooLarge;

    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return DecodeError::TooLarge;  // no memory for the conversion
    Picture picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    const auto bg = static_cast<std::uint32_t>(background);
    const float f = 1.0f / 255.0f;
    for (int y = 0; y < picture.height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        CanvasColour* out = &picture.pixels[static_cast<std::size_t>(y) * picture.width];
        for (int x = 0; x < picture.width; ++x) {
            const QRgb pixel = in[x];
            std::uint32_t r = static_cast<std::uint32_t>(qRed(pixel));
            std::uint32_t g = static_cast<std::uint32_t>(qGreen(pixel));
            std::uint32_t b = static_cast<std::uint32_t>(qBlue(pixel));
            const int alpha = qAlpha(pixel);
            if (alpha != 255) {  // transparent icon pixels show the background
                const float a = static_cast<float>(alpha) * f;
                r = MixChannel(r, bg & 0xFF, a);
                g = MixChannel(g, (bg >> 8) & 0xFF, a);
                b = MixChannel(b, (bg >> 16) & 0xFF, a);
            }
            out[x] = static_cast<CanvasColour>(r | (g << 8) | (b << 16));
        }
    }
    return picture;
}

}  // namespace marksheet
