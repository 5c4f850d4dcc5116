#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

#include <cstdlib>
#include <random>
#include <thread>

#include "common/LargeBlocks.h"
#include "common/MemoryLimit.h"
#include "common/Sanitizer.h"
#include "io/IoTestUtil.h"
#include "io/Jpeg.h"
#include "support/Child.h"
#include "support/LowMemory.h"

namespace velmora {
namespace {

using test::Gradient;

double MeanError(const Bitmap& a, const Bitmap& b) {
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int i = 0; i < a.Width() * 3; ++i) sum += std::abs(a.Row(y)[i] - b.Row(y)[i]);
    return sum / (a.Width() * a.Height() * 3.0);
}

std::vector<std::uint8_t> Encoded(const Bitmap& bmp) {
    std::vector<std::uint8_t> out;
    std::string error;
    EXPECT_TRUE(EncodeJpeg(bmp, kJpegQuality, out, error)) << error;
    return out;
}

// The picture in `f`, which must decode.
Bitmap Picture(const std::vector<std::uint8_t>& f) {
    Bitmap b;
    std::string error;
    EXPECT_TRUE(DecodeJpeg(f.data(), f.size(), b, error)) << error;
    return b;
}

// Writes a JPEG in another color space with libjpeg directly, as other programs do.
// `sampling` gives the luminance's horizontal and vertical factors (the chroma's are
// 1), 0 for the library's defaults.
std::vector<std::uint8_t> EncodeRaw(int w, int h, int components, J_COLOR_SPACE space,
                                    const std::vector<std::uint8_t>& pixels, std::pair<int, int> sampling = {0, 0},
                                    bool progressive = false) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&cinfo, &buffer, &length);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (sampling.first > 0) {
        cinfo.comp_info[0].h_samp_factor = sampling.first;
        cinfo.comp_info[0].v_samp_factor = sampling.second;
    }
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + cinfo.next_scanline * w * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + length);
    std::free(buffer);
    return out;
}

// Pixels of a bitmap packed row after row, as EncodeRaw takes them.
std::vector<std::uint8_t> Packed(const Bitmap& b) {
    std::vector<std::uint8_t> packed;
    for (int y = 0; y < b.Height(); ++y) packed.insert(packed.end(), b.Row(y), b.Row(y) + 3 * b.Width());
    return packed;
}

// Position of the first marker 0xFF `code`, or npos.
std::size_t FindMarker(const std::vector<std::uint8_t>& f, std::uint8_t code) {
    for (std::size_t i = 0; i + 1 < f.size(); ++i)
        if (f[i] == 0xFF && f[i + 1] == code) return i;
    return std::string::npos;
}

TEST(Jpeg, RoundTripKeepsSizeAndColorsInABaselineFileAtQualityNinety) {
    const Bitmap src = Gradient(37, 23);  // sizes that are not multiples of the block size
    const std::vector<std::uint8_t> f = Encoded(src);
    const Bitmap back = Picture(f);
    ASSERT_EQ(back.Width(), 37);
    ASSERT_EQ(back.Height(), 23);
    EXPECT_LT(MeanError(src, back), 4.0);
    // Blue is x and red x + y: at the far corner they differ enough that swapped
    // channels show.
    const std::uint8_t* corner = back.Pixel(36, 22);
    EXPECT_NEAR(corner[0], 36, 8);
    EXPECT_NEAR(corner[1], 22, 8);
    EXPECT_NEAR(corner[2], 58, 8);

    EXPECT_NE(FindMarker(f, 0xC0), std::string::npos);  // baseline frame
    EXPECT_EQ(FindMarker(f, 0xC2), std::string::npos);  // not progressive
    const std::size_t dqt = FindMarker(f, 0xDB);
    ASSERT_NE(dqt, std::string::npos);
    // At quality 90 the first luminance step is 16 * 20 % rounded: 3.
    EXPECT_EQ(f[dqt + 5], 3);
}

// A large picture is encoded in bands joined by restart markers; it must decode to
// exactly the pixels of the picture encoded in one piece with the same settings:
// sizes that are not whole coded units, more than eight bands (the markers' numbers
// wrap), and the automatic choice for a picture of a megapixel.
TEST(Jpeg, BandsJoinedByRestartMarkersDecodeLikeOnePiece) {
    auto onePiece = [](const Bitmap& b) { return EncodeRaw(b.Width(), b.Height(), 3, JCS_EXT_BGR, Packed(b)); };
    const Bitmap narrow = testing::Noise(37, 200, 4);  // 13 rows of coded units
    for (const int bands : {2, 3, 13, 40}) {
        std::vector<std::uint8_t> f;
        ASSERT_TRUE(EncodeJpegInBands(narrow, 95, bands, f)) << bands;
        EXPECT_NE(FindMarker(f, 0xDD), std::string::npos);
        EXPECT_TRUE(Picture(f) == Picture(onePiece(narrow))) << bands << " bands";
    }
    std::vector<std::uint8_t> none;
    EXPECT_FALSE(EncodeJpegInBands(testing::Noise(40, 16, 1), 95, 4, none)) << "one row of coded units";

    const Bitmap large = testing::Noise(1100, 1000, 9);
    std::vector<std::uint8_t> automatic;
    std::string error;
    ASSERT_TRUE(EncodeJpeg(large, 95, automatic, error)) << error;
    if (std::thread::hardware_concurrency() >= 2) {
        EXPECT_NE(FindMarker(automatic, 0xDD), std::string::npos);
    }
    EXPECT_TRUE(Picture(automatic) == Picture(onePiece(large)));
}

// What decoding gives with splitting allowed or not: success, message and pixels.
struct Decoded {
    bool ok = false;
    std::string error;
    Bitmap bitmap;
    friend bool operator==(const Decoded&, const Decoded&) = default;
};
Decoded DecodeSplitOrNot(const std::vector<std::uint8_t>& f, bool split) {
    const bool before = AllowSplitJpegDecoding(split);
    Decoded d;
    d.bitmap = testing::Noise(2, 2, 3);
    d.ok = DecodeJpeg(f.data(), f.size(), d.bitmap, d.error);
    AllowSplitJpegDecoding(before);
    return d;
}

// A large picture may be decoded in two parts at once, the lower one by a second
// decoder that skips the rows above; every layout it takes must give the pixels of
// one decoder, and a fault in either part the same failure.
TEST(Jpeg, DecodingInTwoPartsGivesThePixelsOfOnePiece) {
    // Just over a megapixel, and not whole coded units.
    const Bitmap noise = testing::Noise(1031, 1025, 6);
    const std::vector<std::uint8_t> packed = Packed(noise);
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
    for (const auto& [h, v] : {std::pair{1, 1}, std::pair{2, 1}, std::pair{1, 2}, std::pair{2, 2}})
        files.emplace_back("sampling " + std::to_string(h) + "x" + std::to_string(v),
                           EncodeRaw(noise.Width(), noise.Height(), 3, JCS_EXT_BGR, packed, {h, v}));
    std::vector<std::uint8_t> gray(packed.size() / 3);
    for (std::size_t i = 0; i < gray.size(); ++i) gray[i] = packed[3 * i];
    files.emplace_back("gray", EncodeRaw(noise.Width(), noise.Height(), 1, JCS_GRAYSCALE, gray));
    files.emplace_back("progressive", EncodeRaw(noise.Width(), noise.Height(), 3, JCS_EXT_BGR, packed, {2, 2}, true));
    std::vector<std::uint8_t> banded;
    ASSERT_TRUE(EncodeJpegInBands(noise, 90, 7, banded));
    files.emplace_back("restart markers", banded);

    for (const auto& [name, f] : files) {
        const Decoded whole = DecodeSplitOrNot(f, false);
        ASSERT_TRUE(whole.ok) << name << ": " << whole.error;
        EXPECT_TRUE(DecodeSplitOrNot(f, true) == whole) << name;
        // Cut short or damaged in the lower part, in the upper part, and at the end.
        for (const double at : {0.4, 0.9, 0.999}) {
            const std::size_t n = static_cast<std::size_t>(static_cast<double>(f.size()) * at);
            const std::vector<std::uint8_t> cut(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(n));
            const Decoded cutWhole = DecodeSplitOrNot(cut, false);
            EXPECT_FALSE(cutWhole.ok) << name << " cut at " << at;
            EXPECT_TRUE(DecodeSplitOrNot(cut, true) == cutWhole) << name << " cut at " << at;
            std::vector<std::uint8_t> damaged = f;
            for (std::size_t i = n; i < std::min(n + 64, f.size() - 2); ++i)
                damaged[i] = static_cast<std::uint8_t>(i * 37);
            EXPECT_TRUE(DecodeSplitOrNot(damaged, true) == DecodeSplitOrNot(damaged, false))
                << name << " damaged at " << at;
        }
    }
}

TEST(Jpeg, GrayAndCmykFilesBecomeColor) {
    // The gray file is 40 in its upper half and 200 in its lower. Adobe-style CMYK stores
    // inverted ink: the left half is red (magenta and yellow), the right dark grey
    // through black ink alone.
    std::vector<std::uint8_t> gray, cmyk;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            gray.push_back(y < 8 ? 40 : 200);
            const bool left = x < 8;
            for (const int ink : {0, left ? 255 : 0, left ? 255 : 0, left ? 0 : 191})
                cmyk.push_back(static_cast<std::uint8_t>(255 - ink));
        }
    const Bitmap g = Picture(EncodeRaw(16, 16, 1, JCS_GRAYSCALE, gray));
    const Bitmap c = Picture(EncodeRaw(16, 16, 4, JCS_CMYK, cmyk));
    ASSERT_EQ(g.Width(), 16);
    ASSERT_EQ(c.Width(), 16);
    EXPECT_NEAR(g.Pixel(3, 1)[0], 40, 3);
    EXPECT_EQ(g.Pixel(3, 1)[0], g.Pixel(3, 1)[2]);
    EXPECT_NEAR(g.Pixel(3, 14)[1], 200, 3);
    EXPECT_NEAR(c.Pixel(2, 8)[2], 255, 4);
    EXPECT_NEAR(c.Pixel(2, 8)[1], 0, 4);
    EXPECT_NEAR(c.Pixel(2, 8)[0], 0, 4);
    for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(c.Pixel(13, 8)[ch], 64, 4);
}

// The decoder's reason for refusing `data`, or "accepted"; a refusal must leave the
// output alone and say why.
std::string Refusal(const std::vector<std::uint8_t>& data, const std::string& what) {
    const Bitmap before = testing::Noise(3, 3, 1);
    Bitmap out = before;
    std::string error;
    if (DecodeJpeg(data.data(), data.size(), out, error)) return "accepted";
    EXPECT_EQ(out, before) << what;
    EXPECT_FALSE(error.empty()) << what;
    return error;
}

TEST(Jpeg, CutCorruptOrHugeDataIsRefusedAndTheOutputLeftAlone) {
    const std::vector<std::uint8_t> f = Encoded(Gradient(64, 48));
    ASSERT_EQ(Refusal(f, "whole"), "accepted");
    // Every cut is refused, not filled with grey. The decoder reads ahead at the end
    // of the data, so even a file that lacks only its end marker counts as cut.
    const std::size_t sos = FindMarker(f, 0xDA);
    for (std::size_t n = 0; n < f.size(); n += (n < sos ? 7 : 1))
        EXPECT_NE(Refusal({f.begin(), f.begin() + n}, "cut at " + std::to_string(n)), "accepted");
    std::vector<std::uint8_t> junk(500);
    std::mt19937 rng(5);
    for (auto& b : junk) b = static_cast<std::uint8_t>(rng());
    junk[0] = 0xFF;
    junk[1] = 0xD8;
    EXPECT_NE(Refusal(junk, "junk"), "accepted");

    // A header that claims a huge picture is refused before anything is allocated.
    const std::size_t sof = FindMarker(f, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    auto withSize = [&](int w, int h) {
        std::vector<std::uint8_t> g = f;
        g[sof + 5] = static_cast<std::uint8_t>(h >> 8);
        g[sof + 6] = static_cast<std::uint8_t>(h);
        g[sof + 7] = static_cast<std::uint8_t>(w >> 8);
        g[sof + 8] = static_cast<std::uint8_t>(w);
        return g;
    };
    EXPECT_PRED_FORMAT2(::testing::IsSubstring, "30000", Refusal(withSize(40000, 16), "too wide"));
    // Pixel data that stops at a marker before the picture is whole: a header that
    // claims more than the data holds, or data cut out before the end marker. Both
    // came out as grey fill reported as a picture.
    EXPECT_PRED_FORMAT2(::testing::IsSubstring, "ends early", Refusal(withSize(3000, 3000), "larger than its data"));
    std::vector<std::uint8_t> gap(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(sos + (f.size() - sos) / 2));
    gap.insert(gap.end(), {0xFF, 0xD9});
    EXPECT_PRED_FORMAT2(::testing::IsSubstring, "ends early", Refusal(gap, "data cut before the end marker"));
    SetPictureMemoryLimit(std::size_t(16) << 20);
    EXPECT_PRED_FORMAT2(::testing::IsSubstring, "memory", Refusal(withSize(20000, 20000), "over the limit"));
    SetPictureMemoryLimit(0);
}

}  // namespace
// Encoding as memory runs out, at every point of the growing output: each attempt
// ends with a picture or a refusal. The library's own memory destination freed a
// buffer it still handed back, and its owner then freed it a second time.
TEST(Jpeg, EncodingShortOfMemoryFailsCleanlyWhereverItRunsOut) {
#ifdef VELMORA_UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizers' allocators need more address space than a cap leaves";
#else
    const Bitmap noise = testing::Noise(1600, 1200, 7);
    for (std::size_t headroom = 256 << 10; headroom <= (std::size_t{24} << 20); headroom = headroom * 5 / 4) {
        const std::string said = test::InChild([&]() -> std::string {
            ReleaseKeptBlocks();
            test::AddressSpaceCap cap(headroom);
            std::vector<std::uint8_t> out;
            std::string error;
            if (EncodeJpeg(noise, kJpegQuality, out, error)) return "encoded";
            return error.empty() ? "refused without a reason" : "refused";
        });
        EXPECT_TRUE(said == "encoded" || said == "refused") << headroom << ": " << (said.empty() ? "crashed" : said);
    }
#endif
}

}  // namespace velmora
