// The color reduction of a whole photograph, split over the worker threads without
// labelling the regions first.
//
// Every region of a whole photograph is grown, from its first pixel in scan order,
// and painted from its growth order, so the labels a preview keeps would only tell
// each thread which pixels are such first pixels. Instead the photograph is cut into
// strips of rows, and each strip is scanned for seeds on its own, as the plain method
// scans the whole: a region that lies within one strip has its first pixel there, and
// the strip's scan meets that pixel before any other of the region. A region that
// crosses from one strip into another is left out of the strips' scans. Before any
// growing, each strip marks its pixels of such regions: those connected within the
// strip to an alike pixel across its top or bottom row (every part of a crossing
// region within a strip has one, or it would be a region of its own). One more task
// then scans the marked pixels of the whole photograph in scan order, alongside the
// strips, and grows each crossing region from its first marked pixel, its first pixel
// in scan order. Growing never crosses into another task's regions, so the tasks share
// the tags as the preview's parallel growth does (RegionGrowing.h).

#include "engine/ReduceWhole.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "engine/Parallel.h"
#include "engine/RegionGrowing.h"

namespace velmora {

namespace {

std::size_t Area(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

// The strips' first rows, then the picture's height. The threads take the strips in
// order, so each is a share of the rows not given out yet: the strips shrink as the
// work runs out and the threads finish close together. Equal strips can leave one
// thread growing the last of them alone for up to a strip's time (on two threads, a
// sixth of the growing of a 12-megapixel photograph). A floor keeps the last strips
// thick enough that the regions crossing them stay a small part of the work; a
// picture thinner than it is one strip.
std::vector<int> StripTops(int height) {
    constexpr int kLeastRows = 32;
    const int share = 2 * ParallelThreadCount();
    std::vector<int> tops{0};
    int y = 0;
    do {
        int rows = std::max(kLeastRows, (height - y) / share);
        if (height - y - rows < kLeastRows) rows = height - y;
        y += rows;
        tops.push_back(y);
    } while (y < height);
    return tops;
}

}  // namespace

// Flooded within the rows, a run of alike pixels of a row at a time, from the pixels
// with an alike neighbour across the first or the last row. Runs are marked whole, so
// a run is either marked or not.
template <typename Tag>
void MarkCrossing(const Tag* T, const Grid& g, int top, int bottom, CrossingBits& bits,
                  std::vector<std::uint32_t>& stack) {
    std::fill(bits.Row(top), bits.Row(top) + bits.Stride() * static_cast<std::size_t>(bottom - top), 0);
    // The border's tag matches no pixel, so the ends of the rows need no tests.
    auto alikeAcross = [&](int x, int y, int across) {
        const Tag k = T[g.At(x, y)];
        return T[g.At(x - 1, across)] == k || T[g.At(x, across)] == k || T[g.At(x + 1, across)] == k;
    };
    for (int x = 0; x < g.SW; ++x) {
        if (top > 0 && alikeAcross(x, top, top - 1)) stack.push_back(PackXY(x, top));
        if (bottom < g.SH && alikeAcross(x, bottom - 1, bottom)) stack.push_back(PackXY(x, bottom - 1));
    }
    while (!stack.empty()) {
        const std::uint32_t at = stack.back();
        stack.pop_back();
        const int x = PX(at), y = PY(at);
        if (bits.Test(x, y)) continue;
        const Tag* row = T + g.At(0, y);
        const Tag k = row[x];
        int left = x, right = x;
        while (row[left - 1] == k) --left;
        while (row[right + 1] == k) ++right;
        for (int i = left; i <= right; ++i) bits.Set(i, y);
        // The runs the neighbours of this one start, each once.
        const int from = std::max(0, left - 1), to = std::min(g.SW - 1, right + 1);
        for (const int ny : {y - 1, y + 1}) {
            if (ny < top || ny >= bottom) continue;
            const Tag* next = T + g.At(0, ny);
            for (int nx = from; nx <= to; ++nx) {
                if (next[nx] != k) continue;
                if (!bits.Test(nx, ny)) stack.push_back(PackXY(nx, ny));
                while (nx < to && next[nx + 1] == k) ++nx;
            }
        }
    }
}

template <typename Tag>
bool ReduceWholePhotograph(TColorStep& step, const PhotoPixels& img, const Grid& g, Tag* T, int coloringMode,
                           StepPositions& steps, const ToneMap* tone) {
    const int W = g.SW, H = g.SH;
    const std::vector<int> tops = StripTops(H);
    const int strips = static_cast<int>(tops.size()) - 1;
    auto stripTop = [&](std::int64_t s) { return tops[static_cast<std::size_t>(s)]; };

    CrossingBits crossing(W, H);
    if (!ParallelFor(strips, 1, [&](std::int64_t s0, std::int64_t s1) {
            std::vector<std::uint32_t> stack;
            for (std::int64_t s = s0; s < s1 && !Cancelled(); ++s)
                MarkCrossing(T, g, stripTop(s), stripTop(s + 1), crossing, stack);
        }) ||
        Cancelled())
        return false;
    steps.ReportUpTo(H / 2 - 1);

    // Huge regions are finished over bits of their own and put aside, to be colored
    // and painted after the others by all threads.
    const std::size_t huge = HugeRegion(Area(W, H));
    std::mutex asideMutex;
    std::vector<GrowthOrder> aside;
    const Neighbours nb(g.PW);
    TRGBTriple* out = step.Reduced.data();
    // Paints the pixels i0 .. i1 - 1 of a growth order in color c.
    auto paint = [&](const GrowthOrder& order, std::size_t i0, std::size_t i1, TRGBTriple c) {
        for (std::size_t i = i0; i < i1; ++i) out[Area(W, PY(order[i])) + PX(order[i])] = c;
    };
    // Grows the region whose first pixel is (x, y) and paints it. False when cancelled.
    auto growFrom = [&](int x, int y, GrowthOrder& order) {
        Tag* const at = T + g.At(x, y);
        const Tag tag = *at;
        // Every alike neighbour before a first pixel in scan order would have been
        // grown first and taken it, so only the later ones can share its region.
        // Other tasks may be taking those that differ.
        auto alike = [tag](Tag* t) { return std::atomic_ref<Tag>(*t).load(std::memory_order_relaxed) == tag; };
        if (!alike(at + 1) && !alike(at + g.PW - 1) && !alike(at + g.PW) && !alike(at + g.PW + 1)) {
            // A region of its own keeps its color.
            out[Area(W, y) + static_cast<std::size_t>(x)] = tone ? (*tone)(img.At(x, y)) : img.At(x, y);
            return true;
        }
        if (!Grow(T, g, nb, x, y, tag, order, huge, &img)) {
            const std::size_t taken = order.Count;
            if (!FinishGrowth(T, g, tag, y, order)) return false;
            // Finishing leaves the tags as they are; the scan must not meet the rest
            // of the region as new seeds.
            for (std::size_t i = taken; i < order.Count; ++i)
                std::atomic_ref<Tag>(T[g.At(PX(order[i]), PY(order[i]))])
                    .store(TagValues<Tag>::kTaken, std::memory_order_relaxed);
            std::lock_guard<std::mutex> lock(asideMutex);
            aside.push_back(std::move(order));
            order = GrowthOrder();
            return true;
        }
        TRGBTriple c = RegionColor(step, img, order, coloringMode);
        if (tone) c = (*tone)(c);
        paint(order, 0, order.Count, c);
        return true;
    };

    // Task 0 grows the crossing regions (first, as it may be the longest), the others
    // one strip each. The pixels a task reads the tag of without growing are its own:
    // no other task writes them.
    ParallelLoop loop;
    loop.Count = strips + 1;
    loop.Grain = 1;
    loop.Progress = [&](std::int64_t done) { steps.ReportUpTo(H / 2 + done * (H - H / 2) / loop.Count - 1); };
    if (!ParallelFor(loop, [&](std::int64_t t0, std::int64_t t1) {
            GrowthOrder order;
            for (std::int64_t t = t0; t < t1; ++t) {
                if (t == 0) {
                    for (int y = 0; y < H; ++y) {
                        if (Cancelled()) return;
                        const std::uint64_t* bits = crossing.Row(y);
                        const Tag* tagRow = T + g.At(0, y);
                        for (std::size_t w = 0; w < crossing.Stride(); ++w)
                            for (std::uint64_t word = bits[w]; word != 0; word &= word - 1) {
                                const int x = static_cast<int>(w * 64) + __builtin_ctzll(word);
                                if (tagRow[x] != TagValues<Tag>::kTaken && !growFrom(x, y, order)) return;
                            }
                    }
                    continue;
                }
                for (int y = stripTop(t - 1); y < stripTop(t); ++y) {
                    if (Cancelled()) return;
                    const std::uint64_t* bits = crossing.Row(y);
                    const Tag* tagRow = T + g.At(0, y);
                    for (int x = 0; x < W; ++x)
                        if (!(bits[x >> 6] >> (x & 63) & 1u) && tagRow[x] != TagValues<Tag>::kTaken &&
                            !growFrom(x, y, order))
                            return;
                }
            }
        }) ||
        Cancelled())
        return false;

    for (const GrowthOrder& order : aside) {
        TRGBTriple c = HugeRegionColor(step, img, order, coloringMode);
        if (tone) c = (*tone)(c);
        if (Cancelled()) return false;
        constexpr std::int64_t kGrain = 1 << 16;
        if (!ParallelFor(static_cast<std::int64_t>(order.Count), kGrain, [&](std::int64_t i0, std::int64_t i1) {
                paint(order, static_cast<std::size_t>(i0), static_cast<std::size_t>(i1), c);
            }))
            return false;
    }
    return !Cancelled();
}

template void MarkCrossing<std::uint16_t>(const std::uint16_t*, const Grid&, int, int, CrossingBits&,
                                          std::vector<std::uint32_t>&);
template void MarkCrossing<std::uint32_t>(const std::uint32_t*, const Grid&, int, int, CrossingBits&,
                                          std::vector<std::uint32_t>&);
template bool ReduceWholePhotograph<std::uint16_t>(TColorStep&, const PhotoPixels&, const Grid&, std::uint16_t*, int,
                                                   StepPositions&, const ToneMap*);
template bool ReduceWholePhotograph<std::uint32_t>(TColorStep&, const PhotoPixels&, const Grid&, std::uint32_t*, int,
                                                   StepPositions&, const ToneMap*);

}  // namespace velmora
