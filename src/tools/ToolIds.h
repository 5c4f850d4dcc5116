#pragma once
// The drawing tools' ids (the values of Document::CurrentTool) and the Tool Option page
// that belongs to each.

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

// The object name of the tool's Tool Option page; nullptr for an unknown id. The three
// balloon tools share one page, and "no tool" shows the hand's information page.
constexpr const char* ToolOptionPageName(int toolId) {
    switch (toolId) {
        case ToolNone:
        case ToolHand: return "TsNormal";
        case ToolPencil: return "TsPencil";
        case ToolBrush: return "TsBrush";
        case ToolEraser: return "TsEraser";
        case ToolPaintBucket: return "TsPaintBucket";
        case ToolLighten: return "TsLightenTool";
        case ToolDarken: return "TsDarkenTool";
        case ToolRectangle: return "TsRectangle";
        case ToolEllipse: return "TsEllipse";
        case ToolText: return "TsText";
        case ToolBalloonA:
        case ToolBalloonB:
        case ToolBalloonC: return "TsBalloonA";
        case ToolEyedropper: return "TsDropper";
        default: return nullptr;
    }
}

}  // namespace velmora
