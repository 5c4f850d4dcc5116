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

// The networks for the two windows the dialog uses most (radius 1 and the default
// radius 2), written out so that the compiler can keep the wires in registers. They
// are exactly what SortingNetwork and ColumnSortedMedianNetwork build, which the
// tests check, besides proving them on every input of zeros and ones.
constexpr Comparator kSort3[] = {
    {0, 1, true, true}, {0, 2, true, true}, {1, 2, true, true},
};
constexpr Comparator kSort5[] = {
    {0, 1, true, true}, {2, 3, true, true}, {0, 2, true, true}, {1, 3, true, true}, {1, 2, true, true},
    {0, 4, true, true}, {2, 4, true, true}, {1, 2, true, true}, {3, 4, true, true},
};
constexpr Comparator kMedian3x3[] = {
    {2, 3, true, true},  {0, 2, true, true},  {4, 6, true, true},  {5, 7, true, true},   {1, 2, true, true},
    {5, 6, true, true},  {0, 4, false, true}, {1, 5, true, true},  {2, 6, true, false},  {3, 7, true, false},
    {2, 4, true, true},  {3, 5, true, false}, {1, 2, false, true}, {3, 4, true, true},   {4, 8, true, false},
    {2, 4, false, true}, {3, 4, false, true},
};
constexpr Comparator kMedian5x5[] = {
    {4, 5, true, true},    {14, 15, true, true},  {5, 7, true, true},    {8, 10, true, true},   {9, 11, true, true},
    {12, 14, true, true},  {5, 6, true, true},    {9, 10, true, true},   {13, 14, true, true},  {0, 4, true, true},
    {1, 5, true, true},    {2, 6, true, true},    {8, 12, true, true},   {10, 14, true, true},  {11, 15, true, true},
    {16, 20, true, true},  {17, 21, true, true},  {18, 22, true, true},  {19, 23, true, true},  {2, 4, true, true},
    {3, 5, true, true},    {10, 12, true, true},  {11, 13, true, true},  {18, 20, true, true},  {19, 21, true, true},
    {1, 2, true, true},    {3, 4, true, true},    {5, 6, true, true},    {9, 10, true, true},   {11, 12, true, true},
    {13, 14, true, true},  {17, 18, true, true},  {19, 20, true, true},  {21, 22, true, true},  {0, 8, true, true},
    {1, 9, true, true},    {2, 10, true, true},   {3, 11, true, true},   {4, 12, true, true},   {5, 13, true, true},
    {6, 14, true, true},   {7, 15, true, false},  {4, 8, true, true},    {5, 9, true, true},    {6, 10, true, true},
    {7, 11, true, true},   {20, 24, true, true},  {2, 4, true, true},    {3, 5, true, true},    {6, 8, true, true},
    {7, 9, true, true},    {10, 12, true, true},  {11, 13, true, true},  {22, 24, true, true},  {1, 2, true, true},
    {3, 4, true, true},    {5, 6, true, true},    {7, 8, true, true},    {9, 10, true, true},   {11, 12, true, true},
    {13, 14, true, false}, {21, 22, true, true},  {23, 24, true, true},  {0, 16, false, true},  {1, 17, false, true},
    {2, 18, false, true},  {3, 19, false, true},  {4, 20, false, true},  {5, 21, false, true},  {6, 22, true, false},
    {7, 23, true, false},  {8, 24, true, false},  {8, 16, false, true},  {9, 17, false, true},  {10, 18, true, false},
    {11, 19, true, false}, {12, 20, true, false}, {13, 21, true, false}, {6, 10, false, true},  {7, 11, false, true},
    {12, 16, true, false}, {13, 17, true, false}, {10, 12, false, true}, {11, 13, true, false}, {11, 12, false, true},
};

}  // namespace velmora
