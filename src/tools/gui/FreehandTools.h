#pragma once
// The five freehand tools. While the left button is held they paint into the
// drawable layers; otherwise an outline of their footprint follows the mouse. Each
// stroke ends with one history state.

#include <array>

#include "tools/ToneTable.h"
#include "tools/gui/Tool.h"

namespace velmora {

class FreehandTool : public Tool {
public:
    using Tool::Tool;

    bool Start() override {
        ResetOutline();
        return true;
    }
    void Press(int x, int y, const MouseState& state) override;
    void Move(int x, int y, const MouseState& state) override;
    void Release(int x, int y, const MouseState& state) override;
    void Leave() override;
    void Cancel() override;
    void RefreshOverlay() override;
    void PointerLeft() override;
    bool Busy() const override { return stroking_; }

    Rect OutlineRect = kEmptyRect;

protected:
    int Size();
    // Whatever a stroke needs before it paints; false when it cannot start (and the
    // user has been told).
    virtual bool PrepareStroke() { return true; }
    virtual void BeginStroke(int x, int y) = 0;
    virtual void ContinueStroke(int x, int y) = 0;
    virtual void Hover(int x, int y);
    // The eraser keeps its outline when an option changes.
    virtual bool RedrawsOutline() const { return true; }

    // The position an option change redraws the outline at.
    void RememberCursor(int x, int y);
    void DrawOutline(int x, int y);
    // Takes the outline off the screen; OutlineRect keeps its place.
    void EraseOutline();
    // OutlineRect := empty, and the outline is gone.
    void ResetOutline();
    // During a stroke: the outline moves to the stroke's new point.
    void FollowPointer(int x, int y);

private:
    bool stroking_ = false;
};

class PencilTool : public FreehandTool {
public:
    explicit PencilTool(ToolContext& ctx) : FreehandTool(ctx, ToolPencil) {}

    std::array<Point, 3> CurvePoints{};
    int CurveCount = 0;
    int LastX = 0;
    int LastY = 0;

protected:
    void BeginStroke(int x, int y) override;
    void ContinueStroke(int x, int y) override;
    void Hover(int x, int y) override;
};

class BrushTool : public FreehandTool {
public:
    explicit BrushTool(ToolContext& ctx) : FreehandTool(ctx, ToolBrush) {}

    Bitmap StampMask;
    int LastX = 0;
    int LastY = 0;

protected:
    void BeginStroke(int x, int y) override;
    void ContinueStroke(int x, int y) override;

private:
    void StampBrush(int x, int y);
    int content_ = 3;
    int opacity_ = 8;
    std::uint32_t color_ = 0;
};

class EraserTool : public FreehandTool {
public:
    explicit EraserTool(ToolContext& ctx) : FreehandTool(ctx, ToolEraser) {}

protected:
    void BeginStroke(int x, int y) override;
    void ContinueStroke(int x, int y) override;
    bool RedrawsOutline() const override { return false; }

private:
    void StampEraser(int x, int y);
};

// Lighten (id 5) and darken (id 6): every stamp maps the stroke-start pixels through
// one tone table, so going over a place again within a stroke does not add up.
class ToneTool : public FreehandTool {
public:
    ToneTool(ToolContext& ctx, int id) : FreehandTool(ctx, id) {}

    ToneTable Table{};
    Bitmap StampMask;

protected:
    bool PrepareStroke() override;
    void BeginStroke(int x, int y) override;
    void ContinueStroke(int x, int y) override;

private:
    void StampTone(int x, int y);
};

}  // namespace velmora
