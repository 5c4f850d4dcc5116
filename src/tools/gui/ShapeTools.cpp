#include "tools/gui/ShapeTools.h"

#include <QPen>
#include <QPolygonF>

#include <new>
#include <stdexcept>

#include "common/gui/Messages.h"
#include "tools/LayerBlit.h"
#include "tools/gui/LayerPainter.h"
#include "tools/gui/ShapeText.h"
#include "tools/gui/ToolsWindow.h"

namespace velmora {

namespace {

constexpr std::uint32_t kBlack = 0x000000;

}  // namespace

Qt::CursorShape CursorShapeOf(HandleCursor cursor) {
    switch (cursor) {
    case HandleCursor::SizeFDiag: return Qt::SizeFDiagCursor;
    case HandleCursor::SizeHor: return Qt::SizeHorCursor;
    case HandleCursor::SizeBDiag: return Qt::SizeBDiagCursor;
    case HandleCursor::SizeVer: return Qt::SizeVerCursor;
    case HandleCursor::Move: return Qt::SizeAllCursor;
    case HandleCursor::Arrow: break;
    }
    return Qt::ArrowCursor;
}

// ---------------------------------------------------------------------------------
// Drawing on the scratch bitmaps

ScratchCanvas::ScratchCanvas(Bitmap& bmp) : image_(WrapBitmap(bmp)), painter_(&image_) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setPen(Qt::NoPen);
}

void ScratchCanvas::FillRect(int left, int top, int right, int bottom, std::uint32_t color) {
    // An inner box of a border wider than half the object is inverted; it is simply
    // not there, which leaves the object solid in the border color.
    if (right <= left || bottom <= top) return;
    painter_.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(color));
}

void ScratchCanvas::FillEllipse(int left, int top, int right, int bottom, std::uint32_t color) {
    if (right <= left || bottom <= top) return;
    QPainterPath path;
    path.addEllipse(QRectF(left, top, right - left, bottom - top));
    FillPath(path, color);
}

void ScratchCanvas::FillPath(const QPainterPath& path, std::uint32_t color) {
    // A fill without an outline: an outline pen, even one pixel wide, would reach the
    // box's right column and bottom row, which the object does not cover.
    painter_.fillPath(path, ToQColor(color));
}

void ScratchCanvas::DrawPolygon(const std::vector<Point>& points, int penWidth, std::uint32_t pen,
                                std::uint32_t fill) {
    if (penWidth < 1) penWidth = 1;
    // A one-pixel pen is drawn as a line through the pixels its points name; a wider
    // pen is an outline filled by pixel centres, so its points go to the centres.
    const double centre = penWidth > 1 ? 0.5 : 0.0;
    QPolygonF polygon;
    for (const Point& p : points) polygon << QPointF(p.X + centre, p.Y + centre);
    QPen outline(ToQColor(pen));
    outline.setWidth(penWidth);
    outline.setCapStyle(Qt::RoundCap);
    outline.setJoinStyle(Qt::RoundJoin);
    painter_.save();
    painter_.setPen(outline);
    painter_.setBrush(ToQColor(fill));
    painter_.drawPolygon(polygon);
    painter_.restore();
}

// ---------------------------------------------------------------------------------
// The shared edit model

bool ShapeTool::Start() {
    // The untouched layers, from which the area under the object is restored.
    if (!CopyLayersToWork()) return false;
    BeginGeometry();
    KeepGeometry();
    OutlineRect = kEmptyRect;
    ShapePending = false;
    ActiveHandle = kNoHandle;
    editing_ = true;
    Host().DisableDocumentCommands();
    return true;
}

void ShapeTool::Press(int x, int y, const MouseState& state) {
    if (!editing_ || state.Button != MouseState::Which::Left) return;
    // Where the object takes no move (a balloon beside the picture) it shows nothing to
    // grab: the press places nothing and grabs no handle, so that the drag which follows
    // it onto the picture moves nothing either.
    if (!TakesMove(x, y)) {
        ActiveHandle = kNoHandle;
        return;
    }
    // A click before any move has drawn the preview (the tool chosen by a key) first
    // draws it where the pointer is: an object placed but never drawn has no area to
    // restore, so the handles its hover draws would stay in the layers.
    if (OutlineRect.Empty()) {
        FollowMouse(x, y);
        if (!Redraw()) return;
    }
    if (ShapePending) {
        // The handle found by the last hover is stale when a zoom or a scroll has put
        // other pixels under a pointer that did not move since: the drag takes the handle
        // under the press.
        ActiveHandle = HitTestHandles(x, y);
        Host().SetShapeCursor(CursorShapeOf(CursorForHandle(ActiveHandle)));
    }
    const Point corner = Corner();
    DragAnchor = ::velmora::DragAnchor{x, corner.X, y, corner.Y};
    ShapePending = true;
}

void ShapeTool::Move(int x, int y, const MouseState& state) {
    if (!editing_) return;
    if (!TakesMove(x, y)) {
        // Nothing there can be grabbed, so no handle's cursor may stay on from the last
        // hover; a drag carries on with its handle once the pointer is back.
        if (ShapePending && !state.Left) {
            ActiveHandle = kNoHandle;
            Host().SetShapeCursor(CursorShapeOf(CursorForHandle(kNoHandle)));
        }
        return;
    }
    if (ShapePending && state.Left) {
        DragHandle(ActiveHandle, x, y, DragAnchor);
        Redraw();
    } else if (ShapePending) {
        Hover(x, y);
    } else {
        FollowMouse(x, y);
        Redraw();
    }
}

void ShapeTool::Hover(int x, int y) {
    ActiveHandle = HitTestHandles(x, y);
    Host().SetShapeCursor(CursorShapeOf(CursorForHandle(ActiveHandle)));
    DrawHandles();
}

void ShapeTool::ShowAsCommitted() {
    if (!editing_) return;
    if (ShapePending) {
        // Drawn once more, which also takes the hover's handles off the layers.
        Redraw();
    } else {
        const Rect restored = RestoreShapeArea();
        if (!restored.Empty()) Host().PaintImageRect(restored);
        // Nothing is drawn now, which a click in place must know to draw the object.
        OutlineRect = kEmptyRect;
    }
}

void ShapeTool::Leave() {
    if (!editing_) return;
    ShowAsCommitted();
    EndEdit();
    RecordToolState();
    Host().UpdateCommandStates();
}

void ShapeTool::Cancel() {
    if (!editing_) return;
    RestoreShapeArea();
    EndEdit();
    Host().RefreshView();
    Host().UpdateCommandStates();
}

void ShapeTool::RefreshOverlay() {
    // An object not drawn anywhere yet has no place: drawn now it would appear at its start
    // box in the picture's corner, and a click without a move would place it there. The
    // next move or press draws it where the pointer is, with the new settings.
    if (editing_ && (ShapePending || !OutlineRect.Empty())) Redraw();
}

bool ShapeTool::Nudge(int dx, int dy) {
    if (!editing_ || !ShapePending) return false;
    // An anchor of its own: the press's anchor stays for the mouse drag it belongs to.
    const Point corner = Corner();
    DragHandle(kMoveHandle, corner.X + dx, corner.Y + dy,
               ::velmora::DragAnchor{corner.X, corner.X, corner.Y, corner.Y});
    Redraw();
    return true;
}

bool ShapeTool::Redraw() {
    QString problem;
    try {
        RenderShape();
        KeepGeometry();
        return true;
    } catch (const std::bad_alloc&) {
        problem = QStringLiteral("There is not enough memory to draw the object at this size.");
    } catch (const std::invalid_argument&) {
        // Its image would be wider or taller than any picture may be: a drag that ended
        // far beyond the picture, the pointer on another screen.
        problem = QStringLiteral("The object cannot be drawn this large.");
    }
    // Nothing has reached the layers yet: they still show the last drawing.
    BringBackGeometry();
    ShowMessage(Palette().parentWidget(), problem);
    return false;
}

void ShapeTool::EndEdit() {
    editing_ = false;
    ShapePending = false;
    ActiveHandle = kNoHandle;
    OutlineRect = kEmptyRect;
}

Rect ShapeTool::RestoreShapeArea() {
    if (OutlineRect.Empty()) return kEmptyRect;
    Document& doc = Doc();
    const Rect copied = Inflate(OutlineRect, 4);
    CopyArea(doc.SketchBmp, doc.WorkBmp1, copied);
    CopyArea(doc.ColorBmp, doc.WorkBmp2, copied);
    const Rect recomposited = Inflate(OutlineRect, 8);
    Host().CompositeRect(recomposited);
    return recomposited;
}

void ShapeTool::PlaceObject(bool masked, const Rect& box, int paintGrow) {
    RestoreShapeArea();
    for (Bitmap* layer : DrawableLayers()) {
        if (masked)
            CombineMasked(*layer, StampMask, ShapeImage, box.Left, box.Top);
        else
            CopyImageInto(*layer, ShapeImage, box.Left, box.Top);
    }
    Host().CompositeRect(box);
    Host().PaintImageRect(OutlineRect.Empty() ? box : UnionRect(box, Inflate(OutlineRect, paintGrow)));
    OutlineRect = box;
}

void ShapeTool::PaintHandles(const std::vector<Point>& points, const Rect& area) {
    for (Bitmap* layer : DrawableLayers()) DrawHandleSquares(*layer, points);
    Touch(area);
}

std::uint32_t ShapeTool::FrontColor() { return Palette().FrontColor(); }
std::uint32_t ShapeTool::BackColor() { return Palette().BackColor(); }
TFrmToolOption::TextStyle ShapeTool::TextStyle() { return Options().ShapeTextStyle(Id()); }

void ShapeTool::SizeScratch(Bitmap& bmp, int w, int h) {
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    if (bmp.Width() != w || bmp.Height() != h) bmp.SetSize(w, h);
}

// ---------------------------------------------------------------------------------
// Boxes

void BoxTool::FollowMouse(int x, int y) { Box() = MoveBoxTo(Box(), x, y); }

Point BoxTool::Corner() const { return Point{Box().Left, Box().Top}; }

int BoxTool::HitTestHandles(int x, int y) const { return HitTestBoxHandles(Box(), x, y); }

void BoxTool::DragHandle(int handle, int x, int y, const ::velmora::DragAnchor& anchor) {
    DragBoxHandle(Box(), handle, x, y, anchor);
}

void BoxTool::RenderShape() {
    const ShapeBox& b = Box();
    BuildImage(b.W(), b.H());
    PlaceObject(Masked(), Rect{b.Left, b.Top, b.Right, b.Bottom}, 8);
}

void BoxTool::DrawHandles() { PaintHandles(BoxHandlePoints(Box()), BoxHandleArea(Box())); }

void RectangleTool::BuildImage(int w, int h) {
    SizeScratch(ShapeImage, w, h);
    const TFrmToolOption::TextStyle style = TextStyle();
    const int b = style.BorderWidth;
    ScratchCanvas canvas(ShapeImage);
    canvas.FillRect(0, 0, w, h, FrontColor());
    canvas.FillRect(b, b, w - b, h - b, BackColor());
    DrawTextLines(canvas.Painter(), style, RectangleTextArea(w, h, TextInset), FrontColor());
}

void EllipseTool::BuildImage(int w, int h) {
    SizeScratch(StampMask, w, h);
    SizeScratch(ShapeImage, w, h);
    // Outside the ellipse the mask keeps the layer (white) and the image adds nothing
    // (black); inside, the mask clears the layer and the image supplies the pixels.
    FillWhite(StampMask);
    ShapeImage.Fill(0, 0, 0);
    const TFrmToolOption::TextStyle style = TextStyle();
    const int b = style.BorderWidth;
    {
        ScratchCanvas mask(StampMask);
        mask.FillEllipse(0, 0, w, h, kBlack);
    }
    ScratchCanvas canvas(ShapeImage);
    canvas.FillEllipse(0, 0, w, h, FrontColor());
    canvas.FillEllipse(b, b, w - b, h - b, BackColor());
    DrawTextLines(canvas.Painter(), style, EllipseTextArea(w, h), FrontColor());
}

void TextTool::BuildImage(int w, int h) {
    SizeScratch(ShapeImage, w, h);
    ScratchCanvas canvas(ShapeImage);
    canvas.FillRect(0, 0, w, h, BackColor());
    DrawTextLines(canvas.Painter(), TextStyle(), TextBoxTextArea(w, h), FrontColor());
}

}  // namespace velmora
