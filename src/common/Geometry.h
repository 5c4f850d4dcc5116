#pragma once
// Integer rectangles of the document, and the rounding the program uses everywhere
// a value is rounded: to nearest, halves to even.

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
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A window's place and size in screen pixels, for placement arithmetic kept apart
// from the toolkit.
struct WindowBox {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    friend bool operator==(const WindowBox&, const WindowBox&) = default;
};

// Round half to even under the default floating-point rounding mode.
inline long long RoundHalfEven(double v) { return std::llrint(v); }
inline long long RoundHalfEven(long double v) { return std::llrint(v); }

// Clamps to the byte range.
inline int ClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace velmora
