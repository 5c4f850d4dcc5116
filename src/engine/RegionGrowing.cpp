#include "engine/RegionGrowing.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <vector>

#include "engine/Parallel.h"
#include "engine/Progress.h"

namespace velmora {

namespace {

std::size_t Area(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

// The neighbours that are still to be taken, as the bits k of the neighbour order,
// from the bits of the three rows around a pixel: each three bits for the columns
// left, middle and right, the row above at bit 0, the pixel's own row at bit 3, the
// row below at bit 6.
constexpr auto kFound = [] {
    std::array<std::uint8_t, 512> t{};
    for (unsigned i = 0; i < 512; ++i) {
        unsigned found = 0;
        for (int k = 0; k < 8; ++k) {
            const unsigned bit = static_cast<unsigned>((Neighbours::kDy[k] + 1) * 3 + Neighbours::kDx[k] + 1);
            if (i >> bit & 1u) found |= 1u << k;
        }
        t[i] = static_cast<std::uint8_t>(found);
    }
    return t;
}();

// kBefore[found][k]: how many of the neighbours before k (in the neighbour order) are
// in the set `found`: where neighbour k goes in the growth order when it is taken.
constexpr auto kBefore = [] {
    std::array<std::array<std::uint8_t, 9>, 256> t{};
    for (unsigned f = 0; f < 256; ++f)
        for (unsigned k = 0; k <= 8; ++k) t[f][k] = static_cast<std::uint8_t>(__builtin_popcount(f & ((1u << k) - 1)));
    return t;
}();

// One bit per pixel of the label grid: set while the pixel belongs to the region
// being finished and is not yet taken. Rows are whole 64-bit words with a spare one
// at the end. Bits are read and cleared a word at a time, so that a word just
// written is read back straight from the store.
struct RegionBits {
    RawBuffer<std::uint64_t> words;
    std::size_t stride = 0;  // words per row

    std::uint64_t* Row(int gy) { return words.data() + static_cast<std::size_t>(gy) * stride; }
    // The bits of grid columns gx - 1 .. gx + 1 of grid row gy.
    unsigned Three(int gx, int gy) {
        const std::uint64_t* w = Row(gy) + ((gx - 1) >> 6);
        const int shift = (gx - 1) & 63;
        std::uint64_t v = w[0] >> shift;
        if (shift > 61) v |= w[1] << (64 - shift);
        return static_cast<unsigned>(v & 7u);
    }
    // Clears those of the three bits at gx - 1 .. gx + 1 of row gy that are set in
    // `three`.
    void Clear(int gx, int gy, unsigned three) {
        std::uint64_t* w = Row(gy) + ((gx - 1) >> 6);
        const int shift = (gx - 1) & 63;
        w[0] &= ~(std::uint64_t{three} << shift);
        if (shift > 61) w[1] &= ~(std::uint64_t{three} >> (64 - shift));
    }
};

// Sets the bits of grid row gy to whether a pixel holds `tag`, and returns how many
// are set. Other threads may be taking pixels of other regions in the row meanwhile
// (which can hold the same tag but never touch this region), so the tags are read as
// relaxed atomics.
template <typename Tag>
std::size_t MarkRow(Tag* tags, const Grid& g, Tag tag, int gy, RegionBits& bits) {
    Tag* t = tags + Area(g.PW, gy);
    std::uint64_t* row = bits.Row(gy);
    std::size_t set = 0;
    for (std::size_t w = 0; w < bits.stride; ++w) {
        std::uint64_t word = 0;
        const int end = std::min(g.PW, static_cast<int>(w * 64 + 64));
        for (int gx = static_cast<int>(w * 64); gx < end; ++gx)
            word |= std::uint64_t{std::atomic_ref<Tag>(t[gx]).load(std::memory_order_relaxed) == tag} << (gx & 63);
        row[w] = word;
        set += static_cast<std::size_t>(__builtin_popcountll(word));
    }
    return set;
}

// The effect of the pairs first .. last - 1 on the running halving average, for every
// value it may have before them, per channel (blue, green, red). Each pair halves the
// spread of the values it started from, so after eight pairs at most two values are
// left, and only those two are followed further.
using ChannelMaps = std::array<std::array<std::uint8_t, 256>, 3>;

void HalvingMaps(const PhotoPixels& img, const GrowthOrder& order, std::size_t first, std::size_t last,
                 ChannelMaps& maps) {
    const std::size_t n = order.Count;
    auto color = [&](std::size_t i) { return img.At(PX(order[i]), PY(order[i])); };
    for (auto& m : maps)
        for (int v = 0; v < 256; ++v) m[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(v);
    std::size_t i = first;
    for (; i < last && i < first + 8; ++i) {
        const TRGBTriple a = color(i), z = color(n - 1 - i);
        const int p[3] = {(a.B + z.B) >> 1, (a.G + z.G) >> 1, (a.R + z.R) >> 1};
        for (std::size_t c = 0; c < 3; ++c)
            for (std::uint8_t& v : maps[c]) v = static_cast<std::uint8_t>((p[c] + v) >> 1);
    }
    if (i == last) return;
    // The two values left per channel: m[0] and m[255], which is m[0] or m[0] + 1.
    const int loB = maps[0][0], loG = maps[1][0], loR = maps[2][0];
    int b0 = loB, b1 = maps[0][255], g0 = loG, g1 = maps[1][255], r0 = loR, r1 = maps[2][255];
    for (; i < last; ++i) {
        const TRGBTriple a = color(i), z = color(n - 1 - i);
        const int pb = (a.B + z.B) >> 1, pg = (a.G + z.G) >> 1, pr = (a.R + z.R) >> 1;
        b0 = (pb + b0) >> 1;
        b1 = (pb + b1) >> 1;
        g0 = (pg + g0) >> 1;
        g1 = (pg + g1) >> 1;
        r0 = (pr + r0) >> 1;
        r1 = (pr + r1) >> 1;
    }
    for (std::uint8_t& v : maps[0]) v = static_cast<std::uint8_t>(v == loB ? b0 : b1);
    for (std::uint8_t& v : maps[1]) v = static_cast<std::uint8_t>(v == loG ? g0 : g1);
    for (std::uint8_t& v : maps[2]) v = static_cast<std::uint8_t>(v == loR ? r0 : r1);
}

// Doubles the room of a growth order, the new pages asked for at once rather than
// one by one as they are first written (a huge region's order grows to tens of
// megabytes).
void Enlarge(GrowthOrder& order) {
    RawBuffer<std::uint32_t> larger;
    SizeBuffer(larger, order.Buffer.size() * 2);
    std::copy_n(order.Buffer.data(), order.Count, larger.data());
    order.Buffer.swap(larger);
}

}  // namespace

template <typename Tag>
bool Grow(Tag* tags, const Grid& g, const Neighbours& nb, int sx, int sy, Tag tag, GrowthOrder& order,
          std::size_t limit, const PhotoPixels* colors) {
    // The neighbours of a region's pixels that have the region's tag are exactly its
    // other pixels (alike neighbours belong to the same region), so the tag is the
    // test, and a pixel taken holds kTaken, which no test matches again. The seed is
    // not marked, so it joins in the second round exactly when it has an alike
    // neighbour. Other threads grow other regions at the same time and only ever
    // write their own regions' tags; reading those (to find they differ) is safe as
    // relaxed atomics.
    std::size_t n = 0;
    std::uint32_t* buf = order.Buffer.data();
    const std::ptrdiff_t pw = g.PW;
    auto alike = [tag](Tag* t) {
        return static_cast<unsigned>(std::atomic_ref<Tag>(*t).load(std::memory_order_relaxed) == tag);
    };
    // The rows below were last touched long before, when the tags were made, so a
    // region growing downwards finds their tags out of the cache and each test waits
    // for them; the caller's reads of the region's colors wait likewise. Both are
    // asked for three rows below the pixel being tested, so that they have arrived
    // when the pixels found below it are tested, a layer or two later, and when the
    // region's color is taken.
    constexpr int kRowsAhead = 3;
    const std::ptrdiff_t lastTag = static_cast<std::ptrdiff_t>(g.PH) * pw - 1;
    std::uint32_t at = PackXY(sx, sy);
    std::size_t head = 0;
    for (;;) {
        if (n + 8 > order.Buffer.size()) {
            order.Count = n;
            Enlarge(order);
            buf = order.Buffer.data();
        }
        const std::ptrdiff_t i = (static_cast<std::ptrdiff_t>(PY(at)) + 1) * pw + PX(at) + 1;
        Tag* c = tags + i;
        __builtin_prefetch(tags + std::min(i + kRowsAhead * pw, lastTag), 1);
        if (colors) __builtin_prefetch(colors->Row(std::min(PY(at) + kRowsAhead, g.SH - 1)) + 3 * PX(at));
        // All eight tests first, without branches, in the plain method's order;
        // taking one neighbour cannot change the test of another.
        unsigned found = alike(c + pw) | alike(c - pw) << 1 | alike(c - 1) << 2 | alike(c + 1) << 3 |
                         alike(c - pw - 1) << 4 | alike(c - pw + 1) << 5 | alike(c + pw - 1) << 6 |
                         alike(c + pw + 1) << 7;
        while (found) {
            const int k = __builtin_ctz(found);
            found &= found - 1;
            std::atomic_ref<Tag>(c[nb.offset[k]]).store(TagValues<Tag>::kTaken, std::memory_order_relaxed);
            buf[n++] = at + nb.step[k];
        }
        if (head == n) break;
        if (n >= limit) {
            order.Count = n;
            order.Head = head;
            return false;
        }
        at = buf[head++];
    }
    order.Count = n;
    order.Head = n;
    return true;
}

std::size_t HugeRegion(std::size_t pixels) { return std::max<std::size_t>(4096, pixels / 16); }

template <typename Tag>
bool FinishGrowth(Tag* tags, const Grid& g, Tag tag, int topRow, GrowthOrder& order) {
    // The rows are marked from grid row topRow (the image row above topRow, read but
    // holding no pixel of the region) on; their bits tell how much room the order
    // needs at most (other regions may hold the same tag).
    RegionBits bits;
    bits.stride = static_cast<std::size_t>(g.PW + 63) / 64 + 1;
    SizeBuffer(bits.words, bits.stride * static_cast<std::size_t>(g.PH));
    std::size_t room = order.Count + 8;  // 8 spare for the writes past the end below
    for (int gy = topRow; gy < g.PH; ++gy) {
        if (Cancelled()) return false;
        room += MarkRow(tags, g, tag, gy, bits);
    }
    if (order.Buffer.size() < room) {
        RawBuffer<std::uint32_t> larger;
        SizeBuffer(larger, room);
        std::copy_n(order.Buffer.data(), order.Count, larger.data());
        order.Buffer.swap(larger);
    }
    std::size_t n = order.Count;
    const Neighbours nb(g.PW);
    std::uint32_t* buf = order.Buffer.data();
    for (std::size_t head = order.Head; head < n; ++head) {
        if ((head & 0xFFFF) == 0 && Cancelled()) return false;
        const std::uint32_t at = buf[head];
        const int gx = PX(at) + 1, gy = PY(at) + 1;
        // Every neighbour still to take is taken now, in the neighbour order, all
        // without branches: they would follow the region's shape and mispredict.
        const unsigned above = bits.Three(gx, gy - 1), level = bits.Three(gx, gy), below = bits.Three(gx, gy + 1);
        const unsigned found = kFound[above | level << 3 | below << 6];
        bits.Clear(gx, gy - 1, above);
        bits.Clear(gx, gy, level);
        bits.Clear(gx, gy + 1, below);
        // Each neighbour is written where it goes if taken; one that is not taken is
        // overwritten by the next that is, or lies past the end.
        const std::array<std::uint8_t, 9>& before = kBefore[found];
        std::uint32_t* to = buf + n;
        for (int k = 0; k < 8; ++k) to[before[static_cast<std::size_t>(k)]] = at + nb.step[k];
        n += before[8];
    }
    order.Count = order.Head = n;
    return true;
}

namespace {

// Pairs at the end of a growth order's running average that are tried alone first.
constexpr std::size_t kTailPairs = 16;

// The running halving average when the last `span` pairs fix it alone. Each pair
// halves the spread of the values the average may hold before it, and the pairs are
// monotone maps, so when the averages that start from 0 and from 255 meet, every start
// ends on that value, whatever the pairs before made of it. They usually meet within a
// dozen pairs; a flat region of one value never lets them (0 stays one below), and
// then the caller follows the whole order. False when they do not meet.
bool AverageOfTail(const PhotoPixels& img, const GrowthOrder& order, std::size_t span, TRGBTriple& average) {
    const std::size_t n = order.Count;
    const std::size_t last = (n - 1) / 2;
    int lo[3] = {0, 0, 0}, hi[3] = {255, 255, 255};
    for (std::size_t i = last + 1 - span; i <= last; ++i) {
        const TRGBTriple a = img.At(PX(order[i]), PY(order[i]));
        const TRGBTriple z = img.At(PX(order[n - 1 - i]), PY(order[n - 1 - i]));
        const int p[3] = {(a.B + z.B) >> 1, (a.G + z.G) >> 1, (a.R + z.R) >> 1};
        for (int c = 0; c < 3; ++c) {
            lo[c] = (p[c] + lo[c]) >> 1;
            hi[c] = (p[c] + hi[c]) >> 1;
        }
    }
    if (lo[0] != hi[0] || lo[1] != hi[1] || lo[2] != hi[2]) return false;
    average = TRGBTriple{static_cast<std::uint8_t>(lo[0]), static_cast<std::uint8_t>(lo[1]),
                         static_cast<std::uint8_t>(lo[2])};
    return true;
}

// Whether the tail is worth trying: an order of fewer pairs is followed in full.
bool LongOrder(const GrowthOrder& order) { return (order.Count - 1) / 2 + 1 > 2 * kTailPairs; }

}  // namespace

TRGBTriple RegionColor(const TColorStep& step, const PhotoPixels& img, const GrowthOrder& order, int coloringMode) {
    TRGBTriple average;
    if (!LongOrder(order) || !AverageOfTail(img, order, kTailPairs, average)) {
        auto color = [&](std::uint32_t v) { return img.At(PX(v), PY(v)); };
        const std::size_t n = order.Count;
        const TRGBTriple mid = color(order[n / 2]);
        int r = mid.R, g = mid.G, b = mid.B;
        for (std::size_t i = 0; i <= (n - 1) / 2; ++i) {
            const TRGBTriple a = color(order[i]);
            const TRGBTriple z = color(order[n - 1 - i]);
            r = (((a.R + z.R) >> 1) + r) >> 1;
            g = (((a.G + z.G) >> 1) + g) >> 1;
            b = (((a.B + z.B) >> 1) + b) >> 1;
        }
        average = TRGBTriple{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r)};
    }
    return coloringMode == 0 ? step.NearestPaletteColor(average) : average;
}

TRGBTriple HugeRegionColor(const TColorStep& step, const PhotoPixels& img, const GrowthOrder& order,
                           int coloringMode) {
    TRGBTriple tail;
    if (LongOrder(order) && AverageOfTail(img, order, kTailPairs, tail))
        return coloringMode == 0 ? step.NearestPaletteColor(tail) : tail;
    // Runs of pairs are mapped in parallel; following the average through the maps
    // in order then gives exactly what the running average gives.
    const std::size_t pairs = (order.Count - 1) / 2 + 1;
    const std::size_t runs = std::clamp<std::size_t>(pairs >> 15, 1, 256);
    std::vector<ChannelMaps> maps(runs);
    ParallelFor(static_cast<std::int64_t>(runs), 1, [&](std::int64_t r0, std::int64_t r1) {
        for (std::int64_t r = r0; r < r1; ++r) {
            const auto i = static_cast<std::size_t>(r);
            HalvingMaps(img, order, pairs * i / runs, pairs * (i + 1) / runs, maps[i]);
        }
    });
    const TRGBTriple mid = img.At(PX(order[order.Count / 2]), PY(order[order.Count / 2]));
    std::uint8_t value[3] = {mid.B, mid.G, mid.R};
    for (const ChannelMaps& m : maps)
        for (std::size_t c = 0; c < 3; ++c) value[c] = m[c][value[c]];
    const TRGBTriple average{value[0], value[1], value[2]};
    return coloringMode == 0 ? step.NearestPaletteColor(average) : average;
}

template bool Grow<std::uint16_t>(std::uint16_t*, const Grid&, const Neighbours&, int, int, std::uint16_t, GrowthOrder&,
                                  std::size_t, const PhotoPixels*);
template bool Grow<std::uint32_t>(std::uint32_t*, const Grid&, const Neighbours&, int, int, std::uint32_t, GrowthOrder&,
                                  std::size_t, const PhotoPixels*);
template bool FinishGrowth<std::uint16_t>(std::uint16_t*, const Grid&, std::uint16_t, int, GrowthOrder&);
template bool FinishGrowth<std::uint32_t>(std::uint32_t*, const Grid&, std::uint32_t, int, GrowthOrder&);

}  // namespace velmora
