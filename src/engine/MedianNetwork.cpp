#include "engine/MedianNetwork.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <stdexcept>

namespace velmora {

namespace {

// Batcher's odd-even merge sort for the next power of two above n, keeping only the
// comparators between real wires: the missing wires act as +infinity at the top, and
// a comparator with such a wire never moves anything.
std::vector<Comparator> Batcher(int n) {
    int size = 1;
    while (size < n) size <<= 1;
    std::vector<Comparator> net;
    for (int p = 1; p < size; p <<= 1)
        for (int k = p; k >= 1; k >>= 1)
            for (int j = k % p; j + k < size; j += 2 * k)
                for (int i = 0; i < k; ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p) && i + j + k < n)
                        net.push_back(Comparator{static_cast<std::uint16_t>(i + j),
                                                 static_cast<std::uint16_t>(i + j + k), true, true});
    return net;
}

// Drops the comparators that never swap on a window of sorted columns. By the 0-1
// principle it is enough to try every window of zeros and ones with sorted columns:
// if a comparator swapped two values on a real window, it would swap the zero and
// one that a threshold between the two values turns them into, and thresholding keeps
// the columns sorted. So the dropped comparators do nothing on any real window. The
// (k + 1)^k windows are run 64 at a time, one per bit.
std::vector<Comparator> DropIdleComparators(const std::vector<Comparator>& net, int k) {
    const int n = k * k;
    long long windows = 1;
    for (int i = 0; i < k; ++i) windows *= k + 1;
    const std::size_t words = static_cast<std::size_t>((windows + 63) / 64);
    // wire[w * n + i]: word w of wire i, so the words of one batch of 64 windows sit
    // together while the batch is built and while the comparators run over it.
    std::vector<std::uint64_t> wire(words * static_cast<std::size_t>(n), 0);
    // Window t has, in column c, ones in its top d wires, d = digit c of t in base
    // k + 1. Digit c stays the same over runs of (k + 1)^c windows, so the wires are
    // filled a run at a time.
    long long run = 1;
    for (int c = 0; c < k; ++c, run *= k + 1) {
        for (long long t = 0; t < windows; t += run) {
            const int d = static_cast<int>((t / run) % (k + 1));
            if (d == 0) continue;
            for (long long b = t; b < t + run;) {
                const long long w = b / 64;
                const int from = static_cast<int>(b % 64);
                const int to = static_cast<int>(std::min<long long>(t + run - w * 64, 64));
                const std::uint64_t mask =
                    (to == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << to) - 1) & ~((std::uint64_t{1} << from) - 1);
                std::uint64_t* batch = wire.data() + static_cast<std::size_t>(w) * n;
                for (int i = k - d; i < k; ++i) batch[c * k + i] |= mask;
                b = w * 64 + to;
            }
        }
    }
    std::vector<std::uint64_t> swaps(net.size(), 0);
    for (std::size_t w = 0; w < words; ++w) {
        std::uint64_t* batch = wire.data() + w * n;
        for (std::size_t j = 0; j < net.size(); ++j) {
            const std::uint64_t x = batch[net[j].A], y = batch[net[j].B];
            swaps[j] |= x & ~y;
            batch[net[j].A] = x & y;
            batch[net[j].B] = x | y;
        }
    }
    std::vector<Comparator> kept;
    for (std::size_t j = 0; j < net.size(); ++j)
        if (swaps[j] != 0) kept.push_back(net[j]);
    return kept;
}

// Keeps only what the value on wire `out` depends on, and marks the results that are
// never read again so they need not be computed.
std::vector<Comparator> KeepOnlyWhatFeeds(const std::vector<Comparator>& net, int wires, int out) {
    std::vector<bool> live(static_cast<std::size_t>(wires), false);
    live[static_cast<std::size_t>(out)] = true;
    std::vector<Comparator> kept;
    for (auto it = net.rbegin(); it != net.rend(); ++it) {
        Comparator c = *it;
        c.KeepMin = live[c.A];
        c.KeepMax = live[c.B];
        if (!c.KeepMin && !c.KeepMax) continue;
        live[c.A] = live[c.B] = true;
        kept.push_back(c);
    }
    return std::vector<Comparator>(kept.rbegin(), kept.rend());
}

}  // namespace

const std::vector<Comparator>& SortingNetwork(int k) {
    static std::mutex m;
    static std::array<std::vector<Comparator>, 64> cache;
    static std::array<bool, 64> built{};
    if (k < 1 || k >= 64) throw std::invalid_argument("sorting network size");
    std::lock_guard<std::mutex> lock(m);
    if (!built[static_cast<std::size_t>(k)]) {
        cache[static_cast<std::size_t>(k)] = Batcher(k);
        built[static_cast<std::size_t>(k)] = true;
    }
    return cache[static_cast<std::size_t>(k)];
}

const std::vector<Comparator>& ColumnSortedMedianNetwork(int k) {
    static std::once_flag once[kLargestNetworkWindow + 1];
    static std::vector<Comparator> cache[kLargestNetworkWindow + 1];
    if (k != 3 && k != 5 && k != 7) throw std::invalid_argument("median network size");
    std::call_once(once[k], [k] {
        const int n = k * k;
        cache[k] = KeepOnlyWhatFeeds(DropIdleComparators(Batcher(n), k), n, (n - 1) / 2);
    });
    return cache[k];
}

}  // namespace velmora
