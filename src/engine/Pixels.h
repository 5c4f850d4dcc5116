#pragma once
// The engine's own pixel buffers: flat, row-major arrays of 3-byte pixels without row
// padding, so pixel (x, y) of a W-wide buffer is element y * W + x.

#include <cstdint>
#include <vector>

#include "common/LargeBlocks.h"

namespace velmora {

// The engine's buffers of a whole picture's size, in memory that is quick to get.
// Every step writes each element of its output before anything reads it, so new
// elements of plain types are left unset: clearing tens of megabytes on one thread
// only to overwrite them on all of them was a tenth of a conversion.
template <typename T>
using LargeVector = std::vector<T, UnsetAllocator<T>>;

// One pixel in the byte order of the document's bitmaps: blue, green, red. Plain
// bytes without initializers, so that buffers of millions of them can be left unset;
// TRGBTriple{} is black.
struct TRGBTriple {
    std::uint8_t B;
    std::uint8_t G;
    std::uint8_t R;

    friend bool operator==(const TRGBTriple&, const TRGBTriple&) = default;
};
static_assert(sizeof(TRGBTriple) == 3, "a triple must be exactly three bytes");

// A color as R * 65536 + G * 256 + B, so that packed colors compare by red, then
// green, then blue (the order the medians are taken in), and back.
inline std::uint32_t PackColor(const TRGBTriple& p) {
    return (static_cast<std::uint32_t>(p.R) << 16) | (static_cast<std::uint32_t>(p.G) << 8) | p.B;
}

inline TRGBTriple UnpackColor(std::uint32_t v) {
    return TRGBTriple{static_cast<std::uint8_t>(v & 255), static_cast<std::uint8_t>((v >> 8) & 255),
                      static_cast<std::uint8_t>((v >> 16) & 255)};
}

using TripleBuffer = LargeVector<TRGBTriple>;

}  // namespace velmora
