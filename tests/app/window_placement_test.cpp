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

// The window manager frames the windows only after they were placed: each frame keeps
// the corner the window was given and is 2 pixels wider and 26 taller than the bare
// window. The stack is redone by the framed sizes, so that no window covers the next;
// a window the user moved meanwhile stays where the user put it, and a late report of
// windows still on their way sends none of them anywhere again.
TEST(Placement, StartupStackRedoneOnceTheFramesAreKnown) {
    const WindowBox desktop{0, 0, 1280, 1024};
    WindowBox ToolWindowBoxes::* const windows[] = {&ToolWindowBoxes::Tools, &ToolWindowBoxes::History,
                                                    &ToolWindowBoxes::Layers, &ToolWindowBoxes::ToolOption};
    for (const bool userMovesLayers : {false, true}) {
        SCOPED_TRACE(userMovesLayers ? "the user moves the Layers window" : "nobody moves a window");
        StartupStack stack(desktop, 16, {});
        ToolWindowBoxes frames = Sizes();
        // The window manager does as asked: the corner, and the width of the two windows
        // that take the History width, go where they were given.
        auto follow = [&](const ToolWindowMoves& moves) {
            for (std::size_t i = 0; i < moves.size(); ++i) {
                WindowBox& frame = frames.*windows[i];
                if (!moves[i]) continue;
                frame = {moves[i]->Left, moves[i]->Top, i >= 2 ? moves[i]->Width : frame.Width, frame.Height};
            }
        };
        const ToolWindowMoves first = stack.Stack(frames);
        for (const auto& m : first) ASSERT_TRUE(m.has_value());
        follow(first);
        const ToolWindowBoxes unframed = frames;

        for (const auto window : windows) {
            (frames.*window).Width += 2;
            (frames.*window).Height += 26;
        }
        const WindowBox moved{500, 500, frames.Layers.Width, frames.Layers.Height};
        if (userMovesLayers) frames.Layers = moved;
        const ToolWindowMoves again = stack.Stack(frames);
        EXPECT_EQ(again[2].has_value(), !userMovesLayers);

        // Framed, but still at the first places.
        ToolWindowBoxes late = frames;
        for (const auto window : windows) {
            if (window != &ToolWindowBoxes::Layers || !userMovesLayers) {
                (late.*window).Left = (unframed.*window).Left;
                (late.*window).Top = (unframed.*window).Top;
            }
        }
        for (const auto& m : stack.Stack(late)) EXPECT_FALSE(m.has_value());

        follow(again);
        // Taken into its frame, a window can be seen for a moment where it never was
        // and at a size it never has; the others are not stacked by that size.
        ToolWindowBoxes passing = frames;
        passing.History = {0, 0, 1, 1};
        for (const auto& m : stack.Stack(passing)) EXPECT_FALSE(m.has_value());
        for (const auto& m : stack.Stack(frames)) EXPECT_FALSE(m.has_value());
        EXPECT_EQ(stack.Settled(frames), !userMovesLayers);
        // The Layers window moved away was never seen framed where it was put: its slot
        // keeps the bare size.
        ToolWindowBoxes sizes = frames;
        if (userMovesLayers) sizes.Layers = unframed.Layers;
        const ToolWindowBoxes target = PlaceToolWindows(desktop, sizes);
        EXPECT_EQ(frames.Tools, target.Tools);
        EXPECT_EQ(frames.History, target.History);
        EXPECT_EQ(frames.Layers, userMovesLayers ? moved : target.Layers);
        EXPECT_EQ(frames.ToolOption, target.ToolOption);
        if (!userMovesLayers) {
            EXPECT_EQ(frames.Layers.Top, frames.History.Top + frames.History.Height);
            EXPECT_EQ(frames.ToolOption.Top, frames.Layers.Top + frames.Layers.Height);
        }
    }
}
