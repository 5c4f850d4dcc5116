// The multi-threaded blur against the straightforward one, byte for byte and call for call.

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

}  // namespace

TEST(BlurEquivalence, PlainFormMatchesOnEveryPictureAndRadius) {
    std::vector<NamedPicture> pictures = VariedPictures();
    // Wide enough for several strips of the column pass, tall enough for the ring of
    // saved rows to wrap many times.
    pictures.push_back({"wide noise 700x90", Noise(700, 90, 21)});
    pictures.push_back({"tall 5x400", TexturedPhoto(5, 400, 8)});
    for (const NamedPicture& pic : pictures) {
        const int w = pic.bitmap.Width(), h = pic.bitmap.Height();
        for (double radius : kRadii) {
            TripleBuffer fast = ToBuffer(pic.bitmap);
            TripleBuffer slow = fast;
            GaussianBlur(fast, w, h, radius);
            reference::GaussianBlur(slow, w, h, radius);
            ASSERT_EQ(FirstDifference(fast, slow), -1) << pic.name << " radius " << radius;
        }
    }
}

TEST(BlurEquivalence, ProgressFormMatchesInPlaceAndIntoAnotherBufferWithTheSameReports) {
    const Bitmap photo = Crop(SamplePhoto(), 10, 20, 333, 211);
    // The degenerate shapes must report no position whose divisor is zero.
    const std::pair<Bitmap, double> cases[] = {{photo, 0.75}, {photo, 1.25}, {photo, 6.0},
                                               {TexturedPhoto(1, 9, 3), 2.0}, {TexturedPhoto(9, 1, 3), 2.0},
                                               {TexturedPhoto(1, 1, 3), 2.0}};
    for (const auto& [picture, radius] : cases) {
        const int w = picture.Width(), h = picture.Height();
        const std::string what = std::to_string(w) + "x" + std::to_string(h) + ", radius " + std::to_string(radius);
        const TripleBuffer src = ToBuffer(picture);
        ProgressTrace fastTrace, slowTrace;
        TripleBuffer fast, slow;
        GaussianBlurProgress(src, fast, w, h, radius, &fastTrace);
        reference::GaussianBlurProgress(src, slow, w, h, radius, &slowTrace);
        ASSERT_EQ(FirstDifference(fast, slow), -1) << what;
        EXPECT_EQ(fastTrace.events, slowTrace.events) << what;

        TripleBuffer inPlace = src;
        GaussianBlurProgress(inPlace, inPlace, w, h, radius, nullptr);
        ASSERT_EQ(FirstDifference(inPlace, slow), -1) << "in place, " << what;
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
