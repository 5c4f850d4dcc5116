#pragma once
// Which paint-box mouse events reach the active tool, and the paint-box cursor of
// each tool. The tools themselves sit behind ToolInput so the view does not depend
// on them.

#include "tools/ToolIds.h"

namespace velmora {

enum class MouseEventKind { Down, Move, Up };

// Nothing, the active tool, or the view's own hand panning.
enum class MouseRoute { None, Tool, Hand };
MouseRoute RouteMouseEvent(int currentTool, MouseEventKind kind);

enum class ViewCursor { Arrow, Cross, GrabHand };
ViewCursor CursorForTool(int currentTool, bool anyScrollBarVisible);

// The mouse buttons and modifier keys held during an event.
struct MouseState {
    bool Left = false;
    bool Right = false;
    bool Middle = false;
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
};

// What the view hands to the drawing tools. Coordinates are image pixels, not
// clipped to the image.
class ToolInput {
public:
    virtual ~ToolInput() = default;
    virtual void ToolMouseDown(int tool, int x, int y, const MouseState& state) = 0;
    virtual void ToolMouseMove(int tool, int x, int y, const MouseState& state) = 0;
    virtual void ToolMouseUp(int tool, int x, int y, const MouseState& state) = 0;
    // Drops a pending shape edit (the Delete key); nothing for other tools.
    virtual void CancelShapeEdit() {}
    // Lets the tool redraw what it shows over the image with its new settings.
    virtual void RedrawOverlay(int /*tool*/) {}
};

}  // namespace velmora
