#include "tools/ToolTable.h"

#include <array>

namespace velmora {

namespace {

using C = ToolCursor;
using R = ToolRouting;
using F = ToolFamily;

constexpr ToolInfo kNoTool{ToolNone, "", "", "", "TsNormal", C::Arrow, R::None, F::None, nullptr, nullptr};

// The history detail texts are the program's own, spelling included.
constexpr std::array<ToolInfo, 14> kTools{{
    {ToolHand, "BtnGrabber", "Hand", "H", "TsNormal", C::GrabHand, R::Hand, F::Hand, nullptr, nullptr},
    {ToolEyedropper, "BtnEyedropper", "Eyedropper", "I", "TsDropper", C::Cross, R::Tool, F::Picker, nullptr, nullptr},
    {ToolPencil, "BtnPencil", "Pencil", "N", "TsPencil", C::Cross, R::Tool, F::Freehand, "Pencil", "--"},
    {ToolBrush, "BtnBrush", "Brush", "B", "TsBrush", C::Cross, R::Tool, F::Freehand, "Brush", "--"},
    {ToolEraser, "BtnEraser", "Eraser", "E", "TsEraser", C::Cross, R::Tool, F::Freehand, "Eraser", "--"},
    {ToolPaintBucket, "BtnPaintbucket", "Paint Bucket", "G", "TsPaintBucket", C::Cross, R::Tool, F::Fill,
     "Paint Bucket", "--"},
    {ToolLighten, "BtnLighting", "Lighten Tool", "O", "TsLightenTool", C::Cross, R::Tool, F::Freehand,
     "Lighten Tool", "--"},
    {ToolDarken, "BtnDarken", "Darken Tool", "Shift+O", "TsDarkenTool", C::Cross, R::Tool, F::Freehand,
     "Darken Tool", "--"},
    {ToolRectangle, "BtnRectangle", "Rectangle", "R", "TsRectangle", C::Cross, R::Tool, F::Shape, "Rectangle", "--"},
    {ToolEllipse, "BtnEllipse", "Ellipse", "L", "TsEllipse", C::Cross, R::Tool, F::Shape, "Ellipse", "--"},
    {ToolText, "BtnText", "Text", "T", "TsText", C::Cross, R::Tool, F::Shape, "Text", "--"},
    {ToolBalloonA, "BtnTxtBalloonA", "Text Balloon: Rectangle", "K", "TsBalloonA", C::Cross, R::Tool, F::Shape,
     "Text Balloon", "Type: Rectanle"},
    {ToolBalloonB, "BtnTxtBalloonB", "Text Balloon: Rounded Rectangle", "Shift+K", "TsBalloonA", C::Cross, R::Tool,
     F::Shape, "Text Balloon", "Type: Rounded Rectanle"},
    {ToolBalloonC, "BtnTxtBalloonC", "Text Balloon: Ellipse", "Shift+K", "TsBalloonA", C::Cross, R::Tool, F::Shape,
     "Text Balloon", "Type: Ellipse"},
}};

}  // namespace

std::span<const ToolInfo> PaletteTools() { return kTools; }

const ToolInfo* FindTool(int toolId) {
    if (toolId == ToolNone) return &kNoTool;
    for (const ToolInfo& t : kTools)
        if (t.Id == toolId) return &t;
    return nullptr;
}

ToolCursor CursorForTool(int toolId, bool anyScrollBarVisible) {
    const ToolInfo* t = FindTool(toolId);
    if (!t) return ToolCursor::Arrow;
    if (t->Cursor == ToolCursor::GrabHand && !anyScrollBarVisible) return ToolCursor::Arrow;
    return t->Cursor;
}

std::string ToolTooltip(const ToolInfo& tool) {
    std::string tip = tool.Name;
    if (*tool.Key) tip += std::string(" (") + tool.Key + ")";
    return tip;
}

}  // namespace velmora
