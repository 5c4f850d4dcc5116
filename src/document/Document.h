#pragma once
// The picture being edited: photograph, the two layers, the composite that is shown
// and exported, and two scratch bitmaps. ShownSketch and ShownColor name the slot
// that compositing reads, so an adjustment preview can point them at a scratch
// bitmap without touching the real layers.

#include "common/Bitmap.h"
#include "common/Geometry.h"
#include "document/LayerState.h"

namespace velmora {

struct Document {
    Bitmap PhotoBmp;
    Bitmap SketchBmp;
    Bitmap ColorBmp;
    Bitmap CompositeBmp;
    Bitmap WorkBmp1;
    Bitmap WorkBmp2;
    Bitmap* ShownSketch = &SketchBmp;
    Bitmap* ShownColor = &ColorBmp;

    double Zoom = 1.0;
    Rect ViewRect{0, 0, 0, 0};
    int CurrentTool = 0;
    bool ImageLoaded = false;

    Document() = default;
    // The slots point into the object itself, so copying would alias another document.
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Recomputes CompositeBmp inside r (inclusive, clipped to the image) from the
    // shown layers, the photograph and the layer state. CompositeBmp must already
    // have the layers' size.
    void CompositeRect(const LayerState& state, Rect r);
    // Sizes CompositeBmp like SketchBmp and composites all of it.
    void CompositeAll(const LayerState& state);
};

// Compositing of one rectangle from explicit inputs, the arithmetic behind
// Document::CompositeRect; the clip uses the sketch bitmap's size. `dst` may be
// the color bitmap itself: each pixel is computed from the same pixel only.
void CompositeRect(Bitmap& dst, const Bitmap& sketch, const Bitmap& color, const Bitmap& photo,
                   const LayerState& state, Rect r);

// CompositeRect over the whole of the sketch bitmap's size, split over the worker
// threads.
void CompositeAll(Bitmap& dst, const Bitmap& sketch, const Bitmap& color, const Bitmap& photo,
                  const LayerState& state);

// The blend of both visible layers for the bytes i0 .. i1 of one row, in the state's
// blending mode (rows of another mode are left alone); `dst` may be the color row.
void BlendRow(std::uint8_t* dst, const std::uint8_t* sketch, const std::uint8_t* color, const LayerState& state,
              int i0, int i1);

}  // namespace velmora
