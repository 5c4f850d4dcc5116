#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <fstream>

#include "common/MemoryLimit.h"
#include "io/IoTestUtil.h"
#include "io/Png.h"
#include "support/Child.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A PNG as other programs write it, made with libpng's own writer rather than ours.
struct RawPng {
    int width = 0, height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlaced = false;
    std::vector<int> samples{};  // row-major, channel by channel, as stored (R, G, B order)
    std::vector<png_color> palette{};
    std::vector<png_byte> paletteAlpha{};
    bool hasTransparentColor = false;
    png_color_16 transparentColor{};

    // One index for a palette; otherwise gray or three colors, and maybe alpha.
    int Channels() const {
        if (colorType & PNG_COLOR_MASK_PALETTE) return 1;
        return (colorType & PNG_COLOR_MASK_COLOR ? 3 : 1) + (colorType & PNG_COLOR_MASK_ALPHA ? 1 : 0);
    }
    // Samples packed most significant bit first, 16 bits big-endian, rows to whole bytes.
    Bytes Row(int y) const {
        const int n = width * Channels();
        Bytes row((static_cast<std::size_t>(n) * depth + 7) / 8, 0);
        for (int i = 0; i < n; ++i) {
            const int v = samples[static_cast<std::size_t>(y) * n + i];
            if (depth == 16) {
                row[2 * i] = static_cast<std::uint8_t>(v >> 8);
                row[2 * i + 1] = static_cast<std::uint8_t>(v);
            } else {
                const int bit = i * depth;
                row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - depth - bit % 8));
            }
        }
        return row;
    }
    Bytes Write() const {
        Bytes out;
        std::vector<Bytes> rows;
        for (int y = 0; y < height; ++y) rows.push_back(Row(y));
        std::vector<png_bytep> pointers;
        for (Bytes& r : rows) pointers.push_back(r.data());
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            ADD_FAILURE() << "libpng refused to write the test picture";
            png_destroy_write_struct(&png, &info);
            return {};
        }
        png_set_write_fn(
            png, &out,
            [](png_structp p, png_bytep data, png_size_t n) {
                auto* v = static_cast<Bytes*>(png_get_io_ptr(p));
                v->insert(v->end(), data, data + n);
            },
            [](png_structp) {});
        png_set_IHDR(png, info, width, height, depth, colorType,
                     interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        if (!paletteAlpha.empty())
            png_set_tRNS(png, info, paletteAlpha.data(), static_cast<int>(paletteAlpha.size()), nullptr);
        if (hasTransparentColor) png_set_tRNS(png, info, nullptr, 0, &transparentColor);
        png_write_info(png, info);
        png_set_interlace_handling(png);
        png_write_image(png, pointers.data());
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        return out;
    }
};

Bitmap Decoded(const Bytes& file) {
    Bitmap out;
    std::string error;
    EXPECT_TRUE(DecodePng(file.data(), file.size(), out, error)) << error;
    return out;
}

// Blue, green, red of one decoded pixel, for readable comparisons.
std::vector<int> Bgr(const Bitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Pixel(x, y);
    return {p[0], p[1], p[2]};
}

// The first row of a picture, pixel by pixel, against blue, green, red triples.
void ExpectFirstRow(const Bitmap& bmp, const std::vector<std::vector<int>>& bgr) {
    for (std::size_t x = 0; x < bgr.size(); ++x) EXPECT_EQ(Bgr(bmp, static_cast<int>(x), 0), bgr[x]) << "pixel " << x;
}

// Our file, read back with libpng's simplified reader as RGB, as a picture.
Bitmap ReadWithLibpng(const Bytes& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    EXPECT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size()));
    image.format = PNG_FORMAT_RGB;
    Bytes rgb(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    const int w = static_cast<int>(image.width);
    Bitmap b(w, static_cast<int>(image.height));
    for (std::size_t i = 0; i < rgb.size(); ++i)
        b.Pixel(static_cast<int>(i / 3 % w), static_cast<int>(i / 3 / w))[2 - i % 3] = rgb[i];
    return b;
}

void PutBig32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

TEST(Png, OurFilesAreEightBitRgbThatWeAndLibpngReadBackExactly) {
    for (const auto& [w, h] : {std::pair{1, 1}, {3, 2}, {37, 23}, {5, 40}}) {
        const Bitmap src = testing::Noise(w, h, static_cast<unsigned>(w * 100 + h));
        Bytes file;
        std::string error;
        ASSERT_TRUE(EncodePng(src, file, error)) << error;
        EXPECT_EQ(file[24], 8) << "bit depth";
        EXPECT_EQ(file[25], PNG_COLOR_TYPE_RGB);
        EXPECT_EQ(file[28], PNG_INTERLACE_NONE);
        EXPECT_EQ(Decoded(file), src) << w << "x" << h;
        EXPECT_EQ(ReadWithLibpng(file), src) << w << "x" << h << " read by libpng";
    }
}

TEST(Png, GrayAndPaletteFilesOfEveryDepth) {
    // 9 pixels a row, so the low depths end in a part-filled byte.
    for (int depth : {1, 2, 4, 8}) {
        const int max = (1 << depth) - 1;
        RawPng gray{9, 2, PNG_COLOR_TYPE_GRAY, depth};
        for (int i = 0; i < 18; ++i) gray.samples.push_back(i * 7 % (max + 1));
        const Bitmap g = Decoded(gray.Write());
        for (int i = 0; i < 18; ++i) {
            const int v = gray.samples[i] * 255 / max;
            ASSERT_EQ(Bgr(g, i % 9, i / 9), (std::vector<int>{v, v, v})) << "depth " << depth << " pixel " << i;
        }
        RawPng pal{9, 1, PNG_COLOR_TYPE_PALETTE, depth};
        for (int i = 0; i <= max; ++i)
            pal.palette.push_back(png_color{std::uint8_t(i * 13), std::uint8_t(255 - i), std::uint8_t(i * 3)});
        for (int i = 0; i < 9; ++i) pal.samples.push_back((i * 5) % (max + 1));
        const Bitmap p = Decoded(pal.Write());
        for (int x = 0; x < 9; ++x) {
            const png_color c = pal.palette[pal.samples[x]];
            ASSERT_EQ(Bgr(p, x, 0), (std::vector<int>{c.blue, c.green, c.red})) << "depth " << depth;
        }
    }
}

TEST(Png, SixteenBitSamplesAreScaledWithRounding) {
    // Every 16-bit value once: the result is the nearest 8-bit value, not the high byte.
    RawPng gray{256, 256, PNG_COLOR_TYPE_GRAY, 16};
    for (int v = 0; v < 65536; ++v) gray.samples.push_back(v);
    const Bitmap g = Decoded(gray.Write());
    for (int v = 0; v < 65536; ++v)
        ASSERT_EQ(g.Pixel(v % 256, v / 256)[1], (v * 255 + 32767) / 65535) << v;

    RawPng rgb{1, 1, PNG_COLOR_TYPE_RGB, 16, false, {0x12FF, 0x0080, 0xFFFF}};
    ExpectFirstRow(Decoded(rgb.Write()), {{255, 0, 19}});
}

TEST(Png, TransparencyIsLaidOverWhite) {
    // 200, 100, 0 at alpha 128 of 255: 255 - 128 + c * 128 / 255, rounded; in the last
    // pixel 1 * 200 / 255 is 0.78, rounded up, not cut.
    RawPng rgba{4, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, false,
                {200, 100, 0, 128, 10, 20, 30, 255, 10, 20, 30, 0, 1, 254, 128, 200}};
    ExpectFirstRow(Decoded(rgba.Write()), {{127, 177, 227}, {30, 20, 10}, {255, 255, 255}, {155, 254, 56}});
    RawPng rgba16{1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, {200 * 257, 100 * 257, 0, 128 * 257}};
    ExpectFirstRow(Decoded(rgba16.Write()), {{127, 177, 227}});
    RawPng grayAlpha{2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {0, 51, 90, 255}};
    ExpectFirstRow(Decoded(grayAlpha.Write()), {{204, 204, 204}, {90, 90, 90}});

    // A palette with a transparent and a half-transparent entry; entries past the
    // alpha table are opaque.
    RawPng pal{4, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {0, 1, 2, 3}};
    pal.palette = {{255, 0, 0}, {0, 0, 0}, {0, 0, 200}, {1, 2, 3}};
    pal.paletteAlpha = {255, 0, 128};
    ExpectFirstRow(Decoded(pal.Write()), {{0, 0, 255}, {255, 255, 255}, {227, 127, 127}, {3, 2, 1}});

    // One transparent color in an RGB file.
    RawPng key{2, 1, PNG_COLOR_TYPE_RGB, 8, false, {7, 8, 9, 7, 8, 10}};
    key.hasTransparentColor = true;
    key.transparentColor = png_color_16{.index = 0, .red = 7, .green = 8, .blue = 9, .gray = 0};
    ExpectFirstRow(Decoded(key.Write()), {{255, 255, 255}, {10, 8, 7}});
}

TEST(Png, InterlacedFilesGiveTheSamePictureAsPlainOnes) {
    for (int colorType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA, PNG_COLOR_TYPE_GRAY}) {
        RawPng plain{13, 11, colorType, colorType == PNG_COLOR_TYPE_GRAY ? 1 : 8};
        const int n = 13 * 11 * plain.Channels();
        for (int i = 0; i < n; ++i)
            plain.samples.push_back(colorType == PNG_COLOR_TYPE_GRAY ? i % 3 % 2 : i * 37 % 256);
        RawPng interlaced = plain;
        interlaced.interlaced = true;
        const Bytes file = interlaced.Write();
        ASSERT_EQ(file[28], PNG_INTERLACE_ADAM7);
        EXPECT_EQ(Decoded(file), Decoded(plain.Write())) << "color type " << colorType;
    }
}

TEST(Png, BadFilesAreRefusedWithAMessageAndTheOutputUntouched) {
    const Bitmap before = testing::Noise(3, 3, 1);
    auto refusal = [&](const Bytes& data) {
        Bitmap out = before;
        std::string error;
        if (DecodePng(data.data(), data.size(), out, error)) return std::string("accepted");
        EXPECT_EQ(out, before);
        EXPECT_FALSE(error.empty());
        return error;
    };
    Bytes file;
    std::string error;
    ASSERT_TRUE(EncodePng(testing::Noise(40, 30, 2), file, error)) << error;

    // Every cut that loses pixel data is refused; losing only the end chunk (12 bytes)
    // loses nothing of the picture.
    for (std::size_t n = 1; n + 12 < file.size(); ++n)
        ASSERT_NE(refusal({file.begin(), file.begin() + n}).find("cut short"), std::string::npos) << n;
    EXPECT_EQ(Decoded({file.begin(), file.end() - 12}), Decoded(file));

    EXPECT_NE(refusal({}).find("empty"), std::string::npos);
    EXPECT_NE(refusal({'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}).find("not a PNG"), std::string::npos);

    // A damaged byte in the pixel data fails its checksum.
    Bytes damaged = file;
    damaged[file.size() - 30] ^= 0x40;
    EXPECT_NE(refusal(damaged), "accepted");

    // A header that claims a huge picture, with a valid checksum, is refused by its size.
    auto withSize = [&](std::uint32_t w, std::uint32_t h) {
        Bytes g = file;
        PutBig32(g, 16, w);
        PutBig32(g, 20, h);
        PutBig32(g, 29, static_cast<std::uint32_t>(crc32(0, g.data() + 12, 17)));
        return g;
    };
    EXPECT_NE(refusal(withSize(100000, 100000)).find("30000"), std::string::npos);
    SetPictureMemoryLimit(std::size_t(16) << 20);
    EXPECT_NE(refusal(withSize(20000, 20000)).find("memory"), std::string::npos);
    SetPictureMemoryLimit(0);
}

// The peak of the address space this process has mapped, from the kernel's count.
std::size_t PeakAddressSpace() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmPeak:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
    return 0;
}

TEST(Png, AChunkThatClaimsGigabytesReservesNothingForThem) {
    // A suggested-palette chunk declaring almost 2 GB, in a file of a few hundred bytes:
    // libpng sizes that chunk's buffer from the declared length before reading it.
    Bytes file;
    std::string error;
    ASSERT_TRUE(EncodePng(testing::Noise(8, 8, 3), file, error)) << error;
    const Bytes chunk{0x73, 0x73, 0x73, 0x73, 's', 'P', 'L', 'T', 'x', 0, 8};
    file.insert(file.begin() + 33, chunk.begin(), chunk.end());
    // Counted in a process of its own, whose peak starts where it was forked.
    const std::string answer = test::InChild([&] {
        const std::size_t before = PeakAddressSpace();
        Bitmap out;
        std::string why;
        const bool decoded = DecodePng(file.data(), file.size(), out, why);
        const std::size_t grown = PeakAddressSpace() - before;
        return std::string(decoded ? "decoded" : why) + "; grown " + std::to_string(grown >> 20) + " MiB";
    });
    EXPECT_NE(answer.find("cut short"), std::string::npos) << answer;
    const std::size_t at = answer.find("grown ");
    ASSERT_NE(at, std::string::npos) << answer;
    EXPECT_LT(std::stoul(answer.substr(at + 6)), 256u) << answer;
}

}  // namespace
}  // namespace velmora
