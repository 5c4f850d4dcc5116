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

TEST(Resample, AveragesByCoveredArea) {
    Bitmap out;
    // 3 -> 2: the step is 1.5 pixels; the middle pixel is shared half and half.
    // Output 0: (0 * 4096 + 255 * 2048) / 6144 = 85; output 1: (255 * 2048 + 90 * 4096) / 6144 = 145.
    ResampleSourcePixels(Row({0, 255, 90}), 2, 1, out);
    ASSERT_EQ(out.Width(), 2);
    EXPECT_EQ(out.Pixel(0, 0)[0], 85);
    EXPECT_EQ(out.Pixel(1, 0)[2], 145);
    // 4 -> 1 is the plain mean, truncated: (0 + 255 + 255 + 1) / 4 = 127.75. Uneven
    // values, so that the inner pixels' weight counts as much as the outer ones'.
    ResampleSourcePixels(Row({0, 255, 255, 1}), 1, 1, out);
    EXPECT_EQ(out.Pixel(0, 0)[1], 127);
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
