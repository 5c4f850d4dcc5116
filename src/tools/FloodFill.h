#pragma once
// The paint bucket: fills the 4-connected region around a pixel whose color lies in a
// box of +-tolerance around the seed's color in every channel. The region is found
// in the picture as the user sees it (the composite) and painted into the layers.

#include <cstdint>

#include "common/Bitmap.h"

namespace velmora {

// Box-tolerance fill seeded at (x, y) over `composite` (read only): paints the fill color
// into *sketch and/or *color (either may be null = not drawable). Returns false and does
// nothing when (x, y) lies outside the picture (negative included). Breadth-first by
// generations, neighbour order (x, y+1), (x, y-1), (x-1, y), (x+1, y), one visited byte per pixel.
// A non-null layer must have the composite's size; otherwise nothing is done and the
// result is false as well.
bool FloodFill(const Bitmap& composite, Bitmap* sketch, Bitmap* color, int x, int y, int tolerance,
               std::uint32_t fillColor);

}  // namespace velmora
