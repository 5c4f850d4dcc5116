#pragma once
// The smoothing filter's median for large windows, by counting instead of comparing:
// its cost per pixel hardly depends on the window's size, where comparator networks
// and sorted windows grow with its area.
//
// The picture's colors are numbered once in their packed order. The picture is then
// cut into tiles with few enough colors that their numbers, counted off among the
// tile's own, fit in twelve bits. Every input column of a tile keeps counts of the
// numbers in its window rows, and the window's counts are the sum of its columns'
// counts, updated by one column entering and one leaving as the window slides to
// the right. The counts are kept in up to three levels of sixteen bins (the hex
// digits of the number), as running counts so that the bin holding a given rank is
// found by one comparison of all sixteen; a bucket of a level is summed only when
// the median falls into it, from where it was last summed. Neighbouring windows
// often share their median, or at least its top digit, so the last median is
// tracked by the columns that enter and leave, and the levels are walked down only
// when it no longer holds, from the second level when its top digit still does. The
// median found is one of the window's own colors, the one of rank (k * k - 1) / 2 in
// the packed order, so it is exactly what a selection finds.

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/Pixels.h"

namespace velmora {

class HistogramMedian {
public:
    // Numbers the colors of `pixels` (width x height, row by row) in their packed
    // order, R * 65536 + G * 256 + B, sharing the work out over the threads. The
    // tiles take their colors from the pixels, so these must stay as they are while
    // the object is used (Rows writes elsewhere). 1 <= radius <= kLargestRadius.
    HistogramMedian(const TRGBTriple* pixels, int width, int height, int radius);
    ~HistogramMedian();
    HistogramMedian(const HistogramMedian&) = delete;
    HistogramMedian& operator=(const HistogramMedian&) = delete;

    // Writes the median of the window around every pixel of the rows firstRow ..
    // endRow - 1 that lies at least the radius away from each border, unpacked, to
    // out (width x height, row by row); the rows must all lie at least the radius
    // away from the top and the bottom. Several threads may call this at once for
    // different rows. Polls Cancelled() once per row of every tile and returns false
    // when the run was cancelled, now or while numbering (the rows are then incomplete).
    bool Rows(int firstRow, int endRow, TRGBTriple* out);

    // The rows a thread best takes at a time: tiles are at most this high.
    int BandRows() const;

    // Colors a tile may hold; its input is cut down until it holds no more.
    static constexpr int kCapacity = 4096;
    // The largest radius: the window of a single pixel must fit in a tile.
    static constexpr int kLargestRadius = 31;

private:
    struct Workspace;
    std::unique_ptr<Workspace> Take();
    void Give(std::unique_ptr<Workspace> w);

    void NumberColors(const TRGBTriple* pixels);

    const TRGBTriple* pixels_;
    LargeVector<std::uint32_t> numbers_;  // each pixel's color number
    std::size_t colorCount_ = 0;
    bool numbered_ = false;
    int width_;
    int height_;
    int radius_;
    int tileWidth_;  // output columns of a tile before it is cut for its colors
    std::mutex mutex_;
    std::vector<std::unique_ptr<Workspace>> spare_;
};

}  // namespace velmora
