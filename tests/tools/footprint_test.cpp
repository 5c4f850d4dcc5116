#include <gtest/gtest.h>

#include <utility>

#include "common/Bitmap.h"
#include "tools/Footprint.h"

using namespace velmora;

namespace {

// Pixels of bmp that are not black.
int CountPainted(const Bitmap& bmp) {
    int n = 0;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x) n += (bmp.Pixel(x, y)[0] | bmp.Pixel(x, y)[1] | bmp.Pixel(x, y)[2]) != 0;
    return n;
}

}  // namespace

TEST(Footprint, ShapesAndHalfToEvenRounding) {
    EXPECT_EQ(FootprintAt(10, 20, 1).Shape, FootprintShape::Dot);
    EXPECT_EQ(FootprintAt(10, 20, 1).Inclusive(), (Rect{10, 20, 10, 20}));
    EXPECT_EQ(FootprintAt(10, 20, 2).Shape, FootprintShape::Box);
    EXPECT_EQ(FootprintAt(10, 20, 2).Inclusive(), (Rect{9, 19, 11, 21}));
    // Round(1.5) = 2: an odd size reaches one column further right than left.
    EXPECT_EQ(FootprintAt(10, 20, 3).Inclusive(), (Rect{9, 19, 12, 22}));
    EXPECT_EQ(FootprintAt(10, 20, 3).Shape, FootprintShape::Box);
    // Round(2.5) = 2 makes sizes 4 and 5 the same 4 x 4 ellipse; Round(3.5) = 4 keeps 7 whole.
    EXPECT_EQ(FootprintAt(0, 0, 4).Inclusive(), FootprintAt(0, 0, 5).Inclusive());
    EXPECT_EQ(FootprintAt(0, 0, 5).Shape, FootprintShape::Ellipse);
    EXPECT_EQ(FootprintAt(0, 0, 5).W(), 4);
    EXPECT_EQ(FootprintAt(0, 0, 7).W(), 7);
    EXPECT_EQ(FootprintAt(0, 0, 100).Inclusive(), (Rect{-50, -50, 50, 50}));
}

TEST(FillBox, ClipsToTheBitmapAndKeepsByteOrder) {
    Bitmap bmp(5, 4);
    FillBox(bmp, -3, -2, 2, 1, 0x123456u);
    EXPECT_EQ(CountPainted(bmp), 2);
    EXPECT_EQ(bmp.Pixel(1, 0)[0], 0x12);  // blue is the third byte of the value
    EXPECT_EQ(bmp.Pixel(1, 0)[2], 0x56);  // red the low byte
    FillBox(bmp, 3, 2, 50, 40, 0xFFFFFFu);
    EXPECT_EQ(CountPainted(bmp), 6);
    FillBox(bmp, 5, 0, 9, 4, 0xFFFFFFu);
    FillBox(bmp, -4, 0, 0, 4, 0xFFFFFFu);
    EXPECT_EQ(CountPainted(bmp), 6);

    SetPixelClipped(bmp, 0, 3, 0x0000FFu);
    EXPECT_EQ(bmp.Pixel(0, 3)[2], 255);
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {5, 0}, {0, 4}}) SetPixelClipped(bmp, x, y, 0xFFFFFFu);
    EXPECT_EQ(CountPainted(bmp), 7);
}
