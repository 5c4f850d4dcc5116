#pragma once
// The image-size control's source buffer and resampler.

#include <cstdint>
#include <vector>

#include "common/Bitmap.h"

namespace velmora {

// A copy of a bitmap's pixels kept as the source of later resampling: rows top to
// bottom, pixels left to right, bytes blue, green, red, no padding.
struct SourcePixels {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;
};

// The program-wide buffer that opening fills and the conversion dialog scales from.
SourcePixels& SharedSourcePixels();

void StoreSourcePixels(const Bitmap& bmp, SourcePixels& dst = SharedSourcePixels());

// Resamples `src` to width x height into `dst`.
void ResampleSourcePixels(const SourcePixels& src, int width, int height, Bitmap& dst);

}  // namespace velmora
