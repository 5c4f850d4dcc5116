#pragma once
// The segmentation of a photograph into regions of alike pixels that the color
// reduction keeps between previews (private to the color step), and what the
// reduction and the growing of its regions share.

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/LargeBlocks.h"
#include "engine/Buffers.h"
#include "engine/ColorStep.h"

namespace velmora {

using Classes = std::array<std::uint8_t, 256>;

// Buffers of millions of elements that are written in full (in parallel) right after
// sizing.
template <typename T>
using RawBuffer = LargeVector<T>;

// The labels live in an array with a border of one pixel all round that holds -1, so
// that the eight neighbours of any pixel can be read without bounds tests. Pixel
// (x, y) is at (y + 1) * PW + x + 1; this keeps the scan order, so the smallest index
// of a region is its first pixel in scan order.
struct Grid {
    int SW = 0, SH = 0, PW = 0, PH = 0;
    std::size_t At(int x, int y) const {
        return static_cast<std::size_t>(y + 1) * PW + static_cast<std::size_t>(x + 1);
    }
    int X(std::int32_t p) const { return p % PW - 1; }
    int Y(std::int32_t p) const { return p / PW - 1; }
};

// The photograph's pixels, wherever they are: a bitmap's rows or FullImage.
struct PhotoPixels {
    const std::uint8_t* base = nullptr;
    std::size_t stride = 0;
    const std::uint8_t* Row(int y) const { return base + static_cast<std::size_t>(y) * stride; }
    TRGBTriple At(int x, int y) const {
        const std::uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x);
        return TRGBTriple{p[0], p[1], p[2]};
    }
};

struct TColorStep::Segmentation {
    ContentKey content;
    Classes classes{};
    Grid grid;
    RawBuffer<std::int32_t> labels;
    // The class triple of every pixel as one number, laid out like the labels; the
    // narrow form when the classes allow it (see ColorReduce.cpp).
    RawBuffer<std::uint16_t> tags16;
    RawBuffer<std::uint32_t> tags32;
    // Colors of regions already grown, by (root, seed), for `coloringMode`.
    int coloringMode = 0;
    std::unordered_map<std::uint64_t, TRGBTriple> colors;
};

}  // namespace velmora
