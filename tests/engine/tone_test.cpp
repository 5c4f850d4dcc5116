#include <gtest/gtest.h>

#include "engine/ColorStep.h"
#include "engine/EngineTestUtil.h"

using namespace velmora;
using namespace velmora::test;

namespace {

TRGBTriple Saturated(TRGBTriple p, int amount) {
    Bitmap b = FilledBitmap(1, 1, p);
    TColorStep().SaturationRect(b, b, Rect{0, 0, 0, 0}, amount);
    return At(b, 0, 0);
}

TRGBTriple Brightened(TRGBTriple p, int r, int g, int b) {
    Bitmap bmp = FilledBitmap(1, 1, p);
    TColorStep().BrightnessRect(bmp, bmp, Rect{0, 0, 0, 0}, r, g, b);
    return At(bmp, 0, 0);
}

}  // namespace

TEST(Brightness, TablesAddAndClamp) {
    const auto identity = BrightnessTable(0);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(identity[i], i);
    EXPECT_EQ(Brightened(Rgb(200, 100, 50), 100, 100, 100), Rgb(255, 200, 150));
    EXPECT_EQ(Brightened(Rgb(200, 100, 50), -60, 0, 255), Rgb(140, 100, 255));
    EXPECT_EQ(Brightened(Rgb(10, 10, 10), -255, -11, -10), Rgb(0, 0, 0));
}

TEST(Contrast, TablesPushAwayFromOrPullTowardsPivotPlusOne) {
    const auto zero = ContrastTable(0, kContrastPivot);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(zero[i], i);

    EXPECT_EQ(ContrastTable(10, kContrastPivot)[128], 121);  // a = 15

    const auto hard = ContrastTable(255, kContrastPivot);  // a = 4065
    for (int i = 0; i <= 238; ++i) ASSERT_EQ(hard[i], 0) << i;
    EXPECT_EQ(hard[239], 1);
    EXPECT_EQ(hard[252], 221);
    EXPECT_EQ(hard[253], 255);
    EXPECT_EQ(hard[254], 254);
    EXPECT_EQ(hard[255], 255);

    const auto flat = ContrastTable(-255, kContrastPivot);
    EXPECT_EQ(flat[0], 253);
    EXPECT_EQ(flat[128], 253);
    EXPECT_EQ(flat[255], 255);
    EXPECT_EQ(flat[254], 254);

    // Another pivot moves the split: with 128, values from 128 up go up.
    const auto mid = ContrastTable(100, 128);  // a = 682
    EXPECT_EQ(mid[129], 129);
    EXPECT_EQ(mid[128], 130);
    EXPECT_EQ(mid[127], 122);
}

TEST(Saturation, AmountsAtTheEndsAndAtZero) {
    // Zero uses k = 255: gray and mild colors stay, strong ones shift by a level.
    EXPECT_EQ(Saturated(Rgb(77, 77, 77), 0), Rgb(77, 77, 77));
    EXPECT_EQ(Saturated(Rgb(200, 100, 50), 0), Rgb(200, 100, 50));
    EXPECT_EQ(Saturated(Rgb(255, 0, 0), 0), Rgb(255, 1, 1));
    EXPECT_EQ(Saturated(Rgb(200, 100, 50), -127), Rgb(116, 116, 116));
    EXPECT_EQ(Saturated(Rgb(200, 100, 50), 127), Rgb(255, 0, 0));
    EXPECT_EQ(Saturated(Rgb(128, 128, 128), 127), Rgb(128, 128, 128));
    // Entry 78 of the gain table saturates more strongly than 79 does.
    EXPECT_EQ(Saturated(Rgb(138, 128, 118), 78), Rgb(193, 128, 63));
    EXPECT_EQ(Saturated(Rgb(138, 128, 118), 79), Rgb(192, 128, 64));
    // Out-of-range amounts act as the limits instead of reading past the table.
    EXPECT_EQ(Saturated(Rgb(200, 100, 50), 500), Rgb(255, 0, 0));
    EXPECT_EQ(Saturated(Rgb(200, 100, 50), -500), Rgb(116, 116, 116));
}

TEST(RectForms, ProcessTheInclusiveRectangleOnlyAndAllowSrcAsDst) {
    const Bitmap src = TexturedPhoto(6, 5);
    Bitmap dst = FilledBitmap(6, 5, Rgb(1, 2, 3));
    TColorStep step;
    step.BrightnessRect(src, dst, Rect{2, 1, 2, 3}, 10, 20, 30);  // one column, rows 1..3
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const TRGBTriple s = At(src, x, y);
            const TRGBTriple expected = (x == 2 && y >= 1 && y <= 3)
                                            ? Rgb(std::min(255, s.R + 10), std::min(255, s.G + 20), std::min(255, s.B + 30))
                                            : Rgb(1, 2, 3);
            ASSERT_EQ(At(dst, x, y), expected) << x << "," << y;
        }

    // Clipped to the bitmaps; a rectangle entirely outside does nothing.
    Bitmap same = src;
    step.ContrastRect(same, same, Rect{-3, -3, 100, 100}, 255, kContrastPivot);
    const auto t = ContrastTable(255, kContrastPivot);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const TRGBTriple s = At(src, x, y);
            ASSERT_EQ(At(same, x, y), Rgb(t[s.R], t[s.G], t[s.B]));
        }
    Bitmap untouched = src;
    step.SaturationRect(untouched, untouched, Rect{6, 0, 9, 4}, 127);
    EXPECT_EQ(untouched, src);
}

TEST(BufferForms, MatchTheRectFormsWithProgressPerRow) {
    const Bitmap photo = TexturedPhoto(16, 9, 11);
    for (int amount : {-127, -40, 0, 55, 78, 127}) {
        TColorStep c;
        c.LoadRegion(photo, 0, 0, 16, 9);
        c.Reduced = ToBuffer(photo);
        ProgressLog log;
        c.SetProgress(&log);
        c.AdjustTone(amount / 2, amount * 2, amount);

        Bitmap expected = photo;
        TColorStep rect;
        const Rect all{0, 0, 15, 8};
        rect.SaturationRect(expected, expected, all, amount);
        rect.ContrastRect(expected, expected, all, amount * 2, kContrastPivot);
        rect.BrightnessRect(expected, expected, all, amount / 2, amount / 2, amount / 2);
        ASSERT_TRUE(c.Final == ToBuffer(expected)) << amount;

        EXPECT_EQ(log.captions, (std::vector<std::string>{"Saturation", "Contrast", "Brightness"}));
        EXPECT_EQ(log.advances, 3);
        EXPECT_EQ(log.positions.size(), 27u);
        EXPECT_EQ(log.positions[8], 100);
        EXPECT_EQ(log.positions[1], 12);
    }
}

TEST(BufferForms, ColorBalanceMapsBlurredIntoFinalAndStopsOnCancel) {
    TColorStep c;
    c.Width = 2;
    c.Height = 1;
    c.Blurred = {Rgb(10, 20, 30), Rgb(250, 5, 128)};
    c.Final = {Rgb(0, 0, 0), Rgb(0, 0, 0)};
    c.ColorBalance(10, -10, 0);
    EXPECT_EQ(c.Final, (TripleBuffer{Rgb(20, 10, 30), Rgb(255, 0, 128)}));

    ProgressLog log;
    c.SetProgress(&log);
    CancelFlag = true;
    c.ColorBalance(100, 100, 100);
    EXPECT_EQ(c.Final, (TripleBuffer{Rgb(20, 10, 30), Rgb(255, 0, 128)}));
    EXPECT_EQ(log.advances, 0);
}
