// The color layer's smoothing filter: the median (or the maximum) of the packed colors
// in a square window around every pixel that lies at least the radius away from each
// border. The value of a window does not depend on the order the windows are visited
// in, so the work is split over the worker threads, rows at a time; each method below
// finds the very value of the given rank that a selection on a copy of the window
// finds.
//   Small windows (3, 5, 7 pixels a side): comparator networks on eight windows at
//   once, fed with columns sorted once per row and shared by neighbouring windows.
//   Larger windows: counts of the columns, summed as the window slides
//   (MedianHistogram.h), whose cost per pixel barely grows with the window; beyond
//   the radii the dialog offers, a selection on a copy of each window.
//   The maximum: separable, the maximum of the columns' maxima.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "engine/ColorStep.h"
#include "engine/MedianHistogram.h"
#include "engine/MedianNetwork.h"
#include "engine/Parallel.h"
#include "engine/ProgressSteps.h"
#include "engine/Vectorize.h"

namespace velmora {

namespace {

// The first radius from which counting is used instead of the networks. Measured on
// the color layer of a 4 megapixel photograph (BM_ColorSmooth in
// bench/engine_bench.cpp): the networks are four to seven times faster at radius 1
// and 2, while at radius 3 counting takes little more than half their time. On pure
// noise (BM_ColorSmoothNoise) the networks are still a fifth faster at radius 3, but
// counting there costs no more than it already does at radius 4, so noise sets no
// new worst case.
constexpr int kFirstHistogramRadius = 3;

std::size_t Area(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

// Eight lanes of packed colors, as signed 32-bit integers (packed colors are below
// 2^24): a comparator is then one minimum and one maximum instruction with AVX2.
typedef std::int32_t Lanes __attribute__((vector_size(32)));
constexpr int kLanes = 8;

// One comparator of a network known when compiling, and a whole such network.
#define VELMORA_ALWAYS_INLINE inline __attribute__((always_inline))

template <Comparator C>
VELMORA_ALWAYS_INLINE void Compare(Lanes* v) {
    const Lanes a = v[C.A], b = v[C.B];
    if constexpr (C.KeepMin) v[C.A] = a < b ? a : b;
    if constexpr (C.KeepMax) v[C.B] = a < b ? b : a;
}

template <const auto& Net, std::size_t... I>
VELMORA_ALWAYS_INLINE void Apply(Lanes* v, std::index_sequence<I...>) {
    (Compare<Net[I]>(v), ...);
}

template <const auto& Net>
VELMORA_ALWAYS_INLINE void Apply(Lanes* v) {
    Apply<Net>(v, std::make_index_sequence<std::size(Net)>{});
}

// The same lanes at any address of a packed value: loads and stores of eight lanes
// that the compiler keeps in registers, where a copy through memcpy went by the stack.
typedef std::int32_t UnalignedLanes __attribute__((vector_size(32), aligned(4), may_alias));

VELMORA_ALWAYS_INLINE void LoadLanes(Lanes& v, const std::int32_t* p) {
    v = *reinterpret_cast<const UnalignedLanes*>(p);
}
VELMORA_ALWAYS_INLINE void StoreLanes(std::int32_t* p, const Lanes& v) { *reinterpret_cast<UnalignedLanes*>(p) = v; }

// The networks' comparators applied to wires of eight lanes each, stored one after
// the other in `w` (wire i is w[8 i .. 8 i + 7]); for the networks built at run time.
VELMORA_PIXEL_LOOP void ApplyNetwork(std::int32_t* w, const Comparator* net, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const Comparator& c = net[i];
        std::int32_t* pa = w + static_cast<std::size_t>(c.A) * kLanes;
        std::int32_t* pb = w + static_cast<std::size_t>(c.B) * kLanes;
        Lanes a, b;
        LoadLanes(a, pa);
        LoadLanes(b, pb);
        if (c.KeepMin) StoreLanes(pa, a < b ? a : b);
        if (c.KeepMax) StoreLanes(pb, a < b ? b : a);
    }
}

// Writes the packed values of the valid lanes as colors.
VELMORA_ALWAYS_INLINE void StoreColors(const Lanes& v, int count, TRGBTriple* out) {
    std::int32_t f[kLanes];
    std::memcpy(f, &v, sizeof f);
    for (int l = 0; l < count; ++l) out[l] = UnpackColor(static_cast<std::uint32_t>(f[l]));
}

// Rows of packed colors for a band of output rows, padded on the right so that every
// group of eight lanes can be loaded whole.
struct PackedRows {
    int stride = 0;
    std::vector<std::int32_t> values;

    void Fill(const TripleBuffer& image, int width, int firstRow, int rows) {
        stride = (width + 2 * kLanes + kLanes - 1) / kLanes * kLanes;
        values.resize(Area(stride, rows));
        for (int r = 0; r < rows; ++r) {
            const TRGBTriple* src = image.data() + Area(width, firstRow + r);
            std::int32_t* dst = values.data() + Area(stride, r);
            for (int x = 0; x < width; ++x) dst[x] = static_cast<std::int32_t>(PackColor(src[x]));
            std::fill(dst + width, dst + stride, 0);
        }
    }
    const std::int32_t* Row(int r) const { return values.data() + Area(stride, r); }
};

// The median of every k x k window whose centre lies on row y of `rows` (which holds
// the window's rows y - r .. y + r), for the centres x = r .. width - 1 - r, written
// to out[x]. The k values of every column are sorted first (plane i of `sorted`
// holds the i-th smallest of each column); window o then covers the columns o ..
// o + 2r, whose sorted values are the wires c * k + i of the median network.
template <int K, const auto& ColumnSort, const auto& Median>
VELMORA_ALWAYS_INLINE void MedianRowFixed(const PackedRows& rows, int y, int width, std::int32_t* sorted,
                                          TRGBTriple* out) {
    constexpr int r = K / 2;
    const int stride = rows.stride;
    for (int x = 0; x < width; x += kLanes) {
        Lanes v[K];
#pragma GCC unroll 8
        for (int i = 0; i < K; ++i) LoadLanes(v[i], rows.Row(y - r + i) + x);
        Apply<ColumnSort>(v);
#pragma GCC unroll 8
        for (int i = 0; i < K; ++i) StoreLanes(sorted + Area(stride, i) + x, v[i]);
    }
    const int count = width - 2 * r;
    for (int o = 0; o < count; o += kLanes) {
        Lanes w[K * K];
#pragma GCC unroll 8
        for (int c = 0; c < K; ++c)
#pragma GCC unroll 8
            for (int i = 0; i < K; ++i) LoadLanes(w[c * K + i], sorted + Area(stride, i) + o + c);
        Apply<Median>(w);
        StoreColors(w[(K * K - 1) / 2], std::min(kLanes, count - o), out + r + o);
    }
}

VELMORA_PIXEL_LOOP void MedianRow3(const PackedRows& rows, int y, int width, std::int32_t* sorted, TRGBTriple* out) {
    MedianRowFixed<3, kSort3, kMedian3x3>(rows, y, width, sorted, out);
}

VELMORA_PIXEL_LOOP void MedianRow5(const PackedRows& rows, int y, int width, std::int32_t* sorted, TRGBTriple* out) {
    MedianRowFixed<5, kSort5, kMedian5x5>(rows, y, width, sorted, out);
}

// The same for other window sides with a network built at run time.
void MedianRowByNetwork(const PackedRows& rows, int y, int width, int r, std::vector<std::int32_t>& sortedColumns,
                        std::vector<std::int32_t>& wires, TRGBTriple* out) {
    const int k = 2 * r + 1;
    const int stride = rows.stride;
    sortedColumns.resize(Area(stride, k));
    if (k == 3) return MedianRow3(rows, y, width, sortedColumns.data(), out);
    if (k == 5) return MedianRow5(rows, y, width, sortedColumns.data(), out);
    const std::vector<Comparator>& columnSort = SortingNetwork(k);
    const std::vector<Comparator>& median = ColumnSortedMedianNetwork(k);
    wires.resize(static_cast<std::size_t>(k) * k * kLanes);
    auto wire = [&](int i) { return wires.data() + static_cast<std::size_t>(i) * kLanes; };
    for (int x = 0; x < width; x += kLanes) {
        for (int i = 0; i < k; ++i) std::memcpy(wire(i), rows.Row(y - r + i) + x, sizeof(Lanes));
        ApplyNetwork(wires.data(), columnSort.data(), columnSort.size());
        for (int i = 0; i < k; ++i) std::memcpy(sortedColumns.data() + Area(stride, i) + x, wire(i), sizeof(Lanes));
    }
    const int count = width - 2 * r;
    const int middle = (k * k - 1) / 2;
    for (int o = 0; o < count; o += kLanes) {
        for (int c = 0; c < k; ++c)
            for (int i = 0; i < k; ++i)
                std::memcpy(wire(c * k + i), sortedColumns.data() + Area(stride, i) + o + c, sizeof(Lanes));
        ApplyNetwork(wires.data(), median.data(), median.size());
        Lanes m;
        LoadLanes(m, wire(middle));
        StoreColors(m, std::min(kLanes, count - o), out + r + o);
    }
}

VELMORA_PIXEL_LOOP void MaxInto(std::uint32_t* acc, const std::uint32_t* row, int n) {
    for (int i = 0; i < n; ++i) acc[i] = acc[i] < row[i] ? row[i] : acc[i];
}

// The maximum of every k x k window centred on output row y: the maximum over the k
// rows of each column, then over k neighbouring columns.
void MaxRow(const LargeVector<std::uint32_t>& packed, int y, int width, int r, std::vector<std::uint32_t>& columns,
            std::uint32_t* out) {
    columns.assign(packed.begin() + static_cast<std::ptrdiff_t>(Area(width, y - r)),
                   packed.begin() + static_cast<std::ptrdiff_t>(Area(width, y - r + 1)));
    for (int i = 1; i < 2 * r + 1; ++i) MaxInto(columns.data(), packed.data() + Area(width, y - r + i), width);
    const int count = width - 2 * r;
    std::copy_n(columns.data(), count, out + r);
    for (int c = 1; c < 2 * r + 1; ++c) MaxInto(out + r, columns.data() + c, count);
}

// The median of every k x k window centred on output row y by a selection on a copy
// of each window: for radii beyond the counting method's, which the dialog never
// asks for.
void MedianRowBySelection(const LargeVector<std::uint32_t>& packed, int y, int width, int r,
                          std::vector<std::uint32_t>& window, TRGBTriple* out) {
    const int k = 2 * r + 1;
    const auto middle = static_cast<std::ptrdiff_t>((Area(k, k) - 1) / 2);
    for (int x = r; x < width - r; ++x) {
        window.clear();
        for (int i = y - r; i <= y + r; ++i) {
            const std::uint32_t* row = packed.data() + Area(width, i) + (x - r);
            window.insert(window.end(), row, row + k);
        }
        std::nth_element(window.begin(), window.begin() + middle, window.end());
        out[x] = UnpackColor(window[static_cast<std::size_t>(middle)]);
    }
}

}  // namespace

void TColorStep::ColorSmooth(int radius, int smoothType) {
    ReportCaption(Progress, "Color Smooth");
    const int W = Width;
    const int H = Height;
    if (Final.size() != Area(W, H)) return;
    const int r = radius;
    // Only when a full window fits somewhere; otherwise no pixel is far enough from
    // every border and nothing changes.
    const bool filtering = r > 0 && 2LL * r + 1 <= W && 2LL * r + 1 <= H;
    const int copyGrain = W >= 2048 ? 16 : 64;
    if (SingleRun && !filtering) {
        Smoothed.swap(Final);
        TripleBuffer().swap(Final);
        if (Cancelled()) return;
    } else {
        // The filter writes every pixel at least the radius away from each border, so
        // only the pixels nearer to one keep their color by a copy.
        Smoothed.resize(Area(W, H));
        const bool copied = ParallelFor(H, copyGrain, [&](std::int64_t y0, std::int64_t y1) {
            for (int y = static_cast<int>(y0); y < static_cast<int>(y1); ++y) {
                const TRGBTriple* s = Final.data() + Area(W, y);
                TRGBTriple* d = Smoothed.data() + Area(W, y);
                if (!filtering || y < r || y >= H - r) {
                    std::copy_n(s, W, d);
                } else {
                    std::copy_n(s, r, d);
                    std::copy_n(s + (W - r), r, d + (W - r));
                }
            }
        });
        if (!copied || Cancelled()) return;
    }

    if (filtering) {
        const int k = 2 * r + 1;
        const int outRows = H - 2 * r;
        const int outCols = W - 2 * r;
        // Positions as the plain method reports them, one per column x = r .. W - 1 - r.
        StepPositions steps(Progress, r, -r, W - 1 - 2 * r);
        auto store = [&](int y, const std::uint32_t* values) {
            TRGBTriple* dst = Smoothed.data() + Area(W, y);
            for (int x = r; x <= W - 1 - r; ++x) dst[x] = UnpackColor(values[x]);
        };
        // Every method shares out the output rows and reports the same positions.
        auto outputRows = [&](std::int64_t grain) {
            ParallelLoop loop;
            loop.Count = outRows;
            loop.Grain = grain;
            loop.Progress = [&](std::int64_t done) { steps.ReportUpTo(r + done * outCols / outRows - 1); };
            return loop;
        };
        bool finished;
        if (smoothType != 1 && r < kFirstHistogramRadius) {
            ColumnSortedMedianNetwork(k);  // built once, before the threads need it
            const std::int64_t grain = W >= 2048 ? 16 : W >= 512 ? 32 : 64;
            finished = ParallelFor(outputRows(grain), [&](std::int64_t o0, std::int64_t o1) {
                PackedRows rows;
                const int first = static_cast<int>(o0);  // output row o is image row o + r
                const int band = static_cast<int>(o1 - o0);
                rows.Fill(Final, W, first, band + 2 * r);
                std::vector<std::int32_t> sorted, wires;
                for (int b = 0; b < band; ++b) {
                    if (Cancelled()) return;
                    MedianRowByNetwork(rows, b + r, W, r, sorted, wires, Smoothed.data() + Area(W, first + b + r));
                }
            });
        } else if (smoothType != 1 && r <= HistogramMedian::kLargestRadius) {
            HistogramMedian median(Final.data(), W, H, r);
            finished = ParallelFor(outputRows(median.BandRows()), [&](std::int64_t o0, std::int64_t o1) {
                median.Rows(static_cast<int>(o0) + r, static_cast<int>(o1) + r, Smoothed.data());
            });
        } else {
            LargeVector<std::uint32_t> packed(Area(W, H));
            finished = ParallelFor(H, copyGrain, [&](std::int64_t y0, std::int64_t y1) {
                for (std::size_t i = Area(W, static_cast<int>(y0)); i < Area(W, static_cast<int>(y1)); ++i)
                    packed[i] = PackColor(Final[i]);
            });
            if (finished && smoothType == 1) {
                const std::int64_t grain = W >= 2048 ? 4 : W >= 512 ? 16 : 64;
                finished = ParallelFor(outputRows(grain), [&](std::int64_t o0, std::int64_t o1) {
                    std::vector<std::uint32_t> columns, out(static_cast<std::size_t>(W));
                    for (std::int64_t o = o0; o < o1; ++o) {
                        if (Cancelled()) return;
                        MaxRow(packed, static_cast<int>(o) + r, W, r, columns, out.data());
                        store(static_cast<int>(o) + r, out.data());
                    }
                });
            } else if (finished) {
                finished = ParallelFor(outputRows(1), [&](std::int64_t o0, std::int64_t o1) {
                    std::vector<std::uint32_t> window;
                    for (std::int64_t o = o0; o < o1; ++o) {
                        if (Cancelled()) return;
                        const int y = static_cast<int>(o) + r;
                        MedianRowBySelection(packed, y, W, r, window, Smoothed.data() + Area(W, y));
                    }
                });
            }
        }
        if (!finished || Cancelled()) return;
        steps.ReportUpTo(W - 1 - r);
        if (SingleRun) TripleBuffer().swap(Final);
    }
    ReportStepDone(Progress);
}

}  // namespace velmora
