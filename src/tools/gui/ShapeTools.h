#pragma once
// The editable objects: rectangle, ellipse and text box, and the edit model they
// share with the speech balloons. An object is drawn into the drawable layers at
// once and stays editable: before the first press it follows the mouse, after it the
// mouse hovers over and drags eight handles, and an option change redraws it. Leaving
// the tool commits it; cancelling restores the layers from the copies taken when the
// tool was chosen.

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdint>
#include <vector>

#include "common/Bitmap.h"
#include "tools/ShapeGeometry.h"
#include "tools/gui/Tool.h"
#include "tools/gui/ToolOptionWindow.h"

namespace velmora {

// The view's cursor for a handle of the handle table.
Qt::CursorShape CursorShapeOf(HandleCursor cursor);

// A painter over one of an object's scratch bitmaps. Shapes are not smoothed, so
// each fill covers exactly the pixels whose centres lie inside it: a box given as
// (left, top, right, bottom) covers columns left..right-1 and rows top..bottom-1.
class ScratchCanvas {
public:
    explicit ScratchCanvas(Bitmap& bmp);
    ScratchCanvas(const ScratchCanvas&) = delete;
    ScratchCanvas& operator=(const ScratchCanvas&) = delete;

    QPainter& Painter() { return painter_; }
    // An inverted or empty box draws nothing.
    void FillRect(int left, int top, int right, int bottom, std::uint32_t color);
    void FillEllipse(int left, int top, int right, int bottom, std::uint32_t color);
    void FillPath(const QPainterPath& path, std::uint32_t color);
    // The closed polygon through the centres of the given pixels, filled with `fill`
    // and outlined by a round pen `penWidth` pixels wide in `pen`.
    void DrawPolygon(const std::vector<Point>& points, int penWidth, std::uint32_t pen, std::uint32_t fill);

private:
    QImage image_;
    QPainter painter_;
};

class ShapeTool : public Tool {
public:
    using Tool::Tool;

    // BeginShapeTool, then the document commands are disabled until the edit ends.
    bool Start() override;
    void Press(int x, int y, const MouseState& state) override;
    void Move(int x, int y, const MouseState& state) override;
    // Commits: a placed object is drawn once more without handles, a preview that
    // only followed the mouse is removed; a history state is recorded either way.
    void Leave() override;
    // Restores the layers under the object; nothing is recorded.
    void Cancel() override;
    void RefreshOverlay() override;
    void ShowAsCommitted() override;
    bool Busy() const override { return editing_; }

    // The arrow keys: moves a placed object by (dx, dy) the way a drag of its move
    // handle does. False, and nothing moves, while no object is placed.
    bool Nudge(int dx, int dy);

    bool ShapePending = false;
    int ActiveHandle = kNoHandle;
    ::velmora::DragAnchor DragAnchor;
    // The area last drawn into the layers (right and bottom inclusive), empty at start.
    Rect OutlineRect = kEmptyRect;
    int TextInset = 10;
    Bitmap StampMask;
    Bitmap ShapeImage;

protected:
    // The object's start values when the tool is chosen.
    virtual void BeginGeometry() = 0;
    // Before the first press: the object's corner goes to (x, y).
    virtual void FollowMouse(int x, int y) = 0;
    // The top-left corner a press records in the anchor.
    virtual Point Corner() const = 0;
    virtual int HitTestHandles(int x, int y) const = 0;
    virtual void DragHandle(int handle, int x, int y, const ::velmora::DragAnchor& anchor) = 0;
    // Builds the object image and puts it into the layers (PlaceObject). Whatever memory
    // it needs is taken before the layers are touched.
    virtual void RenderShape() = 0;
    // The geometry of the object as last drawn, kept so that a drawing that cannot be
    // made leaves the object as the layers show it.
    virtual void KeepGeometry() = 0;
    virtual void BringBackGeometry() = 0;
    // The hover after ActiveHandle is found: draws the handles into the layers.
    virtual void DrawHandles() = 0;
    // Whether a mouse move at (x, y) is taken at all.
    virtual bool TakesMove(int /*x*/, int /*y*/) { return true; }

    // Copies the area under the last drawing (grown by 4) back from the layer copies
    // into both layers and recomposites it grown by 8; returns that recomposited area
    // (empty when nothing was drawn yet).
    Rect RestoreShapeArea();
    // The second half of every render: the previous drawing goes, the scratch images
    // go into each drawable layer at the box's top-left (copied over, or ANDed with
    // StampMask and ORed with ShapeImage when `masked`), and the box together with
    // the previous area grown by `paintGrow` is repainted. `box` is inclusive.
    void PlaceObject(bool masked, const Rect& box, int paintGrow);
    // The handle squares at `points` into each drawable layer; `area` is repainted.
    void PaintHandles(const std::vector<Point>& points, const Rect& area);

    std::uint32_t FrontColor();
    std::uint32_t BackColor();
    TFrmToolOption::TextStyle TextStyle();
    // Gives a scratch bitmap the size w x h (at least 1 x 1), reusing its memory when
    // the size is unchanged.
    static void SizeScratch(Bitmap& bmp, int w, int h);

private:
    void Hover(int x, int y);
    void EndEdit();
    // RenderShape; without the memory for the object's image (an object dragged very
    // large), or when that image would exceed the largest picture, the layers keep the
    // last drawing, the object its geometry, and the user is told. False then.
    bool Redraw();

    bool editing_ = false;  // from Start until Leave or Cancel; the layer copies are in use
};

// The rectangle, ellipse and text box: a box with eight handles.
class BoxTool : public ShapeTool {
public:
    using ShapeTool::ShapeTool;

    // The tool's box (RectBox, EllipseBox or TextBox).
    virtual ShapeBox& Box() = 0;
    const ShapeBox& Box() const { return const_cast<BoxTool*>(this)->Box(); }

protected:
    void FollowMouse(int x, int y) override;
    Point Corner() const override;
    int HitTestHandles(int x, int y) const override;
    void DragHandle(int handle, int x, int y, const ::velmora::DragAnchor& anchor) override;
    void RenderShape() override;
    void DrawHandles() override;
    void KeepGeometry() override { kept_ = Box(); }
    void BringBackGeometry() override { Box() = kept_; }

    // Draws the W x H object into ShapeImage (and StampMask when Masked()).
    virtual void BuildImage(int w, int h) = 0;
    virtual bool Masked() const { return false; }

private:
    ShapeBox kept_;
};

// Id 23: a front-color border, a back-color fill and text inset by TextInset.
class RectangleTool : public BoxTool {
public:
    explicit RectangleTool(ToolContext& ctx) : BoxTool(ctx, ToolRectangle) {}
    ShapeBox& Box() override { return RectBox; }

    ShapeBox RectBox{0, 0, 20, 20};

protected:
    void BeginGeometry() override { RectBox = ShapeBox{0, 0, 20, 20}; }
    void BuildImage(int w, int h) override;
};

// Id 24: the same in an ellipse; the picture shows around it.
class EllipseTool : public BoxTool {
public:
    explicit EllipseTool(ToolContext& ctx) : BoxTool(ctx, ToolEllipse) {}
    ShapeBox& Box() override { return EllipseBox; }

    ShapeBox EllipseBox{0, 0, 20, 20};

protected:
    void BeginGeometry() override { EllipseBox = ShapeBox{0, 0, 20, 20}; }
    void BuildImage(int w, int h) override;
    bool Masked() const override { return true; }
};

// Id 27: text on a back-color box without a border.
class TextTool : public BoxTool {
public:
    explicit TextTool(ToolContext& ctx) : BoxTool(ctx, ToolText) {}
    ShapeBox& Box() override { return TextBox; }

    ShapeBox TextBox{0, 0, 100, 50};

protected:
    void BeginGeometry() override { TextBox = ShapeBox{0, 0, 100, 50}; }
    void BuildImage(int w, int h) override;
};

}  // namespace velmora
