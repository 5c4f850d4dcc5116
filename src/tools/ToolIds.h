#pragma once
// Tool ids as Document::CurrentTool holds them; 41, the hand, is the tool every open,
// undo, redo and history jump selects.

namespace velmora {

enum ToolId : int {
    ToolNone = 0,
    ToolPencil = 1,
    ToolBrush = 2,
    ToolEraser = 3,
    ToolPaintBucket = 4,
    ToolLighten = 5,
    ToolDarken = 6,
    ToolRectangle = 23,
    ToolEllipse = 24,
    ToolText = 27,
    ToolBalloonA = 28,
    ToolBalloonB = 29,
    ToolBalloonC = 30,
    ToolHand = 41,
    ToolEyedropper = 42,
};

}  // namespace velmora
