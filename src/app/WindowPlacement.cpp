#include "app/WindowPlacement.h"

namespace velmora {

ToolWindowBoxes PlaceToolWindows(const WindowBox& desktop, const ToolWindowBoxes& current,
                                 int scrollBarWidth) {
    ToolWindowBoxes out = current;

    // C++ integer division truncates toward zero, which is what the placement wants
    // even when a window is taller than the desktop.
    out.Tools.Top = desktop.Top + (desktop.Height - current.Tools.Height) / 3;
    out.Tools.Left = desktop.Left;

    const int stack = current.ToolOption.Height + current.Layers.Height + current.History.Height;
    const bool low = desktop.Height < stack;

    out.History.Left = desktop.Left + desktop.Width - current.History.Width - scrollBarWidth;
    out.History.Top = low ? desktop.Top : desktop.Top + (desktop.Height - stack) / 3;

    out.Layers.Width = current.History.Width;
    out.Layers.Left = out.History.Left;
    out.Layers.Top = low ? desktop.Top + desktop.Height / 3 : out.History.Top + out.History.Height;

    out.ToolOption.Width = current.History.Width;
    out.ToolOption.Left = out.History.Left;
    out.ToolOption.Top = low ? desktop.Top + (2 * desktop.Height) / 3 : out.Layers.Top + out.Layers.Height;
    return out;
}

}  // namespace velmora
