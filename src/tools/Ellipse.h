#pragma once
// Filled ellipses and outlines of the freehand tools' footprints. A pixel belongs to
// the ellipse of a w x h box when its centre lies inside it; the test is exact integer
// arithmetic, so every footprint is symmetric about both axes (the toolkit's aliased
// ellipses are not, at some sizes).

#include <cstdint>
#include <vector>

#include "common/Bitmap.h"
#include "common/Geometry.h"
#include "tools/Footprint.h"

namespace velmora {

// The columns First..Last (relative to the box) that row `row` of the ellipse filling a
// w x h box covers; First > Last when the row has none.
struct Span {
    int First = 0;
    int Last = -1;
};
Span EllipseRowSpan(int w, int h, int row);

// Fills the ellipse in the box (left, top) .. (right - 1, bottom - 1), clipped.
void FillEllipse(Bitmap& bmp, int left, int top, int right, int bottom, std::uint32_t color);

// Paints a footprint: one pixel, a filled box or a filled ellipse by its width.
void PaintFootprint(Bitmap& bmp, const Footprint& f, std::uint32_t color);

// The one-pixel outline of a footprint in image pixels: the pixel itself for a dot, the
// box's border for a box, and for an ellipse every pixel of it with a 4-neighbour
// outside it.
std::vector<Point> FootprintOutline(const Footprint& f);

// The brush's mask, s x s: concentric filled rings whose gray value rises from the rim
// to 100 at the centre by the content level (1..6); a flat 100 below size 4.
void BuildBrushMask(Bitmap& mask, int size, int content);
// The lighten and darken tools' mask, s x s: white square up to size 3, white disk from
// size 4, black elsewhere.
void BuildToneMask(Bitmap& mask, int size);

}  // namespace velmora
