#include <gtest/gtest.h>

#include <initializer_list>
#include <tuple>

#include "tools/BalloonGeometry.h"

using namespace velmora;

TEST(BalloonHandles, BodyHandlesAndTheTip) {
    const BalloonGeom g{30, 40, 100, 50, 0, 150, 20};
    EXPECT_EQ(BalloonHandlePoint(g, 7), (Point{130, 65}));
    EXPECT_EQ(BalloonHandlePoint(g, 10), (Point{150, 20}));
    const std::vector<Point> squares = BalloonHandlePoints(g);
    ASSERT_EQ(squares.size(), 9u);
    EXPECT_EQ(squares[4], (Point{80, 90}));  // handle 5
    EXPECT_EQ(squares[8], (Point{150, 20}));
}

TEST(BalloonHandles, TipIsTestedBeforeTheBody) {
    BalloonGeom g;  // body (0, 0)..(100, 50), tip (110, 60)
    EXPECT_EQ(HitTestBalloonHandles(g, 113, 57), 10);
    EXPECT_EQ(HitTestBalloonHandles(g, 114, 60), 0);
    EXPECT_EQ(HitTestBalloonHandles(g, 40, 20), 9);
    EXPECT_EQ(HitTestBalloonHandles(g, 2, 27), 2);

    // A tip dragged inside the body is still grabbed as the tip, not as a move.
    g.TailX = 40;
    g.TailY = 20;
    EXPECT_EQ(HitTestBalloonHandles(g, 42, 22), 10);
    EXPECT_EQ(HitTestBalloonHandles(g, 44, 22), 9);
    // A tip on a body handle hides that handle.
    g.TailX = 101;
    g.TailY = 49;
    EXPECT_EQ(HitTestBalloonHandles(g, 100, 50), 10);
}

namespace {

struct DragStep {
    int handle, x, y;
    BalloonGeom after;
};

// Drags g through the steps, each from the last one's result.
void ExpectDrags(BalloonGeom g, std::initializer_list<DragStep> steps, const DragAnchor& anchor = {}) {
    for (const DragStep& s : steps) {
        DragBalloonHandle(g, s.handle, s.x, s.y, anchor);
        EXPECT_EQ(g, s.after) << "handle " << s.handle << " to " << s.x << "," << s.y;
    }
}

}  // namespace

TEST(BalloonDrag, FiftyOneIsTheSmallestSide) {
    // Width 50 is refused, 51 taken with the right edge staying at 100.
    ExpectDrags({}, {{2, 50, 0, {0, 0, 100, 50, 0, 110, 60}}, {2, 49, 0, {49, 0, 51, 50, 0, 110, 60}}});
    // The start height of 50 is below the minimum and survives a width change; a drag
    // that keeps it at 50 is refused although nothing would change.
    ExpectDrags({}, {{7, 50, 300, {0, 0, 100, 50, 0, 110, 60}}, {7, 51, 300, {0, 0, 51, 50, 0, 110, 60}},
                     {4, 0, 0, {0, 0, 51, 50, 0, 110, 60}}, {5, 0, 50, {0, 0, 51, 50, 0, 110, 60}},
                     {4, 0, -1, {0, -1, 51, 51, 0, 110, 60}}, {5, 0, 80, {0, -1, 51, 81, 0, 110, 60}}});
}

TEST(BalloonDrag, CornerWithOneSideRefusedMovesTheOther) {
    // Width 40, then height 50, are refused; at height 60 both are taken; a width of 40
    // and a negative height move nothing.
    ExpectDrags({0, 0, 100, 60, 0, 110, 70},
                {{1, 60, -20, {0, -20, 100, 80, 0, 110, 70}}, {8, 170, 30, {0, -20, 170, 80, 0, 110, 70}},
                 {3, -10, 40, {-10, -20, 180, 60, 0, 110, 70}}, {6, 30, 200, {-10, -20, 180, 60, 0, 110, 70}}});
}

TEST(BalloonDrag, MoveKeepsTheTipAndTipMovesAlone) {
    // Pressed at (70, 50); handle 0 moves nothing.
    ExpectDrags({20, 30, 100, 60, 0, 10, 5},
                {{9, 100, 45, {50, 25, 100, 60, 0, 10, 5}}, {10, 90, 200, {50, 25, 100, 60, 0, 90, 200}},
                 {0, 1, 1, {50, 25, 100, 60, 0, 90, 200}}},
                DragAnchor{70, 20, 50, 30});
}

TEST(BalloonBounds, ReachTheTipOnAnySide) {
    BalloonGeom preview;
    PlaceBalloonPreview(preview, 200, 100);  // the body's corner at the cursor, the tip 15 above
    EXPECT_EQ(preview, (BalloonGeom{200, 100, 100, 50, 0, 200, 85}));
    EXPECT_EQ(BalloonLocalLayout(preview, 1).K, 12);
    // The bounds, and the body's corner and the tip relative to them. The tip's own
    // pixel is inside, and with a wide outline so is the half of the pen around it.
    const struct {
        BalloonGeom g;
        int border;
        BalloonBounds bounds;
        Point body, tip;
    } cases[] = {
        {preview, 1, {200, 85, 300, 150}, {0, 15}, {0, 0}},
        {{50, 50, 100, 60, 0, 10, 200}, 1, {10, 50, 150, 201}, {40, 0}, {0, 150}},
        {{50, 50, 100, 60, 0, 70, 70}, 1, {50, 50, 150, 110}, {0, 0}, {20, 20}},
        {{50, 50, 100, 60, 0, 400, -30}, 1, {50, -30, 401, 110}, {0, 80}, {350, 0}},
        {{100, 60, 100, 50, 0, 250, 180}, 10, {100, 60, 256, 186}, {0, 0}, {150, 120}},
        {{100, 60, 100, 50, 0, 20, 10}, 5, {18, 8, 200, 110}, {82, 52}, {2, 2}},
        {{100, 60, 100, 50, 0, 199, 109}, 10, {100, 60, 205, 115}, {0, 0}, {99, 49}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "tip " << c.g.TailX << "," << c.g.TailY << " border " << c.border);
        EXPECT_EQ(BalloonBoundingBox(c.g, c.border), c.bounds);
        const BalloonLocal local = BalloonLocalLayout(c.g, c.border);
        EXPECT_EQ((Point{local.X, local.Y}), c.body);
        EXPECT_EQ((Point{local.TipX, local.TipY}), c.tip);
    }
}

TEST(TailBase, WorkedCasesTruncateTowardZero) {
    const struct {
        int x, y, w, h, tx, ty;
        Point p1, p2;
    } cases[] = {
        // Body 100 x 50: k = 12, center (50, 25); tip (110, 60): dx 60, dy 35,
        // d = Round(69.46) = 69, e = 720 div 69 = 10, f = 420 div 69 = 6.
        {0, 0, 100, 50, 110, 60, {44, 35}, {56, 15}},
        // Body 100 x 60: k = 15, center (50, 30); tip (10, -20): dx -40, dy -50, d = Round(64.03) = 64,
        // e = -600 / 64 = -9 and f = -750 / 64 = -11 (flooring would give -10 and -12).
        {0, 0, 100, 60, 10, -20, {61, 21}, {39, 39}},
        {7, 3, 100, 60, 17, -17, {68, 24}, {46, 42}},  // The same body moved by (7, 3).
        // One pixel right of the center: the base stands upright, k up and down.
        {0, 0, 100, 50, 51, 25, {50, 37}, {50, 13}},
    };
    for (const auto& c : cases) {
        Point p1, p2;
        ASSERT_TRUE(TailBasePoints(c.x, c.y, c.w, c.h, c.tx, c.ty, p1, p2)) << c.tx << "," << c.ty;
        EXPECT_EQ(p1, c.p1) << c.tx << "," << c.ty;
        EXPECT_EQ(p2, c.p2) << c.tx << "," << c.ty;
    }
}

TEST(TailBase, TipOnTheCenterHasNoBase) {
    Point p1{-1, -1}, p2{-2, -2};
    EXPECT_FALSE(TailBasePoints(10, 10, 100, 50, 60, 35, p1, p2));
    EXPECT_EQ(p1, (Point{-1, -1}));
    EXPECT_EQ(p2, (Point{-2, -2}));
    // An odd width puts the center on the truncated middle.
    EXPECT_FALSE(TailBasePoints(0, 0, 101, 51, 50, 25, p1, p2));
}

TEST(BalloonBodies, CornerRadiusAndTextAreas) {
    for (const auto& [w, h, k] : {std::tuple{100, 60, 15}, {60, 100, 15}, {100, 50, 12}, {3, 100, 0}})
        EXPECT_EQ(BalloonCornerRadius(w, h), k) << w << " x " << h;

    // A: 100 x 60 has k = 15, so the text is inset by 7 on every side, whatever the border.
    EXPECT_EQ(BalloonTextArea(BalloonBody::Rectangle, 0, 0, 100, 60, 1), (TextArea{7, 7, 93, 53}));
    EXPECT_EQ(BalloonTextArea(BalloonBody::Rectangle, 5, 9, 100, 60, 10), (TextArea{12, 16, 98, 62}));
    // B: the border adds to the inset.
    EXPECT_EQ(BalloonTextArea(BalloonBody::Rounded, 5, 7, 100, 60, 3), (TextArea{15, 17, 95, 57}));
    EXPECT_EQ(BalloonTextArea(BalloonBody::Rounded, 0, 0, 100, 60, 10), (TextArea{17, 17, 83, 43}));
    // C: left, top and right of the inscribed rectangle ((8, 15, 92) for 100 x 60),
    // but the text may run down to y + h - k div 2.
    EXPECT_EQ(BalloonTextArea(BalloonBody::Ellipse, 5, 7, 100, 60, 3), (TextArea{13, 22, 97, 60}));
    EXPECT_EQ(BalloonTextArea(BalloonBody::Ellipse, 5, 7, 100, 60, 10), (TextArea{13, 22, 97, 60}));
}
