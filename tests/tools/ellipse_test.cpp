// The footprint ellipses and the masks the brush and tone tools stamp with.

#include <gtest/gtest.h>

#include <tuple>

#include "tools/Brush.h"
#include "tools/Ellipse.h"

using namespace velmora;

namespace {

bool Set(const Bitmap& b, int x, int y) { return b.Pixel(x, y)[0] != 0; }

Bitmap Filled(int w, int h) {
    Bitmap b(w, h);
    b.Fill(0, 0, 0);
    FillEllipse(b, 0, 0, w, h, 0xFFFFFF);
    return b;
}

}  // namespace

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
