// The smoothing filter's fast methods (comparator networks and the counting median)
// against the selection on a copy of each window, byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <tuple>

#include "engine/ColorStep.h"
#include "engine/EquivalenceUtil.h"
#include "engine/MedianHistogram.h"
#include "engine/MedianNetwork.h"
#include "engine/reference/ReferenceColorStep.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// A whole picture smoothed on a step of the engine or of the reference.
template <typename Step>
TripleBuffer Smoothed(Step& step, const Bitmap& picture, int radius, int type, ProgressTargets* progress = nullptr) {
    step.Width = picture.Width();
    step.Height = picture.Height();
    step.Final = ToBuffer(picture);
    step.SetProgress(progress);
    step.ColorSmooth(radius, type);
    step.SetProgress(nullptr);
    return step.Smoothed;
}

// The same pixels and progress from both, on steps that may have smoothed before.
void ExpectSameSmoothing(TColorStep& fast, reference::TColorStep& slow, const Bitmap& picture, int radius,
                         int type, const std::string& what) {
    ProgressTrace fastTrace, slowTrace;
    const std::string where = what + ", radius " + std::to_string(radius) + ", type " + std::to_string(type);
    ExpectSamePixels(Smoothed(fast, picture, radius, type, &fastTrace),
                     Smoothed(slow, picture, radius, type, &slowTrace), picture.Width(), where);
    EXPECT_EQ(fastTrace.events, slowTrace.events) << where;
}

void ExpectSameSmoothing(const Bitmap& picture, int radius, int type, const std::string& what) {
    TColorStep fast;
    reference::TColorStep slow;
    ExpectSameSmoothing(fast, slow, picture, radius, type, what);
}

constexpr int kDialogRadius = 19;  // the dialog's largest smoothing radius

TripleBuffer Reference(const Bitmap& picture, int radius) {
    reference::TColorStep slow;
    return Smoothed(slow, picture, radius, 0);
}

// The counting median over the given bands of centre rows, on a copy of the picture
// (so the pixels near the borders hold their own colors, as the filter leaves them).
TripleBuffer Counted(const Bitmap& picture, int radius, const std::vector<int>& bandEnds = {}) {
    const int w = picture.Width(), h = picture.Height();
    const TripleBuffer input = ToBuffer(picture);
    TripleBuffer out = input;
    if (2 * radius + 1 > w || 2 * radius + 1 > h) return out;
    HistogramMedian median(input.data(), w, h, radius);
    int first = radius;
    for (int end : bandEnds) {
        EXPECT_TRUE(median.Rows(first, end, out.data()));
        first = end;
    }
    EXPECT_TRUE(median.Rows(first, h - radius, out.data()));
    return out;
}

void ExpectCountedIsReference(const Bitmap& picture, int radius, const std::string& what) {
    ExpectSamePixels(Counted(picture, radius), Reference(picture, radius), picture.Width(),
                     what + ", radius " + std::to_string(radius));
}

// Flat above, noise below: the colors overflow a tile part of the way down, so its
// last rows must be taken back out of it.
Bitmap FlatOverNoise(int w, int h, int flatRows) {
    Bitmap b = Noise(w, h, 17);
    for (int y = 0; y < flatRows; ++y)
        for (int x = 0; x < w; ++x) Put(b, x, y, Rgb(40 + x % 3, 90, 200));
    return b;
}

// Colors that differ only in their lowest bits and in one channel at a time, so that
// ranks are decided in the lowest of the three counting levels and in every channel.
Bitmap NearColors(int w, int h) {
    Bitmap b(w, h);
    std::mt19937 rng(3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int c = static_cast<int>(rng() % 6);
            Put(b, x, y, Rgb(128 + (c == 0), 64 + (c == 1) * 2, 32 + (c == 2) + (c == 3) * 255 / 2));
        }
    return b;
}

// Runs a network on 64 inputs of zeros and ones at once, one input per bit of a word:
// the smaller of two bits is their AND, the larger their OR.
void Apply(const std::vector<Comparator>& net, std::vector<std::uint64_t>& wires) {
    for (const Comparator& c : net) {
        const std::uint64_t a = wires[c.A], b = wires[c.B];
        if (c.KeepMin) wires[c.A] = a & b;
        if (c.KeepMax) wires[c.B] = a | b;
    }
}

}  // namespace

TEST(MedianHistogram, EveryRadiusOnVariedPicturesAndTilesCutForTheirColorsInWidthAndHeight) {
    std::vector<int> everyRadius(kDialogRadius);
    std::iota(everyRadius.begin(), everyRadius.end(), 1);
    // Pure noise at large radii: not even one row of a full-width tile fits, so tiles
    // are halved, and a tile ends after a few rows. Below the flat band the colors
    // run over in the middle of a tile.
    const std::vector<int> tiling = {6, 13, kDialogRadius, HistogramMedian::kLargestRadius};
    const Bitmap sample = SamplePhoto();
    const std::pair<NamedPicture, const std::vector<int>&> cases[] = {
        {{"noise 83x61", Noise(83, 61, 5)}, everyRadius},
        {{"posterized sample 97x71", Posterized(Crop(sample, 150, 120, 97, 71))}, everyRadius},
        {{"sample 64x90", Crop(sample, 220, 200, 64, 90)}, everyRadius},
        {{"thin lines 79x41", ThinLinesPicture(79, 41)}, everyRadius},
        {{"patches 90x66", PatchesPicture(90, 66, 2)}, everyRadius},
        {{"near colors 50x45", NearColors(50, 45)}, everyRadius},
        {{"uniform 40x40", FilledBitmap(40, 40, Rgb(9, 8, 7))}, everyRadius},
        {{"noise 260x130", Noise(260, 130, 23)}, tiling},
        {{"flat over noise 240x140", FlatOverNoise(240, 140, 50)}, tiling},
    };
    for (const auto& [pic, radii] : cases)
        for (int r : radii) ExpectCountedIsReference(pic.bitmap, r, pic.name);
}

TEST(MedianHistogram, PicturesAsLargeAsTheWindowOrBarelyLarger) {
    for (int r : {1, 4, 11, kDialogRadius, HistogramMedian::kLargestRadius}) {
        const int k = 2 * r + 1;
        // Exactly one window, one more row or column, and one short of a window.
        for (const auto& [w, h] :
             {std::pair{k, k}, {k + 1, k}, {k, k + 1}, {k + 2, k + 3}, {k - 1, 3 * k}, {3 * k, k - 1}}) {
            const Bitmap noise = Noise(w, h, static_cast<unsigned>(w * 31 + h));
            const std::string what = "noise " + std::to_string(w) + "x" + std::to_string(h);
            ExpectCountedIsReference(noise, r, what);
            ExpectSameSmoothing(noise, r, 0, what + ", the whole filter");
        }
    }
}

TEST(MedianHistogram, BandsOfAnySizeGiveTheSameRows) {
    const Bitmap picture = Crop(SamplePhoto(), 10, 300, 150, 120);
    for (int r : {2, 9}) {
        ExpectCountedIsReference(picture, r, "one band");
        const TripleBuffer whole = Counted(picture, r);
        std::vector<int> ones, uneven;
        for (int y = r + 1; y < picture.Height() - r; ++y) ones.push_back(y);
        for (int y = r + 1; y < picture.Height() - r; y += 1 + y % 13) uneven.push_back(y);
        const std::string radius = ", radius " + std::to_string(r);
        ExpectSamePixels(Counted(picture, r, ones), whole, picture.Width(), "bands of one row" + radius);
        ExpectSamePixels(Counted(picture, r, uneven), whole, picture.Width(), "uneven bands" + radius);
    }
}

TEST(MedianHistogram, ACancelledBandLeavesTheNextOneRight) {
    const Bitmap picture = Noise(400, 300, 8);
    const int r = 7;
    const TripleBuffer input = ToBuffer(picture);
    TripleBuffer out = input;
    CancelToken token;
    token.Cancel();
    {
        // Cancelled while it numbers the colors: no rows can be found with it.
        const CancelScope scope(&token);
        HistogramMedian cancelled(input.data(), picture.Width(), picture.Height(), r);
        token.Reset();
        EXPECT_FALSE(cancelled.Rows(r, picture.Height() - r, out.data()));
        token.Cancel();
    }
    HistogramMedian median(input.data(), picture.Width(), picture.Height(), r);
    // Cancelled before it starts, then (most likely in the middle of a tile) while it
    // works: either way the working state goes back to the object for the next band.
    {
        const CancelScope scope(&token);
        EXPECT_FALSE(median.Rows(r, picture.Height() - r, out.data()));
    }
    for (int delayMs : {1, 3, 7}) {
        token.Reset();
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            token.Cancel();
        });
        {
            const CancelScope scope(&token);
            median.Rows(r, picture.Height() - r, out.data());
        }
        canceller.join();
    }
    // The same object, and so the working state the cancelled bands used, again.
    ASSERT_TRUE(median.Rows(r, picture.Height() - r, out.data()));
    ExpectSamePixels(out, Reference(picture, r), picture.Width(), "after a cancel");
}

TEST(MedianHistogram, RowsOutsideTheSmoothedPartAreRefused) {
    TripleBuffer out(20 * 20, TRGBTriple{});
    EXPECT_THROW(HistogramMedian(out.data(), 20, 20, 0), std::invalid_argument);
    EXPECT_THROW(HistogramMedian(out.data(), 20, 20, HistogramMedian::kLargestRadius + 1), std::invalid_argument);
    HistogramMedian median(out.data(), 20, 20, 3);
    EXPECT_THROW(median.Rows(2, 10, out.data()), std::invalid_argument);
    EXPECT_THROW(median.Rows(3, 18, out.data()), std::invalid_argument);
}

// The filter as a whole, with the method it picks for each radius, on steps used again
// and again: the same as the plain method for the radii beyond the dialog's and the
// counting method's too, on a photograph and on its posterized copy full of ties.
TEST(SmoothEquivalence, EveryRadiusTheDialogAllowsAndBeyond) {
    for (const NamedPicture& pic : VariedPictures())
        for (int radius : {0, 1, 2, 3, 4, 6})
            for (int type : {0, 1, -1}) ExpectSameSmoothing(pic.bitmap, radius, type, pic.name);
    const Bitmap crop = Crop(SamplePhoto(), 60, 250, 101, 87);
    std::vector<int> radii;
    for (int r = 0; r <= kDialogRadius; ++r) radii.push_back(r);
    radii.insert(radii.end(), {HistogramMedian::kLargestRadius, HistogramMedian::kLargestRadius + 1, 43});
    TColorStep fast;
    reference::TColorStep slow;
    for (const NamedPicture& pic : {NamedPicture{"sample crop", crop}, NamedPicture{"posterized", Posterized(crop)}})
        for (int r : radii)
            for (int type : {0, 1}) ExpectSameSmoothing(fast, slow, pic.bitmap, r, type, pic.name);
    // 512 pixels wide: the rows are shared out in the narrower bands of wide pictures.
    ExpectSameSmoothing(SamplePhoto(), 2, 0, "the whole sample photograph");
}

TEST(MedianNetwork, SortingNetworksSortEveryInputOfZerosAndOnes) {
    for (std::size_t k = 1; k <= 13; ++k)
        for (std::uint64_t first = 0; first < (1u << k); first += 64) {
            std::vector<std::uint64_t> wires(k, 0);
            for (std::uint64_t bit = 0; bit < 64 && first + bit < (1u << k); ++bit)
                for (std::size_t i = 0; i < k; ++i) wires[i] |= (((first + bit) >> i) & 1) << bit;
            Apply(SortingNetwork(static_cast<int>(k)), wires);
            // Sorted ascending: no input has a one on a wire and a zero on the next.
            for (std::size_t i = 0; i + 1 < k; ++i)
                ASSERT_EQ(wires[i] & ~wires[i + 1], 0u) << "k " << k << ", inputs from " << first << ", wire " << i;
        }
}

TEST(MedianNetwork, EveryWindowOfSortedColumnsOfZerosAndOnesGivesItsMedian) {
    // By the 0-1 principle this proves the networks for all inputs with sorted columns.
    // Window w has (w / (k + 1)^c) % (k + 1) ones at the bottom of column c.
    for (int k : {3, 5, 7}) {
        const int n = k * k, middle = (n - 1) / 2;
        const std::vector<Comparator>& net = ColumnSortedMedianNetwork(k);
        EXPECT_LT(net.size(), static_cast<std::size_t>(n * n / 4)) << "the network was not cut down";
        long windows = 1;
        for (int c = 0; c < k; ++c) windows *= k + 1;
        for (long first = 0; first < windows; first += 64) {
            std::vector<std::uint64_t> wires(static_cast<std::size_t>(n), 0);
            std::uint64_t expected = 0;
            for (int bit = 0; bit < 64 && first + bit < windows; ++bit) {
                int total = 0;
                long rest = first + bit;
                for (int c = 0; c < k; ++c, rest /= k + 1) {
                    const int ones = static_cast<int>(rest % (k + 1));
                    total += ones;
                    for (int i = k - ones; i < k; ++i) wires[static_cast<std::size_t>(c * k + i)] |= 1ull << bit;
                }
                // Sorted, rank `middle` is a one exactly when more than n - 1 - middle are ones.
                if (total > n - 1 - middle) expected |= 1ull << bit;
            }
            Apply(net, wires);
            ASSERT_EQ(wires[static_cast<std::size_t>(middle)], expected) << "k " << k << ", windows from " << first;
        }
    }
}

TEST(MedianNetwork, TheWrittenOutNetworksAreTheBuiltOnes) {
    auto wires = [](const auto& net) {
        std::vector<std::tuple<int, int, bool, bool>> v;
        for (const Comparator& c : net) v.emplace_back(c.A, c.B, c.KeepMin, c.KeepMax);
        return v;
    };
    EXPECT_EQ(wires(kSort3), wires(SortingNetwork(3)));
    EXPECT_EQ(wires(kSort5), wires(SortingNetwork(5)));
    EXPECT_EQ(wires(kMedian3x3), wires(ColumnSortedMedianNetwork(3)));
    EXPECT_EQ(wires(kMedian5x5), wires(ColumnSortedMedianNetwork(5)));
}

TEST(SmoothEquivalence, CancelStopsBeforeTheStepEnds) {
    struct CancelAtFirstPosition : ProgressLog {
        void SetStepPosition(int p) override {
            ProgressLog::SetStepPosition(p);
            CancelFlag = true;
        }
    } progress;
    TColorStep step;
    Smoothed(step, Noise(400, 300, 3), 2, 0, &progress);
    EXPECT_GE(progress.positions.size(), 1u);
    EXPECT_LT(progress.positions.size(), 396u);
    EXPECT_EQ(progress.advances, 0) << "a cancelled step does not advance the total bar";
}
