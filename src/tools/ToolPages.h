#pragma once
// The Tool Option page that belongs to each drawing tool, by the tool's id (the values
// of Document::CurrentTool: 0 none, 1 pencil, 2 brush, 3 eraser, 4 paint bucket,
// 5 lighten, 6 darken, 23 rectangle, 24 ellipse, 27 text, 28 to 30 the balloons,
// 41 hand, 42 eyedropper).

namespace velmora {

// The object name of the tool's page; nullptr for an unknown id. The three balloon
// tools share one page, and "no tool" shows the hand's information page.
constexpr const char* ToolOptionPageName(int toolId) {
    switch (toolId) {
        case 0:
        case 41: return "TsNormal";
        case 1: return "TsPencil";
        case 2: return "TsBrush";
        case 3: return "TsEraser";
        case 4: return "TsPaintBucket";
        case 5: return "TsLightenTool";
        case 6: return "TsDarkenTool";
        case 23: return "TsRectangle";
        case 24: return "TsEllipse";
        case 27: return "TsText";
        case 28:
        case 29:
        case 30: return "TsBalloonA";
        case 42: return "TsDropper";
        default: return nullptr;
    }
}

}  // namespace velmora
