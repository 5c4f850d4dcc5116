#include <gtest/gtest.h>

#include <tuple>

#include "tools/ShapeGeometry.h"

using namespace velmora;

TEST(BoxHandles, PointsSitOnCornersAndEdgeMiddlesAndReachThreePixels) {
    // An odd size shows the middles are truncated, not rounded.
    const ShapeBox box{10, 20, 31, 45};  // 21 x 25
    const Point expected[] = {{10, 20}, {10, 32}, {10, 45}, {20, 20}, {20, 45}, {31, 20}, {31, 32}, {31, 45}};
    const std::vector<Point> all = BoxHandlePoints(box);
    ASSERT_EQ(all.size(), 8u);
    for (int h = 1; h <= 8; ++h) {
        const Point p = expected[h - 1];
        EXPECT_EQ(BoxHandlePoint(box, h), p) << h;
        EXPECT_EQ(all[h - 1], p) << h;
        // Every handle is found from each corner of its 7 x 7 reach, and not one step out.
        for (int sx : {-3, 3})
            for (int sy : {-3, 3}) EXPECT_EQ(HitTestBoxHandles(box, p.X + sx, p.Y + sy), h) << h;
        EXPECT_NE(HitTestBoxHandles(box, p.X + 4, p.Y), h) << h;
        EXPECT_NE(HitTestBoxHandles(box, p.X, p.Y - 4), h) << h;
    }
}

TEST(BoxHandles, LowerNumberWinsAndMoveIsStrictlyInside) {
    // A 4 x 4 box: (10, 12) lies within reach of handles 1, 2 and 3; 1 comes first.
    const ShapeBox tiny{10, 10, 14, 14};
    EXPECT_EQ(HitTestBoxHandles(tiny, 10, 12), 1);
    // (14, 14) is handle 8's own point but within reach of 5 and 7 as well.
    EXPECT_EQ(HitTestBoxHandles(tiny, 14, 14), 5);

    // (1, 18) is inside but within handle 2's reach; on the edges themselves, away
    // from any handle, a point is not inside.
    for (const auto& [x, y, hit] : {std::tuple{20, 10, 9}, {1, 18, 2}, {10, 0, 0}, {0, 10, 0}, {40, 30, 0},
                                    {30, 40, 0}, {39, 30, 9}, {60, 60, 0}})
        EXPECT_EQ(HitTestBoxHandles(ShapeBox{0, 0, 40, 40}, x, y), hit) << x << "," << y;
}

TEST(BoxHandles, CursorsPairOppositeHandles) {
    using enum HandleCursor;
    const HandleCursor expected[] = {Arrow,     SizeFDiag, SizeHor,   SizeBDiag, SizeVer, SizeVer,
                                     SizeBDiag, SizeHor,   SizeFDiag, Move,      Move,    Arrow};
    for (int h = 0; h <= 11; ++h) EXPECT_EQ(CursorForHandle(h), expected[h]) << h;
}

TEST(BoxDrag, ElevenIsTheSmallestSide) {
    // Each drag starts from the last result, or from a 20 x 20 box when `fresh`; a side
    // of 10 is refused, 11 taken, and each edge keeps its own minimum.
    const struct {
        bool fresh;
        int handle, x, y;
        ShapeBox after;
    } steps[] = {
        // Each corner drag has one side too short: only the other is taken.
        {true, 8, 5, 50, {0, 0, 20, 50}}, {true, 1, 15, -30, {0, -30, 20, 20}},
        {true, 3, -7, 5, {-7, 0, 20, 20}}, {true, 6, 8, -4, {0, -4, 20, 20}},
        // A chain: y is not used by 7, and 2 to x 1 would leave a width of 10.
        {true, 7, 10, 999, {0, 0, 20, 20}}, {false, 7, 11, 999, {0, 0, 11, 20}},
        {false, 4, -999, 10, {0, 0, 11, 20}}, {false, 4, -999, 9, {0, 9, 11, 20}},
        {false, 2, 1, 0, {0, 9, 11, 20}}, {false, 2, -5, 0, {-5, 9, 11, 20}},
        {false, 5, 50, 19, {-5, 9, 11, 20}}, {false, 5, 50, 80, {-5, 9, 11, 80}},
    };
    ShapeBox box;
    for (const auto& s : steps) {
        if (s.fresh) box = ShapeBox{};
        DragBoxHandle(box, s.handle, s.x, s.y, DragAnchor{});
        EXPECT_EQ(box, s.after) << s.handle << " to " << s.x << "," << s.y;
    }
}

TEST(BoxDrag, MovesKeepTheSize) {
    ShapeBox box{30, 40, 75, 61};
    // Pressed at (50, 50) inside; the box moves by the mouse's travel.
    const DragAnchor anchor{50, 30, 50, 40};
    DragBoxHandle(box, 9, 45, 70, anchor);
    EXPECT_EQ(box, (ShapeBox{25, 60, 70, 81}));
    DragBoxHandle(box, 9, -100, 0, anchor);
    EXPECT_EQ(box, (ShapeBox{-120, -10, -75, 11}));
    DragBoxHandle(box, 0, 5, 5, anchor);
    EXPECT_EQ(box, (ShapeBox{-120, -10, -75, 11}));

    // Before placing, the preview follows the mouse with the same size.
    const ShapeBox moved = MoveBoxTo(ShapeBox{0, 0, 100, 50}, 37, -8);
    EXPECT_EQ(moved, (ShapeBox{37, -8, 137, 42}));
    EXPECT_EQ(BoxHandleArea(moved), (Rect{34, -11, 140, 45}));
}

TEST(TextAreas, EllipseInscribedRectangleRoundsTheDiagonal) {
    // 100 x 60: sqrt(13600) = 116.62 rounds to 117 (truncating would give 116 and a
    // half-width of 43); hw = (10000 div 117) div 2 = 42, hh = (3600 div 117) div 2 = 15.
    EXPECT_EQ(EllipseTextArea(100, 60), (TextArea{8, 15, 92, 45}));
    // 20 x 20: sqrt(800) = 28.28 -> 28; hw = hh = (400 div 28) div 2 = 7.
    EXPECT_EQ(EllipseTextArea(20, 20), (TextArea{3, 3, 17, 17}));
    // 21 x 11 has odd centers: D = Round(23.71) = 24, hw = (441 div 24) div 2 = 9,
    // hh = (121 div 24) div 2 = 2 around (10, 5).
    EXPECT_EQ(EllipseTextArea(21, 11), (TextArea{1, 3, 19, 7}));
    EXPECT_EQ(EllipseTextArea(0, 0), (TextArea{0, 0, 0, 0}));
    // The rectangle's text is inset on every side, the text box's only at the bottom.
    EXPECT_EQ(RectangleTextArea(100, 50, 10), (TextArea{10, 10, 90, 40}));
    EXPECT_EQ(TextBoxTextArea(100, 50), (TextArea{0, 0, 100, 40}));
}

TEST(TextLines, StackAndCutAtTheLowestBottom) {
    // Text box 100 x 50: lowest bottom 40. Lines of 13 take 15 rows each.
    const std::vector<LineSlot> slots = LayoutTextLines({13, 13, 13, 13}, 0, 40);
    ASSERT_EQ(slots.size(), 3u);
    EXPECT_EQ(slots[0], (LineSlot{0, 15}));
    EXPECT_EQ(slots[1], (LineSlot{15, 30}));
    EXPECT_EQ(slots[2], (LineSlot{30, 40}));  // cut; the fourth would start at 40

    // Heights differ per line (an empty line is short); the top is the area's.
    const std::vector<LineSlot> mixed = LayoutTextLines({20, 0, 8}, 10, 100);
    ASSERT_EQ(mixed.size(), 3u);
    EXPECT_EQ(mixed[1], (LineSlot{32, 34}));
    EXPECT_EQ(mixed[2], (LineSlot{34, 44}));

    // An area with no room shows no line at all, nor does an empty memo.
    EXPECT_TRUE(LayoutTextLines({13}, 40, 40).empty());
    EXPECT_TRUE(LayoutTextLines({13}, 45, 40).empty());
    EXPECT_TRUE(LayoutTextLines({}, 0, 40).empty());
}
