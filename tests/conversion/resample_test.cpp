#include <gtest/gtest.h>

#include "conversion/Resample.h"
#include "io/IoTestUtil.h"

namespace velmora {
namespace {

SourcePixels Row(std::initializer_list<std::uint8_t> values) {
    // One row of grey pixels.
    SourcePixels s;
    s.Width = static_cast<int>(values.size());
    s.Height = 1;
    for (std::uint8_t v : values) s.Pixels.insert(s.Pixels.end(), {v, v, v});
    return s;
}

// A row of 31 pixels is padded in the bitmap, so this also shows the stored copy
// leaves the padding out where the resampler does not expect it.
TEST(Resample, OneHundredPercentGivesTheSamePixels) {
    const Bitmap bmp = testing::Noise(31, 17, 4);
    SourcePixels s;
    StoreSourcePixels(bmp, s);
    Bitmap out;
    ResampleSourcePixels(s, 31, 17, out);
    EXPECT_EQ(out, bmp);
}

TEST(Resample, ThirtyThreePercentOf640By480) {
    Bitmap bmp(640, 480);
    bmp.Fill(10, 120, 250);
    SourcePixels s;
    StoreSourcePixels(bmp, s);
    const int w = 211, h = 158;  // 33 % of each side, truncated
    Bitmap out;
    ResampleSourcePixels(s, w, h, out);
    ASSERT_EQ(out.Width(), 211);
    ASSERT_EQ(out.Height(), 158);
    // A flat picture stays flat up to the truncation of each weighted term, which
    // can take one step off where an output pixel covers parts of source pixels.
    const int flat[3] = {10, 120, 250};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(out.Pixel(x, y)[c], flat[c], 1);
}

TEST(Resample, AveragesByCoveredArea) {
    Bitmap out;
    // 3 -> 2: the step is 1.5 pixels; the middle pixel is shared half and half.
    // Output 0: (0 * 4096 + 255 * 2048) / 6144 = 85; output 1: (255 * 2048 + 90 * 4096) / 6144 = 145.
    ResampleSourcePixels(Row({0, 255, 90}), 2, 1, out);
    ASSERT_EQ(out.Width(), 2);
    EXPECT_EQ(out.Pixel(0, 0)[0], 85);
    EXPECT_EQ(out.Pixel(1, 0)[2], 145);
    // 4 -> 1 is the plain mean, truncated: (10 + 20 + 30 + 41) / 4 = 25.25.
    ResampleSourcePixels(Row({10, 20, 30, 41}), 1, 1, out);
    EXPECT_EQ(out.Pixel(0, 0)[1], 25);
    // Columns and rows together: a 2x2 block of 0, 100, 200, 255 -> 138.
    SourcePixels block;
    block.Width = block.Height = 2;
    for (std::uint8_t v : {0, 100, 200, 255}) block.Pixels.insert(block.Pixels.end(), {v, v, v});
    ResampleSourcePixels(block, 1, 1, out);
    EXPECT_EQ(out.Pixel(0, 0)[0], 138);
}

TEST(Resample, NothingChangesForSizesBelowOneOrAnEmptySource) {
    const Bitmap before = testing::Noise(3, 2, 1);
    SourcePixels s;
    StoreSourcePixels(testing::Noise(8, 8, 2), s);
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 3}, {3, -7}}) {
        Bitmap out = before;
        ResampleSourcePixels(s, w, h, out);
        EXPECT_EQ(out, before);
    }
    Bitmap out = before;
    ResampleSourcePixels(SourcePixels{}, 4, 4, out);
    EXPECT_EQ(out, before);
}

TEST(Resample, EnlargingRepeatsPixels) {
    Bitmap out;
    ResampleSourcePixels(Row({40, 200}), 5, 3, out);
    ASSERT_EQ(out.Width(), 5);
    EXPECT_EQ(out.Pixel(0, 2)[0], 40);
    EXPECT_EQ(out.Pixel(4, 0)[0], 200);
}

}  // namespace
}  // namespace velmora
