// The palette's tie rule, the progress of a reduction, cancels and damaged arguments;
// the reduced pixels themselves are compared with the reference elsewhere.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/ColorStep.h"
#include "engine/EngineTestUtil.h"

using namespace velmora;
using namespace velmora::test;

TEST(ColorReduce, FixedColorChoosesBySimilarBalanceThenDistance) {
    TColorStep step;
    // Only (170, 0, 0) and (255, 85, 85) pass the balance test; (255, 0, 0) fails
    // because 255 - 170 = 85 is not below 80. The nearer one wins.
    EXPECT_EQ(step.NearestPaletteColor(Rgb(200, 30, 30)), Rgb(170, 0, 0));
    EXPECT_EQ(step.NearestPaletteColor(Rgb(128, 128, 128)), Rgb(170, 170, 170)) << "equal distance: lower index";
    EXPECT_EQ(step.NearestPaletteColor(Rgb(20, 20, 20)), Rgb(0, 0, 0));
    EXPECT_EQ(step.NearestPaletteColor(Rgb(250, 250, 250)), Rgb(255, 255, 255));
}

TEST(ColorReduce, ProgressCountsScannedRowsAndCancelReleasesTheWorkingStateWithoutAStep) {
    const Bitmap photo = TexturedPhoto(6, 6);
    ProgressLog log;
    TColorStep step;
    step.SetProgress(&log);
    step.LoadRegion(photo, 1, 2, 3, 3);
    step.ReduceColors(10, 0, 1, 0, {});
    EXPECT_EQ(log.positions, (std::vector<int>{0, 0, 0, 50, 100})) << "rows 0..4, (y - 2) * 100 div 2";
    EXPECT_EQ(log.advances, 1);
    EXPECT_TRUE(step.Visited.empty());
    EXPECT_TRUE(step.Segment.empty());

    step.LoadRegion(photo, 0, 0, 6, 6);
    CancelFlag = true;
    step.ReduceColors(10, 0, 1, 0, {});
    EXPECT_EQ(log.advances, 1) << "a cancelled reduction does not advance the total";
    EXPECT_TRUE(step.Visited.empty());

    TColorStep loading;
    loading.LoadRegion(photo, 0, 0, 6, 6);
    EXPECT_TRUE(loading.FullImage.empty()) << "a cancelled load leaves empty buffers";
    loading.ReduceColors(10, 0, 1, 0, {});  // and later steps do not touch them
    loading.AdjustTone(0, 0, 0);
    loading.ColorSmooth(2, 0);
    loading.BorderBlur(1.25);
    loading.ColorBalance(0, 0, 0);
    EXPECT_TRUE(loading.Final.empty());
}

TEST(ColorReduce, DamagedArgumentsAreIgnoredRatherThanTrusted) {
    const Bitmap photo = TexturedPhoto(5, 5);
    TColorStep step;
    step.LoadRegion(photo, 0, 0, 5, 5);
    std::fill(step.Reduced.begin(), step.Reduced.end(), Rgb(1, 2, 3));  // loading leaves it unset
    const TripleBuffer before = step.Reduced;
    step.ReduceColors(0, 0, 1, 0, {});   // would divide by zero
    step.ReduceColors(10, 1, 1, 6, {});  // would read past the five handles
    step.ReduceColors(10, 1, 1, -1, {});
    EXPECT_EQ(step.Reduced, before);
}
