#pragma once
// The plain geometry of the speech balloons: the body box and its handles, the
// draggable tail tip, the bounding box the balloon is drawn in, the two base points
// of the tail, the rounded body's corner radius and the text rectangle of each body.

#include <vector>

#include "common/Geometry.h"
#include "tools/ShapeGeometry.h"

namespace velmora {

enum class BalloonBody { Rectangle, Rounded, Ellipse };

// The balloon's record: body box (X, Y, Width, Height), the tail's half base width
// (recomputed at each render) and the tail tip. The defaults are the values a
// balloon tool starts from.
struct BalloonGeom {
    int X = 0, Y = 0, Width = 100, Height = 50, TailBase = 0, TailX = 110, TailY = 60;
    friend bool operator==(const BalloonGeom&, const BalloonGeom&) = default;
};

// Width and height the body may not drop below by dragging an edge.
constexpr int kMinBalloonSide = 51;
// How far above the cursor the preview's tail tip hangs.
constexpr int kPreviewTailRise = 15;

// The body as a shape box (X, Y, X + Width, Y + Height).
ShapeBox BalloonBodyBox(const BalloonGeom& g);
// Handles 1..8 of the body box, 10 the tail tip; any other id gives the body's
// top-left corner.
Point BalloonHandlePoint(const BalloonGeom& g, int handle);
// The nine handle squares: the eight body handles in order, then the tail tip.
std::vector<Point> BalloonHandlePoints(const BalloonGeom& g);
// 10 first (so the tip can be grabbed even inside the body), then 1..9, else 0.
int HitTestBalloonHandles(const BalloonGeom& g, int x, int y);
// Drags by `handle` to (x, y): each body edge on its own with the minimum 51; 9
// moves the body and keeps the tail tip where it is; 10 moves only the tip.
void DragBalloonHandle(BalloonGeom& g, int handle, int x, int y, const DragAnchor& anchor);
// Before the balloon is placed: body's top-left at the cursor, tip 15 pixels above.
void PlaceBalloonPreview(BalloonGeom& g, int x, int y);

// The smallest box holding the body and the tail's tip as drawn with an outline
// `borderWidth` pixels wide (Right/Bottom exclusive): the tip's own pixel and the
// borderWidth div 2 pixels of the round pen on every side of it. The balloon's mask
// and image have its size.
struct BalloonBounds {
    int Left, Top, Right, Bottom;
    friend bool operator==(const BalloonBounds&, const BalloonBounds&) = default;
};
BalloonBounds BalloonBoundingBox(const BalloonGeom& g, int borderWidth);

// The balloon laid out in its bounding box's local coordinates: body (x, y, w, h),
// tail tip (tx, ty) and k = min(w, h) div 4.
struct BalloonLocal {
    int X = 0, Y = 0, W = 0, H = 0, TipX = 0, TipY = 0, K = 0;
};
BalloonLocal BalloonLocalLayout(const BalloonGeom& g, int borderWidth);

// The two ends of the tail's base in local coordinates: the points at distance
// k = min(w, h) div 4 from the body's center on the line through the center
// perpendicular to the direction of the tip. False, and p1/p2 untouched, when the tip
// sits on the center, which the caller draws as "no tail".
bool TailBasePoints(int x, int y, int w, int h, int tx, int ty, Point& p1, Point& p2);
// The rounded body's corner radius, which is also the tail's half base width.
int BalloonCornerRadius(int w, int h);
// Where the text goes for each body, in local coordinates, with border width b.
TextArea BalloonTextArea(BalloonBody body, int x, int y, int w, int h, int borderWidth);

}  // namespace velmora
