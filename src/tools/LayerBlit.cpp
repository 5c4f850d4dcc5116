#include "tools/LayerBlit.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace velmora {

namespace {

// The part of a w x h block placed at (left, top) that lies on a layer, in layer
// coordinates (x0, y0 inclusive, x1, y1 exclusive).
struct Overlap {
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    bool Empty() const { return X1 <= X0 || Y1 <= Y0; }
};

Overlap PlaceOnLayer(const Bitmap& layer, int w, int h, int left, int top) {
    // 64-bit sums: a block far beyond the edge must not wrap around into view.
    const long long x1 = std::min<long long>(static_cast<long long>(left) + w, layer.Width());
    const long long y1 = std::min<long long>(static_cast<long long>(top) + h, layer.Height());
    Overlap o;
    o.X0 = std::max(left, 0);
    o.Y0 = std::max(top, 0);
    o.X1 = static_cast<int>(std::max<long long>(x1, 0));
    o.Y1 = static_cast<int>(std::max<long long>(y1, 0));
    return o;
}

// dst := (dst AND mask) OR image over n bytes, eight bytes at a time where it can.
void CombineBytes(std::uint8_t* dst, const std::uint8_t* mask, const std::uint8_t* image, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t d, m, s;
        std::memcpy(&d, dst + i, 8);
        std::memcpy(&m, mask + i, 8);
        std::memcpy(&s, image + i, 8);
        d = (d & m) | s;
        std::memcpy(dst + i, &d, 8);
    }
    for (; i < n; ++i) dst[i] = static_cast<std::uint8_t>((dst[i] & mask[i]) | image[i]);
}

void SetPixel(Bitmap& layer, int x, int y, std::uint8_t v) {
    std::uint8_t* p = layer.Pixel(x, y);
    p[0] = p[1] = p[2] = v;
}

}  // namespace

void CopyImageInto(Bitmap& layer, const Bitmap& image, int left, int top) {
    const Overlap o = PlaceOnLayer(layer, image.Width(), image.Height(), left, top);
    if (o.Empty()) return;
    const std::size_t bytes = 3 * static_cast<std::size_t>(o.X1 - o.X0);
    for (int y = o.Y0; y < o.Y1; ++y)
        std::memcpy(layer.Pixel(o.X0, y), image.Pixel(o.X0 - left, y - top), bytes);
}

void CombineMasked(Bitmap& layer, const Bitmap& mask, const Bitmap& image, int left, int top) {
    const int w = std::min(mask.Width(), image.Width());
    const int h = std::min(mask.Height(), image.Height());
    const Overlap o = PlaceOnLayer(layer, w, h, left, top);
    if (o.Empty()) return;
    const std::size_t bytes = 3 * static_cast<std::size_t>(o.X1 - o.X0);
    for (int y = o.Y0; y < o.Y1; ++y)
        CombineBytes(layer.Pixel(o.X0, y), mask.Pixel(o.X0 - left, y - top),
                     image.Pixel(o.X0 - left, y - top), bytes);
}

void ClearOutsideMask(Bitmap& image, const Bitmap& mask) {
    const int w = std::min(mask.Width(), image.Width());
    const int h = std::min(mask.Height(), image.Height());
    for (int y = 0; y < h; ++y) {
        std::uint8_t* dst = image.Pixel(0, y);
        const std::uint8_t* m = mask.Pixel(0, y);
        for (int i = 0; i < 3 * w; ++i) dst[i] = static_cast<std::uint8_t>(dst[i] & ~m[i]);
    }
}

void CopyArea(Bitmap& dst, const Bitmap& src, const Rect& r) {
    const Rect c = ClipRect(r, std::min(dst.Width(), src.Width()), std::min(dst.Height(), src.Height()));
    if (c.Empty()) return;
    const std::size_t bytes = 3 * static_cast<std::size_t>(c.Width());
    for (int y = c.Top; y <= c.Bottom; ++y) std::memcpy(dst.Pixel(c.Left, y), src.Pixel(c.Left, y), bytes);
}

void DrawHandleSquares(Bitmap& layer, const std::vector<Point>& points) {
    for (const Point& p : points) {
        const int x0 = p.X - 3, y0 = p.Y - 3, x1 = p.X + 2, y1 = p.Y + 2;
        for (int y = std::max(y0, 0); y <= std::min(y1, layer.Height() - 1); ++y) {
            for (int x = std::max(x0, 0); x <= std::min(x1, layer.Width() - 1); ++x) {
                const bool border = x == x0 || x == x1 || y == y0 || y == y1;
                SetPixel(layer, x, y, border ? 0 : 255);
            }
        }
    }
}

}  // namespace velmora
