#pragma once
// The three speech balloons (ids 28, 29, 30): a rectangular, rounded or elliptic body
// with a tail whose tip is a tenth handle, drawn through a mask so that the picture
// shows around it. They share one option page and the edit model of the boxes.

#include "tools/BalloonGeometry.h"
#include "tools/gui/ShapeTools.h"

namespace velmora {

class BalloonTool : public ShapeTool {
public:
    BalloonTool(ToolContext& ctx, int id, BalloonBody body) : ShapeTool(ctx, id), body_(body) {}

    BalloonBody Body() const { return body_; }

    ::velmora::BalloonGeom BalloonGeom;

protected:
    void BeginGeometry() override { BalloonGeom = ::velmora::BalloonGeom{}; }
    void FollowMouse(int x, int y) override;
    Point Corner() const override;
    int HitTestHandles(int x, int y) const override;
    void DragHandle(int handle, int x, int y, const ::velmora::DragAnchor& anchor) override;
    void RenderShape() override;
    void DrawHandles() override;
    void KeepGeometry() override { kept_ = BalloonGeom; }
    void BringBackGeometry() override { BalloonGeom = kept_; }
    // Moves at or beyond the picture's right or bottom edge leave the balloon alone.
    bool TakesMove(int x, int y) override;

private:
    // The body (x, y, w, h) in `color`; the rounded body's corners have radius r.
    void FillBody(ScratchCanvas& canvas, int x, int y, int w, int h, int r, std::uint32_t color) const;

    BalloonBody body_;
    ::velmora::BalloonGeom kept_;
};

}  // namespace velmora
