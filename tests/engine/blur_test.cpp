// The multi-threaded blur against the straightforward one, byte for byte and call for
// call; and what that comparison does not reach, worked out by hand: flat areas, the
// plain form at radius 0, a cancel between the passes and rectangles that reach
// outside the bitmaps.

#include <gtest/gtest.h>

#include "engine/ColorStep.h"
#include "engine/EquivalenceUtil.h"
#include "engine/GBlur2.h"
#include "engine/reference/ReferenceColorStep.h"
#include "engine/reference/ReferenceGBlur2.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// Radii from the smallest slider step to kernels wider than the pictures.
const double kRadii[] = {0.05, 0.75, 1.25, 2.0, 3.3, 5.0, 12.75, 40.0};

TripleBuffer Uniform(int w, int h, TRGBTriple c) { return TripleBuffer(static_cast<std::size_t>(w) * h, c); }

}  // namespace

TEST(BlurEquivalence, BothFormsMatchOnEveryPictureAndRadiusInPlaceAndIntoAnotherBufferWithTheSameReports) {
    std::vector<NamedPicture> pictures = VariedPictures();
    // Wide enough for several strips of the column pass, tall enough for the ring of
    // saved rows to wrap many times. The degenerate shapes among the varied pictures
    // must report no position whose divisor is zero.
    pictures.push_back({"wide noise 700x90", Noise(700, 90, 21)});
    pictures.push_back({"tall 5x400", TexturedPhoto(5, 400, 8)});
    for (const NamedPicture& pic : pictures) {
        const int w = pic.bitmap.Width(), h = pic.bitmap.Height();
        const TripleBuffer src = ToBuffer(pic.bitmap);
        for (double radius : kRadii) {
            const std::string what = pic.name + ", radius " + std::to_string(radius);
            // The reference's two forms are one blur; the engine's each get compared with it.
            ProgressTrace fastTrace, slowTrace;
            TripleBuffer slow, into, inPlace = src, plain = src;
            reference::GaussianBlurProgress(src, slow, w, h, radius, &slowTrace);
            GaussianBlurProgress(src, into, w, h, radius, &fastTrace);
            GaussianBlurProgress(inPlace, inPlace, w, h, radius, nullptr);
            GaussianBlur(plain, w, h, radius);
            ASSERT_EQ(FirstDifference(plain, slow), -1) << what;
            ASSERT_EQ(FirstDifference(into, slow), -1) << what << ", into another buffer";
            ASSERT_EQ(FirstDifference(inPlace, slow), -1) << what << ", in place";
            EXPECT_EQ(fastTrace.events, slowTrace.events) << what;
        }
    }
}

TEST(BlurEquivalence, RectangleFormMatchesAtCornersAndInsideAndIgnoresCancel) {
    const Bitmap photo = Crop(SamplePhoto(), 0, 0, 160, 120);
    const Rect rects[] = {{0, 0, 159, 119}, {0, 0, 40, 30}, {120, 90, 159, 119}, {50, 40, 50, 90}, {30, 60, 140, 60}};
    for (const Rect& r : rects)
        for (double radius : {0.0, 1.25, 10.0}) {
            Bitmap fast = photo, slow = photo;
            CancelFlag = true;  // left over from a cancelled conversion
            TColorStep fastStep;
            fastStep.BlurRect(fast, fast, r, radius);
            reference::TColorStep slowStep;
            slowStep.BlurRect(slow, slow, r, radius);
            CancelFlag = false;
            EXPECT_TRUE(fast == slow) << r.Left << "," << r.Top << "-" << r.Right << "," << r.Bottom << " radius "
                                      << radius;
        }
}

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
