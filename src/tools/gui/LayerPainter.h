#pragma once
// Drawing with QPainter straight into a layer's own memory: a QImage wraps the
// bitmap's rows (no copy), antialiasing is off for strokes and shapes.

#include <QColor>
#include <QImage>
#include <cstdint>

#include "common/Bitmap.h"
#include "common/Geometry.h"

namespace velmora {

// A QImage over the bitmap's pixels, stride and all; valid while the bitmap keeps its size.
QImage WrapBitmap(Bitmap& bmp);
// A color value with red in the low byte as a QColor, and back.
QColor ToQColor(std::uint32_t color);
std::uint32_t ToColorValue(const QColor& color);

// One cubic Bézier segment from `from` with control points c1, c2 to `to`, a solid
// pen of `width` pixels in `color` with round ends and joins. Points are pixel
// positions; the pen runs through the pixels they name, and an even width lies across
// them as the freehand tools' footprint does.
void DrawCubicSegment(Bitmap& layer, Point from, Point c1, Point c2, Point to, int width, std::uint32_t color);

}  // namespace velmora
