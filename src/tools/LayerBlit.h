#pragma once
// Block copies between a layer and an object's scratch bitmaps, the masked
// combination that lets the picture show around an ellipse or a balloon, and the
// handle squares. Every operation is clipped to the layer: an object may hang partly
// or wholly beyond the picture's edges. These run on every mouse move of a drag, so
// they work row by row.

#include <vector>

#include "common/Bitmap.h"
#include "common/Geometry.h"

namespace velmora {

// The image replaces the layer's pixels under it, its top-left corner at (left, top).
void CopyImageInto(Bitmap& layer, const Bitmap& image, int left, int top);
// layer := (layer AND mask) OR image, per byte, with mask and image placed at
// (left, top). Where the mask is white and the image black the layer is kept; where
// the mask is black the image is taken. Only the part both scratch bitmaps cover is
// combined.
void CombineMasked(Bitmap& layer, const Bitmap& mask, const Bitmap& image, int left, int top);
// image := image AND NOT mask, per byte: black wherever the mask is white, so that the
// masked combination keeps the layer there whatever was drawn into the image. Only the
// part both bitmaps cover is touched.
void ClearOutsideMask(Bitmap& image, const Bitmap& mask);
// Copies the inclusive rectangle r from src into the same place of dst, clipped to
// both bitmaps.
void CopyArea(Bitmap& dst, const Bitmap& src, const Rect& r);
// The handle squares: for each point, the 6 x 6 box (px-3, py-3) .. (px+2, py+2)
// with a one-pixel black border and white inside, clipped; later squares cover
// earlier ones.
void DrawHandleSquares(Bitmap& layer, const std::vector<Point>& points);

}  // namespace velmora
