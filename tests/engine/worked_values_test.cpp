// Values worked out by hand from the conversion's rules, not taken from either
// implementation. The comparisons with the straightforward reference prove only that
// the two agree; these catch a rule that both read the same wrong way.

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "engine/ColorStep.h"
#include "engine/EngineTestUtil.h"
#include "engine/Sketch.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// Accumulated edges as they are: gain 1, no detail, no sketch type, no threshold.
int RawEdgeAt(const Bitmap& photo, int x, int y, double sharpness = 0) {
    TSketch sk;
    sk.LoadRegion(photo, 0, 0, photo.Width(), photo.Height());
    sk.RenderSketch(0, 0, 32, 255, 0, 0, false, 0, sharpness);
    return sk.Result[static_cast<std::size_t>(y) * sk.Width + x];
}

TColorStep ReduceAll(const Bitmap& photo, int reducer, int type = 0, int mode = 1, int handleCount = 0,
                     std::array<std::uint8_t, 5> handles = {}) {
    TColorStep step;
    step.LoadRegion(photo, 0, 0, photo.Width(), photo.Height());
    step.ReduceColors(reducer, type, mode, handleCount, handles);
    return step;
}

TRGBTriple ReducedAt(const TColorStep& c, int x, int y) { return c.Reduced[static_cast<std::size_t>(y) * c.Width + x]; }

TRGBTriple Toned(TRGBTriple p, int saturation, int brightness) {
    Bitmap b = FilledBitmap(1, 1, p);
    TColorStep step;
    step.SaturationRect(b, b, Rect{0, 0, 0, 0}, saturation);
    step.BrightnessRect(b, b, Rect{0, 0, 0, 0}, brightness, brightness, brightness);
    return At(b, 0, 0);
}

}  // namespace

TEST(WorkedSketch, EdgesGoToTheDarkSideAndSharpeningAddsTwoCMinusPMinusQ) {
    // Columns 0..1 black, 2..4 gray 60: the black column next to the gray one collects
    // 3 channels x 60 from its right neighbour.
    const Bitmap step = SplitBitmap(5, 5, 2, Rgb(0, 0, 0), Rgb(60, 60, 60));
    EXPECT_EQ(RawEdgeAt(step, 1, 2), 180);
    EXPECT_EQ(RawEdgeAt(step, 2, 2), 0);
    // A one-pixel dark line, 140 on 150: Sharpness 4 adds 2C - P - Q = 20 per channel
    // on the horizontal and both diagonal lines.
    Bitmap line = FilledBitmap(5, 5, Rgb(150, 150, 150));
    for (int y = 0; y < 5; ++y) Put(line, 2, y, Rgb(140, 140, 140));
    EXPECT_EQ(RawEdgeAt(line, 2, 2), 2 * 3 * 10);
    EXPECT_EQ(RawEdgeAt(line, 2, 2, 20 / 5.0), 2 * 3 * 10 + 3 * 3 * 20);
    // 5 * 0.4 * 5 / 20 lies just above one half in extended precision and rounds to 1;
    // in double it is exactly 0.5 and would round to 0. Exact halves round to even.
    EXPECT_EQ(TSketch::SharpenAmount(5, 3, 2, 2 / 5.0), 1);
    EXPECT_EQ(TSketch::SharpenAmount(2, 1, 2, 10 / 5.0), 0);
    EXPECT_EQ(TSketch::SharpenAmount(3, 1, 2, 10 / 5.0), 2);
    EXPECT_EQ(TSketch::SharpenAmount(5, 3, 2, 10 / 5.0), 2);
}

TEST(WorkedSketch, MappingGainDetailTypeThresholdAndDarkAreas) {
    const TRGBTriple inv{0, 0, 0};
    EXPECT_EQ(TSketch::MapEdge(40, inv, 2, 0, 32, 255, 0, 0, false), 215);
    EXPECT_EQ(TSketch::MapEdge(400, inv, 2, 0, 32, 255, 0, 0, false), 0);
    EXPECT_EQ(TSketch::MapEdge(10, inv, 2, 0, 68, 255, 0, 0, false), 255 - 21);  // 680 shr 5
    EXPECT_EQ(TSketch::MapEdge(100, inv, 2, 115, 68, 255, 0, 0, false), 255 - (212 - 115));
    EXPECT_EQ(TSketch::MapEdge(15, inv, 1, 0, 32, 255, 0, 0, false), 255);
    EXPECT_EQ(TSketch::MapEdge(16, inv, 1, 0, 32, 255, 0, 0, false), 0);
    EXPECT_EQ(TSketch::MapEdge(54, inv, 2, 0, 32, 200, 0, 0, false), 255);
    EXPECT_EQ(TSketch::MapEdge(55, inv, 2, 0, 32, 200, 0, 0, false), 200);
    EXPECT_EQ(TSketch::MapEdge(40, inv, 0, 0, 32, 255, 0, 0, false), 40) << "another type keeps the edge value";
    // A photograph (R 5, G 15, B 25; stored inverted B, G, R) darker than the
    // threshold 30 everywhere raises e to 255 - RemainDarkness; 25 is not below 25.
    const TRGBTriple dark{230, 240, 250};
    EXPECT_EQ(TSketch::MapEdge(0, dark, 2, 0, 32, 255, 30, 100, true), 100);
    EXPECT_EQ(TSketch::MapEdge(0, dark, 2, 0, 32, 255, 25, 100, true), 255);
    EXPECT_EQ(TSketch::MapEdge(200, dark, 2, 0, 32, 255, 30, 100, true), 55);
    EXPECT_EQ(TSketch::MapEdge(0, TRGBTriple{255, 255, 255}, 2, 0, 32, 255, 0, 100, true), 255);
}

TEST(WorkedColor, SegmentsClassesAndTheirColors) {
    // Seed (30, 30, 30) whose only alike neighbour (class width 40) is (10, 10, 10):
    // ((10 + 30) shr 1 + 30) shr 1 = 25.
    Bitmap photo = FilledBitmap(4, 3, Rgb(200, 200, 200));
    Put(photo, 0, 0, Rgb(30, 30, 30));
    Put(photo, 1, 0, Rgb(10, 10, 10));
    const TColorStep c = ReduceAll(photo, 40);
    EXPECT_EQ(ReducedAt(c, 0, 0), Rgb(25, 25, 25));
    EXPECT_EQ(ReducedAt(c, 1, 0), Rgb(25, 25, 25));
    EXPECT_EQ(ReducedAt(c, 3, 2), Rgb(200, 200, 200));

    // A lone pixel keeps its color even in "Fixed Color"; its flat background does not.
    Bitmap lone = FilledBitmap(5, 5, Rgb(3, 4, 5));
    Put(lone, 2, 2, Rgb(123, 45, 67));
    const TColorStep fixed = ReduceAll(lone, 10, 0, 0);
    EXPECT_EQ(ReducedAt(fixed, 2, 2), Rgb(123, 45, 67));
    EXPECT_EQ(ReducedAt(fixed, 0, 0), Rgb(0, 0, 0));

    const TColorStep wide = ReduceAll(photo, 254);
    EXPECT_EQ(wide.ColorClass(253), 0);
    EXPECT_EQ(wide.ColorClass(254), 1);
    // Custom handles are sorted, inclusive upper bounds.
    const TColorStep custom = ReduceAll(photo, 10, 1, 1, 2, {128, 64, 7, 7, 7});
    for (auto [value, cls] : {std::pair{64, 0}, {65, 1}, {128, 1}, {129, 2}, {255, 2}})
        EXPECT_EQ(custom.ColorClass(value), cls) << value;
}

TEST(WorkedColor, MedianOrdersWholeColorsRedFirst) {
    // The fifth smallest packed color of a 3 x 3 window, a real pixel, not a median
    // per channel; the maximum likewise.
    const TRGBTriple colors[9] = {Rgb(9, 0, 0),   Rgb(1, 200, 7), Rgb(5, 3, 250), Rgb(5, 3, 249), Rgb(2, 0, 0),
                                  Rgb(8, 8, 8),   Rgb(5, 2, 255), Rgb(7, 7, 7),   Rgb(3, 99, 99)};
    TColorStep c;
    c.Width = c.Height = 3;
    c.Final.assign(std::begin(colors), std::end(colors));
    c.Smoothed.resize(9);
    c.ColorSmooth(1, 0);
    EXPECT_EQ(c.Smoothed[4], Rgb(5, 3, 249));
    c.ColorSmooth(1, 1);
    EXPECT_EQ(c.Smoothed[4], Rgb(9, 0, 0));
}

TEST(WorkedTone, ContrastBrightnessAndSaturation) {
    // Amount, entry and its value in the contrast table about the pivot.
    for (auto [amount, entry, value] : {std::tuple{10, 128, 121}, {255, 238, 0}, {255, 239, 1}, {255, 252, 221},
                                        {255, 253, 255}, {255, 254, 254}, {-255, 0, 253}, {-255, 128, 253},
                                        {-255, 255, 255}})
        EXPECT_EQ(ContrastTable(amount, kContrastPivot)[static_cast<std::size_t>(entry)], value)
            << "contrast " << amount << ", entry " << entry;

    EXPECT_EQ(Toned(Rgb(200, 100, 50), 0, 100), Rgb(255, 200, 150));
    EXPECT_EQ(Toned(Rgb(200, 100, 50), 0, 0), Rgb(200, 100, 50));
    EXPECT_EQ(Toned(Rgb(255, 0, 0), 0, 0), Rgb(255, 1, 1)) << "k is 255 at zero, not 256";
    EXPECT_EQ(Toned(Rgb(200, 100, 50), -127, 0), Rgb(116, 116, 116));
    EXPECT_EQ(Toned(Rgb(200, 100, 50), 127, 0), Rgb(255, 0, 0));
    // Amounts beyond the slider act as its ends; reading past the gain table would
    // give arbitrary colors.
    EXPECT_EQ(Toned(Rgb(200, 100, 50), 500, 0), Rgb(255, 0, 0));
    EXPECT_EQ(Toned(Rgb(200, 100, 50), -500, 0), Rgb(116, 116, 116));
    EXPECT_EQ(Toned(Rgb(128, 128, 128), 127, 0), Rgb(128, 128, 128));
    // Entry 78 of the gain table saturates more strongly than 79 does.
    EXPECT_EQ(Toned(Rgb(138, 128, 118), 78, 0), Rgb(193, 128, 63));
    EXPECT_EQ(Toned(Rgb(138, 128, 118), 79, 0), Rgb(192, 128, 64));
}
