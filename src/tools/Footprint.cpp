#include "tools/Footprint.h"

#include <algorithm>

namespace velmora {

Footprint FootprintAt(int x, int y, int size) {
    Footprint f;
    f.X = x;
    f.Y = y;
    const int half = size / 2;
    // Rounding half to even makes sizes 4k and 4k + 1 share one footprint.
    const int reach = static_cast<int>(RoundHalfEven(static_cast<long double>(size) / 2));
    f.Left = x - half;
    f.Top = y - half;
    f.Right = x + reach;
    f.Bottom = y + reach;
    const int w = f.W();
    f.Shape = w <= 0 ? FootprintShape::Dot : (w <= 3 ? FootprintShape::Box : FootprintShape::Ellipse);
    return f;
}

void FillBox(Bitmap& bmp, int left, int top, int right, int bottom, std::uint32_t color) {
    const int x0 = std::max(left, 0), x1 = std::min(right, bmp.Width());
    const int y0 = std::max(top, 0), y1 = std::min(bottom, bmp.Height());
    if (x0 >= x1 || y0 >= y1) return;
    const BgrBytes c = BgrOf(color);
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* p = bmp.Pixel(x0, y);
        for (int x = x0; x < x1; ++x, p += 3) {
            p[0] = c.B;
            p[1] = c.G;
            p[2] = c.R;
        }
    }
}

void SetPixelClipped(Bitmap& bmp, int x, int y, std::uint32_t color) {
    if (x < 0 || y < 0 || x >= bmp.Width() || y >= bmp.Height()) return;
    const BgrBytes c = BgrOf(color);
    std::uint8_t* p = bmp.Pixel(x, y);
    p[0] = c.B;
    p[1] = c.G;
    p[2] = c.R;
}

}  // namespace velmora
