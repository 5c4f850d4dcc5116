#include "conversion/Resample.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/Buffers.h"
#include "engine/Parallel.h"

namespace velmora {

void StoreSourcePixels(const Bitmap& bmp, SourcePixels& dst) {
    Bitmap copy;
    CopyPicture(copy, bmp);
    dst.Picture.Swap(copy);
}

namespace {

// The source span of one output row or column and the weights (4096 = a whole source
// pixel) of its first and last source pixel; those between weigh 4096.
struct Span {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t firstWeight = 0;
    std::int64_t lastWeight = 0;

    std::int64_t Weight(std::int64_t i) const {
        if (i == first) return firstWeight;
        if (i == last) return lastWeight;
        return 4096;
    }
};

std::vector<Span> Spans(int outLength, int srcLength) {
    const std::int64_t step = (static_cast<std::int64_t>(srcLength) * 4096) / outLength;
    std::vector<Span> spans(static_cast<std::size_t>(outLength));
    std::int64_t f = 0;
    for (int i = 0; i < outLength; ++i, f += step) {
        Span& s = spans[static_cast<std::size_t>(i)];
        s.first = f >> 12;
        s.last = (f + step) >> 12;
        if (s.last == srcLength) s.last -= 1;
        s.firstWeight = 4096 - (f - s.first * 4096);
        s.lastWeight = f + step - s.last * 4096;
    }
    return spans;
}

// One output row, covering the source rows of `ry`, into d.
void ResampleRow(const Bitmap& source, const Span& ry, const std::vector<Span>& cols, std::uint8_t* d) {
    for (const Span& cx : cols) {
        std::int64_t sum[3] = {0, 0, 0};
        std::int64_t total = 0;
        for (std::int64_t sy = ry.first; sy <= ry.last; ++sy) {
            const std::int64_t wy = ry.Weight(sy);
            const std::uint8_t* s = source.Row(static_cast<int>(sy)) + static_cast<std::size_t>(cx.first) * 3;
            for (std::int64_t sx = cx.first; sx <= cx.last; ++sx, s += 3) {
                const std::int64_t w = wy * cx.Weight(sx);
                sum[0] += (s[0] * w) >> 12;
                sum[1] += (s[1] * w) >> 12;
                sum[2] += (s[2] * w) >> 12;
                total += w;
            }
        }
        const std::int64_t divisor = total >> 12;
        const auto averages = [&](auto div) {
            for (int c = 0; c < 3; ++c) {
                const auto v = static_cast<decltype(div)>(sum[c]) / div;
                d[c] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
            }
        };
        if (divisor == 0) {
            // Only when enlarging can an output pixel cover less than one source
            // pixel's worth of weight; it then takes the pixel it starts in.
            const std::uint8_t* s = source.Row(static_cast<int>(ry.first)) + static_cast<std::size_t>(cx.first) * 3;
            std::copy_n(s, 3, d);
        } else if (((sum[0] | sum[1] | sum[2] | divisor) >> 32) == 0) {
            // The usual case, unless a picture shrinks to a few pixels: 32-bit
            // division gives the same quotients several times faster.
            averages(static_cast<std::uint32_t>(divisor));
        } else {
            averages(divisor);
        }
        d += 3;
    }
}

}  // namespace

void ResampleSourcePixels(SourcePixels& src, int width, int height, Bitmap& dst) {
    if (width < 1 || height < 1) return;
    const Bitmap& source = src.Picture;
    const int sw = source.Width();
    const int sh = source.Height();
    if (sw < 1 || sh < 1) return;
    if (width == sw && height == sh) {
        // At the same size every output pixel covers exactly its own source pixel, so
        // the average is that pixel: the source itself, shared rather than copied.
        Bitmap same = src.Picture.Share();
        dst.Swap(same);
        return;
    }
    // Every pixel is written below, so the new picture needs no clearing first.
    Bitmap out;
    out.SetSizeUnset(width, height);
    const std::vector<Span> rows = Spans(height, sh);
    const std::vector<Span> cols = Spans(width, sw);
    // Output rows depend on the source only, so they are shared out over the threads;
    // the Image Size page resamples a large picture at every step of its slider.
    ParallelLoop loop;
    loop.Count = height;
    loop.Grain = std::max<std::int64_t>(1, 16384 / width);
    loop.StopOnCancel = false;
    ParallelFor(loop, [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = y0; y < y1; ++y)
            ResampleRow(source, rows[static_cast<std::size_t>(y)], cols, out.Row(static_cast<int>(y)));
    });
    dst.Swap(out);
}

}  // namespace velmora
