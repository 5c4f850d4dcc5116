#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <tuple>

#include "common/MemoryLimit.h"
#include "io/Bmp.h"
#include "io/IoTestUtil.h"

namespace velmora {
namespace {

using testing::Get32;
using testing::Noise;
using testing::Put16;
using testing::Put32;

// Builds a BMP file the way other programs write them, independently of our writer.
struct ForeignBmp {
    std::uint32_t headerSize = 40;
    int width = 0;
    int height = 0;  // negative for top-down
    int bpp = 24;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> palette{};  // 0x00RRGGBB
    std::vector<std::uint32_t> masks{};  // red, green, blue
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint8_t> pixels{};  // exactly as stored

    std::vector<std::uint8_t> Build() const {
        const bool core = headerSize == 12;
        // Masks follow a 40-byte header or fill the end of a longer one; the color table comes next.
        const std::size_t head = core ? 12 : std::max<std::size_t>(headerSize, 40 + 4 * masks.size());
        const std::size_t entry = core ? 3 : 4, off = 14 + head + entry * palette.size();
        std::vector<std::uint8_t> b(off, 0);
        b[0] = 'B';
        b[1] = 'M';
        Put32(b, 2, static_cast<std::uint32_t>(off + pixels.size()));
        Put32(b, 10, static_cast<std::uint32_t>(off));
        Put32(b, 14, headerSize);
        // The old core header holds its sizes in 16 bits, the others in 32.
        const std::size_t step = core ? 2 : 4;
        (core ? Put16 : Put32)(b, 18, static_cast<std::uint32_t>(width));
        (core ? Put16 : Put32)(b, 18 + step, static_cast<std::uint32_t>(height));
        Put16(b, 18 + 2 * step, 1);
        Put16(b, 20 + 2 * step, static_cast<std::uint32_t>(bpp));
        if (!core) {
            Put32(b, 30, compression);
            Put32(b, 34, static_cast<std::uint32_t>(pixels.size()));
            Put32(b, 46, colorsUsed);
        }
        for (std::size_t i = 0; i < masks.size(); ++i) Put32(b, 54 + 4 * i, masks[i]);
        for (std::size_t i = 0; i < palette.size(); ++i)
            for (int c = 0; c < 3; ++c) b[14 + head + entry * i + c] = static_cast<std::uint8_t>(palette[i] >> 8 * c);
        b.insert(b.end(), pixels.begin(), pixels.end());
        return b;
    }
};

// Packs values of `bpp` bits, most significant first, into rows padded to 4 bytes;
// `values` is row-major top to bottom, rows are stored bottom-up unless topDown.
std::vector<std::uint8_t> PackRows(const std::vector<std::uint32_t>& values, int w, int h, int bpp,
                                   bool topDown = false) {
    const std::size_t stride = (static_cast<std::size_t>(w) * bpp + 31) / 32 * 4;
    std::vector<std::uint8_t> out(stride * h, 0);
    for (int r = 0; r < h; ++r) {
        const int y = topDown ? r : h - 1 - r;
        std::uint8_t* row = out.data() + stride * r;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = values[static_cast<std::size_t>(y) * w + x];
            if (bpp >= 8) {
                for (int i = 0; i < bpp / 8; ++i) row[x * bpp / 8 + i] = static_cast<std::uint8_t>(v >> (8 * i));
            } else {
                const int bit = x * bpp;
                row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bpp - bit % 8));
            }
        }
    }
    return out;
}

Bitmap Decode(const std::vector<std::uint8_t>& file, std::size_t* consumed = nullptr) {
    Bitmap out;
    std::size_t used = 0;
    std::string error;
    EXPECT_TRUE(DecodeBmp(file.data(), file.size(), out, used, error)) << error;
    if (consumed) *consumed = used;
    return out;
}

void ExpectPixel(const Bitmap& bmp, int x, int y, std::uint32_t rgb) {
    const std::uint8_t* p = bmp.Pixel(x, y);
    EXPECT_EQ(std::uint32_t(p[2] << 16 | p[1] << 8 | p[0]), rgb) << "pixel " << x << "," << y;
}

std::uint32_t Scaled(std::uint32_t v, int bits) {
    return static_cast<std::uint32_t>(std::lround(v * 255.0 / ((1u << bits) - 1)));
}

TEST(BmpWriter, ProducesTheProjectLayout) {
    Bitmap bmp = Noise(3, 2, 1);
    // Dirty row padding must not leak into the file.
    bmp.Row(0)[9] = bmp.Row(0)[10] = bmp.Row(0)[11] = 0xEE;
    const std::vector<std::uint8_t> f = EncodeBmp(bmp);
    ASSERT_EQ(f.size(), 54u + 12 * 2);
    EXPECT_EQ(f.size(), EncodedBmpSize(3, 2));
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    // Offset, value: size, reserved, pixel offset, header size, width, height (positive:
    // bottom-up), compression, colors used (no color table).
    for (const auto& [at, value] : {std::pair<std::size_t, std::uint32_t>{2, 78}, {6, 0}, {10, 54}, {14, 40}, {18, 3},
                                    {22, 2}, {30, 0}, {46, 0}})
        EXPECT_EQ(Get32(f, at), value) << "offset " << at;
    EXPECT_EQ(f[26] | f[27] << 8, 1);
    EXPECT_EQ(f[28] | f[29] << 8, 24);
    // The bottom row comes first, then three zero padding bytes.
    for (int r = 0; r < 2; ++r)
        for (int i = 0; i < 12; ++i) EXPECT_EQ(f[54 + 12 * r + i], i < 9 ? bmp.Row(1 - r)[i] : 0) << r << " " << i;
}

TEST(BmpWriter, RoundTripsEveryRowPadding) {
    for (int w = 1; w <= 6; ++w)
        for (int h = 1; h <= 3; ++h) {
            const Bitmap bmp = Noise(w, h, w * 10 + h);
            std::size_t consumed = 0;
            const std::vector<std::uint8_t> f = EncodeBmp(bmp);
            EXPECT_EQ(Decode(f, &consumed), bmp) << w << "x" << h;
            EXPECT_EQ(consumed, f.size());
        }
}

// The old core header stores three bytes a color; the others four.
TEST(BmpReader, PaletteDepthsOneFourAndEightAndTheOldCoreHeader) {
    std::mt19937 rng(7);
    for (const auto& [bpp, headerSize] : {std::pair{1, 40u}, {4, 40u}, {8, 40u}, {8, 12u}}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits, header " + std::to_string(headerSize));
        const int w = 13, h = 5;
        ForeignBmp layout{.headerSize = headerSize, .width = w, .height = h, .bpp = bpp};
        // The 8-bit files hold fewer colors than an index can reach: those are black.
        const int colors = bpp == 8 ? 200 : 1 << bpp;
        for (int i = 0; i < colors; ++i) layout.palette.push_back(rng() & 0xFFFFFF);
        if (headerSize == 40 && bpp == 8) layout.colorsUsed = colors;
        std::vector<std::uint32_t> idx(w * h);
        for (auto& v : idx) v = rng() % (1u << bpp);
        layout.pixels = PackRows(idx, w, h, bpp);
        const Bitmap bmp = Decode(layout.Build());
        ASSERT_EQ(bmp.Width(), w);
        ASSERT_EQ(bmp.Height(), h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint32_t i = idx[y * w + x];
                ExpectPixel(bmp, x, y, i < layout.palette.size() ? layout.palette[i] : 0);
            }
    }
}

// Each channel of a 16- or 32-bit pixel is the bits of its mask, scaled to eight bits
// with rounding; without masks, 16 bits are 5-5-5 and 32 bits ignore the fourth byte.
TEST(BmpReader, SixteenAndThirtyTwoBitsDefaultAndBitFields) {
    struct Case {
        const char* name;
        int bpp;
        std::uint32_t headerSize;
        std::vector<std::uint32_t> masks, meaning;  // as stored, and as the pixels are to be read
    };
    const Case cases[] = {
        {"16 bits", 16, 40, {}, {0x7C00, 0x03E0, 0x001F}},
        {"16 bits 5-6-5", 16, 40, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x001F}},
        {"32 bits", 32, 40, {}, {0xFF0000, 0xFF00, 0xFF}},
        // Channels in another order inside a 56-byte header: red lowest, blue highest.
        {"32 bits, masks in the header", 32, 56, {0xFF, 0xFF00, 0xFF0000}, {0xFF, 0xFF00, 0xFF0000}},
    };
    std::mt19937 rng(3);
    const int w = 5, h = 3;
    std::vector<std::uint32_t> v(w * h);
    for (auto& p : v) p = rng();
    v[0] = 0xFFFFFFFF;
    v[1] = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForeignBmp layout{.headerSize = c.headerSize, .width = w, .height = h, .bpp = c.bpp,
                          .compression = c.masks.empty() ? 0u : 3u, .masks = c.masks};
        layout.pixels = PackRows(v, w, h, c.bpp);
        const Bitmap b = Decode(layout.Build());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint32_t rgb = 0;
                for (const std::uint32_t m : c.meaning)
                    rgb = rgb << 8 | Scaled((v[y * w + x] & m) >> std::countr_zero(m), std::popcount(m));
                ExpectPixel(b, x, y, rgb);
            }
        ExpectPixel(b, 0, 0, 0xFFFFFF);
        ExpectPixel(b, 1, 0, 0);
    }
}

// A file whose masks name an alpha channel is laid over white, as a PNG picture with
// alpha is: a transparent background must not come out as whatever color the
// transparent pixels happen to hold (black, mostly). Writers that declare an alpha
// mask and leave every alpha value zero mean an opaque picture.
TEST(BmpReader, AnAlphaChannelIsLaidOverWhite) {
    const int w = 4, h = 2;
    // Opaque red, transparent black, half-transparent blue, transparent with a color.
    const std::vector<std::uint32_t> argb{0xFFFF0000, 0x00000000, 0x800000FF, 0x00123456,
                                          0xFF00FF00, 0xFF808080, 0x40FFFFFF, 0xC0000000};
    const std::vector<std::uint32_t> overWhite{0xFF0000, 0xFFFFFF, 0x7F7FFF, 0xFFFFFF,
                                               0x00FF00, 0x808080, 0xFFFFFF, 0x3F3F3F};
    const std::vector<std::uint32_t> masks{0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    struct Case {
        const char* name;
        std::uint32_t headerSize, compression;
    };
    for (const Case& c : {Case{"bit fields in a 124-byte header", 124, 3},
                          Case{"bit fields in a 56-byte header", 56, 3},
                          Case{"alpha bit fields after a 40-byte header", 40, 6}}) {
        SCOPED_TRACE(c.name);
        ForeignBmp layout{.headerSize = c.headerSize, .width = w, .height = h, .bpp = 32,
                          .compression = c.compression, .masks = masks};
        layout.pixels = PackRows(argb, w, h, 32);
        const Bitmap b = Decode(layout.Build());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ExpectPixel(b, x, y, overWhite[y * w + x]);

        std::vector<std::uint32_t> noAlpha = argb;
        for (auto& p : noAlpha) p &= 0xFFFFFF;
        layout.pixels = PackRows(noAlpha, w, h, 32);
        const Bitmap opaque = Decode(layout.Build());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ExpectPixel(opaque, x, y, noAlpha[y * w + x]);
    }
    // Sixteen bits with one bit of alpha: 1-5-5-5.
    ForeignBmp sixteen{.headerSize = 56, .width = 2, .height = 1, .bpp = 16, .compression = 3,
                       .masks = {0x7C00, 0x03E0, 0x001F, 0x8000}};
    sixteen.pixels = PackRows({0xFC00, 0x001F}, 2, 1, 16);
    const Bitmap b16 = Decode(sixteen.Build());
    ExpectPixel(b16, 0, 0, 0xFF0000);
    ExpectPixel(b16, 1, 0, 0xFFFFFF);
}

TEST(BmpReader, RunLengthEightAndFourBits) {
    // Palette entry i is i * 0x111111 (8 bits) or i * 0x0F0F0F (4 bits), except that entry 0
    // of the 8-bit file is grey, to tell it from a skipped (black) pixel.
    struct Case {
        int width, bpp;
        std::vector<std::uint8_t> pixels;
        std::vector<std::vector<int>> rows;  // palette indices, top row first; -1 is black
    };
    const Case cases[] = {
        {6, 8,
         {4, 1, 0, 3, 2, 3, 4, 0,  // run, then an absolute run past the edge (padded)
          0, 0,                    // end of line
          0, 2, 2, 1,              // jump 2 right and 1 up: the rest of row 1 stays black
          2, 5, 0, 1},             // run, end of bitmap
         {{-1, -1, 5, 5, -1, -1}, {-1, -1, -1, -1, -1, -1}, {1, 1, 1, 1, 2, 3}}},
        {7, 4,
         {5, 0x12, 0, 3, 0x34, 0x50, 0, 0,  // alternating run, absolute 3 nibbles
          0, 4, 0x67, 0x89, 3, 0xAB, 0, 1},
         {{6, 7, 8, 9, 10, 11, 10}, {1, 2, 1, 2, 1, 3, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bpp);
        const int h = static_cast<int>(c.rows.size());
        ForeignBmp layout{.width = c.width, .height = h, .bpp = c.bpp, .compression = c.bpp == 8 ? 1u : 2u};
        const std::uint32_t step = c.bpp == 8 ? 0x111111 : 0x0F0F0F;
        for (std::uint32_t i = 0; i < (1u << c.bpp) && i < 16; ++i)
            layout.palette.push_back(i == 0 && c.bpp == 8 ? 0x777777 : i * step);
        layout.pixels = c.pixels;
        const Bitmap b = Decode(layout.Build());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < c.width; ++x)
                ExpectPixel(b, x, y, c.rows[y][x] < 0 ? 0 : c.rows[y][x] * step);
    }
}

TEST(BmpReader, ReportsHowManyBytesTheBitmapOccupies) {
    const std::vector<std::uint8_t> a = EncodeBmp(Noise(2, 2, 1));
    const std::vector<std::uint8_t> b = EncodeBmp(Noise(3, 1, 2));
    std::vector<std::uint8_t> two = a;
    two.insert(two.end(), b.begin(), b.end());
    std::size_t consumed = 0;
    Decode(two, &consumed);
    EXPECT_EQ(consumed, a.size());

    // A size field of zero or one reaching past the data: the pixels' end counts.
    for (std::uint32_t bogus : {0u, 1u, 0xFFFFFFFFu}) {
        std::vector<std::uint8_t> f = two;
        Put32(f, 2, bogus);
        Decode(f, &consumed);
        EXPECT_EQ(consumed, a.size()) << bogus;
    }
    // Data the file declares after its pixels belongs to it.
    std::vector<std::uint8_t> f = a;
    f.resize(a.size() + 10, 0x5A);
    Put32(f, 2, static_cast<std::uint32_t>(f.size()));
    Decode(f, &consumed);
    EXPECT_EQ(consumed, f.size());
}

void ExpectRejected(const std::vector<std::uint8_t>& file, const std::string& what) {
    Bitmap out = Noise(2, 2, 99);
    const Bitmap before = out;
    std::size_t consumed = 12345;
    std::string error;
    EXPECT_FALSE(DecodeBmp(file.data(), file.size(), out, consumed, error)) << what;
    EXPECT_FALSE(error.empty()) << what;
    EXPECT_EQ(out, before) << what;
    EXPECT_EQ(consumed, 12345u) << what;
}

TEST(BmpReader, RejectsEveryTruncationAndLeavesTheOutputAlone) {
    ForeignBmp pal{.width = 4, .height = 3, .bpp = 8, .palette = {1, 2, 3}};
    pal.pixels = PackRows(std::vector<std::uint32_t>(12, 1), 4, 3, 8);
    ForeignBmp rle{.width = 4, .height = 2, .bpp = 8, .compression = 1, .palette = {1, 2}};
    rle.pixels = {4, 1, 0, 0, 2, 1, 0, 1};
    for (const auto& file : {EncodeBmp(Noise(4, 3, 5)), pal.Build()})
        for (std::size_t n = 0; n < file.size(); ++n)
            ExpectRejected({file.begin(), file.begin() + n}, "prefix " + std::to_string(n));
    // The compressed file is complete once its second row has begun being filled.
    const std::vector<std::uint8_t> r = rle.Build();
    for (std::size_t n = 0; n < r.size() - 4; ++n)
        ExpectRejected({r.begin(), r.begin() + n}, "rle " + std::to_string(n));
}

// A file on disk is read straight into the picture's rows, in pieces of many rows.
// Whatever the file's layout, the picture must be the one the file holds, as the
// in-memory decoder makes it too: rows in either order, padding that is not zero or
// that the last row lacks, more rows than one piece takes. A file cut short fails by
// name and leaves the picture alone.
TEST(BmpReader, FilesReadStraightIntoRowsMatchTheDecoder) {
    testing::TempDir dir;
    const int w = 5, h = 2500;  // rows padded by one byte; several pieces of rows
    const Bitmap truth = Noise(w, h, 7);
    Bitmap upsideDown(w, h);
    for (int y = 0; y < h; ++y) std::copy_n(truth.Row(h - 1 - y), 3 * w, upsideDown.Row(y));
    const std::vector<std::uint8_t> bottomUp = EncodeBmp(truth);
    const std::size_t stride = 3 * w + 1, offBits = Get32(bottomUp, 10);
    std::vector<std::uint8_t> dirtyPadding = bottomUp;
    for (int r = 0; r < h; ++r) dirtyPadding[offBits + stride * r + 3 * w] = static_cast<std::uint8_t>(r | 1);
    dirtyPadding.pop_back();  // the last row's padding is missing
    // The same rows, declared top-down: the picture comes out upside down.
    ForeignBmp topDown{.width = w, .height = -h};
    topDown.pixels.assign(bottomUp.begin() + static_cast<std::ptrdiff_t>(offBits), bottomUp.end());
    const std::tuple<const char*, std::vector<std::uint8_t>, const Bitmap&> files[] = {
        {"bottom-up", bottomUp, truth},
        {"dirty padding", dirtyPadding, truth},
        {"top-down", topDown.Build(), upsideDown}};
    const std::string path = dir.File("tall.bmp");
    for (const auto& [what, bytes, expected] : files) {
        SCOPED_TRACE(what);
        testing::Spit(path, bytes);
        Bitmap read;
        std::string error;
        EXPECT_TRUE(ReadBmpFile(path, read, error)) << error;
        EXPECT_TRUE(read == expected);
        EXPECT_TRUE(Decode(bytes) == expected);
        int paddedRows = 0;  // a bitmap's own padding is always zero
        for (int y = 0; y < read.Height(); ++y) paddedRows += read.Row(y)[3 * w] != 0;
        EXPECT_EQ(paddedRows, 0);

        testing::Spit(path, {bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(stride) * 100});
        Bitmap kept = Noise(3, 2, 1);
        EXPECT_FALSE(ReadBmpFile(path, kept, error));
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_TRUE(kept == Noise(3, 2, 1));
    }
}

TEST(BmpReader, RefusesHostileHeadersBeforeAllocating) {
    const std::vector<std::uint8_t> good = EncodeBmp(Noise(4, 4, 1));
    auto patched = [&](std::size_t at, std::uint32_t v) {
        std::vector<std::uint8_t> f = good;
        Put32(f, at, v);
        return f;
    };
    const std::tuple<std::size_t, std::uint32_t, const char*> hostile[] = {
        {18, 30001, "too wide"}, {22, 0x80000000u, "most negative height"},
        {18, static_cast<std::uint32_t>(-4), "negative width"}, {22, 0, "no height"}, {28, 2, "two bits"},
        {30, 4, "embedded JPEG"}, {30, 1, "run-length at 24 bits"}, {10, 20, "pixels inside the header"},
        {10, 1000, "pixels past the end"}, {14, 200, "unknown header"}};
    for (const auto& [at, v, what] : hostile) ExpectRejected(patched(at, v), what);
    ExpectRejected({'B', 'A', 0, 0}, "not a bitmap");

    // 20000 x 20000 is allowed a side but not within a 64 MiB budget.
    SetPictureMemoryLimit(std::size_t(64) << 20);
    std::vector<std::uint8_t> big = patched(18, 20000);
    Put32(big, 22, 20000);
    ExpectRejected(big, "over the memory limit");
    SetPictureMemoryLimit(0);
}

}  // namespace
}  // namespace velmora
