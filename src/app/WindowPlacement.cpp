#include "app/WindowPlacement.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace velmora {

namespace {

// How many pixels of `box` lie on `area`.
std::int64_t Overlap(const WindowBox& box, const WindowBox& area) {
    const std::int64_t w = std::min(box.Left + box.Width, area.Left + area.Width) - std::max(box.Left, area.Left);
    const std::int64_t h = std::min(box.Top + box.Height, area.Top + area.Height) - std::max(box.Top, area.Top);
    return w > 0 && h > 0 ? w * h : 0;
}

// How far apart the two are, as the sum of the horizontal and vertical gaps (0 when
// they meet or overlap).
std::int64_t Gap(const WindowBox& box, const WindowBox& area) {
    const std::int64_t dx = std::max({0, area.Left - (box.Left + box.Width), box.Left - (area.Left + area.Width)});
    const std::int64_t dy = std::max({0, area.Top - (box.Top + box.Height), box.Top - (area.Top + area.Height)});
    return dx + dy;
}

// The move that brings `box` wholly onto the screen it overlaps most, or when it
// overlaps none onto the nearest one; none when it lies wholly on a screen already.
// On a screen smaller than the box its top left, where the caption is, stays on it.
void MoveOntoScreen(const WindowBox& box, const std::vector<WindowBox>& screens, int& dx, int& dy) {
    dx = dy = 0;
    const WindowBox* best = nullptr;
    std::int64_t bestOverlap = 0, bestGap = 0;
    for (const WindowBox& s : screens) {
        const std::int64_t overlap = Overlap(box, s), gap = Gap(box, s);
        if (overlap == std::int64_t(box.Width) * box.Height) return;
        if (!best || overlap > bestOverlap || (bestOverlap == 0 && overlap == 0 && gap < bestGap)) {
            best = &s;
            bestOverlap = overlap;
            bestGap = gap;
        }
    }
    if (!best) return;
    const WindowBox moved = MovedOnto(box, *best);
    dx = moved.Left - box.Left;
    dy = moved.Top - box.Top;
}

}  // namespace

ToolWindowBoxes PlaceToolWindows(const WindowBox& desktop, const ToolWindowBoxes& current,
                                 int scrollBarWidth, const std::vector<WindowBox>& screens) {
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

    // Screens of different sizes leave parts of the desktop's box that no screen
    // shows, and a window there could not be reached. The palette, and the stack in
    // one piece, go onto a screen.
    int dx = 0, dy = 0;
    MoveOntoScreen(out.Tools, screens, dx, dy);
    out.Tools.Left += dx;
    out.Tools.Top += dy;
    const int stackTop = std::min({out.History.Top, out.Layers.Top, out.ToolOption.Top});
    const int stackBottom = std::max({out.History.Top + out.History.Height, out.Layers.Top + out.Layers.Height,
                                      out.ToolOption.Top + out.ToolOption.Height});
    MoveOntoScreen(WindowBox{out.History.Left, stackTop, out.History.Width, stackBottom - stackTop}, screens, dx, dy);
    for (WindowBox* box : {&out.History, &out.Layers, &out.ToolOption}) {
        box->Left += dx;
        box->Top += dy;
    }
    return out;
}

namespace {

constexpr WindowBox ToolWindowBoxes::*kToolWindows[] = {&ToolWindowBoxes::Tools, &ToolWindowBoxes::History,
                                                        &ToolWindowBoxes::Layers, &ToolWindowBoxes::ToolOption};

bool SameCorner(const WindowBox& a, const WindowBox& b) { return a.Left == b.Left && a.Top == b.Top; }

}  // namespace

StartupStack::StartupStack(const WindowBox& desktop, int scrollBarWidth, std::vector<WindowBox> screens)
    : desktop_(desktop), scrollBarWidth_(scrollBarWidth), screens_(std::move(screens)) {}

ToolWindowMoves StartupStack::Stack(const ToolWindowBoxes& frames) {
    const bool first = given_[0].empty();
    std::array<bool, 4> put{};
    for (std::size_t i = 0; i < put.size(); ++i) {
        // A window still on its way reports a place given earlier; it counts as put
        // there. On its way, a window can be anywhere, even of a size it never has
        // (while the window manager takes it into its frame), so only the size of a
        // window that stands where it was put is taken.
        const WindowBox& now = frames.*kToolWindows[i];
        const std::vector<WindowBox>& given = given_[i];
        put[i] = first || std::any_of(given.begin(), given.end(),
                                      [&now](const WindowBox& g) { return SameCorner(g, now); });
        if (put[i]) sizes_.*kToolWindows[i] = now;
    }
    const ToolWindowBoxes placed = PlaceToolWindows(desktop_, sizes_, scrollBarWidth_, screens_);
    ToolWindowMoves moves;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        std::vector<WindowBox>& given = given_[i];
        const WindowBox& box = placed.*kToolWindows[i];
        // Nor is a window sent again to the place it is on its way to.
        if (!put[i] || (!first && SameCorner(given.back(), box) && given.back().Width == box.Width)) continue;
        given.push_back(box);
        moves[i] = box;
    }
    return moves;
}

bool StartupStack::Settled(const ToolWindowBoxes& frames) const {
    for (std::size_t i = 0; i < given_.size(); ++i)
        if (given_[i].empty() || !SameCorner(given_[i].back(), frames.*kToolWindows[i])) return false;
    return true;
}

}  // namespace velmora
