#include "tools/gui/FreehandTools.h"

#include <QSlider>

#include <algorithm>

#include "tools/Brush.h"
#include "tools/Ellipse.h"
#include "tools/Footprint.h"
#include "tools/gui/LayerPainter.h"
#include "tools/gui/ToolOptionWindow.h"
#include "tools/gui/ToolsWindow.h"

namespace velmora {

// ---------------------------------------------------------------------------------
// The shared stroke and outline handling

int FreehandTool::Size() { return Options().ToolSize(Id()); }

void FreehandTool::Press(int x, int y, const MouseState& state) {
    if (state.Button != MouseState::Which::Left || !PrepareStroke()) return;
    stroking_ = true;
    BeginStroke(x, y);
}

void FreehandTool::Move(int x, int y, const MouseState& state) {
    // A left button that was pressed outside the picture starts no stroke: the
    // stroke's masks and copies are made by the press.
    if (stroking_ && state.Left)
        ContinueStroke(x, y);
    else
        Hover(x, y);
}

void FreehandTool::Release(int, int, const MouseState& state) {
    if (!stroking_ || state.Button != MouseState::Which::Left) return;
    stroking_ = false;
    RecordToolState();
}

void FreehandTool::Leave() {
    stroking_ = false;
    EraseOutline();
    Touch(OutlineRect);
}

void FreehandTool::Cancel() {
    // Nothing is pending, but the outline must not stay behind on the hand tool.
    stroking_ = false;
    EraseOutline();
}

void FreehandTool::RefreshOverlay() {
    const ToolContext& ctx = Context();
    if (!RedrawsOutline() || !ctx.CursorKnown) return;
    EraseOutline();
    DrawOutline(ctx.CursorX, ctx.CursorY);
}

void FreehandTool::PointerLeft() {
    if (!stroking_) EraseOutline();
}

void FreehandTool::Hover(int x, int y) {
    EraseOutline();
    RememberCursor(x, y);
    DrawOutline(x, y);
}

void FreehandTool::RememberCursor(int x, int y) {
    ToolContext& ctx = Context();
    ctx.CursorX = x;
    ctx.CursorY = y;
    ctx.CursorKnown = true;
}

void FreehandTool::DrawOutline(int x, int y) {
    const Footprint f = FootprintAt(x, y, Size());
    OutlineRect = f.Inclusive();
    ViewOverlay overlay;
    overlay.Pixels = FootprintOutline(f);
    overlay.Black = f.Shape == FootprintShape::Dot;
    overlay.Bounds = OutlineRect;
    Host().SetOverlay(std::move(overlay));
}

void FreehandTool::EraseOutline() { Host().SetOverlay(ViewOverlay{}); }

void FreehandTool::ResetOutline() {
    EraseOutline();
    OutlineRect = kEmptyRect;
}

void FreehandTool::FollowPointer(int x, int y) {
    EraseOutline();
    Touch(OutlineRect);
    RememberCursor(x, y);
    DrawOutline(x, y);
}

// ---------------------------------------------------------------------------------
// Pencil: a solid line through every third sampled position

void PencilTool::BeginStroke(int x, int y) {
    const int s = Size();
    const std::uint32_t c = Palette().FrontColor();
    LastX = x;
    LastY = y;
    // Points of an earlier stroke must not bend this one.
    CurveCount = 0;
    for (Bitmap* layer : DrawableLayers()) PaintFootprint(*layer, FootprintAt(x, y, s), c);
    Touch(Rect{x - s, y - s, x + s, y + s});
    ResetOutline();
}

void PencilTool::ContinueStroke(int x, int y) {
    if (CurveCount < 2) {
        CurvePoints[CurveCount++] = Point{x, y};
    } else {
        const int s = Size();
        CurvePoints[2] = Point{x, y};
        int minX = LastX, minY = LastY, maxX = LastX, maxY = LastY;
        for (const Point& p : CurvePoints) {
            minX = std::min(minX, p.X);
            minY = std::min(minY, p.Y);
            maxX = std::max(maxX, p.X);
            maxY = std::max(maxY, p.Y);
        }
        const Point from{LastX, LastY};
        LastX = x;
        LastY = y;
        const std::uint32_t c = Palette().FrontColor();
        for (Bitmap* layer : DrawableLayers())
            DrawCubicSegment(*layer, from, CurvePoints[0], CurvePoints[1], CurvePoints[2], s, c);
        Touch(Rect{minX - s, minY - s, maxX + s, maxY + s});
        CurveCount = 0;
    }
    FollowPointer(x, y);
}

void PencilTool::Hover(int x, int y) {
    FreehandTool::Hover(x, y);
    CurveCount = 0;
}

// ---------------------------------------------------------------------------------
// Brush: a soft round footprint blended in, stamped along the way

void BrushTool::BeginStroke(int x, int y) {
    LastX = x;
    LastY = y;
    // The mask and the settings are taken once per stroke.
    content_ = Options().TrcBrushContent->value();
    BuildBrushMask(StampMask, Size(), content_);
    opacity_ = Options().TrcBrushOpacity->value();
    color_ = Palette().FrontColor();
    ResetOutline();
    StampBrush(x, y);
}

void BrushTool::StampBrush(int x, int y) {
    const int s = StampMask.Width();
    for (Bitmap* layer : DrawableLayers())
        velmora::StampBrush(*layer, StampMask, x - s / 2, y - s / 2, color_, opacity_);
    Touch(FootprintAt(x, y, s).Inclusive());
}

void BrushTool::ContinueStroke(int x, int y) {
    // The size keys work under the held button; a new size paints from here on, as the
    // outline shows it.
    if (Size() != StampMask.Width()) BuildBrushMask(StampMask, Size(), content_);
    for (const Point& p : BrushSteps(LastX, LastY, x, y, StampMask.Width())) StampBrush(p.X, p.Y);
    FollowPointer(x, y);
    LastX = x;
    LastY = y;
}

// ---------------------------------------------------------------------------------
// Eraser: the back color, at the event positions only

void EraserTool::StampEraser(int x, int y) {
    const Footprint f = FootprintAt(x, y, Size());
    const std::uint32_t c = Palette().BackColor();
    for (Bitmap* layer : DrawableLayers()) PaintFootprint(*layer, f, c);
    Touch(f.Inclusive());
}

void EraserTool::BeginStroke(int x, int y) {
    EraseOutline();
    StampEraser(x, y);
    ResetOutline();
}

void EraserTool::ContinueStroke(int x, int y) {
    StampEraser(x, y);
    FollowPointer(x, y);
}

// ---------------------------------------------------------------------------------
// Lighten and darken

// The stroke-start pixels: every stamp of this stroke reads them.
bool ToneTool::PrepareStroke() { return CopyLayersToWork(); }

void ToneTool::BeginStroke(int x, int y) {
    const int contrast =
        Id() == ToolDarken ? Options().TrcDarkenContrast->value() : -Options().TrcLightenContrast->value();
    Table = BuildToneTable(contrast);
    BuildToneMask(StampMask, Size());
    ResetOutline();
    StampTone(x, y);
}

void ToneTool::StampTone(int x, int y) {
    Document& doc = Doc();
    const int s = StampMask.Width();
    const LayerState state = Host().GetLayerState();
    if (state.SketchDrawable) velmora::StampTone(doc.SketchBmp, doc.WorkBmp1, StampMask, x - s / 2, y - s / 2, Table);
    if (state.ColorDrawable) velmora::StampTone(doc.ColorBmp, doc.WorkBmp2, StampMask, x - s / 2, y - s / 2, Table);
    Touch(FootprintAt(x, y, s).Inclusive());
}

void ToneTool::ContinueStroke(int x, int y) {
    // As the brush: a size changed by the keys during the stroke applies at once.
    if (Size() != StampMask.Width()) BuildToneMask(StampMask, Size());
    StampTone(x, y);
    FollowPointer(x, y);
}

}  // namespace velmora
