#pragma once
// The lighten and darken tools: a byte lookup table built once per press, and the
// stamp that maps the stroke-start copy of a layer through it under a mask.

#include <array>
#include <cstdint>

#include "common/Bitmap.h"

namespace velmora {

using ToneTable = std::array<std::uint8_t, 256>;

// Entry v (0..252) is v - (|254 - v| * contrast) / 256, truncated toward zero and
// clamped to a byte; entries 253..255 are themselves. Darken passes its contrast as
// it is and lighten the negated value, so positive values darken.
ToneTable BuildToneTable(int contrast);

// For each mask pixel (i, j) with a non-zero blue byte whose layer position (left+i, top+j)
// lies inside the layer: each byte of layer := table[byte of source at the same position].
// The source is the layer as it was when the stroke began and has the layer's size;
// positions outside the source are skipped as well.
void StampTone(Bitmap& layer, const Bitmap& source, const Bitmap& mask, int left, int top, const ToneTable& table);

}  // namespace velmora
