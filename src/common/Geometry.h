#pragma once
// Integer rectangles of the document, and the rounding the program uses everywhere
// a value is rounded: to nearest, halves to even.

#include <algorithm>
#include <cmath>

namespace velmora {

// A rectangle whose four sides are all inclusive: Right and Bottom are the last
// column and row inside it.
struct Rect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left + 1; }
    int Height() const { return Bottom - Top + 1; }
    // No pixel at all: the tools' "nothing drawn yet" value is (0, 0, -1, -1).
    bool Empty() const { return Right < Left || Bottom < Top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The empty rectangle the tools start from.
constexpr Rect kEmptyRect{0, 0, -1, -1};

// An image point.
struct Point {
    int X = 0;
    int Y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// r clipped to a width x height picture; Empty() when nothing of it is inside.
inline Rect ClipRect(const Rect& r, int width, int height) {
    Rect c{r.Left < 0 ? 0 : r.Left, r.Top < 0 ? 0 : r.Top, r.Right >= width ? width - 1 : r.Right,
           r.Bottom >= height ? height - 1 : r.Bottom};
    return c;
}

// The smallest rectangle holding both; an empty one is ignored.
inline Rect UnionRect(const Rect& a, const Rect& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return Rect{a.Left < b.Left ? a.Left : b.Left, a.Top < b.Top ? a.Top : b.Top,
                a.Right > b.Right ? a.Right : b.Right, a.Bottom > b.Bottom ? a.Bottom : b.Bottom};
}

// r grown by n pixels on every side.
inline Rect Inflate(const Rect& r, int n) { return Rect{r.Left - n, r.Top - n, r.Right + n, r.Bottom + n}; }

// A window's place and size in screen pixels, for placement arithmetic kept apart
// from the toolkit.
struct WindowBox {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    friend bool operator==(const WindowBox&, const WindowBox&) = default;
};

// The box moved back onto `area` where it reaches past an edge. The right and bottom
// edges come first, so that on an area smaller than the box its top left, where a
// window's caption is, stays on the area.
inline WindowBox MovedOnto(WindowBox box, const WindowBox& area) {
    box.Left = std::max(std::min(box.Left, area.Left + area.Width - box.Width), area.Left);
    box.Top = std::max(std::min(box.Top, area.Top + area.Height - box.Height), area.Top);
    return box;
}

// Round half to even under the default floating-point rounding mode.
inline long long RoundHalfEven(double v) { return std::llrint(v); }
inline long long RoundHalfEven(long double v) { return std::llrint(v); }

// Clamps to the byte range.
inline int ClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace velmora
