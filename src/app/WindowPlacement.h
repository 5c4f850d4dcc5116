#pragma once
// Where the four tool windows go when the main window first appears: the Tools
// palette at the desktop's left edge a third of the way down, and History, Layers
// and Tool Option stacked at the right edge, equally wide, the stack's free height
// split one third above and two thirds below. On a desktop too low for the stack the
// three start at the top, one third and two thirds of its height instead.

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

}  // namespace velmora
