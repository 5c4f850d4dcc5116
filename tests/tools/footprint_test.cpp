// Footprints: their shapes, the boxes and ellipses they fill, and the masks the
// brush and tone tools stamp with.

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "tools/Brush.h"
#include "tools/Ellipse.h"
#include "tools/Footprint.h"

using namespace velmora;

namespace {

bool Set(const Bitmap& b, int x, int y) { return b.Pixel(x, y)[0] != 0; }

// Pixels of bmp that are not black.
int CountPainted(const Bitmap& bmp) {
    int n = 0;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x) n += (bmp.Pixel(x, y)[0] | bmp.Pixel(x, y)[1] | bmp.Pixel(x, y)[2]) != 0;
    return n;
}

Bitmap Filled(int w, int h) {
    Bitmap b(w, h);
    b.Fill(0, 0, 0);
    FillEllipse(b, 0, 0, w, h, 0xFFFFFF);
    return b;
}

}  // namespace

TEST(Footprint, ShapesAndHalfToEvenRounding) {
    // Round(1.5) = 2: an odd size reaches one column further right than left. Round(2.5)
    // = 2 makes sizes 4 and 5 the same 4 x 4 ellipse; Round(3.5) = 4 keeps 7 whole.
    using enum FootprintShape;
    for (const auto& [size, shape, box] :
         {std::tuple{1, Dot, Rect{10, 20, 10, 20}}, {2, Box, Rect{9, 19, 11, 21}}, {3, Box, Rect{9, 19, 12, 22}},
          {4, Ellipse, Rect{8, 18, 12, 22}}, {5, Ellipse, Rect{8, 18, 12, 22}}, {7, Ellipse, Rect{7, 17, 14, 24}},
          {100, Ellipse, Rect{-40, -30, 60, 70}}}) {
        EXPECT_EQ(FootprintAt(10, 20, size).Shape, shape) << size;
        EXPECT_EQ(FootprintAt(10, 20, size).Inclusive(), box) << size;
    }
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

TEST(Ellipse, SymmetricAboutBothAxesAndTheDiagonalAtEverySize) {
    for (int w = 1; w <= 120; ++w) {
        for (int h : {w, w / 2 + 1, 2 * w + 3}) {
            const Bitmap b = Filled(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    ASSERT_EQ(Set(b, x, y), Set(b, w - 1 - x, y)) << w << "x" << h << " at " << x << "," << y;
                    ASSERT_EQ(Set(b, x, y), Set(b, x, h - 1 - y)) << w << "x" << h << " at " << x << "," << y;
                    if (w == h) {
                        ASSERT_EQ(Set(b, x, y), Set(b, y, x)) << w << " at " << x << "," << y;
                    }
                }
        }
    }
}

TEST(Ellipse, CoversItsMiddleRowAndColumnAndStaysInsideTheBox) {
    for (int s = 1; s <= 60; ++s) {
        const Span mid = EllipseRowSpan(s, s, s / 2);
        EXPECT_EQ(mid.First, 0) << s;
        EXPECT_EQ(mid.Last, s - 1) << s;
    }
    // A 4 x 4 and a 6 x 6 disk lose their corner pixels only; an 8 x 8 one three at each.
    for (const auto& [size, x, y, set] : {std::tuple{4, 0, 0, false}, {4, 1, 0, true}, {4, 0, 1, true},
                                          {6, 0, 0, false}, {6, 1, 0, true}, {6, 0, 1, true}, {8, 1, 0, false},
                                          {8, 0, 1, false}, {8, 1, 1, true}, {8, 2, 0, true}})
        EXPECT_EQ(Set(Filled(size, size), x, y), set) << size << " at " << x << "," << y;

    // Clipped at the picture's edges, including from negative positions.
    Bitmap small(5, 5);
    small.Fill(0, 0, 0);
    FillEllipse(small, -3, -3, 4, 4, 0xFFFFFF);
    EXPECT_TRUE(Set(small, 0, 0));
    EXPECT_FALSE(Set(small, 4, 4));
}

TEST(Ellipse, FootprintOutlineIsTheBorderOfWhatThePencilPaints) {
    for (int size : {1, 2, 3, 4, 9, 20}) {
        const Footprint f = FootprintAt(15, 15, size);
        Bitmap painted(30, 30);
        painted.Fill(0, 0, 0);
        PaintFootprint(painted, f, 0xFFFFFF);
        const std::vector<Point> outline = FootprintOutline(f);
        ASSERT_FALSE(outline.empty()) << size;
        for (const Point& p : outline) EXPECT_TRUE(Set(painted, p.X, p.Y)) << size;
        // A disk's outline has no interior pixel: each has a neighbour outside.
        if (f.Shape == FootprintShape::Ellipse) {
            for (const Point& p : outline)
                EXPECT_TRUE(!Set(painted, p.X - 1, p.Y) || !Set(painted, p.X + 1, p.Y) || !Set(painted, p.X, p.Y - 1) ||
                            !Set(painted, p.X, p.Y + 1));
        }
    }
}

TEST(Ellipse, BrushMaskRisesToOneHundredAndToneMaskIsASquareOrADisk) {
    Bitmap mask;
    // An odd size ends in a one-pixel ring of 100; an even size's last ring has an
    // empty box, so its centre keeps the ring before it.
    BuildBrushMask(mask, 17, 1);
    EXPECT_EQ(mask.Pixel(8, 8)[0], 100);
    EXPECT_EQ(mask.Pixel(0, 8)[0], BrushRingValue(1, 0, 8));  // the rim: 2
    EXPECT_EQ(mask.Pixel(0, 0)[0], 0);                       // outside the disk
    BuildBrushMask(mask, 16, 1);
    EXPECT_EQ(mask.Pixel(8, 8)[0], BrushRingValue(1, 7, 8));
    EXPECT_EQ(mask.Pixel(0, 0)[0], 0);                       // outside the disk
    BuildBrushMask(mask, 16, 6);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(mask.Pixel(x, 8)[0], 100) << x;
    BuildBrushMask(mask, 3, 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(mask.Pixel(x, y)[0], 100);

    BuildToneMask(mask, 3);
    EXPECT_EQ(mask.Pixel(0, 0)[0], 255);
    BuildToneMask(mask, 7);
    EXPECT_EQ(mask.Pixel(0, 0)[0], 0);
    EXPECT_EQ(mask.Pixel(3, 3)[0], 255);
}
