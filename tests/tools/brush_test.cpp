#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "common/Bitmap.h"
#include "tools/Brush.h"

using namespace velmora;

namespace {

Bitmap FlatMask(int s, std::uint8_t value) {
    Bitmap m(s, s);
    m.Fill(value, 0, 0);
    return m;
}

// n points from `start`, `step` apart.
std::vector<Point> Steps(Point start, Point step, int n) {
    std::vector<Point> v;
    for (int i = 0; i < n; ++i) v.push_back(Point{start.X + i * step.X, start.Y + i * step.Y});
    return v;
}

}  // namespace

TEST(BrushMask, RingsRiseFromTheRimToAFullCenter) {
    const int rims[6] = {2, 4, 7, 14, 24, 100};
    for (int k = 1; k <= 6; ++k)
        for (int half = 2; half <= 50; ++half) {
            EXPECT_EQ(BrushRingValue(k, 0, half), rims[k - 1]) << k;
            EXPECT_EQ(BrushRingValue(k, half, half), 100) << k << " " << half;
            for (int i = 1; i <= half; ++i) {
                EXPECT_GE(BrushRingValue(k, i, half), BrushRingValue(k, i - 1, half)) << k << " " << i;
                if (k == 6) {
                    EXPECT_EQ(BrushRingValue(k, i, half), 100);  // the highest content is flat
                }
            }
        }
    // Half way out at content 3: (0.125 * 100 + 8) / 1.08 = 18.98.
    EXPECT_EQ(BrushRingValue(3, 5, 10), 19);
}

TEST(BrushMask, WeightHalvesPerOpacityLevelDownToOnePercent) {
    for (int m = 1; m <= 100; ++m) {
        EXPECT_EQ(BrushWeight(m, 8), m);
        EXPECT_EQ(BrushWeight(m, 1), 1);
    }
    EXPECT_EQ(BrushWeight(100, 7), 50);
    EXPECT_EQ(BrushWeight(100, 6), 25);
    EXPECT_EQ(BrushWeight(3, 6), 1);
}

TEST(StampBrush, BlendsWithTruncationAndAccumulates) {
    Bitmap layer(2, 1), mask(2, 1);
    layer.Fill(10, 200, 50);
    const std::uint8_t* p = layer.Pixel(0, 0);
    mask.Pixel(0, 0)[0] = 30;
    mask.Pixel(1, 0)[1] = 100;  // only the blue byte of the mask is read
    // Red 255, green 0, blue 100 at 30 %.
    StampBrush(layer, mask, 0, 0, 0x6400FFu, 8);
    EXPECT_EQ(p[0], 37);   // (10 * 70 + 100 * 30) / 100
    EXPECT_EQ(p[1], 140);  // (200 * 70) / 100
    EXPECT_EQ(p[2], 111);  // (50 * 70 + 255 * 30) / 100 = 111.5
    EXPECT_EQ(layer.Pixel(1, 0)[2], 50);
    StampBrush(layer, mask, 0, 0, 0x6400FFu, 8);
    EXPECT_EQ(p[2], 154);  // (111 * 70 + 255 * 30) / 100 = 154.2
}

TEST(StampBrush, FlatSmallBrushAtEachOpacityAndClipping) {
    // A size-3 brush is a flat 100: the color itself at level 8, 25 % at 6, 1 % at 1.
    for (const auto& [opacity, expected] : {std::pair{8, 0}, {6, 150}, {1, 198}}) {
        Bitmap layer(5, 5);
        layer.Fill(200, 200, 200);
        StampBrush(layer, FlatMask(3, 100), 1, 1, 0x000000u, opacity);
        EXPECT_EQ(layer.Pixel(3, 3)[1], expected) << opacity;
        EXPECT_EQ(layer.Pixel(4, 3)[1], 200);
    }
    // A 5 x 5 stamp hanging over each side of a 6 x 5 layer.
    for (const auto& [left, top, expected] : {std::tuple{-2, -3, 6}, {3, 2, 9}, {-4, 0, 5}, {0, 4, 5}, {6, 0, 0}}) {
        Bitmap layer(6, 5);
        StampBrush(layer, FlatMask(5, 100), left, top, 0xFFFFFFu, 8);
        int changed = 0;
        for (int y = 0; y < layer.Height(); ++y)
            for (int x = 0; x < layer.Width(); ++x) changed += layer.Pixel(x, y)[0] == 255;
        EXPECT_EQ(changed, expected) << left << "," << top;
    }
}

TEST(BrushSteps, StepAlongTheLongerAxisInEveryDirection) {
    // Size 16: step Round(4 / 2) = 2; the end point only when it is on the step grid.
    EXPECT_EQ(BrushSteps(0, 0, 10, 0, 16), Steps({0, 0}, {2, 0}, 6));
    EXPECT_EQ(BrushSteps(20, 7, 15, 7, 16), Steps({20, 7}, {-2, 0}, 3));
    EXPECT_EQ(BrushSteps(3, 0, 3, 9, 16), Steps({3, 0}, {0, 2}, 5));
    EXPECT_EQ(BrushSteps(3, 9, 3, 0, 16), Steps({3, 9}, {0, -2}, 5));
    // 45 degrees takes the steep branch.
    EXPECT_EQ(BrushSteps(0, 0, -6, -6, 16), Steps({0, 0}, {-2, -2}, 4));
    // Step sizes: Round(0.5) = 0 raised to 1, Round(1.5) = 2, Round(2.5) = 2, 5.
    EXPECT_EQ(BrushSteps(0, 0, 3, 0, 1).size(), 4u);
    EXPECT_EQ(BrushSteps(0, 0, 4, 0, 9).size(), 3u);
    EXPECT_EQ(BrushSteps(0, 0, 4, 0, 25).size(), 3u);
    EXPECT_EQ(BrushSteps(0, 0, 5, 0, 100).size(), 2u);
}

TEST(BrushSteps, OffsetsRoundHalfToEvenAndNoMoveStampsNothing) {
    // k = 0.5 down the steep branch, then k = -0.5 left along the shallow one.
    const int offsets[9] = {0, 0, 1, 2, 2, 2, 3, 4, 4};
    std::vector<Point> steep, shallow;
    for (int j = 0; j <= 8; ++j) {
        steep.push_back(Point{10 + offsets[j], 20 + j});
        shallow.push_back(Point{-j, -offsets[j]});
    }
    EXPECT_EQ(BrushSteps(10, 20, 14, 28, 1), steep);
    EXPECT_EQ(BrushSteps(0, 0, -8, -4, 1), shallow);

    EXPECT_TRUE(BrushSteps(5, 5, 5, 5, 16).empty());
    EXPECT_EQ(BrushSteps(5, 5, 6, 5, 100), Steps({5, 5}, {0, 0}, 1));
}
