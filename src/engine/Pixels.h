#pragma once
// The engine's own pixel buffers: flat, row-major arrays of 3-byte pixels without row
// padding, so pixel (x, y) of a W-wide buffer is element y * W + x.

#include <cstdint>
#include <vector>

#include "common/LargeBlocks.h"

namespace velmora {

// The engine's buffers of a whole picture's size, in memory that is quick to get.
template <typename T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

// One pixel in the byte order of the document's bitmaps: blue, green, red. Plain
// bytes without initializers, so that buffers of millions of them are cleared as one
// block of memory; TRGBTriple{} is black.
struct TRGBTriple {
    std::uint8_t B;
    std::uint8_t G;
    std::uint8_t R;

    friend bool operator==(const TRGBTriple&, const TRGBTriple&) = default;
};
static_assert(sizeof(TRGBTriple) == 3, "a triple must be exactly three bytes");

using TripleBuffer = LargeVector<TRGBTriple>;

}  // namespace velmora
