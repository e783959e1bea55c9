// Decoded pixels against values known without our decoders: a sheet-like test pattern in every
// format, other decoders' renderings of corpus files, the PNG alpha mix worked by hand, the size
// limits on hand-made headers, and our PCX decoder's strictness on hand-made files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QBuffer>
#include <QImage>
#include <cstdlib>
#include <sstream>

#include "DecodeTestSupport.h"
#include "Decoders.h"
#include "SheetCanvas.h"

namespace marksheet::testing {
namespace {

constexpr CanvasColour Rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}
int Red(CanvasColour c) {
    return c & 0xFF;
}
int Green(CanvasColour c) {
    return (c >> 8) & 0xFF;
}
int Blue(CanvasColour c) {
    return (c >> 16) & 0xFF;
}

// The sheet-like pattern of tests/samples/sheet-formats (80 x 100), as it was drawn: white paper, two
// black corner marks, a grey and a dark blue box, a red square, and two one-pixel black lines.
CanvasColour SheetPatternColour(int x, int y) {
    auto in = [&](int left, int top, int right, int bottom) {
        return x >= left && x <= right && y >= top && y <= bottom;
    };
    if (in(4, 4, 9, 9) || in(70, 90, 75, 95) || in(10, 60, 69, 60) || in(64, 30, 64, 50)) return Rgb(0, 0, 0);
    if (in(20, 30, 39, 39)) return Rgb(128, 128, 128);
    if (in(50, 10, 59, 19)) return Rgb(255, 0, 0);
    if (in(10, 70, 29, 79)) return Rgb(0, 0, 128);
    return Rgb(255, 255, 255);
}

// Largest per-channel difference between two pictures of the same size, with where it is.
struct Difference {
    int largest = 0;
    int x = -1, y = -1;
};
Difference Compare(const Picture& a, const Picture& b) {
    Difference d;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const CanvasColour p = a.pixels[static_cast<std::size_t>(y) * a.width + x];
            const CanvasColour q = b.pixels[static_cast<std::size_t>(y) * b.width + x];
            const int worst = std::max(
                {std::abs(Red(p) - Red(q)), std::abs(Green(p) - Green(q)), std::abs(Blue(p) - Blue(q))});
            if (worst > d.largest) d = {worst, x, y};
        }
    return d;
}

Picture SheetPattern() {
    Picture p{80, 100, {}};
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 80; ++x) p.pixels.push_back(SheetPatternColour(x, y));
    return p;
}

struct SheetFile {
    const char* name;
    int tolerance;  // per channel; lossy JPEG only
};

void PrintTo(const SheetFile& file, std::ostream* out) {
    *out << file.name;
}

class SheetInEveryFormat : public ::testing::TestWithParam<SheetFile> {};

TEST_P(SheetInEveryFormat, DecodesToTheDrawnPattern) {
    const auto bytes = ReadWholeFile(SamplesDir() / "sheet-formats" / GetParam().name);
    ASSERT_FALSE(bytes.empty()) << GetParam().name;
    const Picture picture = DecodeOrFail(bytes, TestBackground, GetParam().name);
    ASSERT_EQ(picture.width, 80);
    ASSERT_EQ(picture.height, 100);
    const Difference d = Compare(picture, SheetPattern());
    EXPECT_LE(d.largest, GetParam().tolerance) << "at " << d.x << "," << d.y;
}

INSTANTIATE_TEST_SUITE_P(Formats, SheetInEveryFormat,
                         ::testing::Values(SheetFile{"sheet.png", 0}, SheetFile{"sheet.bmp", 0},
                                           SheetFile{"sheet.gif", 0}, SheetFile{"sheet.pcx", 0},
                                           SheetFile{"sheet.jpg", 12}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             return name.substr(name.find('.') + 1);
                         });

std::vector<CanvasColour> ShownOnCanvas(const std::string& file) {
    SheetCanvas canvas(TestBackground);
    const auto bytes = ReadWholeFile(SamplesDir() / "sheet-formats" / file);
    canvas.SetPicture(bytes);
    canvas.Repaint();
    EXPECT_FALSE(canvas.LastDecodeError().has_value()) << file;
    EXPECT_EQ(canvas.Placement(), (PicturePlacement{160, 200, 80, 100})) << file;
    return canvas.Snapshot();
}

TEST(SheetCanvasFormats, TheSameSheetShowsTheSamePixelsWhateverItsFormat) {
    const std::vector<CanvasColour> png = ShownOnCanvas("sheet.png");
    for (const char* file : {"sheet.bmp", "sheet.gif", "sheet.pcx"})
        EXPECT_TRUE(ShownOnCanvas(file) == png) << file << " differs from the PNG";
    const std::vector<CanvasColour> jpeg = ShownOnCanvas("sheet.jpg");
    ASSERT_EQ(jpeg.size(), png.size());
    int largest = 0;
    for (std::size_t i = 0; i < png.size(); ++i)
        largest =
            std::max({largest, std::abs(Red(png[i]) - Red(jpeg[i])), std::abs(Green(png[i]) - Green(jpeg[i])),
                      std::abs(Blue(png[i]) - Blue(jpeg[i]))});
    EXPECT_LE(largest, 12);
}

TEST(SheetCanvasFormats, ASheetThatBreaksOffLeavesOnlyTheBackground) {
    for (const char* file : {"sheet.png", "sheet.bmp", "sheet.gif", "sheet.pcx", "sheet.jpg"}) {
        std::vector<std::uint8_t> bytes = ReadWholeFile(SamplesDir() / "sheet-formats" / file);
        bytes.resize(bytes.size() * 2 / 3);
        SheetCanvas canvas(TestBackground);
        canvas.SetPicture(bytes);
        canvas.Repaint();
        EXPECT_TRUE(canvas.LastDecodeError().has_value()) << file;
        for (int pass = 0; pass < 2; ++pass) {  // and so it stays through later repaints
            const std::vector<CanvasColour> shown = canvas.Snapshot();
            EXPECT_EQ(std::count(shown.begin(), shown.end(), TestBackground), CanvasWidth * CanvasHeight)
                << file;
            canvas.Invalidate(WholeCanvas);
            canvas.Repaint();
        }
    }
}

// Corpus files and another decoder's rendering of them (PNG templates, raw RGBA), all opaque.
struct Rendering {
    const char* file;
    const char* reference;
    int tolerance = 0;  // 5- and 6-bit channels may be widened to 8 bits by shifting or by scaling
};

Picture ReadRawRgba(const std::filesystem::path& path, int width, int height) {
    const auto bytes = ReadWholeFile(path);
    Picture p{width, height, {}};
    if (bytes.size() != static_cast<std::size_t>(width) * height * 4) return {};
    for (std::size_t i = 0; i < bytes.size(); i += 4)
        p.pixels.push_back(Rgb(bytes[i], bytes[i + 1], bytes[i + 2]));
    return p;
}

void PrintTo(const Rendering& rendering, std::ostream* out) {
    *out << rendering.file;
}

class CorpusRendering : public ::testing::TestWithParam<Rendering> {};

TEST_P(CorpusRendering, MatchesAnotherDecodersRendering) {
    const auto corpus = CorpusDir();
    if (!corpus)
        GTEST_SKIP()
            << "picture corpus not found: pass --corpus=DIR (CMake cache variable MARKSHEET_CORPUS_DIR)";
    const Rendering& r = GetParam();
    const Picture picture = DecodeOrFail(ReadWholeFile(*corpus / r.file), TestBackground, r.file);
    const std::string reference = r.reference;
    const Picture expected =
        reference.ends_with(".rgba")
            ? ReadRawRgba(*corpus / reference, picture.width, picture.height)
            : DecodeOrFail(ReadWholeFile(*corpus / reference), TestBackground, reference);
    ASSERT_EQ(picture.width, expected.width) << r.file;
    ASSERT_EQ(picture.height, expected.height) << r.file;
    const Difference d = Compare(picture, expected);
    EXPECT_LE(d.largest, r.tolerance) << r.file << " at " << d.x << "," << d.y;
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, CorpusRendering,
    ::testing::Values(
        Rendering{"bmp/image-rs/Core_4_Bit.bmp", "bmp/image-rs/reference/Core_4_Bit.bmp.png"},
        Rendering{"bmp/image-rs/Info_8_Bit.bmp", "bmp/image-rs/reference/Info_8_Bit.bmp.png"},
        Rendering{"bmp/image-rs/Info_R8_G8_B8_Top_Down.bmp",
                  "bmp/image-rs/reference/Info_R8_G8_B8_Top_Down.bmp.png"},
        Rendering{"bmp/image-rs/Info_X1_R5_G5_B5.bmp", "bmp/image-rs/reference/Info_X1_R5_G5_B5.bmp.png", 7},
        Rendering{"bmp/image-rs/V3_R5_G6_B5.bmp", "bmp/image-rs/reference/V3_R5_G6_B5.bmp.png", 7},
        Rendering{"bmp/image-rs/V3_X8_R8_G8_B8_Top_Down.bmp",
                  "bmp/image-rs/reference/V3_X8_R8_G8_B8_Top_Down.bmp.png"},
        Rendering{"pcx/image-rs/256-palette.pcx", "pcx/image-rs/reference/256-palette.pcx.7308a650.png"},
        Rendering{"pcx/kimageformats/indexed8.pcx", "pcx/kimageformats/reference/indexed8.png"},
        Rendering{"pcx/kimageformats/ccbug_463951.pcx", "pcx/kimageformats/reference/ccbug_463951.png"},
        Rendering{"pcx/derived/mono_v3.pcx", "pcx/kimageformats/reference/mono.png"},
        Rendering{"gif/pygif/255-codes.gif", "gif/pygif/reference/random-image.rgba"},
        Rendering{"gif/pygif/4095-codes.gif", "gif/pygif/reference/random-image.rgba"},
        Rendering{"gif/pygif/large-codes.gif", "gif/pygif/reference/random-image.rgba"},
        Rendering{"gif/pygif/all-reds.gif", "gif/pygif/reference/all-reds.rgba"},
        Rendering{"ico/image-rs/png_rgb8.ico", "ico/image-rs/reference/png_rgb8.ico.png"}),
    [](const auto& info) {
        std::string name;
        for (char c : std::string(info.param.file))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(JpegDecoding, GreyJpegShowsInGrey) {
    const auto corpus = CorpusDir();
    if (!corpus)
        GTEST_SKIP()
            << "picture corpus not found: pass --corpus=DIR (CMake cache variable MARKSHEET_CORPUS_DIR)";
    const Picture grey =
        DecodeOrFail(ReadWholeFile(*corpus / "jpeg/pillow/hopper_gray.jpg"), TestBackground, "grey");
    ASSERT_EQ(grey.width, 128);
    int distinct = 0;
    for (CanvasColour c : grey.pixels) {
        ASSERT_TRUE(Red(c) == Green(c) && Green(c) == Blue(c)) << std::hex << c;
        distinct += Red(c) != Red(grey.pixels[0]);
    }
    EXPECT_GT(distinct, 0);
}

// ---- PNG alpha ----

std::vector<std::uint8_t> EncodeWithQt(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return {data.begin(), data.end()};
}

TEST(PngAlpha, TransparencyShowsTheBackgroundMixedByTheRule) {
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 0, 0, 0));       // fully transparent red
    image.setPixel(1, 0, qRgba(0, 0, 255, 255));     // opaque blue
    image.setPixel(2, 0, qRgba(10, 200, 100, 128));  // half transparent
    const Picture p = DecodeOrFail(EncodeWithQt(image, "PNG"), TestBackground, "alpha PNG");
    ASSERT_EQ(p.pixels.size(), 3u);
    EXPECT_EQ(p.pixels[0], TestBackground);
    EXPECT_EQ(p.pixels[1], Rgb(0, 0, 255));
    // Background (212, 208, 200); a = 128 * f = 0.50196...:
    // red 0.50196*10 + 0.49804*212 = 110.6, green 100.39 + 103.59 = 203.98, blue 50.20 + 99.61 = 149.8.
    EXPECT_EQ(p.pixels[2], Rgb(110, 203, 149));
}

// ---- size limits on hand-made headers ----

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    return {values.begin(), values.end()};
}
void PutLe16(std::vector<std::uint8_t>& b, std::size_t at, int v) {
    b[at] = v & 0xFF;
    b[at + 1] = (v >> 8) & 0xFF;
}
void PutLe32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

std::vector<std::uint8_t> PngClaiming(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> png =
        Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'});
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back((v >> shift) & 0xFF);
    for (int v : {8, 2, 0, 0, 0}) png.push_back(v);  // 8-bit RGB, no interlace
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back((crc >> shift) & 0xFF);
    // libpng reads on to the first image data before it reports the header: a little IDAT follows.
    const std::size_t idat = png.size();
    for (int v : {0, 0, 0, 8, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00})
        png.push_back(static_cast<std::uint8_t>(v));
    const uLong idatCrc = crc32(0, png.data() + idat + 4, 12);
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back((idatCrc >> shift) & 0xFF);
    for (int v : {0, 0, 0, 0, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82}) png.push_back(v);  // IEND
    return png;
}

std::vector<std::uint8_t> JpegClaiming(int width, int height) {
    // SOI, a baseline frame header of three components, then a scan header and a little data.
    return Bytes({0xFF,
                  0xD8,
                  0xFF,
                  0xC0,
                  0x00,
                  0x11,
                  0x08,
                  height >> 8,
                  height & 0xFF,
                  width >> 8,
                  width & 0xFF,
                  3,
                  1,
                  0x22,
                  0,
                  2,
                  0x11,
                  0,
                  3,
                  0x11,
                  0,
                  0xFF,
                  0xDA,
                  0x00,
                  0x0C,
                  3,
                  1,
                  0x00,
                  2,
                  0x11,
                  3,
                  0x11,
                  0,
                  0x3F,
                  0,
                  0x12,
                  0x34,
                  0x56,
                  0xFF,
                  0xD9});
}

std::vector<std::uint8_t> BmpClaiming(std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> bmp(54 + 64);
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutLe32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
    PutLe32(bmp, 10, 54);
    PutLe32(bmp, 14, 40);
    PutLe32(bmp, 18, static_cast<std::uint32_t>(width));
    PutLe32(bmp, 22, static_cast<std::uint32_t>(height));
    PutLe16(bmp, 26, 1);
    PutLe16(bmp, 28, 24);
    return bmp;
}

std::vector<std::uint8_t> GifClaiming(int width, int height) {
    std::vector<std::uint8_t> gif =
        Bytes({'G', 'I',  'F', '8', '9', 'a', 0, 0, 0, 0, 0x80, 0, 0, 0,    0,    0, 255, 255,
               255, 0x2C, 0,   0,   0,   0,   0, 0, 0, 0, 0,    2, 2, 0x4C, 0x01, 0, 0x3B});
    PutLe16(gif, 6, width);
    PutLe16(gif, 8, height);
    PutLe16(gif, 23, width);
    PutLe16(gif, 25, height);
    return gif;
}

// A PCX header (128 bytes) of one plane, then the given run-length data and, for 8 bits, a palette.
std::vector<std::uint8_t> Pcx(int version, int bitsPerPixel, int width, int height, int bytesPerLine,
                              std::initializer_list<int> data, bool palette = true, int planes = 1) {
    std::vector<std::uint8_t> pcx(128);
    pcx[0] = 0x0A;
    pcx[1] = static_cast<std::uint8_t>(version);
    pcx[2] = 1;
    pcx[3] = static_cast<std::uint8_t>(bitsPerPixel);
    PutLe16(pcx, 8, width - 1);
    PutLe16(pcx, 10, height - 1);
    pcx[65] = static_cast<std::uint8_t>(planes);
    PutLe16(pcx, 66, bytesPerLine);
    for (int v : data) pcx.push_back(static_cast<std::uint8_t>(v));
    if (bitsPerPixel == 8 && palette) {
        pcx.push_back(0x0C);
        for (int i = 0; i < 256; ++i)  // entry i: (i, 255 - i, 7)
            for (int v : {i, 255 - i, 7}) pcx.push_back(static_cast<std::uint8_t>(v));
    }
    return pcx;
}

struct Refusal {
    const char* what;
    std::vector<std::uint8_t> bytes;
    DecodeError expected;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.what;
}

class RefusedPicture : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedPicture, GivesNoPictureWithTheReason) {
    const DecodeResult result = DecodePicture(GetParam().bytes, TestBackground);
    ASSERT_TRUE(std::holds_alternative<DecodeError>(result)) << GetParam().what << " decoded";
    EXPECT_EQ(DecodeErrorName(std::get<DecodeError>(result)), DecodeErrorName(GetParam().expected))
        << GetParam().what;
    // Refused from the header, before memory for pixels (or a claimed chunk) was taken.
    EXPECT_LT(PeakMegabytes(), 200) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    SizeLimits, RefusedPicture,
    ::testing::Values(
        Refusal{"PNG 100000 x 100000", PngClaiming(100000, 100000), DecodeError::TooLarge},
        Refusal{"PNG 16385 x 1", PngClaiming(16385, 1), DecodeError::TooLarge},
        Refusal{"PNG 16384 x 6000 from a few bytes of image data", PngClaiming(16384, 6000),
                DecodeError::Truncated},
        Refusal{"PNG 12000 x 12000 (over 100 million pixels)", PngClaiming(12000, 12000),
                DecodeError::TooLarge},
        // JPEG, PCX and GIF sizes are 16-bit: their largest claim stands for the rest.
        Refusal{"JPEG 65535 x 65535", JpegClaiming(65535, 65535), DecodeError::TooLarge},
        Refusal{"JPEG 16385 x 16", JpegClaiming(16385, 16), DecodeError::TooLarge},
        Refusal{"BMP 100000 x 100000", BmpClaiming(100000, 100000), DecodeError::TooLarge},
        Refusal{"BMP 100000 x -100000 (top-down)", BmpClaiming(100000, -100000), DecodeError::TooLarge},
        Refusal{"GIF 65535 x 65535", GifClaiming(65535, 65535), DecodeError::TooLarge},
        Refusal{"PCX 65535 x 65535", Pcx(5, 8, 65535, 65535, 65535, {0xC1, 0}), DecodeError::TooLarge},
        Refusal{"PCX 1-bit 65535 x 2", Pcx(3, 1, 65535, 2, 8192, {0xC1, 0}), DecodeError::TooLarge}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

INSTANTIATE_TEST_SUITE_P(
    PcxStrictness, RefusedPicture,
    ::testing::Values(
        Refusal{"header cut short",
                [] {
                    auto p = Pcx(3, 1, 8, 1, 1, {0x00});
                    p.resize(100);
                    return p;
                }(),
                DecodeError::Truncated},
        Refusal{"run past the last line", Pcx(5, 8, 4, 2, 4, {0xC9, 1}), DecodeError::Corrupt},
        Refusal{"data ends before the last line", Pcx(5, 8, 4, 2, 4, {0xC4, 1, 2}), DecodeError::Truncated},
        Refusal{"run count byte at the very end", Pcx(3, 1, 8, 2, 1, {0x00, 0xC1}), DecodeError::Truncated},
        Refusal{"no 256-colour palette", Pcx(5, 8, 4, 1, 4, {0xC4, 1}, false), DecodeError::Corrupt},
        Refusal{"palette marker wrong",
                [] {
                    auto p = Pcx(5, 8, 4, 1, 4, {0xC4, 1});
                    p[p.size() - 769] = 0x0B;
                    return p;
                }(),
                DecodeError::Corrupt},
        Refusal{"right edge left of the left edge",
                [] {
                    auto p = Pcx(5, 8, 4, 1, 4, {0xC4, 1});
                    PutLe16(p, 4, 10);
                    return p;
                }(),
                DecodeError::Corrupt},
        Refusal{"bytes per line below the width", Pcx(5, 8, 8, 1, 4, {0xC8, 1}), DecodeError::Corrupt},
        Refusal{"1-bit bytes per line below the width", Pcx(3, 1, 17, 1, 2, {0xC2, 0}), DecodeError::Corrupt},
        Refusal{"three planes", Pcx(5, 8, 4, 1, 4, {0xCC, 1}, true, 3), DecodeError::UnsupportedVariant},
        Refusal{"1-bit in four planes", Pcx(3, 1, 8, 1, 1, {0xC4, 0}, false, 4),
                DecodeError::UnsupportedVariant},
        Refusal{"huge lines from a few bytes", Pcx(5, 8, 16000, 6000, 16000, {0xFF, 1, 0xFF, 1}),
                DecodeError::Truncated}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(PcxDecoding, EightBitPicturesTakeTheirColoursFromTheEndPalette) {
    // 3 x 2 in 4-byte lines: the padding bytes are no pixels. The run of four 2s starts in the first
    // line's padding and goes on into the second line (runs may cross lines; many writers make them).
    const Picture p =
        DecodeOrFail(Pcx(5, 8, 3, 2, 4, {0x05, 0xC2, 0x80, 0xC4, 0x02, 0x09}), TestBackground, "pcx");
    ASSERT_EQ(p.width, 3);
    ASSERT_EQ(p.height, 2);
    EXPECT_EQ(p.pixels, (std::vector<CanvasColour>{Rgb(5, 250, 7), Rgb(128, 127, 7), Rgb(128, 127, 7),  //
                                                   Rgb(2, 253, 7), Rgb(2, 253, 7), Rgb(2, 253, 7)}));
}

TEST(PcxDecoding, OneBitPicturesAreBlackAndWhiteWhateverTheHeaderPalette) {
    auto bytes = Pcx(3, 1, 10, 2, 2, {0xA5, 0xC1, 0xC0, 0x3F, 0xC1, 0xC0});
    // A version 3 picture has no palette; leftovers in the header's palette must not colour it.
    for (int i = 16; i < 22; ++i) bytes[i] = 0x55;
    const Picture p = DecodeOrFail(bytes, TestBackground, "1-bit pcx");
    ASSERT_EQ(p.width, 10);
    const CanvasColour k = Rgb(0, 0, 0), w = Rgb(255, 255, 255);
    EXPECT_EQ(p.pixels, (std::vector<CanvasColour>{w, k, w, k, k, w, k, w, w, w,  //
                                                   k, k, w, w, w, w, w, w, w, w}));
}

// ---- pictures larger than the canvas ----

TEST(LargePicture, FillsTheCanvasAndKeepsAThinDarkLine) {
    QImage image(800, 1000, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));
    for (int x = 100; x < 700; ++x) image.setPixel(x, 501, qRgb(0, 0, 0));  // one pixel high, odd row
    for (int y = 200; y < 800; ++y) image.setPixel(333, y, qRgb(20, 20, 20));
    SheetCanvas canvas(TestBackground);
    canvas.SetPicture(EncodeWithQt(image, "BMP"));
    canvas.Repaint();
    ASSERT_EQ(canvas.Placement(), (PicturePlacement{0, 0, 400, 500}));
    for (int x = 50; x < 350; ++x) ASSERT_EQ(canvas.ReadPixel(x, 250), Rgb(0, 0, 0)) << x;
    for (int y = 100; y < 400; ++y)
        if (y != 250) {  // where the two lines cross
            ASSERT_EQ(canvas.ReadPixel(166, y), Rgb(20, 20, 20)) << y;
        }
    EXPECT_EQ(canvas.ReadPixel(0, 0), Rgb(255, 255, 255));
    EXPECT_EQ(canvas.ReadPixel(399, 499), Rgb(255, 255, 255));
    EXPECT_EQ(canvas.ReadPixel(200, 249), Rgb(255, 255, 255));
}

}  // namespace
}  // namespace marksheet::testing
