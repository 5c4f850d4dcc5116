// Flat areas worked out by hand, and what the comparison with the reference does not
// reach: the plain form at radius 0, a cancel between the passes and rectangles that
// reach outside the bitmaps.

#include <gtest/gtest.h>

#include "engine/ColorStep.h"
#include "engine/GBlur2.h"
#include "engine/EngineTestUtil.h"

using namespace velmora;
using namespace velmora::test;

namespace {

TripleBuffer Uniform(int w, int h, TRGBTriple c) { return TripleBuffer(static_cast<std::size_t>(w) * h, c); }

}  // namespace

TEST(GaussianBlur, UniformAreasFollowTheSumOfTheIntegerWeights) {
    // Radius 1.25 sums to 1022, so white loses a level in each pass (a single row still runs the
    // column pass); 2.0 sums to 1025 and the clamp keeps white; 0.75 sums to exactly 1024.
    struct Case {
        int w, h;
        TRGBTriple in;
        double radius;
        TRGBTriple out;
    };
    const TRGBTriple white = Rgb(255, 255, 255);
    for (const Case& c : {Case{9, 1, white, 1.25, Rgb(253, 253, 253)}, Case{10, 8, white, 1.25, Rgb(253, 253, 253)},
                          Case{12, 12, white, 2.0, white}, Case{7, 6, Rgb(10, 128, 251), 0.75, Rgb(10, 128, 251)}}) {
        TripleBuffer b = Uniform(c.w, c.h, c.in);
        GaussianBlur(b, c.w, c.h, c.radius);
        EXPECT_EQ(b, Uniform(c.w, c.h, c.out)) << c.w << "x" << c.h << ", radius " << c.radius;
    }
    // The smallest slider step and a radius of 0 leave any picture as it is.
    const TripleBuffer noisy = ToBuffer(TexturedPhoto(6, 5));
    for (double radius : {0.05, 0.0}) {
        TripleBuffer copy = noisy;
        GaussianBlur(copy, 6, 5, radius);
        EXPECT_EQ(copy, noisy) << radius;
    }
}

TEST(GaussianBlur, CancelStopsTheProgressForm) {
    TripleBuffer src(20 * 20, Rgb(255, 255, 255));
    src[0] = Rgb(0, 0, 0);
    TripleBuffer dst(src.size(), Rgb(9, 9, 9));
    ProgressLog log = CancelAt("Blur Column");
    GaussianBlurProgress(src, dst, 20, 20, 1.25, &log);
    EXPECT_EQ(log.advances, 1) << "the column pass never finished";
    EXPECT_EQ(dst[19 * 20 + 19], Rgb(254, 254, 254)) << "rows blurred, columns not";
}

TEST(BlurRect, CompletesDespiteALeftoverCancelAndClipsToTheBitmaps) {
    CancelFlag = true;  // as an earlier cancelled conversion leaves it
    const Bitmap src = FilledBitmap(5, 5, Rgb(255, 255, 255));
    Bitmap dst = FilledBitmap(5, 5, Rgb(1, 1, 1));
    TColorStep step;
    step.BlurRect(src, dst, Rect{3, 3, 40, 40}, 1.25);
    EXPECT_EQ(At(dst, 4, 4), Rgb(253, 253, 253));
    EXPECT_EQ(At(dst, 3, 3), Rgb(253, 253, 253));
    EXPECT_EQ(At(dst, 2, 2), Rgb(1, 1, 1));
    step.BlurRect(src, dst, Rect{-5, -5, -1, -1}, 1.25);  // nothing left after clipping
    EXPECT_EQ(At(dst, 0, 0), Rgb(1, 1, 1));
    step.BlurRect(src, dst, Rect{0, 0, 0, 0}, 0.0);  // radius 0 copies
    EXPECT_EQ(At(dst, 0, 0), Rgb(255, 255, 255));
    EXPECT_TRUE(step.Blurred.empty()) << "a rectangle needs none of the step's buffers";
}
