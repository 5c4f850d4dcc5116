#include <gtest/gtest.h>

#include <vector>

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

TEST(Placement, LowDesktopSpreadsStackOverThirdsTruncatingTowardZero) {
    // The stack is 564 pixels: exactly that is not low. The palette's top truncates, so
    // (290 - 300) / 3 is -3, not -4.
    struct Case {
        WindowBox desktop;
        int history, layers, option, tools;
    };
    for (const Case& c : {Case{{100, 40, 800, 500}, 40, 40 + 500 / 3, 40 + 1000 / 3, 40 + (500 - 300) / 3},
                          Case{{0, 0, 800, 564}, 0, 214, 364, (564 - 300) / 3},
                          Case{{0, 0, 800, 290}, 0, 290 / 3, 580 / 3, -3}}) {
        SCOPED_TRACE(c.desktop.Height);
        const ToolWindowBoxes p = PlaceToolWindows(c.desktop, Sizes());
        EXPECT_EQ(p.History.Top, c.history);
        EXPECT_EQ(p.Layers.Top, c.layers);
        EXPECT_EQ(p.ToolOption.Top, c.option);
        EXPECT_EQ(p.Tools.Top, c.tools);
        EXPECT_EQ(p.History.Left, c.desktop.Left + c.desktop.Width - 243 - 16);
        EXPECT_EQ(p.Layers.Left, p.History.Left);
        EXPECT_EQ(p.ToolOption.Width, 243);
        EXPECT_EQ(p.Tools.Left, c.desktop.Left);
    }
}

// The desktop of two screens of different heights is a box with corners that no
// screen shows. A window placed there could not be reached: the palette and the stack
// each go onto the screen they overlap most (or lie nearest to), the stack in one
// piece.
TEST(Placement, WindowsLandOnAScreenOfAnUnevenDesktop) {
    const WindowBox desktop{0, 0, 2944, 1368};
    // A second screen right of the first and lower down: the stack's place at the
    // desktop's right edge, a third of the way down, is above it.
    std::vector<WindowBox> screens{{0, 0, 1920, 1080}, {1920, 600, 1024, 768}};
    ToolWindowBoxes p = PlaceToolWindows(desktop, Sizes(), 16, screens);
    EXPECT_EQ(p.Tools, (WindowBox{0, (1368 - 300) / 3, 66, 300}));
    EXPECT_EQ(p.History, (WindowBox{2944 - 243 - 16, 600, 243, 214}));
    EXPECT_EQ(p.Layers, (WindowBox{p.History.Left, 600 + 214, 243, 150}));
    EXPECT_EQ(p.ToolOption, (WindowBox{p.History.Left, 600 + 214 + 150, 243, 200}));

    // The lower screen at the left: the palette's place is above it, and it is the
    // screen the palette overlaps.
    screens = {{1024, 0, 1920, 1080}, {0, 600, 1024, 768}};
    p = PlaceToolWindows(desktop, Sizes(), 16, screens);
    EXPECT_EQ(p.Tools, (WindowBox{0, 600, 66, 300}));
    EXPECT_EQ(p.History, (WindowBox{2944 - 243 - 16, (1368 - 564) / 3, 243, 214}));

    // A place overlapping no screen at all goes to the nearest one.
    screens = {{0, 0, 1920, 1080}, {1920, 900, 1024, 468}};
    p = PlaceToolWindows(desktop, Sizes(), 16, screens);
    // That screen is lower than the stack, which starts at its top.
    EXPECT_EQ(p.History, (WindowBox{2944 - 243 - 16, 900, 243, 214}));
    EXPECT_EQ(p.ToolOption.Top, 900 + 214 + 150);

    // One screen that is the whole desktop changes nothing.
    const ToolWindowBoxes alone = PlaceToolWindows(desktop, Sizes(), 16, {desktop});
    const ToolWindowBoxes plain = PlaceToolWindows(desktop, Sizes());
    EXPECT_EQ(alone.Tools, plain.Tools);
    EXPECT_EQ(alone.History, plain.History);
    EXPECT_EQ(alone.Layers, plain.Layers);
    EXPECT_EQ(alone.ToolOption, plain.ToolOption);
}
