#pragma once
// The color reduction of a whole photograph in one run (the full conversion and the
// batch converter), which needs no labels: see ReduceWhole.cpp.

#include <cstdint>
#include <vector>

#include "engine/ColorSegmentation.h"
#include "engine/ProgressSteps.h"

namespace velmora {

// A bit per pixel of the photograph, set on the pixels of regions that cross from one
// strip into another. Rows are whole words, so two strips never write one word.
class CrossingBits {
public:
    CrossingBits(int width, int height) : stride_((static_cast<std::size_t>(width) + 63) / 64) {
        SizeBuffer(words_, stride_ * static_cast<std::size_t>(height));
    }
    std::uint64_t* Row(int y) { return words_.data() + stride_ * static_cast<std::size_t>(y); }
    const std::uint64_t* Row(int y) const { return words_.data() + stride_ * static_cast<std::size_t>(y); }
    std::size_t Stride() const { return stride_; }
    bool Test(int x, int y) const { return Row(y)[x >> 6] >> (x & 63) & 1u; }
    void Set(int x, int y) { Row(y)[x >> 6] |= std::uint64_t{1} << (x & 63); }

private:
    std::size_t stride_;
    RawBuffer<std::uint64_t> words_;
};

// Marks the pixels of rows top .. bottom - 1 whose region reaches beyond those rows,
// in `bits` (whose rows top .. bottom - 1 it clears first). `stack` is room to work in.
// Nothing may write the tags meanwhile.
template <typename Tag>
void MarkCrossing(const Tag* tags, const Grid& g, int top, int bottom, CrossingBits& bits,
                  std::vector<std::uint32_t>& stack);

// Grows every region of the photograph from its first pixel in scan order, as the
// plain scan does, and paints its color (through `tone` when given) into
// step.Reduced, which covers the whole photograph. `tags` holds every pixel's class
// triple in the label grid `g`, with TagValues' border; growing uses it up. Reports
// the positions from the first on, the first half once the regions that cross
// strips are known. False when cancelled.
template <typename Tag>
bool ReduceWholePhotograph(TColorStep& step, const PhotoPixels& img, const Grid& g, Tag* tags, int coloringMode,
                           StepPositions& steps, const ToneMap* tone);

}  // namespace velmora
