#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>
#include <utility>

#include "tools/ToolTable.h"
#include "view/ViewMath.h"

using namespace velmora;

TEST(ZoomText, FourSignificantDigits) {
    for (const auto& [zoom, text] : {std::pair{1.0, "100%"}, {0.75, "75%"}, {0.5625, "56.25%"}, {0.421875, "42.19%"},
                                     {ZoomInStep(1.0), "133.3%"}, {ZoomInStep(ZoomInStep(1.0)), "177.8%"}})
        EXPECT_EQ(ZoomText(zoom), text);
    // A step in and a step out must land exactly on 100 %, not a rounding away from it.
    EXPECT_EQ(ZoomOutStep(ZoomInStep(1.0)), 1.0);
    EXPECT_EQ(ZoomOutStep(1.0), 0.75);
}

TEST(ZoomText, LargeAndTinyValuesSwitchToScientific) {
    // Rounding 9999.5 to four digits carries into a fifth integer digit.
    for (const auto& [value, text] : {std::pair{9999.0, "9999"}, {9999.5, "1E4"}, {17757.8, "1.776E4"},
                                      {0.00001, "0.00001"}, {0.000001234, "1.234E-6"}, {0.0, "0"}})
        EXPECT_EQ(FormatGeneral(value, 4), text);
}

TEST(ScrollFit, HiddenWhenImageFitsAndPageRoundedOtherwise) {
    EXPECT_FALSE(FitScrollAxis(380, 1.0, 380).Visible);
    EXPECT_FALSE(FitScrollAxis(380, 0.5, 760).Visible);

    const ScrollAxis a = FitScrollAxis(380, 1.0, 640);
    EXPECT_TRUE(a.Visible);
    EXPECT_EQ(a.Max, 640);
    EXPECT_EQ(a.Page, 380);
    EXPECT_EQ(a.HighestPosition(), 261);

    // 100 / 0.75 = 133.33 image pixels fit; the page is rounded.
    const ScrollAxis b = FitScrollAxis(100, 0.75, 500);
    EXPECT_EQ(b.Page, 133);
    // 5 / 2 = 2.5 rounds half to even.
    EXPECT_EQ(FitScrollAxis(5, 2.0, 10).Page, 2);
}

// Fit in Window: no scroll bar at the zoom it picks, and one at the next zoom up,
// unless the picture is so small that the zoom stops at 10,000 %.
TEST(ScrollFit, FitZoomIsTheLargestWithoutBars) {
    int failures = 0;
    for (const auto& [pw, ph] : {std::pair{674, 414}, {1000, 800}, {377, 254}})
        for (int iw = 1; iw <= 6000; iw += 41)
            for (int ih : {1, 3, 480, 2448, iw}) {
                const double z = FitZoom(pw, ph, iw, ih);
                const bool bars = FitScrollAxis(pw, z, iw).Visible || FitScrollAxis(ph, z, ih).Visible;
                const double up = std::nextafter(z, 1e9);
                const bool largest =
                    z == 100.0 || FitScrollAxis(pw, up, iw).Visible || FitScrollAxis(ph, up, ih).Visible;
                if ((bars || !largest) && ++failures <= 5)
                    ADD_FAILURE() << pw << "x" << ph << " for " << iw << "x" << ih << ": zoom " << z;
            }
    EXPECT_EQ(FitZoom(1000, 800, 1, 1), 100.0);
}

TEST(ViewRectTest, ClampsToImageAndKeepsPartialColumns) {
    // The paint box reaches past the image: the last image column and row.
    EXPECT_EQ(ComputeViewRect(0, 0, 400, 300, 1.0, 200, 100), (Rect{0, 0, 199, 99}));
    // Scrolled inside a wide image at 100 %: exactly the paint box's pixels.
    EXPECT_EQ(ComputeViewRect(10, 20, 380, 194, 1.0, 1000, 1000), (Rect{10, 20, 389, 213}));
    // At 2x the paint box holds half as many image pixels; its last screen row (194)
    // shows the upper half of row 97, which the pointer there reaches.
    EXPECT_EQ(ComputeViewRect(0, 0, 380, 195, 2.0, 1000, 1000), (Rect{0, 0, 189, 97}));
    EXPECT_EQ(ScreenToImage(194, 2.0, 0), 97);
    // However thin the sliver at the edge: 574 / 4.214 = 136.2 columns.
    const double zoom = ZoomInStep(ZoomInStep(ZoomInStep(ZoomInStep(ZoomInStep(1.0)))));
    EXPECT_EQ(ComputeViewRect(30, 0, 574, 195, zoom, 1000, 1000).Right, 166);
    EXPECT_EQ(ScreenToImage(573, zoom, 30), 166);
    // Exactly at the image's edge counts as inside, not past it.
    EXPECT_EQ(ComputeViewRect(0, 0, 200, 100, 1.0, 200, 100), (Rect{0, 0, 199, 99}));
}

TEST(ViewLayoutTest, UncoveredStripsGetCleared) {
    // A 100 x 50 image at 1:1 in a 300 x 200 box: a right strip beside the image and a
    // bottom strip across the whole width.
    ViewLayout l = ComputeViewLayout(Rect{0, 0, 99, 49}, 1.0, 300, 200);
    EXPECT_EQ(l.Image, (ScreenRect{0, 0, 100, 50}));
    EXPECT_EQ(l.RightStrip, (ScreenRect{100, 0, 200, 50}));
    EXPECT_EQ(l.BottomStrip, (ScreenRect{0, 50, 300, 150}));

    // Zoomed so the image covers the box: nothing to clear.
    l = ComputeViewLayout(Rect{0, 0, 99, 49}, 4.0, 300, 200);
    EXPECT_EQ(l.Image, (ScreenRect{0, 0, 400, 200}));
    EXPECT_TRUE(l.RightStrip.Empty());
    EXPECT_TRUE(l.BottomStrip.Empty());
}

TEST(ImageRectOnScreenTest, FollowsScrollAndZoom) {
    EXPECT_EQ(ImageRectOnScreen(Rect{12, 30, 21, 31}, 10, 20, 2.0), (ScreenRect{4, 20, 20, 4}));
    EXPECT_EQ(ImageRectOnScreen(Rect{0, 0, 3, 3}, 0, 0, 0.75), (ScreenRect{0, 0, 3, 3}));
}

TEST(MouseMapping, RoundsHalfToEvenWithScroll) {
    // 5 / 2 + 10 = 12.5 -> 12. Zoomed in, the pixel under the pointer: screen x 7 at
    // zoom 2 shows pixel 3 (+10), and both halves of a shown pixel map to it. Not
    // clipped: positions left of the image stay negative. 3 / 0.75 = 4 exactly in
    // extended precision.
    for (const auto& [sx, zoom, scroll, x] : {std::tuple{5, 2.0, 10, 12}, {7, 2.0, 10, 13}, {6, 2.0, 10, 13},
                                              {8, 3.0, 0, 2}, {9, 3.0, 0, 3}, {-3, 1.0, 0, -3}, {3, 0.75, 0, 4},
                                              {100, ZoomInStep(1.0), 0, 75}})
        EXPECT_EQ(ScreenToImage(sx, zoom, scroll), x) << sx << " at zoom " << zoom << ", scroll " << scroll;
}

TEST(HandDrag, KeepsGrabbedPointUnderMouseAndStopsAtEdges) {
    ScrollAxis a = FitScrollAxis(100, 1.0, 300);  // positions 0..200 for the hand
    a.Position = 50;
    // Grabbed at 80, mouse now over image x 70: the view moves right by 10. Past the
    // left end, or the right end (Max - Page = 200), it stays where it was.
    for (const auto& [mouse, position] : {std::pair{70, 60}, {90, 40}, {131, 50}, {130, 0}, {-70, 200}, {-71, 50}})
        EXPECT_EQ(HandDragPosition(a, 80, mouse), position) << "mouse at " << mouse;
    // A hidden scroll bar never moves.
    ScrollAxis hidden;
    EXPECT_EQ(HandDragPosition(hidden, 80, 0), 0);
}

TEST(Routing, EveryPaletteToolHasARowAndACursor) {
    // The hand pans, every other palette tool gets every event; no tool is listed twice.
    std::set<int> ids;
    for (const ToolInfo& t : PaletteTools()) {
        EXPECT_TRUE(ids.insert(t.Id).second) << t.Name;
        EXPECT_EQ(t.Routing, t.Id == ToolHand ? ToolRouting::Hand : ToolRouting::Tool) << t.Name;
        EXPECT_EQ(FindTool(t.Id), &t);
    }
    EXPECT_EQ(FindTool(ToolNone)->Routing, ToolRouting::None);
    for (int unknown : {7, 40, 43}) EXPECT_EQ(FindTool(unknown), nullptr);
    EXPECT_EQ(ToolTooltip(*FindTool(ToolPencil)), "Pencil (N)");

    EXPECT_EQ(CursorForTool(ToolNone, true), ToolCursor::Arrow);
    EXPECT_EQ(CursorForTool(ToolBalloonC, false), ToolCursor::Cross);
    EXPECT_EQ(CursorForTool(ToolHand, true), ToolCursor::GrabHand);
    EXPECT_EQ(CursorForTool(ToolHand, false), ToolCursor::Arrow);
    EXPECT_EQ(CursorForTool(99, false), ToolCursor::Arrow);
}
