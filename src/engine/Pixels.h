#pragma once
// The engine's own pixel buffers: flat, row-major arrays of 3-byte pixels without row
// padding, so pixel (x, y) of a W-wide buffer is element y * W + x.

#include <cstdint>
#include <vector>

namespace velmora {

// One pixel in the byte order of the document's bitmaps: blue, green, red.
struct TRGBTriple {
    std::uint8_t B = 0;
    std::uint8_t G = 0;
    std::uint8_t R = 0;

    friend bool operator==(const TRGBTriple&, const TRGBTriple&) = default;
};
static_assert(sizeof(TRGBTriple) == 3, "a triple must be exactly three bytes");

using TripleBuffer = std::vector<TRGBTriple>;

}  // namespace velmora
