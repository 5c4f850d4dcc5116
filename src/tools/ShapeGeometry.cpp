#include "tools/ShapeGeometry.h"

#include <cmath>
#include <cstdlib>

namespace velmora {

Point BoxHandlePoint(const ShapeBox& box, int handle) {
    const int midX = box.Left + box.W() / 2;
    const int midY = box.Top + box.H() / 2;
    switch (handle) {
        case 1: return {box.Left, box.Top};
        case 2: return {box.Left, midY};
        case 3: return {box.Left, box.Bottom};
        case 4: return {midX, box.Top};
        case 5: return {midX, box.Bottom};
        case 6: return {box.Right, box.Top};
        case 7: return {box.Right, midY};
        case 8: return {box.Right, box.Bottom};
        default: return {box.Left, box.Top};
    }
}

std::vector<Point> BoxHandlePoints(const ShapeBox& box) {
    std::vector<Point> points;
    points.reserve(8);
    for (int handle = 1; handle <= 8; ++handle) points.push_back(BoxHandlePoint(box, handle));
    return points;
}

int HitTestBoxHandles(const ShapeBox& box, int x, int y) {
    // The handles are tried in their numbering order, so on a box small enough for
    // two handles to overlap the lower number wins.
    for (int handle = 1; handle <= 8; ++handle) {
        const Point p = BoxHandlePoint(box, handle);
        if (std::abs(x - p.X) <= kHandleReach && std::abs(y - p.Y) <= kHandleReach) return handle;
    }
    if (box.Left < x && x < box.Right && box.Top < y && y < box.Bottom) return kMoveHandle;
    return kNoHandle;
}

HandleCursor CursorForHandle(int handle) {
    switch (handle) {
        case 1:
        case 8: return HandleCursor::SizeFDiag;
        case 2:
        case 7: return HandleCursor::SizeHor;
        case 3:
        case 6: return HandleCursor::SizeBDiag;
        case 4:
        case 5: return HandleCursor::SizeVer;
        case kMoveHandle:
        case kTailHandle: return HandleCursor::Move;
        default: return HandleCursor::Arrow;
    }
}

void DragBoxHandle(ShapeBox& box, int handle, int x, int y, const DragAnchor& anchor) {
    if (handle == kMoveHandle) {
        const int w = box.W();
        const int h = box.H();
        box.Left = x - anchor.MouseX + anchor.ShapeX;
        box.Top = y - anchor.MouseY + anchor.ShapeY;
        box.Right = box.Left + w;
        box.Bottom = box.Top + h;
        return;
    }
    const bool left = handle == 1 || handle == 2 || handle == 3;
    const bool top = handle == 1 || handle == 4 || handle == 6;
    const bool right = handle == 6 || handle == 7 || handle == 8;
    const bool bottom = handle == 3 || handle == 5 || handle == 8;
    // Each edge is measured against the opposite edge, which the same handle never
    // moves, so the four tests are independent and a refused side leaves the other.
    if (left && box.Right - x >= kMinShapeSide) box.Left = x;
    if (top && box.Bottom - y >= kMinShapeSide) box.Top = y;
    if (right && x - box.Left >= kMinShapeSide) box.Right = x;
    if (bottom && y - box.Top >= kMinShapeSide) box.Bottom = y;
}

ShapeBox MoveBoxTo(const ShapeBox& box, int left, int top) {
    return ShapeBox{left, top, left + box.W(), top + box.H()};
}

Rect BoxHandleArea(const ShapeBox& box) {
    return Rect{box.Left - kHandleReach, box.Top - kHandleReach, box.Right + kHandleReach,
                box.Bottom + kHandleReach};
}

TextArea EllipseTextArea(int w, int h) {
    const long long ww = static_cast<long long>(w) * w;
    const long long hh2 = static_cast<long long>(h) * h;
    const long long d = RoundHalfEven(std::sqrt(static_cast<long double>(ww + hh2)));
    // A box without area has no inscribed rectangle; give the empty one at its center
    // rather than divide by zero.
    if (d == 0) return TextArea{w / 2, h / 2, w / 2, h / 2};
    const int hw = static_cast<int>((ww / d) / 2);
    const int hh = static_cast<int>((hh2 / d) / 2);
    return TextArea{w / 2 - hw, h / 2 - hh, w / 2 + hw, h / 2 + hh};
}

TextArea RectangleTextArea(int w, int h, int inset) { return TextArea{inset, inset, w - inset, h - inset}; }

TextArea TextBoxTextArea(int w, int h) { return TextArea{0, 0, w, h - 10}; }

std::vector<LineSlot> LayoutTextLines(const std::vector<int>& lineHeights, int top, int lowestBottom) {
    std::vector<LineSlot> slots;
    for (int height : lineHeights) {
        if (top >= lowestBottom) break;
        int bottom = top + height + 2;
        if (bottom > lowestBottom) bottom = lowestBottom;
        slots.push_back(LineSlot{top, bottom});
        top = bottom;
    }
    return slots;
}

}  // namespace velmora
