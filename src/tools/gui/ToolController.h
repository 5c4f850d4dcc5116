#pragma once
// Owns one object per drawing tool and runs the tool state: which tool gets the
// view's mouse events, what choosing, leaving and cancelling a tool does, the
// overlay refresh after an option change, and the single-key shortcuts.

#include <QObject>
#include <QString>
#include <map>
#include <memory>

#include "tools/gui/Tool.h"
#include "tools/gui/ToolHost.h"
#include "view/ToolRouting.h"

namespace velmora {

class ShapeTool;

class ToolController : public ToolInput {
public:
    ToolController(ToolHost& host, TFrmTools& palette, TFrmToolOption& options);
    ~ToolController() override;

    // The tool object of an id; nullptr for ids without one (none, hand).
    Tool* ToolOf(int toolId) const;
    Tool* Current() const;

    // ToolInput: events of the paint box in image coordinates.
    void ToolMouseDown(int x, int y, const MouseState& state) override;
    void ToolMouseMove(int x, int y, const MouseState& state) override;
    // The release goes to the tool that took the press, even when the tool or the
    // zoom changed in between, so that its stroke or fill is recorded and it stops
    // being busy.
    void ToolMouseUp(int x, int y, const MouseState& state) override;
    void PointerLeft();
    // A zoom or a scroll has put image pixel (x, y) under the resting pointer. An object
    // being edited finds its handle and cursor there, or its preview goes there, as on a
    // move of the mouse; a held button waits for the next real move.
    void PictureMoved(int x, int y);
    // A button pressed on the picture with a drawing tool is still down.
    bool MouseHeld() const { return held_.Left || held_.Right || held_.Middle; }
    // `actual` are the buttons down in fact. A press on the picture whose button is up
    // lost its release to another window; it ends here, as its release would end it.
    void SettleButtons(Qt::MouseButtons actual);

    // The palette's selection runs LeaveTool for the tool being left, sets the id,
    // shows the option page, then StartTool.
    void LeaveTool();
    void StartTool();
    // The Delete key and the cancel buttons: drops a pending edit, then the hand.
    void CancelShapeEdit();
    // Finishes a pending edit (the commit buttons), then the hand.
    void CommitShapeEdit();
    // The tool's part of RefreshToolOverlay: redraw what it shows with the new settings.
    void RefreshOverlay();
    // The current tool's pending edit as a commit would leave it (Tool::ShowAsCommitted).
    void ShowAsCommitted();

    // True while a stroke or a pending edit holds copies of the layers: undo, redo,
    // history jumps and opening a file wait until it ends.
    bool Busy() const;

    // A key pressed while the picture or the main window has the focus; `text` is what
    // it types. True when it was a tool shortcut and has been handled. While an object
    // is edited, Enter commits it once placed, Esc cancels it, and the arrow keys move a
    // placed object by one pixel (ten with Shift). Once a text box or a balloon is
    // placed, a key that types a character types it into the object's text instead.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);
    // Whether a text box or a balloon is placed, so that typed text is its text.
    bool TakesText() const;
    // True when `text` went into the memo of a placed text box or balloon.
    bool TypeIntoText(const QString& text);

private:
    void ChooseByKey(int toolId);
    bool HandleShapeKey(int key, bool shift);
    void SwitchToHand();
    // A release can go astray when a window that takes the mouse opens under a held
    // button; a later event that shows the button up, or the choice of another tool,
    // then finishes the press it belonged to. Every button held here that `now` does
    // not hold, and `alsoLost` (a button pressed again), is released, each on its own,
    // so that a stroke drawn under two buttons ends whichever went down first.
    void ReleaseLost(const MouseState& now, MouseState::Which alsoLost = MouseState::Which::None);
    void Released(int x, int y, const MouseState& state);
    // The pointer rests at image pixel (x, y) over the picture.
    void PointerAt(int x, int y);
    // The object being edited moved, or the picture under it, while the pointer rested
    // on it: the handle under the pointer, and its cursor, are found again as a move of
    // the mouse would find them. A held button waits for the next real move.
    void HoverAgain(ShapeTool& shape);

    ToolContext ctx_;
    std::map<int, std::unique_ptr<Tool>> tools_;
    MouseState held_;          // the buttons pressed on the picture and not yet released
    Tool* pressed_ = nullptr;  // the tool that took the first press, while any is held
    int lastX_ = 0, lastY_ = 0;  // where the pointer last was on the picture
    // The pointer is over the picture with the tool taking its moves, at (lastX_, lastY_).
    bool pointerOnPicture_ = false;
};

}  // namespace velmora
