#pragma once
// The square footprint every freehand tool paints and outlines around the mouse
// position, and the two clipped pixel writes the pencil and the eraser use for their
// smallest footprints.

#include <cstdint>

#include "common/Bitmap.h"
#include "common/Geometry.h"

namespace velmora {

// Which figure fills a footprint: one pixel for width 0, a filled rectangle for
// widths 1 to 3, a filled ellipse from width 4 on.
enum class FootprintShape { Dot, Box, Ellipse };

// The footprint of size s at (x, y): Left = x - s div 2, Top = y - s div 2,
// Right = x + Round(s / 2), Bottom = y + Round(s / 2) (half to even). Shapes drawn in it
// cover columns Left..Right-1 and rows Top..Bottom-1; composite/repaint use it inclusive.
struct Footprint {
    int X = 0, Y = 0, Left = 0, Top = 0, Right = 0, Bottom = 0;
    FootprintShape Shape = FootprintShape::Dot;
    int W() const { return Right - Left; }
    Rect Inclusive() const { return Rect{Left, Top, Right, Bottom}; }
};

Footprint FootprintAt(int x, int y, int size);

// A color value (red in the low byte, then green, then blue) as the three bytes of a
// bitmap pixel.
struct BgrBytes {
    std::uint8_t B = 0, G = 0, R = 0;
};
inline BgrBytes BgrOf(std::uint32_t color) {
    return BgrBytes{static_cast<std::uint8_t>(color >> 16), static_cast<std::uint8_t>(color >> 8),
                    static_cast<std::uint8_t>(color)};
}

// Fills columns left..right-1, rows top..bottom-1 with color, clipped to the bitmap.
void FillBox(Bitmap& bmp, int left, int top, int right, int bottom, std::uint32_t color);
// Sets one pixel when it lies inside the bitmap.
void SetPixelClipped(Bitmap& bmp, int x, int y, std::uint32_t color);

}  // namespace velmora
