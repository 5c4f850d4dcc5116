#include "tools/Brush.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tools/Footprint.h"

namespace velmora {

namespace {

// The rim offset a and the divisor b of each content level; level 6 makes every ring
// round to 100, a flat disk.
struct RingCurve {
    long double A, B;
};
constexpr RingCurve kRingCurves[6] = {
    {2.0L, 1.02L}, {4.0L, 1.04L}, {8.0L, 1.08L}, {16.0L, 1.16L}, {32.0L, 1.32L}, {900000.0L, 9001.0L},
};

}  // namespace

int BrushRingValue(int content, int ring, int half) {
    const RingCurve& c = kRingCurves[std::clamp(content, 1, 6) - 1];
    // A mask too small for rings is one flat center.
    const long double t = half > 0 ? static_cast<long double>(ring) / half : 1.0L;
    const long double v = (t * t * t * 100.0L + c.A) / c.B;
    return ClampByte(static_cast<int>(RoundHalfEven(v)));
}

int BrushWeight(int maskValue, int opacity) {
    const int shift = std::clamp(opacity, 1, 8) - 1;
    const int a = (maskValue << shift) / 128;
    return a < 1 ? 1 : a;
}

void StampBrush(Bitmap& layer, const Bitmap& mask, int left, int top, std::uint32_t color, int opacity) {
    const int i0 = std::max(0, -left), i1 = std::min(mask.Width(), layer.Width() - left);
    const int j0 = std::max(0, -top), j1 = std::min(mask.Height(), layer.Height() - top);
    if (i0 >= i1 || j0 >= j1) return;

    // The weight depends only on the mask value, so it is looked up rather than
    // recomputed for every pixel.
    int weight[256];
    weight[0] = 0;
    for (int m = 1; m < 256; ++m) weight[m] = BrushWeight(m, opacity);
    const BgrBytes c = BgrOf(color);

    for (int j = j0; j < j1; ++j) {
        const std::uint8_t* m = mask.Pixel(0, j);
        std::uint8_t* d = layer.Pixel(left + i0, top + j);
        for (int i = i0; i < i1; ++i, d += 3) {
            const int mv = m[3 * i];
            if (mv == 0) continue;
            const int a = weight[mv], keep = 100 - a;
            d[0] = static_cast<std::uint8_t>(ClampByte((d[0] * keep + c.B * a) / 100));
            d[1] = static_cast<std::uint8_t>(ClampByte((d[1] * keep + c.G * a) / 100));
            d[2] = static_cast<std::uint8_t>(ClampByte((d[2] * keep + c.R * a) / 100));
        }
    }
}

std::vector<Point> BrushSteps(int lx, int ly, int x, int y, int size) {
    std::vector<Point> steps;
    long long stepL = size > 0 ? RoundHalfEven(std::sqrt(static_cast<long double>(size)) / 2) : 1;
    const int step = stepL < 1 ? 1 : static_cast<int>(stepL);
    const int dx = x - lx, dy = y - ly;

    if (std::abs(dx) <= std::abs(dy)) {
        // Steep move: one stamp per step of rows. With no vertical movement the mouse
        // did not move at all here, and nothing is stamped.
        if (dy == 0) return steps;
        const int n = std::abs(dy), sy = dy > 0 ? 1 : -1;
        const long double k = static_cast<long double>(dx) / n;
        steps.reserve(static_cast<std::size_t>(n / step + 1));
        for (int j = 0; j <= n; j += step)
            steps.push_back(Point{lx + static_cast<int>(RoundHalfEven(j * k)), ly + sy * j});
    } else {
        // Shallow move: one stamp per step of columns.
        const int n = std::abs(dx), sx = dx > 0 ? 1 : -1;
        const long double k = static_cast<long double>(dy) / n;
        steps.reserve(static_cast<std::size_t>(n / step + 1));
        for (int j = 0; j <= n; j += step)
            steps.push_back(Point{lx + sx * j, ly + static_cast<int>(RoundHalfEven(j * k))});
    }
    return steps;
}

}  // namespace velmora
