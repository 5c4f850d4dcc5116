#pragma once
// The segmentation of a photograph into regions of alike pixels that the color
// reduction keeps between previews (private to the color step).

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "engine/ColorStep.h"

namespace velmora {

using Classes = std::array<std::uint8_t, 256>;

// The labels live in an array with a border of one pixel all round that holds -1, so
// that the eight neighbours of any pixel can be read without bounds tests. Pixel
// (x, y) is at (y + 1) * PW + x + 1; this keeps the scan order, so the smallest index
// of a region is its first pixel in scan order.
struct Grid {
    int SW = 0, SH = 0, PW = 0, PH = 0;
    std::size_t At(int x, int y) const { return static_cast<std::size_t>(y + 1) * PW + static_cast<std::size_t>(x + 1); }
    int X(std::int32_t p) const { return p % PW - 1; }
    int Y(std::int32_t p) const { return p / PW - 1; }
};

struct TColorStep::Segmentation {
    ContentKey content;
    Classes classes{};
    Grid grid;
    std::vector<std::int32_t> labels;
    // The class triple of every pixel as one number, laid out like the labels; the
    // narrow form when the classes allow it (see ColorReduce.cpp).
    std::vector<std::uint16_t> tags16;
    std::vector<std::uint32_t> tags32;
    // Colors of regions already grown, by (root, seed), for `coloringMode`.
    int coloringMode = 0;
    std::unordered_map<std::uint64_t, TRGBTriple> colors;
};

}  // namespace velmora
