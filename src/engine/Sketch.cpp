#include "engine/Sketch.h"

#include <algorithm>
#include <array>

#include "common/Geometry.h"
#include "engine/Buffers.h"
#include "engine/GBlur2.h"
#include "engine/Parallel.h"
#include "engine/ProgressSteps.h"
#include "engine/Vectorize.h"

namespace velmora {

namespace {

// Rows handed to one thread at a time.
int RowsPerChunk(int width) { return width >= 2048 ? 8 : width >= 512 ? 32 : 128; }

VELMORA_PIXEL_LOOP void InvertRow(const std::uint8_t* src, std::uint8_t* dst, int n) {
    for (int b = 0; b < n; ++b) dst[b] = static_cast<std::uint8_t>(255 - src[b]);
}

// d[b] += how much c[b] exceeds o[b] (0 when it does not).
VELMORA_PIXEL_LOOP void AddRises(const std::uint8_t* c, const std::uint8_t* o, std::uint16_t* d, int n) {
    for (int b = 0; b < n; ++b) d[b] = static_cast<std::uint16_t>(d[b] + (c[b] > o[b] ? c[b] - o[b] : 0));
}

VELMORA_PIXEL_LOOP void SumTriples(const std::uint16_t* d, std::int32_t* e, int count) {
    for (int x = 0; x < count; ++x) e[x] = d[3 * x] + d[3 * x + 1] + d[3 * x + 2];
}

struct RowScratch {
    std::vector<std::uint16_t> rises;  // per byte of the row
    std::vector<std::int32_t> edges;   // per pixel
    explicit RowScratch(int width)
        : rises(static_cast<std::size_t>(width) * 3), edges(static_cast<std::size_t>(width)) {}
};

// The accumulated edge value of every pixel of row y. A comparison is made by every
// pixel (x, y) with 1 <= x <= W - 2 and 1 <= y <= H - 2 against its left and upper
// neighbours, and the difference of each channel goes to the larger of the two. So
// pixel (x, y) receives, per channel, its excess over
//   its left and upper neighbours, when it is such a centre itself;
//   its right neighbour, when that one is a centre (0 <= x <= W - 3, 1 <= y <= H - 2);
//   its lower neighbour, when that one is a centre (1 <= x <= W - 2, 0 <= y <= H - 3);
// plus, as a centre, the sharpening amounts (sharpen[2C - P - Q], or nothing when
// sharpen is null).
void GatherEdges(const std::uint8_t* in, int W, int H, int y, const std::int32_t* sharpen, RowScratch& s) {
    const std::size_t rowBytes = static_cast<std::size_t>(W) * 3;
    std::uint16_t* d = s.rises.data();
    std::fill(s.rises.begin(), s.rises.end(), 0);
    const std::uint8_t* row = in + static_cast<std::size_t>(y) * rowBytes;
    const int inner = 3 * (W - 2);  // bytes of the pixels 1 .. W - 2
    const bool centreRow = y >= 1 && y <= H - 2;
    if (W >= 3 && centreRow) {
        AddRises(row + 3, row, d + 3, inner);               // against the left neighbour
        AddRises(row + 3, row + 3 - rowBytes, d + 3, inner);  // against the upper neighbour
        AddRises(row, row + 3, d, inner);                   // as the right neighbour's partner
    }
    if (W >= 3 && y <= H - 3) AddRises(row + 3, row + 3 + rowBytes, d + 3, inner);  // the lower one's partner
    SumTriples(d, s.edges.data(), W);

    if (sharpen && W >= 3 && centreRow) {
        const std::uint8_t* up = row - rowBytes;
        const std::uint8_t* down = row + rowBytes;
        for (int x = 1; x <= W - 2; ++x) {
            int add = 0;
            for (int c = 0; c < 3; ++c) {
                const int b = 3 * x + c;
                const int C = row[b];
                // The lines through the centre: horizontal, vertical, diagonal and
                // anti-diagonal; a centre darker than both ends of a line is sharpened.
                const int ends[4][2] = {{row[b - 3], row[b + 3]},
                                        {up[b], down[b]},
                                        {up[b - 3], down[b + 3]},
                                        {up[b + 3], down[b - 3]}};
                for (const auto& e : ends)
                    if (C > e[0] && C > e[1]) add += sharpen[2 * C - e[0] - e[1]];
            }
            s.edges[static_cast<std::size_t>(x)] += add;
        }
    }
}

struct EdgeMapping {
    int sketchType, detail, darkness, thresholdLevel, remainThreshold, remainDarkness;
    bool remainDark;
};

// The level of an edge value before "remain dark": its gain, an unsigned 32-bit
// product shifted right by 5 (so below 2^27), less the detail.
inline int EdgeLevel(std::int32_t e, std::uint32_t darkness, int detail) {
    return static_cast<int>((static_cast<std::uint32_t>(e) * darkness) >> 5) - detail;
}

// The gray of a level, clamped to 0 .. 255 first, for the sketch type.
inline int GrayOfLevel(int v, int type, int threshold) {
    v = v > 255 ? 255 : v;
    v = v < 0 ? 0 : v;
    const int inverse = 255 - v;
    return type == 1 ? (v < 16 ? 255 : 0) : type == 2 ? (inverse > threshold ? 255 : inverse) : v;
}

// MapEdge for a row without "remain dark", which is the edge value alone: a loop the
// compiler vectorizes.
VELMORA_PIXEL_LOOP void MapEdgesAlone(const std::int32_t* edges, int W, const EdgeMapping& m, std::uint8_t* out) {
    // In locals: a store to a byte might change the fields as far as the compiler knows.
    const std::uint32_t darkness = static_cast<std::uint32_t>(m.darkness);
    const int detail = m.detail, type = m.sketchType, threshold = m.thresholdLevel;
    for (int x = 0; x < W; ++x)
        out[x] = static_cast<std::uint8_t>(GrayOfLevel(EdgeLevel(edges[x], darkness, detail), type, threshold));
}

void MapRow(const std::int32_t* edges, const std::uint8_t* inv, int W, const EdgeMapping& m, std::uint8_t* out) {
    if (!m.remainDark) return MapEdgesAlone(edges, W, m, out);
    for (int x = 0; x < W; ++x, inv += 3)
        out[x] = static_cast<std::uint8_t>(TSketch::MapEdge(edges[x], TRGBTriple{inv[0], inv[1], inv[2]},
                                                            m.sketchType, m.detail, m.darkness, m.thresholdLevel,
                                                            m.remainThreshold, m.remainDarkness, m.remainDark));
}

}  // namespace

void TSketch::LoadRegion(const Bitmap& source, int left, int top, int width, int height) {
    Width = width;
    Height = height;
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    auto abandon = [this] {
        Inverted.clear();
        Result.clear();
    };
    if (Cancelled()) return abandon();
    // Every element of Inverted is written below, so only a change of size needs new
    // memory.
    SizeBuffer(Inverted, n);
    SizeBuffer(Result, n);
    const bool done = ParallelFor(height, RowsPerChunk(width), [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = y0; y < y1; ++y) {
            if (Cancelled()) return;
            InvertRow(source.Pixel(left, top + static_cast<int>(y)),
                      reinterpret_cast<std::uint8_t*>(Inverted.data() + static_cast<std::size_t>(y) * width),
                      3 * width);
            std::fill_n(Result.data() + static_cast<std::size_t>(y) * width, width, 0);
        }
    });
    if (!done || Cancelled()) return abandon();
}

int TSketch::SharpenAmount(int c, int p, int q, double sharpness) {
    // Formed in extended precision in this order: in double, for example 1 * 0.4 * 5 / 20
    // rounds to exactly 0.5 and then to 0, while extended precision keeps it just
    // above one half.
    long double v = static_cast<long double>(2 * c - p - q);
    v = v * static_cast<long double>(sharpness);
    v = v * 5.0L;
    v = v / 20.0L;
    return static_cast<int>(RoundHalfEven(v));
}

int TSketch::MapEdge(std::int32_t e, const TRGBTriple& inv, int sketchType, int detail, int darkness,
                     int thresholdLevel, int remainThreshold, int remainDarkness, bool remainDark) {
    int v = EdgeLevel(e, static_cast<std::uint32_t>(darkness), detail);
    if (remainDark) {
        const int limit = 255 - remainThreshold;
        if (inv.R > limit && inv.G > limit && inv.B > limit && v < 255 - remainDarkness) v = 255 - remainDarkness;
    }
    return GrayOfLevel(v, sketchType, thresholdLevel);
}

void TSketch::RenderSketch(int sketchType, int detail, int darkness, int thresholdLevel,
                           int remainThreshold, int remainDarkness, bool remainDark, double radius,
                           double sharpness, std::uint8_t /*reserved*/) {
    const int W = Width;
    const int H = Height;
    if (Inverted.size() != static_cast<std::size_t>(W) * static_cast<std::size_t>(H) ||
        Result.size() != Inverted.size())
        return;  // LoadRegion was cancelled

    if (radius > 0) GaussianBlurProgress(Inverted, Inverted, W, H, radius, Progress);
    if (Cancelled()) return;
    ReportCaption(Progress, "Draw Sketch");

    // Each comparison gives its difference to the darker pixel of the pair, so the
    // total a pixel receives can be gathered from its own neighbourhood instead of
    // scattered from its neighbours' comparisons (see GatherEdges). Gathered, the
    // rows are independent of each other and each can be mapped to gray as soon as
    // it is complete; the integer sums are the same in any order.
    EdgeMapping mapping{sketchType, detail, darkness, thresholdLevel, remainThreshold, remainDarkness, remainDark};
    std::array<std::int32_t, 511> sharpen{};
    const bool sharpening = sharpness > 0;
    if (sharpening)
        for (int v = 0; v < 511; ++v)  // 2C - P - Q = v
            sharpen[static_cast<std::size_t>(v)] = SharpenAmount(0, -v, 0, sharpness);

    StepPositions steps(Progress, 1, 0, H - 2);
    ParallelLoop rows;
    rows.Count = H;
    rows.Grain = RowsPerChunk(W);
    rows.Progress = [&](std::int64_t done) {
        // Rows finish out of order; report as many edge rows as rows are done.
        steps.ReportUpTo(std::min<std::int64_t>(done, H - 2));
    };
    const auto* in = reinterpret_cast<const std::uint8_t*>(Inverted.data());
    const bool done = ParallelFor(rows, [&](std::int64_t y0, std::int64_t y1) {
        RowScratch scratch(W);
        for (std::int64_t y = y0; y < y1; ++y) {
            if (Cancelled()) return;
            GatherEdges(in, W, H, static_cast<int>(y), sharpening ? sharpen.data() : nullptr, scratch);
            MapRow(scratch.edges.data(), in + static_cast<std::size_t>(y) * W * 3, W, mapping,
                   Result.data() + static_cast<std::size_t>(y) * W);
        }
    });
    if (!done || Cancelled()) return;
    steps.ReportUpTo(H - 2);
    ReportStepDone(Progress);
}

}  // namespace velmora
