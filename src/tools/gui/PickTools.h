#pragma once
// The paint bucket and the eyedropper: both read the picture as it is shown.

#include "tools/gui/Tool.h"

namespace velmora {

class PaintBucketTool : public Tool {
public:
    explicit PaintBucketTool(ToolContext& ctx) : Tool(ctx, ToolPaintBucket) {}
    void Press(int x, int y, const MouseState& state) override;
    void Release(int x, int y, const MouseState& state) override;
    bool Busy() const override { return filled_; }

private:
    bool filled_ = false;  // a fill waits for its release to be recorded
};

class EyedropperTool : public Tool {
public:
    explicit EyedropperTool(ToolContext& ctx) : Tool(ctx, ToolEyedropper) {}
    void Press(int x, int y, const MouseState& state) override;
    void Move(int x, int y, const MouseState& state) override;

private:
    std::uint32_t PickAt(int x, int y);
};

}  // namespace velmora
