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

// The History window at `history`, with Layers and Tool Option stacked under it at its width.
void ExpectStackAt(const ToolWindowBoxes& p, WindowBox history) {
    EXPECT_EQ(p.History, history);
    EXPECT_EQ(p.Layers, (WindowBox{history.Left, history.Top + 214, 243, 150}));
    EXPECT_EQ(p.ToolOption, (WindowBox{history.Left, history.Top + 214 + 150, 243, 200}));
}

}  // namespace

TEST(Placement, StackAtRightEdgeWithFreeSpaceSplitOneToTwo) {
    const ToolWindowBoxes p = PlaceToolWindows(WindowBox{0, 0, 1280, 1024}, Sizes());
    EXPECT_EQ(p.Tools, (WindowBox{0, (1024 - 300) / 3, 66, 300}));
    ExpectStackAt(p, {1280 - 243 - 16, (1024 - 214 - 150 - 200) / 3, 243, 214});
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
    struct Case {
        const char* what;
        std::vector<WindowBox> screens;
        int toolsTop, stackTop;
    };
    for (const Case& c :
         {// The stack's place at the desktop's right edge, a third of the way down, is above that screen.
          Case{"a lower screen at the right", {{0, 0, 1920, 1080}, {1920, 600, 1024, 768}}, (1368 - 300) / 3, 600},
          // The palette's place is above that screen, and it is the screen the palette overlaps.
          Case{"a lower screen at the left", {{1024, 0, 1920, 1080}, {0, 600, 1024, 768}}, 600, (1368 - 564) / 3},
          // A place overlapping no screen goes to the nearest one, here lower than the stack.
          Case{"no screen under the stack", {{0, 0, 1920, 1080}, {1920, 900, 1024, 468}}, (1368 - 300) / 3, 900},
          Case{"one screen that is the whole desktop", {desktop}, (1368 - 300) / 3, (1368 - 564) / 3}}) {
        SCOPED_TRACE(c.what);
        const ToolWindowBoxes p = PlaceToolWindows(desktop, Sizes(), 16, c.screens);
        EXPECT_EQ(p.Tools, (WindowBox{0, c.toolsTop, 66, 300}));
        ExpectStackAt(p, {2944 - 243 - 16, c.stackTop, 243, 214});
    }
}
