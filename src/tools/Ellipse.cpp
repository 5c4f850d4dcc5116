#include "tools/Ellipse.h"

#include <cmath>

#include "tools/Brush.h"

namespace velmora {

Span EllipseRowSpan(int w, int h, int row) {
    if (w <= 0 || h <= 0 || row < 0 || row >= h) return Span{};
    // With the offsets of the pixel centre from the box centre doubled (dx = 2i + 1 - w,
    // dy = 2j + 1 - h), the centre lies inside when dx^2 h^2 + dy^2 w^2 <= w^2 h^2.
    const long long W = w, H = h, dy = 2LL * row + 1 - H;
    const long long room = W * W * H * H - dy * dy * W * W;
    if (room < 0) return Span{};
    long long m = static_cast<long long>(std::sqrt(static_cast<long double>(room)) / H);
    while (m * m * H * H > room) --m;
    while ((m + 1) * (m + 1) * H * H <= room) ++m;
    // dx has the parity of w + 1.
    if (((m + W + 1) & 1) != 0) --m;
    if (m < 0) return Span{};
    return Span{static_cast<int>((W - 1 - m) / 2), static_cast<int>((W - 1 + m) / 2)};
}

void FillEllipse(Bitmap& bmp, int left, int top, int right, int bottom, std::uint32_t color) {
    const int w = right - left, h = bottom - top;
    for (int j = 0; j < h; ++j) {
        const int y = top + j;
        if (y < 0 || y >= bmp.Height()) continue;
        const Span s = EllipseRowSpan(w, h, j);
        if (s.First <= s.Last) FillBox(bmp, left + s.First, y, left + s.Last + 1, y + 1, color);
    }
}

void PaintFootprint(Bitmap& bmp, const Footprint& f, std::uint32_t color) {
    switch (f.Shape) {
    case FootprintShape::Dot: SetPixelClipped(bmp, f.X, f.Y, color); break;
    case FootprintShape::Box: FillBox(bmp, f.Left, f.Top, f.Right, f.Bottom, color); break;
    case FootprintShape::Ellipse: FillEllipse(bmp, f.Left, f.Top, f.Right, f.Bottom, color); break;
    }
}

std::vector<Point> FootprintOutline(const Footprint& f) {
    std::vector<Point> out;
    const int w = f.Right - f.Left, h = f.Bottom - f.Top;
    switch (f.Shape) {
    case FootprintShape::Dot: out.push_back(Point{f.X, f.Y}); break;
    case FootprintShape::Box:
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                if (i == 0 || j == 0 || i == w - 1 || j == h - 1) out.push_back(Point{f.Left + i, f.Top + j});
        break;
    case FootprintShape::Ellipse: {
        std::vector<Span> rows(h);
        for (int j = 0; j < h; ++j) rows[j] = EllipseRowSpan(w, h, j);
        auto inside = [&](int i, int j) {
            return j >= 0 && j < h && i >= rows[j].First && i <= rows[j].Last;
        };
        for (int j = 0; j < h; ++j)
            for (int i = rows[j].First; i <= rows[j].Last; ++i)
                if (!inside(i - 1, j) || !inside(i + 1, j) || !inside(i, j - 1) || !inside(i, j + 1))
                    out.push_back(Point{f.Left + i, f.Top + j});
        break;
    }
    }
    return out;
}

void BuildBrushMask(Bitmap& mask, int size, int content) {
    mask.SetSize(size, size);
    if (size < 4) {
        mask.Fill(100, 100, 100);
        return;
    }
    mask.Fill(0, 0, 0);
    const int half = size / 2;
    // Each smaller ring covers the previous one, so the centre ends at 100.
    for (int i = 0; i <= half; ++i) {
        const std::uint32_t v = static_cast<std::uint32_t>(BrushRingValue(content, i, half)) & 0xFF;
        FillEllipse(mask, i, i, size - i, size - i, v | (v << 8) | (v << 16));
    }
}

void BuildToneMask(Bitmap& mask, int size) {
    mask.SetSize(size, size);
    mask.Fill(0, 0, 0);
    if (size <= 3)
        FillBox(mask, 0, 0, size, size, 0xFFFFFF);
    else
        FillEllipse(mask, 0, 0, size, size, 0xFFFFFF);
}

}  // namespace velmora
