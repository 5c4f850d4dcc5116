#include <gtest/gtest.h>

#include "engine/EngineTestUtil.h"
#include "engine/Sketch.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// The whole photograph rendered with threshold 255 and no dark areas kept.
TSketch Render(const Bitmap& photo, int type = 2, int detail = 0, int darkness = 32, double radius = 0,
               double sharpness = 0) {
    TSketch sk;
    sk.LoadRegion(photo, 0, 0, photo.Width(), photo.Height());
    sk.RenderSketch(type, detail, darkness, 255, 0, 0, false, radius, sharpness);
    return sk;
}

int ResultAt(const TSketch& sk, int x, int y) { return sk.Result[static_cast<std::size_t>(y) * sk.Width + x]; }

// Accumulated edges as they are (gain 1, no detail, no sketch type); tests keep them below the clamp at 255.
TSketch RawEdges(const Bitmap& photo, double sharpness = 0) { return Render(photo, 0, 0, 32, 0, sharpness); }

}  // namespace

TEST(Sketch, LoadRegionInvertsTheRectangleInPlace) {
    Bitmap photo = FilledBitmap(6, 5, Rgb(0, 0, 0));
    Put(photo, 3, 2, Rgb(10, 20, 30));
    TSketch sk;
    sk.LoadRegion(photo, 2, 1, 3, 3);
    ASSERT_EQ(sk.Inverted.size(), 9u);
    EXPECT_EQ(sk.Inverted[1 * 3 + 1], Rgb(245, 235, 225));
    EXPECT_EQ(sk.Inverted[0], Rgb(255, 255, 255));
    EXPECT_EQ(sk.Result, LargeVector<std::uint8_t>(9, 0));
}

TEST(Sketch, UniformPhotographMapsToWhiteWithTheDefaults) {
    const Bitmap photo = FilledBitmap(9, 7, Rgb(90, 140, 30));
    const TSketch sk = Render(photo, 2, 115, 68, 0.75);
    for (std::int32_t v : sk.Result) ASSERT_EQ(v, 255);
}

TEST(Sketch, StepEdgeMarksTheDarkSide) {
    // Columns 0..1 black, 2..4 gray 60: the differences go to the black column next to
    // the gray one, the larger inverted value; the top and bottom rows are not scanned.
    const Bitmap step = SplitBitmap(5, 5, 2, Rgb(0, 0, 0), Rgb(60, 60, 60));
    const TSketch raw = RawEdges(step);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(ResultAt(raw, x, y), (x == 1 && y >= 1 && y <= 3) ? 180 : 0) << x << "," << y;

    // Mirrored: the black pixel is now the centre of the comparison with its left
    // neighbour, and again receives the amount.
    const TSketch mirrored = RawEdges(SplitBitmap(5, 5, 2, Rgb(60, 60, 60), Rgb(0, 0, 0)));
    EXPECT_EQ(ResultAt(mirrored, 2, 2), 180);
    EXPECT_EQ(ResultAt(mirrored, 1, 2), 0);

    const TSketch gray = Render(SplitBitmap(5, 5, 2, Rgb(0, 0, 0), Rgb(255, 255, 255)));
    EXPECT_EQ(ResultAt(gray, 1, 2), 0) << "765 clamps to 255, inverted to a black line";
    EXPECT_EQ(ResultAt(gray, 2, 2), 255);
}

TEST(Sketch, DifferencesAddUpPerChannelAndPerPartner) {
    // One pixel darker than its surroundings by (30, 20, 10) collects its left and
    // upper differences as the centre, and its right and lower ones as a partner.
    Bitmap photo = FilledBitmap(5, 5, Rgb(200, 200, 200));
    Put(photo, 2, 2, Rgb(170, 180, 190));
    const TSketch raw = RawEdges(photo);
    EXPECT_EQ(ResultAt(raw, 2, 2), 4 * 60);
    EXPECT_EQ(ResultAt(raw, 1, 2), 0);
    EXPECT_EQ(ResultAt(raw, 3, 2), 0);
    EXPECT_EQ(ResultAt(raw, 2, 1), 0);
}

TEST(Sketch, GainDetailAndTypeThresholds) {
    const TRGBTriple inv{0, 0, 0};
    // Detail 0, gain 1: gray is 255 minus the raw difference, clamped.
    EXPECT_EQ(TSketch::MapEdge(40, inv, 2, 0, 32, 255, 0, 0, false), 215);
    EXPECT_EQ(TSketch::MapEdge(400, inv, 2, 0, 32, 255, 0, 0, false), 0);
    // The gain is in 32nds and truncates: 10 * 68 shr 5 = 21.
    EXPECT_EQ(TSketch::MapEdge(10, inv, 2, 0, 68, 255, 0, 0, false), 255 - 21);
    EXPECT_EQ(TSketch::MapEdge(100, inv, 2, 115, 68, 255, 0, 0, false), 255 - (212 - 115));
    EXPECT_EQ(TSketch::MapEdge(50, inv, 2, 115, 68, 255, 0, 0, false), 255) << "below Detail is paper";
    // Black && White: 15 is white, 16 black.
    EXPECT_EQ(TSketch::MapEdge(15, inv, 1, 0, 32, 255, 0, 0, false), 255);
    EXPECT_EQ(TSketch::MapEdge(16, inv, 1, 0, 32, 255, 0, 0, false), 0);
    // Threshold: 255 never whitens; 200 whitens every gray lighter than 200.
    EXPECT_EQ(TSketch::MapEdge(1, inv, 2, 0, 32, 255, 0, 0, false), 254);
    EXPECT_EQ(TSketch::MapEdge(54, inv, 2, 0, 32, 200, 0, 0, false), 255);
    EXPECT_EQ(TSketch::MapEdge(55, inv, 2, 0, 32, 200, 0, 0, false), 200);
    // Any other type (the dialog gives 0 with no item selected) keeps the clamped
    // edge value, not inverted.
    EXPECT_EQ(TSketch::MapEdge(40, inv, 0, 0, 32, 255, 0, 0, false), 40);
    EXPECT_EQ(TSketch::MapEdge(999, inv, 0, 0, 32, 255, 0, 0, false), 255);
}

TEST(Sketch, RemainDarkKeepsDarkAreasOfThePhotograph) {
    const TRGBTriple dark{230, 240, 250};  // inverted B, G, R: the photograph is R 5, G 15, B 25
    // Photograph darker than the threshold 30 in all channels: e is raised to
    // 255 - RemainDarkness = 155, gray 100.
    EXPECT_EQ(TSketch::MapEdge(0, dark, 2, 0, 32, 255, 30, 100, true), 100);
    // Threshold 25: blue 25 is not below 25.
    EXPECT_EQ(TSketch::MapEdge(0, dark, 2, 0, 32, 255, 25, 100, true), 255);
    // An edge already darker than the dark-area value is kept.
    EXPECT_EQ(TSketch::MapEdge(200, dark, 2, 0, 32, 255, 30, 100, true), 55);
    // Threshold 0 never applies; darkness 255 never changes a value.
    EXPECT_EQ(TSketch::MapEdge(0, TRGBTriple{255, 255, 255}, 2, 0, 32, 255, 0, 100, true), 255);
    EXPECT_EQ(TSketch::MapEdge(0, dark, 2, 0, 32, 255, 30, 255, true), 255);
    EXPECT_EQ(TSketch::MapEdge(0, dark, 2, 0, 32, 255, 30, 100, false), 255);
}

TEST(Sketch, SharpeningInExtendedPrecision) {
    // Sharpness 4: the amount equals 2C - P - Q.
    EXPECT_EQ(TSketch::SharpenAmount(100, 40, 60, 20 / 5.0), 100);
    // Sharper 2 (0.4): 5 * 0.4 * 5 / 20 lies just above one half in extended
    // precision and rounds to 1; in double it is exactly 0.5 and would round to 0.
    EXPECT_EQ(TSketch::SharpenAmount(5, 3, 2, 2 / 5.0), 1);
    EXPECT_EQ(TSketch::SharpenAmount(3, 2, 1, 2 / 5.0), 0) << "0.3 * 1 rounds to 0";
    EXPECT_EQ(TSketch::SharpenAmount(2, 1, 2, 10 / 5.0), 0) << "exactly 0.5 rounds to even";
    EXPECT_EQ(TSketch::SharpenAmount(3, 1, 2, 10 / 5.0), 2) << "1.5 rounds to even";
    EXPECT_EQ(TSketch::SharpenAmount(5, 3, 2, 10 / 5.0), 2) << "2.5 rounds to even";
}

TEST(Sketch, SharpeningAddsToAOnePixelDarkLine) {
    // A vertical dark line one pixel wide, 140 on 150. Inverted: centre 115, sides
    // 105. Without sharpening the centre collects 10 per channel from its left
    // neighbour and 10 as the right neighbour's partner.
    Bitmap photo = FilledBitmap(5, 5, Rgb(150, 150, 150));
    for (int y = 0; y < 5; ++y) Put(photo, 2, y, Rgb(140, 140, 140));
    const int plain = ResultAt(RawEdges(photo), 2, 2);
    EXPECT_EQ(plain, 2 * 3 * 10);
    // Sharpness 4 (Sharper 20) adds 2C - P - Q = 20 per channel on the horizontal,
    // diagonal and anti-diagonal lines; vertically the centre is not darker.
    EXPECT_EQ(ResultAt(RawEdges(photo, 20 / 5.0), 2, 2), plain + 3 * 3 * 20);
    EXPECT_EQ(ResultAt(RawEdges(photo, 20 / 5.0), 1, 2), 0) << "the sides gain nothing";

    // Sharper 2 with 2C - P - Q = 5: inverted columns 55, 53, 56, 54, 55; each of the
    // three lines through (2, 2) has ends 53 and 54 and adds 1 per channel.
    Bitmap five = FilledBitmap(5, 5, Rgb(200, 200, 200));
    for (int y = 0; y < 5; ++y) {
        Put(five, 1, y, Rgb(202, 202, 202));
        Put(five, 2, y, Rgb(199, 199, 199));
        Put(five, 3, y, Rgb(201, 201, 201));
    }
    const int base = ResultAt(RawEdges(five), 2, 2);
    EXPECT_EQ(ResultAt(RawEdges(five, 2 / 5.0), 2, 2), base + 3 * 3 * 1);
}

TEST(Sketch, NarrowRectanglesSkipTheEdgesAndMapZeros) {
    Bitmap photo = FilledBitmap(2, 6, Rgb(0, 0, 0));
    Put(photo, 1, 3, Rgb(255, 255, 255));
    const TSketch sk = Render(photo);
    for (std::int32_t v : sk.Result) EXPECT_EQ(v, 255);
}

TEST(Sketch, ProgressAndCancel) {
    const Bitmap photo = TexturedPhoto(12, 10);
    ProgressLog log;
    TSketch sk;
    sk.SetProgress(&log);
    sk.LoadRegion(photo, 0, 0, 12, 10);
    sk.RenderSketch(2, 115, 68, 255, 0, 0, false, 0.75, 0);
    EXPECT_EQ(log.captions, (std::vector<std::string>{"Blur Row", "Blur Column", "Draw Sketch"}));
    EXPECT_EQ(log.advances, 3);
    // The last eight positions are the edge rows 1..8 of 8.
    ASSERT_GE(log.positions.size(), 8u);
    EXPECT_EQ(log.positions.back(), 100);
    EXPECT_EQ(log.positions[log.positions.size() - 8], 12);

    // A cancelled load empties what the last run left, and rendering leaves it empty.
    CancelFlag = true;
    sk.LoadRegion(photo, 0, 0, 12, 10);
    EXPECT_TRUE(sk.Inverted.empty());
    EXPECT_TRUE(sk.Result.empty());
    sk.RenderSketch(2, 115, 68, 255, 0, 0, false, 0.75, 0);
    EXPECT_TRUE(sk.Result.empty());
}
