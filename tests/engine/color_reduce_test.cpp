#include <gtest/gtest.h>

#include <algorithm>

#include "engine/ColorStep.h"
#include "engine/EngineTestUtil.h"

using namespace velmora;
using namespace velmora::test;

namespace {

struct Reduction {
    int colorReducer = 10;
    int reducerType = 0;
    int coloringMode = 1;
    int handleCount = 0;
    std::array<std::uint8_t, 5> handles{};
};

TColorStep Reduce(const Bitmap& photo, Rect r, const Reduction& s = {}) {
    TColorStep step;
    step.LoadRegion(photo, r.Left, r.Top, r.Width(), r.Height());
    step.ReduceColors(s.colorReducer, s.reducerType, s.coloringMode, s.handleCount, s.handles);
    return step;
}

TColorStep ReduceAll(const Bitmap& photo, const Reduction& s = {}) {
    return Reduce(photo, Rect{0, 0, photo.Width() - 1, photo.Height() - 1}, s);
}

TRGBTriple ReducedAt(const TColorStep& c, int x, int y) {
    return c.Reduced[static_cast<std::size_t>(y) * c.Width + x];
}

}  // namespace

TEST(ColorReduce, FixedColorChoosesBySimilarBalanceThenDistance) {
    TColorStep step;
    // Only (170, 0, 0) and (255, 85, 85) pass the balance test; (255, 0, 0) fails
    // because 255 - 170 = 85 is not below 80. The nearer one wins.
    EXPECT_EQ(step.NearestPaletteColor(Rgb(200, 30, 30)), Rgb(170, 0, 0));
    EXPECT_EQ(step.NearestPaletteColor(Rgb(128, 128, 128)), Rgb(170, 170, 170)) << "equal distance: lower index";
    EXPECT_EQ(step.NearestPaletteColor(Rgb(20, 20, 20)), Rgb(0, 0, 0));
    EXPECT_EQ(step.NearestPaletteColor(Rgb(250, 250, 250)), Rgb(255, 255, 255));
}

TEST(ColorReduce, SegmentColorIsTheHalvingAverageOfPairs) {
    // Seed (30, 30, 30) at the corner whose only alike neighbour (class width 40) is
    // (10, 10, 10): Segment = [neighbour, seed] and the color is
    // ((10 + 30) shr 1 + 30) shr 1 = 25.
    Bitmap photo = FilledBitmap(4, 3, Rgb(200, 200, 200));
    Put(photo, 0, 0, Rgb(30, 30, 30));
    Put(photo, 1, 0, Rgb(10, 10, 10));
    const Reduction s{40};
    const TColorStep c = ReduceAll(photo, s);
    EXPECT_EQ(ReducedAt(c, 0, 0), Rgb(25, 25, 25));
    EXPECT_EQ(ReducedAt(c, 1, 0), Rgb(25, 25, 25));
    EXPECT_EQ(ReducedAt(c, 3, 2), Rgb(200, 200, 200)) << "a flat region keeps its color exactly";

    // Four alike pixels in a row from the seed at (0, 0): Segment = [(1,0), (0,0),
    // (2,0), (3,0)] (the seed enters in the second round), values 20, 8, 36, 0.
    // Start from Segment[2] = 36; pairs (20, 0) and (8, 36) give
    // ((10 + 36) shr 1) = 23, then ((22 + 23) shr 1) = 22.
    Bitmap row = FilledBitmap(4, 1, Rgb(0, 0, 0));
    Put(row, 0, 0, Rgb(8, 8, 8));
    Put(row, 1, 0, Rgb(20, 20, 20));
    Put(row, 2, 0, Rgb(36, 36, 36));
    const TColorStep c2 = ReduceAll(row, s);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(ReducedAt(c2, x, 0), Rgb(22, 22, 22)) << x;
}

TEST(ColorReduce, LonePixelsKeepTheirOwnColorEvenInFixedColor) {
    Bitmap photo = FilledBitmap(5, 5, Rgb(3, 4, 5));
    Put(photo, 2, 2, Rgb(123, 45, 67));
    const TColorStep c = ReduceAll(photo, {10, 0, 0});
    EXPECT_EQ(ReducedAt(c, 2, 2), Rgb(123, 45, 67));
    EXPECT_EQ(ReducedAt(c, 0, 0), Rgb(0, 0, 0)) << "the background becomes palette black";
}

TEST(ColorReduce, EqualityClassesFollowTheClassWidth) {
    // Width 254: 0..253 and 254..255 are the two classes per channel.
    Bitmap photo = FilledBitmap(4, 2, Rgb(253, 253, 253));
    for (int y = 0; y < 2; ++y) Put(photo, 3, y, Rgb(254, 254, 254));
    Put(photo, 0, 0, Rgb(0, 0, 0));
    const TColorStep c = ReduceAll(photo, {254});
    EXPECT_EQ(c.ColorClass(253), 0);
    EXPECT_EQ(c.ColorClass(254), 1);
    EXPECT_EQ(ReducedAt(c, 3, 0), Rgb(254, 254, 254));
    EXPECT_EQ(ReducedAt(c, 3, 1), Rgb(254, 254, 254));
    // 0 and 253 are alike: that segment is one color, different from both.
    const TRGBTriple mixed = ReducedAt(c, 0, 0);
    EXPECT_EQ(ReducedAt(c, 2, 1), mixed);
    EXPECT_NE(mixed, Rgb(253, 253, 253));

    const TColorStep c10 = ReduceAll(photo);
    EXPECT_EQ(c10.ColorClass(9), 0);
    EXPECT_EQ(c10.ColorClass(10), 1);
    EXPECT_EQ(c10.ColorClass(255), 25);
}

TEST(ColorReduce, CustomHandlesAreSortedInclusiveUpperBounds) {
    const Bitmap photo = FilledBitmap(2, 2, Rgb(1, 1, 1));
    const TColorStep c = ReduceAll(photo, {10, 1, 1, 2, {128, 64, 7, 7, 7}});
    EXPECT_EQ(std::vector<int>(c.Levels.begin(), c.Levels.begin() + 4), (std::vector<int>{-1, 64, 128, 256}));
    for (auto [value, cls] : {std::pair{0, 0}, {64, 0}, {65, 1}, {128, 1}, {129, 2}, {255, 2}})
        EXPECT_EQ(c.ColorClass(value), cls) << value;
}

TEST(ColorReduce, CustomWithoutHandlesMakesEveryConnectedAreaOneSegment) {
    const Bitmap photo = TexturedPhoto(9, 7);
    const TColorStep c = ReduceAll(photo, {10, 1});
    for (const TRGBTriple& p : c.Reduced) ASSERT_EQ(p, c.Reduced[0]);
}

TEST(ColorReduce, RegionsAreFollowedBeyondTheRectangle) {
    // One class everywhere: the whole photograph is one segment seeded at (0, 0), so
    // a rectangle in the lower right gets exactly the color the full conversion
    // gives those pixels, although most of the region lies outside it.
    const Bitmap photo = TexturedPhoto(10, 8, 7);
    const Reduction s{254};
    const TColorStep full = ReduceAll(photo, s);
    for (const TRGBTriple& p : full.Reduced) ASSERT_EQ(p, full.Reduced[0]);
    const TColorStep part = Reduce(photo, Rect{6, 5, 9, 7}, s);
    ASSERT_EQ(part.Reduced.size(), 12u);
    for (const TRGBTriple& p : part.Reduced) ASSERT_EQ(p, full.Reduced[0]);
}

TEST(ColorReduce, ProgressCountsScannedRowsAndCancelReleasesTheWorkingStateWithoutAStep) {
    const Bitmap photo = TexturedPhoto(6, 6);
    ProgressLog log;
    TColorStep step;
    step.SetProgress(&log);
    step.LoadRegion(photo, 1, 2, 3, 3);
    step.ReduceColors(10, 0, 1, 0, {});
    EXPECT_EQ(log.captions, (std::vector<std::string>{"Color Reducing"}));
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
