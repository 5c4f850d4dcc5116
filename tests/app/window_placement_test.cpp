#include <gtest/gtest.h>

#include "app/WindowPlacement.h"

using namespace velmora;

namespace {

ToolWindowBoxes Sizes() {
    ToolWindowBoxes s;
    s.Tools = {0, 0, 66, 300};
    s.History = {0, 0, 243, 214};
    s.Layers = {0, 0, 200, 150};
    s.ToolOption = {0, 0, 235, 200};
    return s;
}

}  // namespace

TEST(Placement, StackAtRightEdgeWithFreeSpaceSplitOneToTwo) {
    const ToolWindowBoxes p = PlaceToolWindows(WindowBox{0, 0, 1280, 1024}, Sizes());
    EXPECT_EQ(p.Tools, (WindowBox{0, (1024 - 300) / 3, 66, 300}));
    const int stack = 214 + 150 + 200;
    EXPECT_EQ(p.History, (WindowBox{1280 - 243 - 16, (1024 - stack) / 3, 243, 214}));
    EXPECT_EQ(p.Layers, (WindowBox{p.History.Left, p.History.Top + 214, 243, 150}));
    EXPECT_EQ(p.ToolOption, (WindowBox{p.History.Left, p.Layers.Top + 150, 243, 200}));
}

TEST(Placement, LowDesktopSpreadsStackOverThirds) {
    // 500 pixels is less than the stack's 564.
    const WindowBox desktop{100, 40, 800, 500};
    const ToolWindowBoxes p = PlaceToolWindows(desktop, Sizes());
    EXPECT_EQ(p.History.Top, 40);
    EXPECT_EQ(p.Layers.Top, 40 + 500 / 3);
    EXPECT_EQ(p.ToolOption.Top, 40 + 1000 / 3);
    EXPECT_EQ(p.History.Left, 100 + 800 - 243 - 16);
    EXPECT_EQ(p.Layers.Left, p.History.Left);
    EXPECT_EQ(p.ToolOption.Width, 243);
    // The palette is taller than a third of the free space allows: still truncating.
    EXPECT_EQ(p.Tools.Top, 40 + (500 - 300) / 3);
    EXPECT_EQ(p.Tools.Left, 100);
}

TEST(Placement, ExactlyTallEnoughIsNotLowAndALowerOneTruncatesTowardZero) {
    const ToolWindowBoxes p = PlaceToolWindows(WindowBox{0, 0, 800, 564}, Sizes());
    EXPECT_EQ(p.History.Top, 0);
    EXPECT_EQ(p.Layers.Top, 214);
    EXPECT_EQ(p.ToolOption.Top, 364);
    // (290 - 300) / 3 is -3.33, truncated to -3, not floored to -4.
    EXPECT_EQ(PlaceToolWindows(WindowBox{0, 0, 800, 290}, Sizes()).Tools.Top, -3);
}
