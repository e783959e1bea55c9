// The floor under the batch reader's speed: the same JPEG files decoded by libjpeg alone into memory,
// nothing else.
//   batch_jpeg_limit --decode FILE...   prints: files decoded, seconds, sheets per second
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// clang-format off
#include <cstddef>  // libjpeg's header needs size_t and FILE declared before it
#include <cstdio>
#include <jpeglib.h>
// clang-format on

namespace {

struct ErrorExit {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

void ReturnToCaller(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorExit*>(info->err)->back, 1);
}

// Decodes one JPEG into RGB rows in memory; returns the pixel count, 0 on failure.
std::size_t DecodeJpeg(const std::vector<unsigned char>& bytes, std::vector<unsigned char>& pixels) {
    jpeg_decompress_struct info{};
    ErrorExit error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = ReturnToCaller;
    if (setjmp(error.back)) {
        jpeg_destroy_decompress(&info);
        return 0;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const std::size_t stride = static_cast<std::size_t>(info.output_width) * info.output_components;
    pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    const std::size_t count = static_cast<std::size_t>(info.output_width) * info.output_height;
    jpeg_destroy_decompress(&info);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--decode") {
        // Files are read into memory first: the batch reader's figure includes reading them, but the
        // page cache makes that small next to decoding.
        std::vector<std::vector<unsigned char>> files;
        for (std::size_t i = 1; i < args.size(); ++i) {
            std::ifstream in(args[i], std::ios::binary);
            files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        std::vector<unsigned char> pixels;
        std::size_t decoded = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const auto& bytes : files) decoded += DecodeJpeg(bytes, pixels) > 0;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%zu %.3f %.1f\n", decoded, seconds, static_cast<double>(decoded) / seconds);
        return decoded == files.size() ? 0 : 1;
    }
    std::fprintf(stderr, "usage: batch_jpeg_limit --decode FILE...\n");
    return 2;
}
