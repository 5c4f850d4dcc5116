#pragma once
// The plain geometry of the editable rectangle, ellipse and text boxes: where their
// eight handles sit, which handle the mouse is over, how a drag resizes or moves the
// box, and where the text goes inside each kind of box. Kept apart from any window
// so the rules can be tested without drawing anything.

#include <vector>

#include "common/Geometry.h"

namespace velmora {

// A shape's box: the object covers columns Left..Right-1 and rows Top..Bottom-1.
struct ShapeBox {
    int Left = 0, Top = 0, Right = 20, Bottom = 20;
    int W() const { return Right - Left; }
    int H() const { return Bottom - Top; }
    friend bool operator==(const ShapeBox&, const ShapeBox&) = default;
};

// What the press remembered: the mouse position and the object's top-left corner.
struct DragAnchor {
    int MouseX = 0, ShapeX = 0, MouseY = 0, ShapeY = 0;
};

enum class HandleCursor { Arrow, SizeFDiag /* NW-SE */, SizeHor, SizeBDiag /* NE-SW */, SizeVer, Move };

// The handle ids shared by the boxes and the balloons.
constexpr int kNoHandle = 0;
constexpr int kMoveHandle = 9;
constexpr int kTailHandle = 10;
// Width and height a box may not drop below by dragging an edge.
constexpr int kMinShapeSide = 11;
// How far, in x and in y each, the mouse may be from a handle's point to grab it.
constexpr int kHandleReach = 3;

// The point of handle 1..8; any other id gives the box's top-left corner.
Point BoxHandlePoint(const ShapeBox& box, int handle);
// The eight handle points in the order 1..8, as the handle squares are drawn.
std::vector<Point> BoxHandlePoints(const ShapeBox& box);
// The first of the handles 1..8 within 3 pixels in x and y, 9 strictly inside the
// box, else 0.
int HitTestBoxHandles(const ShapeBox& box, int x, int y);
// The cursor shown over handle 0..10 (10, the balloon's tail tip, is Move); any
// other id gives the arrow.
HandleCursor CursorForHandle(int handle);
// Drags by `handle` to (x, y). Each edge is tested on its own, so a corner drag that
// would make one side shorter than 11 still moves the other edge; 9 moves the box
// keeping its size; 0 and unknown ids change nothing.
void DragBoxHandle(ShapeBox& box, int handle, int x, int y, const DragAnchor& anchor);
// The box with its top-left corner at (left, top) and its size kept: the preview
// that follows the mouse before the object is placed.
ShapeBox MoveBoxTo(const ShapeBox& box, int left, int top);
// The area the handle squares of a box can touch, right and bottom inclusive.
Rect BoxHandleArea(const ShapeBox& box);

// Where the lines of text go inside an object image: lines start at (Left, Top), are
// clipped on the right at Right (exclusive) and never reach below LowestBottom.
struct TextArea {
    int Left = 0, Top = 0, Right = 0, LowestBottom = 0;
    friend bool operator==(const TextArea&, const TextArea&) = default;
};

// The rectangle inscribed in the W x H ellipse: D = Round(sqrt(W^2 + H^2)),
// hw = ((W * W) div D) div 2, hh = ((H * H) div D) div 2 around (W div 2, H div 2).
TextArea EllipseTextArea(int w, int h);
// The rectangle box's text: (inset, inset, w - inset, h - inset).
TextArea RectangleTextArea(int w, int h, int inset);
// The text box's text: from the top-left corner to the right edge, stopping 10 pixels
// above the bottom.
TextArea TextBoxTextArea(int w, int h);

// One line's rectangle, rows Top..Bottom-1.
struct LineSlot {
    int Top = 0, Bottom = 0;
    friend bool operator==(const LineSlot&, const LineSlot&) = default;
};

// Stacks the lines from `top` down: line i runs from the current top to
// top + height_i + 2, cut at the lowest bottom, and the next line starts at that
// bottom. Lines that would start at or below the lowest bottom are dropped, so the
// result holds the slots of the first lines only, in order.
std::vector<LineSlot> LayoutTextLines(const std::vector<int>& lineHeights, int top, int lowestBottom);

}  // namespace velmora
