#include "tools/BalloonGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace velmora {

ShapeBox BalloonBodyBox(const BalloonGeom& g) { return ShapeBox{g.X, g.Y, g.X + g.Width, g.Y + g.Height}; }

Point BalloonHandlePoint(const BalloonGeom& g, int handle) {
    if (handle == kTailHandle) return {g.TailX, g.TailY};
    return BoxHandlePoint(BalloonBodyBox(g), handle);
}

std::vector<Point> BalloonHandlePoints(const BalloonGeom& g) {
    std::vector<Point> points = BoxHandlePoints(BalloonBodyBox(g));
    points.push_back(Point{g.TailX, g.TailY});
    return points;
}

int HitTestBalloonHandles(const BalloonGeom& g, int x, int y) {
    if (std::abs(x - g.TailX) <= kHandleReach && std::abs(y - g.TailY) <= kHandleReach) return kTailHandle;
    return HitTestBoxHandles(BalloonBodyBox(g), x, y);
}

void DragBalloonHandle(BalloonGeom& g, int handle, int x, int y, const DragAnchor& anchor) {
    if (handle == kTailHandle) {
        g.TailX = x;
        g.TailY = y;
        return;
    }
    if (handle == kMoveHandle) {
        // Only the body moves: the tip stays put and the tail stretches to follow.
        g.X = x - anchor.MouseX + anchor.ShapeX;
        g.Y = y - anchor.MouseY + anchor.ShapeY;
        return;
    }
    const bool left = handle == 1 || handle == 2 || handle == 3;
    const bool top = handle == 1 || handle == 4 || handle == 6;
    const bool right = handle == 6 || handle == 7 || handle == 8;
    const bool bottom = handle == 3 || handle == 5 || handle == 8;
    if (left && g.Width + (g.X - x) >= kMinBalloonSide) {
        g.Width += g.X - x;
        g.X = x;
    }
    if (top && g.Height + (g.Y - y) >= kMinBalloonSide) {
        g.Height += g.Y - y;
        g.Y = y;
    }
    if (right && x - g.X >= kMinBalloonSide) g.Width = x - g.X;
    if (bottom && y - g.Y >= kMinBalloonSide) g.Height = y - g.Y;
}

void PlaceBalloonPreview(BalloonGeom& g, int x, int y) {
    g.X = x;
    g.Y = y;
    g.TailX = x;
    g.TailY = y - kPreviewTailRise;
}

BalloonBounds BalloonBoundingBox(const BalloonGeom& g, int borderWidth) {
    // The tail's outline is a round pen centred on the tip's pixel: a box that ended at
    // the tip's coordinates would cut off the tip itself and the pen's end around it.
    const int reach = std::max(borderWidth, 1) / 2;
    return BalloonBounds{std::min(g.X, g.TailX - reach), std::min(g.Y, g.TailY - reach),
                         std::max(g.X + g.Width, g.TailX + reach + 1),
                         std::max(g.Y + g.Height, g.TailY + reach + 1)};
}

BalloonLocal BalloonLocalLayout(const BalloonGeom& g, int borderWidth) {
    const BalloonBounds b = BalloonBoundingBox(g, borderWidth);
    return BalloonLocal{g.X - b.Left,
                        g.Y - b.Top,
                        g.Width,
                        g.Height,
                        g.TailX - b.Left,
                        g.TailY - b.Top,
                        BalloonCornerRadius(g.Width, g.Height)};
}

bool TailBasePoints(int x, int y, int w, int h, int tx, int ty, Point& p1, Point& p2) {
    const long long k = BalloonCornerRadius(w, h);
    const int cx = x + w / 2;
    const int cy = y + h / 2;
    const long long dx = static_cast<long long>(tx) - cx;
    const long long dy = static_cast<long long>(ty) - cy;
    const long long d = RoundHalfEven(std::sqrt(static_cast<long double>(dx * dx + dy * dy)));
    // Only a tip exactly on the center rounds to 0 (any other integer offset is at
    // least 1 away); the base has no direction then.
    if (d == 0) return false;
    // Integer division truncates toward zero, which is the rounding of the base
    // offsets for tips on either side of the center.
    const int e = static_cast<int>(dx * k / d);
    const int f = static_cast<int>(k * dy / d);
    p1 = Point{cx - f, cy + e};
    p2 = Point{cx + f, cy - e};
    return true;
}

int BalloonCornerRadius(int w, int h) { return std::min(w, h) / 4; }

TextArea BalloonTextArea(BalloonBody body, int x, int y, int w, int h, int borderWidth) {
    const int half = BalloonCornerRadius(w, h) / 2;
    switch (body) {
        case BalloonBody::Rectangle: return TextArea{x + half, y + half, x + w - half, y + h - half};
        case BalloonBody::Rounded: {
            const int in = borderWidth + half;
            return TextArea{x + in, y + in, x + w - in, y + h - in};
        }
        case BalloonBody::Ellipse: {
            // Left, top and right come from the rectangle inscribed in the outer
            // ellipse; the text may run lower, down to the same inset as the
            // rectangular body.
            const TextArea inscribed = EllipseTextArea(w, h);
            return TextArea{x + inscribed.Left, y + inscribed.Top, x + inscribed.Right, y + h - half};
        }
    }
    return TextArea{};
}

}  // namespace velmora
