#pragma once
// What the view hands to the drawing tools: the mouse state of an event, and the
// interface the tools sit behind so that the view does not depend on them. Which
// events reach a tool and which cursor it shows are in the tool table.

namespace velmora {

// The mouse buttons and modifier keys of an event. For a press or a release, Button
// says which button it was; Left, Right and Middle say which are held after it.
struct MouseState {
    enum class Which { None, Left, Right, Middle };
    Which Button = Which::None;
    bool Left = false;
    bool Right = false;
    bool Middle = false;
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
};

// Coordinates are image pixels, not clipped to the image.
class ToolInput {
public:
    virtual ~ToolInput() = default;
    virtual void ToolMouseDown(int x, int y, const MouseState& state) = 0;
    virtual void ToolMouseMove(int x, int y, const MouseState& state) = 0;
    virtual void ToolMouseUp(int x, int y, const MouseState& state) = 0;
};

}  // namespace velmora
