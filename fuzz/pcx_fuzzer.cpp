// Fuzzes our own PCX decoder alone, and checks that what it returns is a whole picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const marksheet::DecodeResult result = marksheet::DecodePcx({data, size});
    if (const auto* picture = std::get_if<marksheet::Picture>(&result)) {
        if (!marksheet::PictureSizeAllowed(picture->width, picture->height) ||
            picture->pixels.size() != static_cast<std::size_t>(picture->width) * picture->height)
            std::abort();
        for (marksheet::CanvasColour c : picture->pixels)
            if (static_cast<std::uint32_t>(c) >> 24 != 0) std::abort();
    }
    return 0;
}
