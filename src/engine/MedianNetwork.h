#pragma once
// Comparator networks for the smoothing filter's median. Applied to packed colors they
// give exactly the value a selection algorithm finds: a comparator network computes
// order statistics, not averages, so the median it leaves on its middle wire is one of
// the window's own values, the one of the same rank.

#include <cstdint>
#include <vector>

namespace velmora {

struct Comparator {
    std::uint16_t A = 0;   // the lower wire: receives the smaller value
    std::uint16_t B = 0;   // the upper wire: receives the larger value
    bool KeepMin = true;   // false when the smaller value is never read again
    bool KeepMax = true;   // false when the larger value is never read again
};

// Sorts k wires ascending (Batcher's odd-even merge sort, cut to k wires).
const std::vector<Comparator>& SortingNetwork(int k);

// The largest window side with a median network below.
constexpr int kLargestNetworkWindow = 7;

// For a k x k window (k = 3, 5 or 7) whose wires are numbered column by column,
// c * k + i, with each column already sorted ascending: the comparators that leave
// the median, the value of rank (k * k - 1) / 2, on wire (k * k - 1) / 2. Built once
// from a full sorting network by dropping every comparator that can never swap on
// such an input, and then every comparator whose results the median does not need.
const std::vector<Comparator>& ColumnSortedMedianNetwork(int k);

}  // namespace velmora
