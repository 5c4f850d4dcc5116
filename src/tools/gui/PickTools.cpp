#include "tools/gui/PickTools.h"

#include <QSlider>

#include <new>

#include "tools/FloodFill.h"
#include "tools/gui/ToolOptionWindow.h"
#include "tools/gui/ToolsWindow.h"

namespace velmora {

namespace {

std::uint32_t ColorAt(const Bitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Pixel(x, y);
    return static_cast<std::uint32_t>(p[2]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[0]) << 16);
}

}  // namespace

void PaintBucketTool::Press(int x, int y, const MouseState& state) {
    if (state.Button != MouseState::Which::Left || !InsidePicture(x, y)) return;
    Document& doc = Doc();
    // The fill compares against the picture as shown; outside the view the composite
    // may still hold an older state of the layers, so all of it is brought up to date.
    Host().CompositeAll();
    const LayerState layers = Host().GetLayerState();
    // The fill finds its whole region before it paints, so running out of memory
    // during the search leaves the layers untouched.
    try {
        FloodFill(doc.CompositeBmp, layers.SketchDrawable ? &doc.SketchBmp : nullptr,
                  layers.ColorDrawable ? &doc.ColorBmp : nullptr, x, y, Options().TrcTolerance->value(),
                  Palette().FrontColor());
    } catch (const std::bad_alloc&) {
        ReportNoMemory();
        return;
    }
    filled_ = true;
    Touch(doc.ViewRect);
}

void PaintBucketTool::Release(int, int, const MouseState& state) {
    if (!filled_ || state.Button != MouseState::Which::Left) return;
    filled_ = false;
    RecordToolState();
}

std::uint32_t EyedropperTool::PickAt(int x, int y) {
    // Only the view rectangle is kept composited, and the pointer can reach the column
    // and row just past it: the pixel is brought up to date before it is read.
    Host().CompositeRect(Rect{x, y, x, y});
    return ColorAt(Doc().CompositeBmp, x, y);
}

void EyedropperTool::Press(int x, int y, const MouseState& state) {
    // Outside the picture there is nothing to pick.
    if (!InsidePicture(x, y)) return;
    const std::uint32_t c = PickAt(x, y);
    if (state.Left) Palette().SetFrontColor(c);
    if (state.Right) Palette().SetBackColor(c);
}

void EyedropperTool::Move(int x, int y, const MouseState& state) {
    if (!InsidePicture(x, y)) return;
    const std::uint32_t c = PickAt(x, y);
    if (Options().isVisible()) Options().SetDropperReadout(x, y, c);
    if (Palette().isVisible()) {
        if (state.Left) Palette().SetFrontColor(c);
        if (state.Right) Palette().SetBackColor(c);
    }
}

}  // namespace velmora
