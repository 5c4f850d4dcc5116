// Tone cases the comparison with the reference does not reach: another contrast pivot,
// rectangles outside the picture and a cancel. Amounts beyond the slider's range are
// among the worked values.

#include <gtest/gtest.h>

#include "engine/ColorStep.h"
#include "engine/EngineTestUtil.h"

using namespace velmora;
using namespace velmora::test;

TEST(Contrast, AnotherPivotMovesTheSplit) {
    // The adjustment tools use a pivot of 128: values from 128 up go up.
    const auto mid = ContrastTable(100, 128);  // a = 682
    EXPECT_EQ(mid[129], 129);
    EXPECT_EQ(mid[128], 130);
    EXPECT_EQ(mid[127], 122);
}

TEST(Saturation, RectanglesOutsideThePictureDoNothing) {
    const Bitmap src = TexturedPhoto(6, 5);
    Bitmap untouched = src;
    TColorStep().SaturationRect(untouched, untouched, Rect{6, 0, 9, 4}, 127);
    EXPECT_EQ(untouched, src);
}

TEST(BufferForms, ColorBalanceStopsOnCancel) {
    TColorStep c;
    c.Width = 2;
    c.Height = 1;
    c.Blurred = {Rgb(10, 20, 30), Rgb(250, 5, 128)};
    c.Final = {Rgb(0, 0, 0), Rgb(0, 0, 0)};
    ProgressLog log;
    c.SetProgress(&log);
    CancelFlag = true;
    c.ColorBalance(100, 100, 100);
    EXPECT_EQ(c.Final, (TripleBuffer{Rgb(0, 0, 0), Rgb(0, 0, 0)}));
    EXPECT_EQ(log.advances, 0);
}
