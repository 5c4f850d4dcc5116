#pragma once
// The image-size control's source buffer and resampler.

#include "common/Bitmap.h"

namespace velmora {

// A copy of a bitmap kept as the source of later resampling. It is a bitmap of its
// own, so that the picture resampled at its very size can share its pixels instead
// of copying them: the conversion dialog asks for that every time it opens.
struct SourcePixels {
    Bitmap Picture;
};

// Copies `bmp` into `dst`; when memory runs out, throws std::bad_alloc and leaves
// `dst` as it was.
void StoreSourcePixels(const Bitmap& bmp, SourcePixels& dst);

// Resamples `src` to width x height into `dst` by averaging the source area each
// output pixel covers (integer arithmetic with 12 fractional bits); at the source's
// own size `dst` shares the source's pixels until either is written. A width or
// height below 1, or an empty source, leaves `dst` unchanged.
void ResampleSourcePixels(SourcePixels& src, int width, int height, Bitmap& dst);

}  // namespace velmora
