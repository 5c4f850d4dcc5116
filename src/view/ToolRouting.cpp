#include "view/ToolRouting.h"

namespace velmora {

MouseRoute RouteMouseEvent(int currentTool, MouseEventKind kind) {
    switch (currentTool) {
    case ToolPencil:
    case ToolBrush:
    case ToolEraser:
    case ToolLighten:
    case ToolDarken:
        return MouseRoute::Tool;
    case ToolPaintBucket:
        // The fill happens on the press and is recorded on the release.
        return kind == MouseEventKind::Move ? MouseRoute::None : MouseRoute::Tool;
    case ToolRectangle:
    case ToolEllipse:
    case ToolText:
    case ToolBalloonA:
    case ToolBalloonB:
    case ToolBalloonC:
    case ToolEyedropper:
        return kind == MouseEventKind::Up ? MouseRoute::None : MouseRoute::Tool;
    case ToolHand:
        return kind == MouseEventKind::Up ? MouseRoute::None : MouseRoute::Hand;
    default:
        return MouseRoute::None;
    }
}

ViewCursor CursorForTool(int currentTool, bool anyScrollBarVisible) {
    switch (currentTool) {
    case ToolPencil:
    case ToolBrush:
    case ToolEraser:
    case ToolPaintBucket:
    case ToolLighten:
    case ToolDarken:
    case ToolRectangle:
    case ToolEllipse:
    case ToolText:
    case ToolBalloonA:
    case ToolBalloonB:
    case ToolBalloonC:
    case ToolEyedropper:
        return ViewCursor::Cross;
    case ToolHand:
        return anyScrollBarVisible ? ViewCursor::GrabHand : ViewCursor::Arrow;
    default:
        return ViewCursor::Arrow;
    }
}

}  // namespace velmora
