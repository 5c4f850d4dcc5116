#pragma once
// The image-size control's source buffer and resampler.

#include <cstdint>
#include <vector>

#include "common/Bitmap.h"

namespace velmora {

// A copy of a bitmap's pixels kept as the source of later resampling: rows top to
// bottom, pixels left to right, bytes blue, green, red, no padding. The bytes come
// from the picture memory pool, unset until written, as the bitmap's own do: the
// conversion dialog makes this copy every time it opens, and clearing tens of
// megabytes of fresh pages first took longer than the copy.
struct SourcePixels {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t, UnsetAllocator<std::uint8_t>> Pixels;
};

void StoreSourcePixels(const Bitmap& bmp, SourcePixels& dst);

// Resamples `src` to width x height into `dst` by averaging the source area each
// output pixel covers (integer arithmetic with 12 fractional bits). A width or height
// below 1, or an empty source, leaves `dst` unchanged.
void ResampleSourcePixels(const SourcePixels& src, int width, int height, Bitmap& dst);

}  // namespace velmora
