#include <gtest/gtest.h>

#include "conversion/Resample.h"
#include "engine/Parallel.h"
#include "io/IoTestUtil.h"

namespace velmora {
namespace {

// Grey pixels of the given values, `width` to a row, as a resampling source.
SourcePixels Grey(std::initializer_list<std::uint8_t> values, int width) {
    Bitmap bmp(width, static_cast<int>(values.size()) / width);
    int i = 0;
    for (std::uint8_t v : values) {
        std::uint8_t* p = bmp.Pixel(i % width, i / width);
        p[0] = p[1] = p[2] = v;
        ++i;
    }
    SourcePixels s;
    StoreSourcePixels(bmp, s);
    return s;
}

// At its own size the picture shares the stored pixels; neither the bitmap they were
// taken from nor a later change of the result may reach the source.
TEST(Resample, OneHundredPercentGivesTheSamePixels) {
    Bitmap bmp = testing::Noise(31, 17, 4);
    const Bitmap original = bmp;
    SourcePixels s;
    StoreSourcePixels(bmp, s);
    bmp.Fill(1, 2, 3);
    Bitmap out;
    ResampleSourcePixels(s, 31, 17, out);
    EXPECT_EQ(out, original);
    out.Fill(4, 5, 6);
    Bitmap again;
    ResampleSourcePixels(s, 31, 17, again);
    EXPECT_EQ(again, original);
}

TEST(Resample, AveragesByCoveredArea) {
    Bitmap out;
    // 3 -> 2: the step is 1.5 pixels; the middle pixel is shared half and half.
    // Output 0: (0 * 4096 + 255 * 2048) / 6144 = 85; output 1: (255 * 2048 + 90 * 4096) / 6144 = 145.
    SourcePixels three = Grey({0, 255, 90}, 3);
    ResampleSourcePixels(three, 2, 1, out);
    ASSERT_EQ(out.Width(), 2);
    EXPECT_EQ(out.Pixel(0, 0)[0], 85);
    EXPECT_EQ(out.Pixel(1, 0)[2], 145);
    // 4 -> 1 is the plain mean, truncated: (0 + 255 + 255 + 1) / 4 = 127.75. Uneven
    // values, so that the inner pixels' weight counts as much as the outer ones'.
    SourcePixels four = Grey({0, 255, 255, 1}, 4);
    ResampleSourcePixels(four, 1, 1, out);
    EXPECT_EQ(out.Pixel(0, 0)[1], 127);
    // Columns and rows together: a 2x2 block of 0, 100, 200, 255 -> 138.
    SourcePixels block = Grey({0, 100, 200, 255}, 2);
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
    SourcePixels empty;
    ResampleSourcePixels(empty, 4, 4, out);
    EXPECT_EQ(out, before);
}

// Rows are shared out over the threads in chunks; the picture must not depend on how.
// Sizes that shrink a little (pixels of two source pixels' spans), a lot (spans whose
// sums need 64-bit division), and that enlarge.
TEST(Resample, RowsSharedOutOverThreadsGiveTheSamePicture) {
    SourcePixels s;
    StoreSourcePixels(testing::Noise(301, 997, 5), s);
    for (auto [w, h] : {std::pair{298, 987}, {150, 499}, {1, 1}, {3, 997}, {640, 1500}}) {
        Bitmap alone, shared;
        const int helpers = SetParallelHelperLimit(0);
        ResampleSourcePixels(s, w, h, alone);
        SetParallelHelperLimit(helpers);
        ResampleSourcePixels(s, w, h, shared);
        EXPECT_TRUE(shared == alone) << w << " x " << h;
    }
}

TEST(Resample, EnlargingRepeatsPixels) {
    Bitmap out;
    SourcePixels two = Grey({40, 200}, 2);
    ResampleSourcePixels(two, 5, 3, out);
    ASSERT_EQ(out.Width(), 5);
    EXPECT_EQ(out.Pixel(0, 2)[0], 40);
    EXPECT_EQ(out.Pixel(4, 0)[0], 200);
}

}  // namespace
}  // namespace velmora
