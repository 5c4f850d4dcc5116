#pragma once
// The soft brush: the gray values of its concentric mask rings, the weight a mask
// value gives at an opacity level, the blend of one stamp into a layer, and the stamp
// positions along one mouse move.

#include <cstdint>
#include <vector>

#include "common/Bitmap.h"
#include "common/Geometry.h"

namespace velmora {

// The gray value of ring i (0..half) of the brush mask for content k (1..6), half = s div 2 (>= 1).
// Ring 0 is the rim and ring half the center, which is 100 for every content.
int BrushRingValue(int content, int ring, int half);

// The weight a in percent for mask value m (1..255) at opacity level o (1..8): (m * 2^(o-1)) div 128, at least 1.
// Levels outside 1..8 are taken as the nearest level.
int BrushWeight(int maskValue, int opacity);

// Blends the front color into layer through mask (s x s, blue byte = value) placed at (left, top), clipped.
// Each byte becomes (old * (100 - a) + new * a) div 100 with a = BrushWeight(m, opacity),
// kept within 0..255; pixels under a zero mask value are left alone.
void StampBrush(Bitmap& layer, const Bitmap& mask, int left, int top, std::uint32_t color, int opacity);

// The stamp positions of one brush move from (lx, ly) to (x, y) with size s, in order.
// The step between stamps is Round(sqrt(s) / 2), at least 1, along the longer axis; the
// start point is always among them unless the mouse did not move.
std::vector<Point> BrushSteps(int lx, int ly, int x, int y, int size);

}  // namespace velmora
