// The gathered, multi-threaded sketch against the straightforward scatter of edge
// differences: picture by picture, and its per-value rules over their whole range.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/EquivalenceUtil.h"
#include "engine/Sketch.h"
#include "engine/reference/ReferenceSketch.h"

using namespace velmora;
using namespace velmora::test;

namespace {

struct SketchSettings {
    int type, detail, darkness, threshold, remainThreshold, remainDarkness;
    bool remainDark;
    int smooth, sharper;
};

// Chosen so that every term of the mapping decides some pixels somewhere: both
// sketch types and the unlisted one, gains from the smallest to the largest,
// sharpening from the smallest step (rounding at one half) to the largest.
const SketchSettings kSettings[] = {
    {2, 115, 68, 255, 0, 0, false, 15, 0},     // the dialog's defaults
    {2, 0, 32, 255, 0, 0, false, 0, 0},        // raw differences
    {1, 115, 68, 255, 0, 0, false, 15, 20},    // black and white with sharpening
    {2, 40, 256, 200, 120, 60, true, 0, 1},    // remain dark, threshold, smallest sharpening
    {0, 10, 100, 255, 254, 0, true, 100, 200}, // unlisted type, widest blur, strongest sharpening
    {2, 1024, 1, 0, 50, 255, true, 1, 7},
    {2, 20, 32, 180, 0, 0, false, 0, 0},       // threshold without remain dark
};

void ExpectSameSketch(const Bitmap& photo, const Area& a, const SketchSettings& s, const std::string& what) {
    TSketch fast;
    reference::TSketch slow;
    ProgressTrace fastTrace, slowTrace;
    fast.SetProgress(&fastTrace);
    slow.SetProgress(&slowTrace);
    fast.LoadRegion(photo, a.left, a.top, a.w, a.h);
    slow.LoadRegion(photo, a.left, a.top, a.w, a.h);
    ASSERT_EQ(FirstDifference(fast.Inverted, slow.Inverted), -1) << what;
    ASSERT_EQ(FirstDifference(fast.Result, slow.Result), -1) << what;
    const double radius = s.smooth / 20.0, sharpness = s.sharper / 5.0;
    fast.RenderSketch(s.type, s.detail, s.darkness, s.threshold, s.remainThreshold, s.remainDarkness, s.remainDark,
                      radius, sharpness);
    slow.RenderSketch(s.type, s.detail, s.darkness, s.threshold, s.remainThreshold, s.remainDarkness, s.remainDark,
                      radius, sharpness);
    ASSERT_EQ(FirstDifference(fast.Inverted, slow.Inverted), -1) << what;
    ExpectSamePixels(fast.Result, slow.Result, a.w, what);
    EXPECT_EQ(fastTrace.events, slowTrace.events) << what;
}

}  // namespace

TEST(SketchEquivalence, WholePicturesWithEverySetting) {
    for (const NamedPicture& pic : VariedPictures())
        for (std::size_t i = 0; i < std::size(kSettings); ++i)
            ExpectSameSketch(pic.bitmap, {0, 0, pic.bitmap.Width(), pic.bitmap.Height()}, kSettings[i],
                             pic.name + ", settings " + std::to_string(i));
}

TEST(SketchEquivalence, RegionsAtTheCornersAndInTheMiddleOfThePhotograph) {
    const Bitmap photo = SamplePhoto();
    const int W = photo.Width(), H = photo.Height();
    const Area regions[] = {{0, 0, 160, 120},         {W - 160, 0, 160, 120}, {0, H - 120, 160, 120},
                            {W - 160, H - 120, 160, 120}, {170, 201, 97, 3},  {300, 10, 2, 200}};
    for (const Area& r : regions)
        for (const SketchSettings& s : {kSettings[0], kSettings[3], kSettings[4]})
            ExpectSameSketch(photo, r, s,
                             "region " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                                 std::to_string(r.w) + "x" + std::to_string(r.h));
}

TEST(SketchEquivalence, CancelDuringTheEdgesStopsWithoutFinishingTheStep) {
    const Bitmap photo = Noise(300, 200, 5);
    TSketch sketch;
    ProgressLog log = CancelAt("Draw Sketch");
    sketch.SetProgress(&log);
    sketch.LoadRegion(photo, 0, 0, 300, 200);
    sketch.RenderSketch(2, 115, 68, 255, 0, 0, false, 0.75, 0);
    EXPECT_EQ(log.advances, 2) << "both blur passes finished, the edges did not";
    EXPECT_TRUE(log.positions.size() < 2u * 200 + 300 + 198);
}

TEST(Sketch, SharpeningAmountsMatchTheReferenceForEverySliderStep) {
    // The rounding at one half depends on the precision the amount is formed in, so
    // every difference 2C - P - Q the rows can give is tried with every step.
    for (int sharper = 1; sharper <= 200; ++sharper)
        for (int d = -510; d <= 510; ++d)
            if (TSketch::SharpenAmount(0, -d, 0, sharper / 5.0) !=
                reference::TSketch::SharpenAmount(0, -d, 0, sharper / 5.0))
                FAIL() << "Sharper " << sharper << ", 2C - P - Q = " << d;
}

TEST(Sketch, EdgeMappingMatchesTheReferenceForEveryEdgeValue) {
    // Both sketch types and unlisted ones, gains and details from the smallest to beyond
    // the largest, and dark areas kept on photographs below, at and above the threshold.
    std::vector<std::int32_t> edges;
    for (std::int32_t e = 0; e <= 2100; ++e) edges.push_back(e);
    edges.insert(edges.end(), {8191, 65535, 1 << 24, 0x7FFFFFFF});  // the gain's product wraps as unsigned
    const TRGBTriple inverted[] = {{230, 240, 250}, {229, 240, 250}, {255, 255, 255}, {0, 0, 0}};
    const std::pair<int, int> remains[] = {{0, 100}, {25, 100}, {30, 100}, {30, 255}};
    for (int type : {-1, 0, 1, 2, 3})
        for (int detail : {0, 1, 115, 1024})
            for (int darkness : {1, 32, 68, 256})
                for (int threshold : {0, 200, 255})
                    for (int variant = 0; variant <= 16; ++variant) {
                        // Variant 0 keeps no dark areas; the others pair a photograph with a remain setting.
                        const bool remainDark = variant > 0;
                        const TRGBTriple inv = inverted[remainDark ? (variant - 1) % 4 : 0];
                        const auto [remainThreshold, remainDarkness] = remains[remainDark ? (variant - 1) / 4 : 0];
                        for (std::int32_t e : edges) {
                            const int fast = TSketch::MapEdge(e, inv, type, detail, darkness, threshold,
                                                              remainThreshold, remainDarkness, remainDark);
                            const int slow = reference::TSketch::MapEdge(e, inv, type, detail, darkness, threshold,
                                                                         remainThreshold, remainDarkness, remainDark);
                            if (fast != slow)
                                FAIL() << "e " << e << ": " << fast << " instead of " << slow << ", type " << type
                                       << ", detail " << detail << ", darkness " << darkness << ", threshold "
                                       << threshold << ", variant " << variant;
                        }
                    }
}

TEST(Sketch, ACancelledLoadLeavesNothingToRender) {
    const Bitmap photo = TexturedPhoto(12, 10);
    TSketch sk;
    sk.LoadRegion(photo, 0, 0, 12, 10);
    sk.RenderSketch(2, 115, 68, 255, 0, 0, false, 0.75, 0);
    ASSERT_FALSE(sk.Result.empty());
    // A cancelled load empties what the last run left, and rendering leaves it empty.
    CancelFlag = true;
    sk.LoadRegion(photo, 0, 0, 12, 10);
    EXPECT_TRUE(sk.Inverted.empty());
    EXPECT_TRUE(sk.Result.empty());
    sk.RenderSketch(2, 115, 68, 255, 0, 0, false, 0.75, 0);
    EXPECT_TRUE(sk.Result.empty());
}
