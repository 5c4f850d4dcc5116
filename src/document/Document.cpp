#include "document/Document.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/Parallel.h"

namespace velmora {

namespace {

void CopyRect(Bitmap& dst, const Bitmap& src, Rect r) {
    const int x0 = std::max(r.Left, 0);
    const int y0 = std::max(r.Top, 0);
    const int x1 = std::min({r.Right, src.Width() - 1, dst.Width() - 1});
    const int y1 = std::min({r.Bottom, src.Height() - 1, dst.Height() - 1});
    if (x1 < x0 || y1 < y0 || &dst == &src) return;
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0 + 1) * 3;
    for (int y = y0; y <= y1; ++y) std::memcpy(dst.Pixel(x0, y), src.Pixel(x0, y), bytes);
}

}  // namespace

void CompositeRect(Bitmap& dst, const Bitmap& sketch, const Bitmap& color, const Bitmap& photo,
                   const LayerState& state, Rect r) {
    if (!(state.SketchVisible && state.ColorVisible)) {
        const Bitmap& src = state.SketchVisible ? sketch : state.ColorVisible ? color : photo;
        CopyRect(dst, src, r);
        return;
    }
    const int x0 = std::max(r.Left, 0);
    const int y0 = std::max(r.Top, 0);
    // The clip follows the sketch layer; the other bitmaps have its size whenever the
    // document is consistent, and the extra bounds keep a mismatch from overrunning.
    const int x1 = std::min({r.Right, sketch.Width() - 1, color.Width() - 1, dst.Width() - 1});
    const int y1 = std::min({r.Bottom, sketch.Height() - 1, color.Height() - 1, dst.Height() - 1});
    if (y1 < y0 || x1 < x0) return;
    for (int y = y0; y <= y1; ++y) BlendRow(dst.Row(y), sketch.Row(y), color.Row(y), state, 3 * x0, 3 * x1 + 2);
}

void BlendRow(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* c, const LayerState& state, int i0,
              int i1) {
    const unsigned p = static_cast<unsigned>(state.Opacity);
    if (state.BlendingMode == 0) {
        for (int i = i0; i <= i1; ++i) d[i] = static_cast<std::uint8_t>((unsigned(s[i]) * c[i]) >> 8);
    } else if (state.BlendingMode == 1) {
        for (int i = i0; i <= i1; ++i)
            d[i] = static_cast<std::uint8_t>((unsigned(c[i]) * (100 - p) + unsigned(s[i]) * p) / 100);
    }
}

void Document::CompositeRect(const LayerState& state, Rect r) {
    velmora::CompositeRect(CompositeBmp, *ShownSketch, *ShownColor, PhotoBmp, state, r);
}

void Document::CompositeAll(const LayerState& state) {
    if (CompositeBmp.Width() != SketchBmp.Width() || CompositeBmp.Height() != SketchBmp.Height())
        CompositeBmp.SetSize(SketchBmp.Width(), SketchBmp.Height());
    velmora::CompositeAll(CompositeBmp, *ShownSketch, *ShownColor, PhotoBmp, state);
}

void CompositeAll(Bitmap& dst, const Bitmap& sketch, const Bitmap& color, const Bitmap& photo,
                  const LayerState& state) {
    // Every pixel depends on the same pixel of the layers only, so bands of rows are
    // composited on the worker threads: a large picture is composited whole when it
    // is opened or converted and whenever the layers' state changes.
    const int w = sketch.Width();
    ParallelLoop loop;
    loop.Count = sketch.Height();
    loop.Grain = std::max(1, (1 << 18) / std::max(1, w));
    loop.StopOnCancel = false;
    ParallelFor(loop, [&](std::int64_t y0, std::int64_t y1) {
        CompositeRect(dst, sketch, color, photo, state, Rect{0, static_cast<int>(y0), w - 1, static_cast<int>(y1) - 1});
    });
}

}  // namespace velmora
