#pragma once
// Where the four tool windows go when the main window first appears: the Tools
// palette at the desktop's left edge a third of the way down, and History, Layers
// and Tool Option stacked at the right edge, equally wide, the stack's free height
// split one third above and two thirds below. On a desktop too low for the stack the
// three start at the top, one third and two thirds of its height instead.

#include <array>
#include <optional>
#include <vector>

#include "common/Geometry.h"

namespace velmora {

struct ToolWindowBoxes {
    WindowBox Tools;
    WindowBox History;
    WindowBox Layers;
    WindowBox ToolOption;
};

// `current` holds each window's present size (outer frame); the result keeps the
// Tools and History sizes and gives Layers and Tool Option the History width.
// `scrollBarWidth` is the gap left at the right edge (the width of the main window's
// vertical scroll bar). `screens` are the work areas of the screens that make up the
// desktop; none counts as one screen that is the whole desktop.
ToolWindowBoxes PlaceToolWindows(const WindowBox& desktop, const ToolWindowBoxes& current,
                                 int scrollBarWidth = 16, const std::vector<WindowBox>& screens = {});

// The four windows' boxes, or none for a window that stays where it is, in the order
// Tools, History, Layers, Tool Option.
using ToolWindowMoves = std::array<std::optional<WindowBox>, 4>;

// The start-up placement, kept right while a window manager puts its frames round the
// windows. The windows are placed as soon as they are shown, before any frame is
// known, so the stack is worked out from the bare windows; once the title bars arrive
// each window is taller than that and covers the top of the next. Each new look at the
// frames stacks again the windows that still stand where they were put, by the frame
// sizes seen there. A window anywhere else was moved by the user, or has not yet
// reached the place asked for last, and is left where it is.
class StartupStack {
public:
    StartupStack(const WindowBox& desktop, int scrollBarWidth, std::vector<WindowBox> screens);

    // Where the windows go, given their frames as they are now; the first call places
    // all four, later ones only those still where they were put whose place changed.
    ToolWindowMoves Stack(const ToolWindowBoxes& frames);
    // Whether every window stands where it was put last.
    bool Settled(const ToolWindowBoxes& frames) const;

private:
    WindowBox desktop_;
    int scrollBarWidth_;
    std::vector<WindowBox> screens_;
    // Every box each window was given, the last one last.
    std::array<std::vector<WindowBox>, 4> given_;
    // Each window's frame size when it last stood where it was put.
    ToolWindowBoxes sizes_;
};

}  // namespace velmora
