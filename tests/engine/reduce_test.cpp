// The color reduction: the parallel segmentation, with huge regions put aside half
// grown and finished in parallel, against the plain scan that grows one region after
// another; and what that comparison does not reach: the palette's tie rule, progress,
// cancels and damaged arguments.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "engine/ColorStep.h"
#include "engine/ContentKey.h"
#include "engine/EquivalenceUtil.h"
#include "engine/Parallel.h"
#include "engine/ReduceWhole.h"
#include "engine/RegionGrowing.h"
#include "engine/reference/ReferenceColorStep.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// A class width, or custom classes by their handles.
struct Reducer {
    int colorReducer, type = 0, handleCount = 0;
    std::array<std::uint8_t, 5> handles{};
};

// The reduction of one rectangle by the engine and by the plain scan: the same pixels,
// progress and levels. A kept step carries its segmentation over from earlier runs.
void ExpectSameReduction(const Bitmap& photo, const Area& a, const Reducer& r, int mode, const std::string& what,
                         TColorStep* kept = nullptr) {
    TColorStep fresh;
    TColorStep& fast = kept ? *kept : fresh;
    reference::TColorStep slow;
    ProgressTrace fastTrace, slowTrace;
    fast.SetProgress(&fastTrace);
    slow.SetProgress(&slowTrace);
    if (kept) fast.LoadRegion(photo, KeyOfPicture(photo), a.left, a.top, a.w, a.h);
    else fast.LoadRegion(photo, a.left, a.top, a.w, a.h);
    slow.LoadRegion(photo, a.left, a.top, a.w, a.h);
    fast.ReduceColors(r.colorReducer, r.type, mode, r.handleCount, r.handles);
    slow.ReduceColors(r.colorReducer, r.type, mode, r.handleCount, r.handles);
    fast.SetProgress(nullptr);
    ExpectSamePixels(fast.Reduced, slow.Reduced, slow.Width, what);
    EXPECT_EQ(fastTrace.events, slowTrace.events) << what;
    EXPECT_EQ(fast.Levels, slow.Levels) << what;
}

const Reducer kReducers[] = {
    {10},                               // the default
    {1},                                // every color its own class
    {40},
    {254},                              // two classes per channel
    {10, 1, 2, {128, 64, 0, 0, 0}},     // handles out of order
    {10, 1, 5, {255, 0, 100, 7, 200}},  // every handle, the extremes included
    {10, 1, 0, {9, 9, 9, 9, 9}},        // one class: connected pixels form one region
};

// Corners, middle, single rows and columns and a single pixel of a w x h picture.
std::vector<Area> Rectangles(int w, int h) {
    std::vector<Area> v = {{0, 0, w, h}};
    const int rw = std::max(1, w / 3), rh = std::max(1, h / 3);
    v.push_back({0, 0, rw, rh});
    v.push_back({w - rw, 0, rw, rh});
    v.push_back({0, h - rh, rw, rh});
    v.push_back({w - rw, h - rh, rw, rh});
    v.push_back({w / 3, h / 3, rw, rh});
    v.push_back({0, h / 2, w, 1});
    v.push_back({w / 2, 0, 1, h});
    v.push_back({w - 1, h - 1, 1, 1});
    return v;
}

// Dark diagonal lines running down to the left, one pixel wide but 8-connected, over
// bands: a region whose first pixel lies right of a rectangle at the left still
// reaches into it lower down.
Bitmap Diagonals(int w, int h) {
    Bitmap b = GradientPicture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x + y) % 17 == 0) Put(b, x, y, Rgb(5, 5, 5));
    return b;
}

std::string Describe(const std::string& pic, const Area& a, std::size_t reducer, int mode) {
    return pic + ", rect " + std::to_string(a.left) + "," + std::to_string(a.top) + " " + std::to_string(a.w) + "x" +
           std::to_string(a.h) + ", reducer " + std::to_string(reducer) + ", mode " + std::to_string(mode);
}

// Noise everywhere except a flat disc in a slightly varying color (one class at the
// default class width) covering about half of the picture.
Bitmap DiscInNoise(int w, int h) {
    Bitmap b = Noise(w, h, 31);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 2;
            if (dx * dx + dy * dy < w * h / 4) Put(b, x, y, Rgb(120 + (x + y) % 7, 64 + x % 5, 200 + y % 3));
        }
    return b;
}

// A spiral wall one pixel thick with gaps, in a flat background: the background is
// one region whose breadth-first rounds wind around many times.
Bitmap Spiral(int w, int h) {
    Bitmap b = FilledBitmap(w, h, Rgb(230, 230, 220));
    for (int ring = 0; ring < std::min(w, h) / 2; ring += 4) {
        const int x0 = ring, y0 = ring, x1 = w - 1 - ring, y1 = h - 1 - ring;
        for (int x = x0; x <= x1; ++x) {
            if (x != x0 + 2) Put(b, x, y0, Rgb(10, 10, 10));
            Put(b, x, y1, Rgb(10, 10, 10));
        }
        for (int y = y0; y <= y1; ++y) {
            Put(b, x0, y, Rgb(10, 10, 10));
            if (y != y1 - 2) Put(b, x1, y, Rgb(10, 10, 10));
        }
    }
    return b;
}

// Two large flat areas of the same color, kept apart by a wall of another one: two
// regions with one class.
Bitmap TwoHalves(int w, int h) {
    Bitmap b = FilledBitmap(w, h, Rgb(90, 160, 40));
    for (int y = 0; y < h; ++y) Put(b, w / 2, y, Rgb(250, 0, 0));
    return b;
}

// Thin dark shapes over a flat background, repeated every 8 rows so that any cut of
// the picture into strips of rows runs through each kind of them. Left: noise crossed
// by diagonal lines, which touch the next row only at their corners. Middle: combs,
// half of them upside down, whose teeth reach across a cut while their back stays on
// the other side, so each tooth alone seems a region of its own there. Right: a
// square wave, one region that crosses the same cut again and again. The background
// is one region around all of them. Each shade varies within its class, so that a
// region's color depends on the order it grows in.
Bitmap CombsAndWaves(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) Put(b, x, y, Rgb(200 + (x * 7 + y * 3) % 10, 190 + (x + y * 5) % 10, 185));
    auto dark = [&b](int x, int y) { Put(b, x, y, Rgb(20 + (x * 3 + y) % 10, 30 + (x + y * 7) % 10, 40)); };
    const Bitmap noise = Noise(w / 3, h, 17);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 3; ++x) {
            Put(b, x, y, At(noise, x, y));
            if ((x + y) % 11 == 0) dark(x, y);
        }
    for (int y0 = 0; y0 + 6 <= h; y0 += 8) {
        for (int x0 = w / 3 + 2; x0 + 12 < 2 * w / 3; x0 += 15) {
            const bool down = (x0 / 15) % 2 == 0;
            const int back = down ? y0 : y0 + 5;
            for (int x = x0; x <= x0 + 12; ++x) dark(x, back);
            for (int tooth = x0; tooth <= x0 + 12; tooth += 4)
                for (int y = y0; y <= y0 + 5; ++y) dark(tooth, y);
        }
        // The wave: up on one side, down on the other, every four columns.
        for (int x = 2 * w / 3 + 2; x < w - 2; ++x) {
            const int phase = (x - 2 * w / 3) / 4 % 2;
            dark(x, y0 + (phase ? 5 : 0));
            if ((x - 2 * w / 3) % 4 == 0)
                for (int y = y0; y <= y0 + 5; ++y) dark(x, y);
        }
    }
    return b;
}

std::vector<NamedPicture> HugeRegionPictures() {
    return {
        {"one color 150x110", FilledBitmap(150, 110, Rgb(33, 66, 99))},
        {"disc in noise 181x143", DiscInNoise(181, 143)},
        {"spiral 160x120", Spiral(160, 120)},
        {"two halves 170x100", TwoHalves(170, 100)},
        {"noise 160x120", Noise(160, 120, 4)},
        {"sample 256x256", Crop(SamplePhoto(), 128, 128, 256, 256)},
    };
}

// The tags of a picture for growing by hand: the classes of the default class width
// 10, in the label grid with its border.
std::vector<std::uint32_t> TagsOf(const Bitmap& b, Grid& g) {
    g = Grid{b.Width(), b.Height(), b.Width() + 2, b.Height() + 2};
    std::vector<std::uint32_t> tags(static_cast<std::size_t>(g.PW) * g.PH, TagValues<std::uint32_t>::kBorder);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const TRGBTriple c = At(b, x, y);
            tags[g.At(x, y)] = static_cast<std::uint32_t>((c.R / 10 * 26 + c.G / 10) * 26 + c.B / 10);
        }
    return tags;
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

TEST(ReduceEquivalence, EveryPictureRectangleClassAndColoring) {
    std::vector<NamedPicture> pictures = VariedPictures();
    pictures.push_back({"diagonals 90x60", Diagonals(90, 60)});
    for (const NamedPicture& pic : pictures)
        for (const Area& a : Rectangles(pic.bitmap.Width(), pic.bitmap.Height()))
            for (std::size_t i = 0; i < std::size(kReducers); ++i)
                for (int mode : {0, 1})
                    ExpectSameReduction(pic.bitmap, a, kReducers[i], mode, Describe(pic.name, a, i, mode));
}

TEST(ReduceEquivalence, TheSamplePhotographWholeAndInPreviewRectangles) {
    const Bitmap photo = SamplePhoto();
    const std::vector<Area> areas = {{0, 0, 512, 512}, {0, 0, 160, 120}, {352, 392, 160, 120}, {170, 200, 160, 120}};
    for (const Area& a : areas)
        for (std::size_t i : {std::size_t{0}, std::size_t{2}, std::size_t{4}})
            for (int mode : {0, 1}) ExpectSameReduction(photo, a, kReducers[i], mode, Describe("sample", a, i, mode));
}

TEST(ReduceEquivalence, KeptSegmentationFollowsPansClassesColoringAndChangedPixels) {
    Bitmap photo = Diagonals(120, 90);
    // One step carried through a dialog session; each result against a fresh plain run.
    TColorStep fast;
    struct Run {
        Area a;
        std::size_t reducer;
        int mode;
    };
    const Run session[] = {
        {{0, 0, 40, 30}, 0, 1},   {{80, 60, 40, 30}, 0, 1}, {{0, 0, 40, 30}, 0, 1},   // pans back and forth
        {{30, 20, 40, 30}, 0, 0}, {{30, 20, 40, 30}, 2, 0}, {{30, 20, 40, 30}, 0, 0}, // coloring, classes
        {{0, 0, 120, 90}, 0, 1},  {{5, 50, 40, 30}, 5, 1},  {{5, 50, 40, 30}, 6, 1},
        {{0, 0, 40, 30}, 0, 1},  // the next pass starts with these classes: only the new pixels stop a reuse
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (const Run& run : session)
            ExpectSameReduction(photo, run.a, kReducers[run.reducer], run.mode,
                                "pass " + std::to_string(pass) + ", " +
                                    Describe("diagonals", run.a, run.reducer, run.mode),
                                &fast);
        // The dialog resamples into the same photograph object: same size, new pixels.
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x)
                if ((x * 7 + y * 3) % 11 == 0) Put(photo, x, y, Rgb(250, 10, 10));
    }
}

TEST(ReduceEquivalence, CancelDuringTheReductionReleasesWhatItKept) {
    const Bitmap photo = PatchesPicture(200, 150, 4);
    const ContentKey key = KeyOfPicture(photo);
    TColorStep step;
    step.LoadRegion(photo, key, 10, 10, 50, 40);
    step.ReduceColors(10, 0, 1, 0, {});
    ProgressLog log;
    log.onCaption = [](const char*) { CancelFlag = true; };
    step.SetProgress(&log);
    step.LoadRegion(photo, key, 100, 90, 50, 40);
    step.ReduceColors(40, 0, 1, 0, {});
    EXPECT_EQ(log.advances, 0);
    // A later run on the same pixels starts from scratch and is right.
    CancelFlag = false;
    ExpectSameReduction(photo, {100, 90, 50, 40}, {40}, 1, "after a cancel", &step);
}

TEST(RegionGrowing, WholePhotographsAndPreviewsWithHugeRegionsMatchThePlainScanAndKeepTheTagsRight) {
    for (const NamedPicture& pic : HugeRegionPictures()) {
        const int w = pic.bitmap.Width(), h = pic.bitmap.Height();
        // Left strips leave the roots of regions right of them unscanned; the last
        // rectangle is a second preview on the same kept segmentation.
        const Area areas[] = {{0, h / 3, w / 4, h / 2}, {w / 3, h / 3, w / 3, h / 3}, {w - 40, h - 30, 40, 30}};
        for (int mode : {0, 1}) {
            const std::string inMode = pic.name + ", mode " + std::to_string(mode);
            for (int reducer : {1, 10, 254})  // class width 1 takes the wide tags
                ExpectSameReduction(pic.bitmap, {0, 0, w, h}, {reducer}, mode,
                                    inMode + ", reducer " + std::to_string(reducer));
            TColorStep kept;
            for (const Area& a : areas) {
                const std::string what = inMode + " at " + std::to_string(a.left) + "," + std::to_string(a.top);
                ExpectSameReduction(pic.bitmap, a, {10}, mode, what);
                ExpectSameReduction(pic.bitmap, a, {10}, mode, what + ", kept segmentation", &kept);
            }
        }
    }
}

TEST(RegionGrowing, RegionsReachingAcrossRowsGrowOnceFromTheirFirstPixel) {
    // A whole picture is scanned for seeds in strips of rows; shapes that cross from
    // row to row in every way, at several heights so the cuts fall differently.
    for (int helpers : {-1, 0}) {
        const HelperLimit limit(helpers);
        for (int h : {64, 133, 256}) {
            const Bitmap picture = CombsAndWaves(240, h);
            for (int reducer : {10, 1, 254})
                for (int mode : {0, 1})
                    ExpectSameReduction(picture, {0, 0, 240, h}, {reducer}, mode,
                                        "combs and waves 240x" + std::to_string(h) + ", reducer " +
                                            std::to_string(reducer) + ", mode " + std::to_string(mode) +
                                            (helpers == 0 ? ", one thread" : ""));
        }
    }
}

// Every pixel's region, by a plain flood over the tags, and the first and last row
// each region reaches.
struct PlainRegions {
    std::vector<int> of;
    std::vector<int> firstRow, lastRow;
};

PlainRegions RegionsOf(const std::vector<std::uint32_t>& tags, const Grid& g) {
    PlainRegions r;
    r.of.assign(tags.size(), -1);
    std::vector<std::size_t> stack;
    for (int y = 0; y < g.SH; ++y)
        for (int x = 0; x < g.SW; ++x) {
            if (r.of[g.At(x, y)] >= 0) continue;
            const int id = static_cast<int>(r.firstRow.size());
            r.firstRow.push_back(y);
            r.lastRow.push_back(y);
            r.of[g.At(x, y)] = id;
            stack.push_back(g.At(x, y));
            while (!stack.empty()) {
                const std::size_t q = stack.back();
                stack.pop_back();
                int& last = r.lastRow[static_cast<std::size_t>(id)];
                last = std::max(last, g.Y(static_cast<std::int32_t>(q)));
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const std::size_t n = q + static_cast<std::size_t>(dy * g.PW + dx);
                        if (tags[n] == tags[q] && r.of[n] < 0) {
                            r.of[n] = id;
                            stack.push_back(n);
                        }
                    }
            }
        }
    return r;
}

TEST(RegionGrowing, AStripMarksExactlyThePixelsOfRegionsReachingBeyondIt) {
    // A whole picture is scanned for seeds in strips of rows, each leaving out the
    // regions that reach beyond it, which are grown from one scan of their own.
    const std::vector<NamedPicture> pictures = {{"combs and waves", CombsAndWaves(240, 133)},
                                                {"spiral", Spiral(90, 70)},
                                                {"disc in noise", DiscInNoise(80, 60)},
                                                {"noise", Noise(97, 61, 3)}};
    for (const NamedPicture& pic : pictures) {
        Grid g;
        const std::vector<std::uint32_t> tags = TagsOf(pic.bitmap, g);
        const PlainRegions regions = RegionsOf(tags, g);
        CrossingBits bits(g.SW, g.SH);
        std::vector<std::uint32_t> stack;
        const int h = g.SH;
        const std::pair<int, int> strips[] = {{0, h}, {0, 1}, {h - 1, h}, {5, 6}, {h / 3, 2 * h / 3}, {0, h / 2},
                                              {h / 2, h}, {7, 40}};
        for (const auto& [top, bottom] : strips) {
            MarkCrossing(tags.data(), g, top, bottom, bits, stack);
            for (int y = top; y < bottom; ++y)
                for (int x = 0; x < g.SW; ++x) {
                    const auto id = static_cast<std::size_t>(regions.of[g.At(x, y)]);
                    const bool beyond = regions.firstRow[id] < top || regions.lastRow[id] >= bottom;
                    ASSERT_EQ(bits.Test(x, y), beyond) << pic.name << ", rows " << top << ".." << bottom - 1
                                                       << ", pixel " << x << "," << y;
                }
        }
    }
}

TEST(RegionGrowing, TheSameOnOneThread) {
    const HelperLimit none(0);
    ExpectSameReduction(DiscInNoise(181, 143), {0, 0, 181, 143}, {10}, 1, "disc in noise, one thread");
    ExpectSameReduction(Spiral(160, 120), {20, 10, 60, 50}, {10}, 0, "spiral preview, one thread");
}

TEST(RegionGrowing, AGrowthStoppedAnywhereAndFinishedOverBitsTakesTheSameOrder) {
    for (const Bitmap& picture : {Spiral(90, 70), DiscInNoise(80, 60), FilledBitmap(40, 30, Rgb(1, 2, 3))}) {
        Grid g;
        const std::vector<std::uint32_t> tags = TagsOf(picture, g);
        const Neighbours nb(g.PW);
        // The region of the largest flat area: the one at the middle for the disc,
        // the background for the spiral.
        const int sx = g.SW / 2, sy = picture.Width() == 80 ? g.SH / 2 : 1;
        std::vector<std::uint32_t> whole = tags;
        GrowthOrder expected;
        ASSERT_TRUE(Grow(whole.data(), g, nb, sx, sy, whole[g.At(sx, sy)], expected));
        ASSERT_GT(expected.Count, 100u);
        for (std::size_t limit : {std::size_t{1}, std::size_t{9}, std::size_t{100}, expected.Count / 2,
                                  expected.Count - 1}) {
            std::vector<std::uint32_t> t = tags;
            GrowthOrder order;
            const std::uint32_t tag = t[g.At(sx, sy)];
            const bool complete = Grow(t.data(), g, nb, sx, sy, tag, order, limit);
            EXPECT_EQ(complete, order.Count == expected.Count) << "limit " << limit;
            if (!complete) {
                EXPECT_GE(order.Count, limit);
                ASSERT_TRUE(FinishGrowth(t.data(), g, tag, 0, order));
            }
            ASSERT_EQ(order.Count, expected.Count) << "limit " << limit;
            for (std::size_t i = 0; i < order.Count; ++i)
                ASSERT_EQ(order[i], expected[i]) << "limit " << limit << ", pixel " << i << " of the order";
        }
    }
}

// The running halving average followed over the whole order, as the plain scan does.
TRGBTriple PlainRunningAverage(const PhotoPixels& img, const GrowthOrder& order) {
    const std::size_t n = order.Count;
    auto at = [&](std::size_t i) { return img.At(PX(order[i]), PY(order[i])); };
    int b = at(n / 2).B, g = at(n / 2).G, r = at(n / 2).R;
    for (std::size_t i = 0; i <= (n - 1) / 2; ++i) {
        b = (((at(i).B + at(n - 1 - i).B) >> 1) + b) >> 1;
        g = (((at(i).G + at(n - 1 - i).G) >> 1) + g) >> 1;
        r = (((at(i).R + at(n - 1 - i).R) >> 1) + r) >> 1;
    }
    return TRGBTriple{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r)};
}

TEST(RegionGrowing, RegionColorsAreTheRunningAverageOfTheWholeOrder) {
    // Growth orders over random pixels, long enough for hundreds of runs of pairs, and
    // with few distinct colors so that the average sits on rounding edges often; and
    // orders over one flat color, whose last pairs never fix the average alone.
    std::mt19937 rng(9);
    Bitmap image(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            Put(image, x, y, x < 8 ? Rgb(77, 78, 79) : Rgb(rng() % 4 * 85, rng() % 256, 255 - rng() % 3));
    const PhotoPixels img{image.Data(), image.Stride()};
    // An order of n pixels from the first `columns` columns.
    auto randomOrder = [&rng](std::size_t n, unsigned columns) {
        GrowthOrder order;
        order.Buffer.resize(n);
        for (std::uint32_t& p : order.Buffer) {
            const int x = static_cast<int>(rng() % columns);
            p = PackXY(x, static_cast<int>(rng() % 480));
        }
        order.Count = order.Head = n;
        return order;
    };
    TColorStep step;
    for (bool flat : {false, true})
        for (std::size_t n : {std::size_t{1}, std::size_t{2}, std::size_t{17}, std::size_t{65}, std::size_t{66},
                              std::size_t{1000}, std::size_t{65537}, std::size_t{300001}, std::size_t{1} << 22}) {
            const GrowthOrder order = randomOrder(n, flat ? 8 : 640);
            const TRGBTriple plain = PlainRunningAverage(img, order);
            for (int mode : {0, 1}) {
                const TRGBTriple expected = mode == 0 ? step.NearestPaletteColor(plain) : plain;
                EXPECT_EQ(RegionColor(step, img, order, mode), expected) << n << " pixels, flat " << flat;
                EXPECT_EQ(HugeRegionColor(step, img, order, mode), expected) << n << " pixels, flat " << flat;
            }
        }
    // Many short random orders, where the last pairs fix the average only sometimes.
    for (int trial = 0; trial < 2000; ++trial) {
        const GrowthOrder order = randomOrder(66 + rng() % 200, 640);
        ASSERT_EQ(RegionColor(step, img, order, 1), PlainRunningAverage(img, order)) << "trial " << trial;
    }
}
