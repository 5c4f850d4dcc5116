#include "tools/gui/BalloonTool.h"

#include "tools/LayerBlit.h"
#include "tools/gui/ShapeText.h"

namespace velmora {

namespace {

constexpr std::uint32_t kBlack = 0x000000;

// A quarter-circle pie in the 2r x 2r box at (left, top), from `startDegrees`
// a quarter turn counter-clockwise.
QPainterPath QuarterPie(int left, int top, int r, int startDegrees) {
    QPainterPath pie;
    pie.moveTo(left + r, top + r);
    pie.arcTo(QRectF(left, top, 2 * r, 2 * r), startDegrees, 90);
    pie.closeSubpath();
    return pie;
}

}  // namespace

void BalloonTool::FollowMouse(int x, int y) { PlaceBalloonPreview(BalloonGeom, x, y); }

Point BalloonTool::Corner() const { return Point{BalloonGeom.X, BalloonGeom.Y}; }

int BalloonTool::HitTestHandles(int x, int y) const { return HitTestBalloonHandles(BalloonGeom, x, y); }

void BalloonTool::DragHandle(int handle, int x, int y, const ::velmora::DragAnchor& anchor) {
    DragBalloonHandle(BalloonGeom, handle, x, y, anchor);
}

bool BalloonTool::TakesMove(int x, int y) {
    const Bitmap& composite = Doc().CompositeBmp;
    return x < composite.Width() && y < composite.Height();
}

void BalloonTool::DrawHandles() {
    // Away from every handle nothing is drawn, and handles drawn by an earlier hover
    // stay until the next render.
    if (ActiveHandle < 1) return;
    const BalloonBounds b = BalloonBoundingBox(BalloonGeom, TextStyle().BorderWidth);
    PaintHandles(BalloonHandlePoints(BalloonGeom), Inflate(Rect{b.Left, b.Top, b.Right, b.Bottom}, 4));
}

void BalloonTool::FillBody(ScratchCanvas& canvas, int x, int y, int w, int h, int r, std::uint32_t color) const {
    switch (body_) {
    case BalloonBody::Rectangle: canvas.FillRect(x, y, x + w, y + h, color); break;
    case BalloonBody::Ellipse: canvas.FillEllipse(x, y, x + w, y + h, color); break;
    case BalloonBody::Rounded:
        if (w <= 0 || h <= 0) return;
        // Four corner pies and two crossing bars; the pies and the bars do not
        // overlap, so each piece is filled on its own.
        if (r > 0) {
            canvas.FillPath(QuarterPie(x, y, r, 90), color);
            canvas.FillPath(QuarterPie(x + w - 2 * r, y, r, 0), color);
            canvas.FillPath(QuarterPie(x + w - 2 * r, y + h - 2 * r, r, 270), color);
            canvas.FillPath(QuarterPie(x, y + h - 2 * r, r, 180), color);
        }
        canvas.FillRect(x, y + r, x + w, y + h - r, color);
        canvas.FillRect(x + r, y, x + w - r, y + h, color);
        break;
    }
}

void BalloonTool::RenderShape() {
    ::velmora::BalloonGeom& g = BalloonGeom;
    g.TailBase = BalloonCornerRadius(g.Width, g.Height);
    const TFrmToolOption::TextStyle style = TextStyle();
    const int b = style.BorderWidth;
    const std::uint32_t front = FrontColor();
    const std::uint32_t back = BackColor();
    const BalloonBounds bounds = BalloonBoundingBox(g, b);
    const BalloonLocal l = BalloonLocalLayout(g, b);
    const int k = l.K;

    SizeScratch(StampMask, bounds.Right - bounds.Left, bounds.Bottom - bounds.Top);
    SizeScratch(ShapeImage, bounds.Right - bounds.Left, bounds.Bottom - bounds.Top);
    // Where the mask stays white and the image black, the layer is kept.
    FillWhite(StampMask);
    ShapeImage.Fill(0, 0, 0);

    Point p1, p2;
    const bool tail = TailBasePoints(l.X, l.Y, l.W, l.H, l.TipX, l.TipY, p1, p2);
    {
        ScratchCanvas mask(StampMask);
        FillBody(mask, l.X, l.Y, l.W, l.H, k, kBlack);
        // The mask takes the tail with the image's wide pen, so that the outline's
        // outer half replaces the picture instead of mixing into it.
        if (tail) mask.DrawPolygon({p1, p2, Point{l.TipX, l.TipY}}, b, kBlack, kBlack);
    }
    {
        ScratchCanvas image(ShapeImage);
        FillBody(image, l.X, l.Y, l.W, l.H, k, front);
        // A tip on the body's center gives the tail no direction: the body stands alone.
        if (tail) image.DrawPolygon({p1, p2, Point{l.TipX, l.TipY}}, b, front, back);
        // The inner body covers the tail's base, so body and tail share one outline.
        FillBody(image, l.X + b, l.Y + b, l.W - 2 * b, l.H - 2 * b, k, back);
        if (body_ == BalloonBody::Ellipse) {
            // The elliptic body's text may run below its inscribed rectangle, where the
            // rectangle's corners leave the ellipse; glyphs there would be ORed into the
            // picture outside the mask, or drawn over the tail, so they are kept on the body.
            QPainterPath outline;
            outline.addEllipse(QRectF(l.X, l.Y, l.W, l.H));
            image.Painter().setClipPath(outline);
        }
        DrawTextLines(image.Painter(), style, BalloonTextArea(body_, l.X, l.Y, l.W, l.H, b), front);
    }
    // The clip alone is not exact: large glyphs are smoothed outlines, and the clip and
    // the mask's fill judge the pixels along the ellipse apart. Whatever reached the image
    // outside the mask would be ORed into the picture beside the balloon.
    ClearOutsideMask(ShapeImage, StampMask);

    PlaceObject(true, Rect{bounds.Left, bounds.Top, bounds.Right, bounds.Bottom}, 4);
}

}  // namespace velmora
