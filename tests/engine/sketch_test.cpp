// The sketch's per-value rules over their whole range, and a cancelled load; the
// rendered layers are compared with the reference picture by picture elsewhere.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/EngineTestUtil.h"
#include "engine/Sketch.h"
#include "engine/reference/ReferenceSketch.h"

using namespace velmora;
using namespace velmora::test;

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
