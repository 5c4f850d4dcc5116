// The smoothing filter's fast methods against the selection on a copy of each window.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/ColorStep.h"
#include "engine/EquivalenceUtil.h"
#include "engine/MedianNetwork.h"
#include "engine/ReduceCompare.h"
#include "engine/reference/ReferenceColorStep.h"

using namespace velmora;
using namespace velmora::test;

namespace {

template <typename T>
void Apply(const std::vector<Comparator>& net, std::vector<T>& v) {
    for (const Comparator& c : net) {
        const T a = v[c.A], b = v[c.B];
        if (c.KeepMin) v[c.A] = std::min(a, b);
        if (c.KeepMax) v[c.B] = std::max(a, b);
    }
}

}  // namespace

TEST(MedianNetwork, SortingNetworksSortEveryInputOfZerosAndOnes) {
    for (int k = 1; k <= 13; ++k) {
        const std::vector<Comparator>& net = SortingNetwork(k);
        for (unsigned bits = 0; bits < (1u << k); ++bits) {
            std::vector<int> v(static_cast<std::size_t>(k));
            for (int i = 0; i < k; ++i) v[static_cast<std::size_t>(i)] = (bits >> i) & 1;
            Apply(net, v);
            ASSERT_TRUE(std::is_sorted(v.begin(), v.end())) << "k " << k << " input " << bits;
        }
    }
}

TEST(MedianNetwork, EveryWindowOfSortedColumnsOfZerosAndOnesGivesItsMedian) {
    // By the 0-1 principle this proves the networks for all inputs with sorted columns.
    // The windows are run 64 at a time, one per bit of a word.
    for (int k : {3, 5, 7}) {
        const int n = k * k, middle = (n - 1) / 2;
        const std::vector<Comparator>& net = ColumnSortedMedianNetwork(k);
        EXPECT_LT(net.size(), static_cast<std::size_t>(n * n / 4)) << "the network was not cut down";
        std::vector<int> ones(static_cast<std::size_t>(k), 0);
        std::vector<std::uint64_t> wires(static_cast<std::size_t>(n));
        bool more = true;
        while (more) {
            std::fill(wires.begin(), wires.end(), 0);
            std::uint64_t expected = 0, used = 0;
            for (int bit = 0; bit < 64 && more; ++bit) {
                int total = 0;
                for (int c = 0; c < k; ++c) {
                    total += ones[static_cast<std::size_t>(c)];
                    for (int i = k - ones[static_cast<std::size_t>(c)]; i < k; ++i)
                        wires[static_cast<std::size_t>(c * k + i)] |= std::uint64_t{1} << bit;
                }
                // Sorted, rank `middle` is a one exactly when more than n - 1 - middle ones.
                if (total > n - 1 - middle) expected |= std::uint64_t{1} << bit;
                used |= std::uint64_t{1} << bit;
                int c = 0;
                while (c < k && ++ones[static_cast<std::size_t>(c)] > k) ones[static_cast<std::size_t>(c++)] = 0;
                more = c < k;
            }
            for (const Comparator& c : net) {
                const std::uint64_t a = wires[c.A], b = wires[c.B];
                if (c.KeepMin) wires[c.A] = a & b;
                if (c.KeepMax) wires[c.B] = a | b;
            }
            ASSERT_EQ(wires[static_cast<std::size_t>(middle)] & used, expected) << "k " << k;
        }
    }
}

TEST(MedianNetwork, TheWrittenOutNetworksAreTheBuiltOnes) {
    auto same = [](const auto& table, const std::vector<Comparator>& built) {
        if (std::size(table) != built.size()) return false;
        for (std::size_t i = 0; i < built.size(); ++i)
            if (table[i].A != built[i].A || table[i].B != built[i].B || table[i].KeepMin != built[i].KeepMin ||
                table[i].KeepMax != built[i].KeepMax)
                return false;
        return true;
    };
    EXPECT_TRUE(same(kSort3, SortingNetwork(3)));
    EXPECT_TRUE(same(kSort5, SortingNetwork(5)));
    EXPECT_TRUE(same(kMedian3x3, ColumnSortedMedianNetwork(3)));
    EXPECT_TRUE(same(kMedian5x5, ColumnSortedMedianNetwork(5)));
}

TEST(SmoothEquivalence, EveryPictureRadiusAndType) {
    for (const NamedPicture& pic : VariedPictures())
        for (int radius : {0, 1, 2, 3, 4, 6})
            for (int type : {0, 1, -1}) ExpectSameSmoothing(pic.bitmap, radius, type, pic.name);
}

TEST(SmoothEquivalence, CancelStopsBeforeTheStepEnds) {
    TColorStep step;
    step.Width = 400;
    step.Height = 300;
    step.Final = ToBuffer(Noise(400, 300, 3));
    struct CancelAtFirstPosition : ProgressLog {
        void SetStepPosition(int p) override {
            ProgressLog::SetStepPosition(p);
            CancelFlag = true;
        }
    } progress;
    step.SetProgress(&progress);
    step.ColorSmooth(2, 0);
    EXPECT_GE(progress.positions.size(), 1u);
    EXPECT_LT(progress.positions.size(), 396u);
    EXPECT_EQ(progress.advances, 0) << "a cancelled step does not advance the total bar";
}
