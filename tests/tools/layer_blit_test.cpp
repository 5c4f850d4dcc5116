#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "support/Images.h"
#include "tools/LayerBlit.h"

using namespace velmora;
using velmora::test::Noise;  // random bytes: a pixel from the wrong place or bitmap shows

namespace {

bool SamePixel(const Bitmap& a, int ax, int ay, const Bitmap& b, int bx, int by) {
    const std::uint8_t* p = a.Pixel(ax, ay);
    const std::uint8_t* q = b.Pixel(bx, by);
    return p[0] == q[0] && p[1] == q[1] && p[2] == q[2];
}

// Checks every layer pixel: inside the placed w x h block it must equal `inside`
// at the block's coordinates, elsewhere the untouched original.
void ExpectPlaced(const Bitmap& layer, const Bitmap& original, const Bitmap& inside, int w, int h, int left,
                  int top) {
    for (int y = 0; y < layer.Height(); ++y)
        for (int x = 0; x < layer.Width(); ++x) {
            const bool in = x >= left && x < left + w && y >= top && y < top + h;
            if (in)
                EXPECT_TRUE(SamePixel(layer, x, y, inside, x - left, y - top)) << x << "," << y;
            else
                EXPECT_TRUE(SamePixel(layer, x, y, original, x, y)) << x << "," << y;
        }
}

struct Placement {
    int Left, Top;
};

// Over each edge, over two edges at once, wholly inside, covering everything, and
// entirely beyond each side.
const Placement kPlacements[] = {{-2, 3},  {8, 2},  {10, 5}, {4, -2}, {3, 6}, {-3, -2},     {9, 7},    {2, 2},
                                 {-1, -1}, {-5, 2}, {12, 2}, {3, -4}, {3, 8}, {-100, -100}, {100, 100}};

}  // namespace

TEST(CopyImageInto, ClippedAtEveryEdge) {
    // 12 pixels wide: rows carry no padding, so a row copy that runs one pixel past
    // the right edge lands on the next row's first pixel and shows.
    const Bitmap original = Noise(12, 8, 3);
    const Bitmap image = Noise(5, 4, 101);
    for (const Placement& at : kPlacements) {
        SCOPED_TRACE(testing::Message() << at.Left << "," << at.Top);
        Bitmap layer = original;
        CopyImageInto(layer, image, at.Left, at.Top);
        ExpectPlaced(layer, original, image, 5, 4, at.Left, at.Top);
    }
    // An image larger than the layer on every side.
    Bitmap layer = original;
    const Bitmap big = Noise(20, 20, 50);
    CopyImageInto(layer, big, -4, -6);
    ExpectPlaced(layer, original, big, 20, 20, -4, -6);
}

TEST(CombineMasked, WhiteMaskBlackImageKeepsTheLayerOnlyWhereBothReach) {
    const Bitmap original = Noise(12, 8, 7);
    // Left half of the mask white over a black image: the layer shows through.
    // Right half black over the image's pattern: the image replaces the layer.
    Bitmap mask(6, 4), image(6, 4);  // both black
    const Bitmap art = Noise(3, 4, 200);
    CopyImageInto(mask, velmora::test::Flat(3, 4, 255), 0, 0);
    CopyImageInto(image, art, 3, 0);
    for (const Placement& at : kPlacements) {
        SCOPED_TRACE(testing::Message() << at.Left << "," << at.Top);
        Bitmap layer = original;
        CombineMasked(layer, mask, image, at.Left, at.Top);
        ExpectPlaced(layer, original, art, 3, 4, at.Left + 3, at.Top);
    }
    // A mask narrower than the image: the columns it lacks are left alone.
    Bitmap narrow(3, 4), layer = original;
    narrow.Fill(0, 0, 0);
    const Bitmap wide = Noise(5, 4, 77);
    CombineMasked(layer, narrow, wide, 2, 1);
    ExpectPlaced(layer, original, wide, 3, 4, 2, 1);
}

TEST(CombineMasked, WorksBitByBitOnEveryByte) {
    // Wide enough that whole 8-byte groups and a byte tail are both exercised.
    Bitmap layer(7, 1), mask(7, 1), image(7, 1);
    layer.Fill(0b11001100, 0b11110000, 0b10101010);
    mask.Fill(0b10101010, 0b00111100, 0b11111111);
    image.Fill(0b00000001, 0b00000011, 0b01010101);
    CombineMasked(layer, mask, image, 0, 0);
    for (int x = 0; x < 7; ++x) {
        EXPECT_EQ(layer.Pixel(x, 0)[0], 0b10001001) << x;
        EXPECT_EQ(layer.Pixel(x, 0)[1], 0b00110011) << x;
        EXPECT_EQ(layer.Pixel(x, 0)[2], 0b11111111) << x;
    }
}

TEST(CopyArea, InclusiveRectangleClippedToBothBitmaps) {
    const Bitmap src = Noise(12, 9, 40);
    const Bitmap original = Noise(12, 9, 160);

    Bitmap dst = original;
    CopyArea(dst, src, Rect{2, 3, 4, 5});  // 3 x 3, right and bottom included
    for (const auto& [x, y, copied] : {std::tuple{2, 3, true}, {4, 5, true}, {3, 4, true}, {1, 3, false},
                                       {5, 5, false}, {4, 6, false}, {2, 2, false}})
        EXPECT_TRUE(SamePixel(dst, x, y, copied ? src : original, x, y)) << x << "," << y;

    // A grown outline reaching past every edge copies exactly the whole picture.
    dst = original;
    CopyArea(dst, src, Rect{-4, -4, 15, 12});
    EXPECT_EQ(dst, src);

    // Nothing of the rectangle on the picture: nothing changes.
    dst = original;
    CopyArea(dst, src, Rect{12, 0, 20, 8});
    CopyArea(dst, src, Rect{-9, -9, -1, 20});
    CopyArea(dst, src, kEmptyRect);
    EXPECT_EQ(dst, original);

    // A smaller source limits the copy instead of being overrun.
    dst = original;
    const Bitmap small = Noise(4, 3, 90);
    CopyArea(dst, small, Rect{0, 0, 11, 8});
    ExpectPlaced(dst, original, small, 4, 3, 0, 0);
}

TEST(HandleSquares, BlackBorderWhiteInsideClippedAndLaterOnTop) {
    // A square spans three pixels left of and above its point and two right and below,
    // with a one-pixel black border; the samples below pin each of its four sides.
    Bitmap layer(10, 10);
    layer.Fill(1, 2, 3);
    // Around the top-left corner only the square's lower-right part lands, with its
    // border at column and row 2; a point far off draws nothing.
    DrawHandleSquares(layer, {Point{0, 0}, Point{-50, 4}, Point{4, 100}});
    // At the bottom-right corner (px = 11) only the left border column 8 and the white column 9 land.
    DrawHandleSquares(layer, {Point{11, 11}});
    enum Expect { White, Black, Kept };
    for (const auto& [x, y, e] : {std::tuple{0, 0, White}, {1, 1, White}, {2, 0, Black}, {0, 2, Black}, {3, 0, Kept},
                                  {0, 3, Kept}, {8, 9, Black}, {9, 9, White}, {9, 8, Black}, {7, 9, Kept},
                                  {9, 7, Kept}}) {
        const std::uint8_t* p = layer.Pixel(x, y);
        const int want[3][3] = {{255, 255, 255}, {0, 0, 0}, {1, 2, 3}};
        EXPECT_TRUE(p[0] == want[e][0] && p[1] == want[e][1] && p[2] == want[e][2]) << x << "," << y;
    }

    // Overlapping squares: the second's border crosses the first's white inside.
    Bitmap two(20, 20);
    two.Fill(1, 2, 3);
    DrawHandleSquares(two, {Point{8, 8}, Point{10, 8}});
    EXPECT_EQ(two.Pixel(7, 8)[0], 0);     // the second's left border
    EXPECT_EQ(two.Pixel(10, 8)[0], 255);  // the first's right border, now inside the second
}
