// JPEG pictures through libjpeg, read from memory one scanline at a time.
#include <bit>
#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include "Decoders.h"

// jpeglib.h needs size_t and FILE declared before it, and jerror.h (the message codes we tell apart)
// comes after it; clang-format must not reorder these.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace marksheet {

namespace {

static_assert(std::endian::native == std::endian::little && sizeof(CanvasColour) == 4,
              "colour JPEG rows are decoded as RGBX straight into CanvasColour values");

// libjpeg's default error handler prints and ends the process; ours goes back to the decoder's
// setjmp point with the reason, and keeps every message off stderr.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    DecodeError reason;
};

JpegErrorManager& ErrorsOf(j_common_ptr info) {
    return *reinterpret_cast<JpegErrorManager*>(info->err);
}

DecodeError ReasonFor(int messageCode) {
    switch (messageCode) {
        case JERR_INPUT_EMPTY:
        case JERR_INPUT_EOF:
        case JERR_NO_IMAGE:
            return DecodeError::Truncated;
        case JERR_BAD_PRECISION:  // 12-bit and other sample precisions
        case JERR_NOT_COMPILED:
        case JERR_ARITH_NOTIMPL:
        case JERR_NO_ARITH_TABLE:
            return DecodeError::UnsupportedVariant;
        case JERR_BAD_J_COLORSPACE:
        case JERR_CONVERSION_NOTIMPL:
            return DecodeError::UnsupportedColourSpace;
        case JERR_IMAGE_TOO_BIG:
        case JERR_WIDTH_OVERFLOW:
        case JERR_OUT_OF_MEMORY:
        case JERR_NO_BACKING_STORE:
            return DecodeError::TooLarge;
        default:
            return DecodeError::Corrupt;
    }
}

[[noreturn]] void LeaveOnError(j_common_ptr info) {
    JpegErrorManager& errors = ErrorsOf(info);
    // A header cut short makes the memory source insert an end marker and warn first; the error
    // that follows ("no SOS marker" and the like) is then really the truncation.
    if (errors.reason != DecodeError::Truncated) errors.reason = ReasonFor(info->err->msg_code);
    std::longjmp(errors.jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
    // level -1 is a warning about damaged data. A stream that breaks off only earns a warning from
    // libjpeg (it pads the rest with grey); for us a picture that breaks off is no picture, so we
    // stop at once rather than decode padding. Other corrupt-data warnings still decode.
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
        ErrorsOf(info).reason = DecodeError::Truncated;
        std::longjmp(ErrorsOf(info).jump, 1);
    }
}

void Silent(j_common_ptr) {}

// Frees libjpeg's decompressor whatever way the decoder leaves.
struct DecompressGuard {
    jpeg_decompress_struct* info;
    ~DecompressGuard() { jpeg_destroy_decompress(info); }
};

// libjpeg's own working memory (progressive coefficient buffers above all) is bounded too: a
// picture at the size limit needs well under this.
constexpr long JpegWorkingMemory = 1536L * 1024 * 1024;

// The part of decoding that libjpeg may leave by longjmp. Nothing here has a destructor, so the jump
// skips nothing; everything with a lifetime (the pixels, the guard) belongs to the caller.
// Returns false with errors.reason set on failure.
bool ReadScanlines(jpeg_decompress_struct& info, JpegErrorManager& errors,
                   std::span<const std::uint8_t> bytes, Picture& picture) {
    if (setjmp(errors.jump)) return false;
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = JpegWorkingMemory;
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);

    if (!PictureSizeAllowed(info.image_width, info.image_height)) {
        errors.reason = DecodeError::TooLarge;
        return false;
    }
    if (info.num_components == 1 && info.jpeg_color_space == JCS_GRAYSCALE) {
        info.out_color_space = JCS_GRAYSCALE;
    } else if (info.num_components == 3 &&
               (info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB)) {
        // Four bytes a pixel, red first: on a little-endian machine that is a CanvasColour but for
        // the top byte, which libjpeg-turbo leaves undefined and we clear. libjpeg then writes
        // straight into the picture's rows, with no copy or repacking of ours.
        info.out_color_space = JCS_EXT_RGBX;
    } else {
        errors.reason = DecodeError::UnsupportedColourSpace;
        return false;
    }

    jpeg_start_decompress(&info);
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    const int channels = info.output_components;
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    // A grey picture comes one byte a pixel through a row buffer from libjpeg's pool, freed with
    // the decompressor; a colour picture needs none.
    JSAMPARRAY greyRow = channels == 1
                             ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                         static_cast<JDIMENSION>(width), 1)
                             : nullptr;
    while (info.output_scanline < info.output_height) {
        const auto y = static_cast<std::size_t>(info.output_scanline);
        CanvasColour* out = &picture.pixels[y * static_cast<std::size_t>(width)];
        JSAMPROW target = channels == 1 ? greyRow[0] : reinterpret_cast<JSAMPROW>(out);
        if (jpeg_read_scanlines(&info, &target, 1) != 1) {
            errors.reason = DecodeError::Truncated;
            return false;
        }
        if (channels == 1) {
            const JSAMPLE* in = greyRow[0];
            for (int x = 0; x < width; ++x) out[x] = static_cast<CanvasColour>(in[x] * 0x010101u);
        } else {
            for (int x = 0; x < width; ++x) out[x] &= 0x00FFFFFF;
        }
    }
    jpeg_finish_decompress(&info);
    picture.width = width;
    picture.height = height;
    return true;
}

}  // namespace

DecodeResult DecodeJpeg(std::span<const std::uint8_t> bytes) {
    jpeg_decompress_struct info{};
    JpegErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = LeaveOnError;
    errors.base.emit_message = OnMessage;
    errors.base.output_message = Silent;
    errors.reason = DecodeError::Corrupt;
    DecompressGuard guard{&info};
    Picture picture;
    if (!ReadScanlines(info, errors, bytes, picture)) return errors.reason;
    return picture;
}

}  // namespace marksheet
