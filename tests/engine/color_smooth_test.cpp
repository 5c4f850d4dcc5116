#include <gtest/gtest.h>

#include "engine/ColorStep.h"
#include "engine/EngineTestUtil.h"
#include "engine/GBlur2.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// A TColorStep whose Final holds the given w x h pixels.
TColorStep WithFinal(int w, int h, const std::function<TRGBTriple(int, int)>& pixel) {
    TColorStep c;
    c.Width = w;
    c.Height = h;
    c.Final.resize(static_cast<std::size_t>(w) * h);
    c.Smoothed.resize(c.Final.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) c.Final[static_cast<std::size_t>(y) * w + x] = pixel(x, y);
    return c;
}

TRGBTriple SmoothedAt(const TColorStep& c, int x, int y) {
    return c.Smoothed[static_cast<std::size_t>(y) * c.Width + x];
}

}  // namespace

TEST(ColorSmooth, RadiusZeroCopiesAndNarrowImagesSmoothOnlyTheirMiddle) {
    const Bitmap photo = TexturedPhoto(5, 7, 3);
    auto fromPhoto = [&](int x, int y) { return At(photo, x, y); };
    TColorStep c = WithFinal(5, 7, fromPhoto);
    c.ColorSmooth(0, 0);
    EXPECT_EQ(c.Smoothed, c.Final);

    // Radius 2 on a 5-wide image: only column 2 (and there rows 2..4) can change.
    c.ColorSmooth(2, 0);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 5; ++x)
            if (x != 2 || y < 2 || y > 4) {
                ASSERT_EQ(SmoothedAt(c, x, y), At(photo, x, y)) << x << "," << y;
            }

    TColorStep tiny = WithFinal(4, 3, fromPhoto);
    tiny.ColorSmooth(19, 0);  // no window fits
    EXPECT_EQ(tiny.Smoothed, tiny.Final);
}

TEST(ColorSmooth, MedianOrdersWholeColorsByRedThenGreenThenBlue) {
    // A 3 x 3 image: the median is the fifth smallest packed color, a real pixel
    // of the window, not a per-channel median.
    const TRGBTriple colors[9] = {Rgb(9, 0, 0),   Rgb(1, 200, 7), Rgb(5, 3, 250),
                                  Rgb(5, 3, 249), Rgb(2, 0, 0),   Rgb(8, 8, 8),
                                  Rgb(5, 2, 255), Rgb(7, 7, 7),   Rgb(3, 99, 99)};
    TColorStep c = WithFinal(3, 3, [&](int x, int y) { return colors[y * 3 + x]; });
    c.ColorSmooth(1, 0);
    // Sorted: (1,200,7) (2,0,0) (3,99,99) (5,2,255) (5,3,249) (5,3,250) ...
    EXPECT_EQ(SmoothedAt(c, 1, 1), Rgb(5, 3, 249));
    c.ColorSmooth(1, 1);
    EXPECT_EQ(SmoothedAt(c, 1, 1), Rgb(9, 0, 0)) << "maximum";
    c.ColorSmooth(1, -1);
    EXPECT_EQ(SmoothedAt(c, 1, 1), Rgb(5, 3, 249)) << "no type selected acts as the median";
}

TEST(ColorSmooth, ProgressPerColumn) {
    ProgressLog log;
    TColorStep c = WithFinal(7, 5, [](int x, int y) { return Rgb(x, y, 0); });
    c.SetProgress(&log);
    c.ColorSmooth(1, 0);
    EXPECT_EQ(log.captions, (std::vector<std::string>{"Color Smooth"}));
    EXPECT_EQ(log.positions, (std::vector<int>{0, 25, 50, 75, 100})) << "(x - 1) * 100 div (7 - 1 - 2)";
    EXPECT_EQ(log.advances, 1);

    ProgressLog narrow;
    TColorStep n = WithFinal(3, 5, [](int x, int y) { return Rgb(x, y, 0); });
    n.SetProgress(&narrow);
    n.ColorSmooth(1, 0);
    EXPECT_TRUE(narrow.positions.empty()) << "a width of 2r + 1 has divisor 0";
    EXPECT_EQ(narrow.advances, 1);
}

TEST(BorderBlur, BlursSmoothedIntoBlurredOrCopiesAtRadiusZero) {
    const Bitmap photo = TexturedPhoto(8, 6);
    TColorStep c = WithFinal(8, 6, [&](int x, int y) { return At(photo, x, y); });
    c.ColorSmooth(0, 0);
    c.BorderBlur(0.0);
    EXPECT_EQ(c.Blurred, c.Final);
    c.BorderBlur(1.25);
    TripleBuffer expected = c.Final;
    GaussianBlur(expected, 8, 6, 1.25);
    EXPECT_EQ(c.Blurred, expected);
}
