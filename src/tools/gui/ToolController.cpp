#include "tools/gui/ToolController.h"

#include <QAbstractButton>

#include <algorithm>

#include "tools/ToolTable.h"
#include "tools/gui/BalloonTool.h"
#include "tools/gui/FreehandTools.h"
#include "tools/gui/PickTools.h"
#include "tools/gui/ShapeTools.h"
#include "tools/gui/ToolOptionWindow.h"
#include "tools/gui/ToolsWindow.h"

namespace velmora {

ToolController::ToolController(ToolHost& host, TFrmTools& palette, TFrmToolOption& options)
    : ctx_{host, palette, options} {
    tools_[ToolPencil] = std::make_unique<PencilTool>(ctx_);
    tools_[ToolBrush] = std::make_unique<BrushTool>(ctx_);
    tools_[ToolEraser] = std::make_unique<EraserTool>(ctx_);
    tools_[ToolLighten] = std::make_unique<ToneTool>(ctx_, ToolLighten);
    tools_[ToolDarken] = std::make_unique<ToneTool>(ctx_, ToolDarken);
    tools_[ToolPaintBucket] = std::make_unique<PaintBucketTool>(ctx_);
    tools_[ToolEyedropper] = std::make_unique<EyedropperTool>(ctx_);
    tools_[ToolRectangle] = std::make_unique<RectangleTool>(ctx_);
    tools_[ToolEllipse] = std::make_unique<EllipseTool>(ctx_);
    tools_[ToolText] = std::make_unique<TextTool>(ctx_);
    tools_[ToolBalloonA] = std::make_unique<BalloonTool>(ctx_, ToolBalloonA, BalloonBody::Rectangle);
    tools_[ToolBalloonB] = std::make_unique<BalloonTool>(ctx_, ToolBalloonB, BalloonBody::Rounded);
    tools_[ToolBalloonC] = std::make_unique<BalloonTool>(ctx_, ToolBalloonC, BalloonBody::Ellipse);
}

ToolController::~ToolController() = default;

Tool* ToolController::ToolOf(int toolId) const {
    const auto it = tools_.find(toolId);
    return it == tools_.end() ? nullptr : it->second.get();
}

Tool* ToolController::Current() const { return ToolOf(ctx_.Host.Doc().CurrentTool); }

namespace {

using Which = MouseState::Which;

// The flag of button b (never None) in s, to read or to set.
template <typename State>
auto& HeldFlag(State& s, Which b) {
    return b == Which::Left ? s.Left : b == Which::Right ? s.Right : s.Middle;
}

// Only which buttons are down, nothing else of an event.
MouseState ButtonsOf(const MouseState& s) {
    MouseState b;
    b.Left = s.Left;
    b.Right = s.Right;
    b.Middle = s.Middle;
    return b;
}

}  // namespace

void ToolController::ToolMouseDown(int x, int y, const MouseState& state) {
    ReleaseLost(state, state.Button);
    const bool first = !MouseHeld();
    held_ = ButtonsOf(state);
    if (first) pressed_ = MouseHeld() ? Current() : nullptr;
    PointerAt(x, y);
    if (Tool* t = Current()) t->Press(x, y, state);
}

void ToolController::ToolMouseMove(int x, int y, const MouseState& state) {
    ReleaseLost(state);
    PointerAt(x, y);
    if (Tool* t = Current()) t->Move(x, y, state);
}

void ToolController::ReleaseLost(const MouseState& now, Which alsoLost) {
    for (Which b : {Which::Left, Which::Right, Which::Middle}) {
        if (!HeldFlag(held_, b) || (HeldFlag(now, b) && b != alsoLost)) continue;
        MouseState up = held_;
        up.Button = b;
        HeldFlag(up, b) = false;
        Released(lastX_, lastY_, up);
    }
}

void ToolController::SettleButtons(Qt::MouseButtons actual) {
    MouseState now;
    now.Left = actual & Qt::LeftButton;
    now.Right = actual & Qt::RightButton;
    now.Middle = actual & Qt::MiddleButton;
    ReleaseLost(now);
}

void ToolController::ToolMouseUp(int x, int y, const MouseState& state) {
    // The button released here is no lost one; any other held here but not now is.
    MouseState now = ButtonsOf(state);
    if (state.Button != Which::None) HeldFlag(now, state.Button) = true;
    ReleaseLost(now);
    Released(x, y, state);
}

void ToolController::Released(int x, int y, const MouseState& state) {
    Tool* t = pressed_ ? pressed_ : Current();
    held_ = ButtonsOf(state);
    if (!MouseHeld()) pressed_ = nullptr;
    if (t) t->Release(x, y, state);
}

void ToolController::PointerLeft() {
    pointerOnPicture_ = false;
    if (Tool* t = Current()) t->PointerLeft();
}

void ToolController::PictureMoved(int x, int y) {
    PointerAt(x, y);
    if (auto* shape = dynamic_cast<ShapeTool*>(Current())) HoverAgain(*shape);
}

void ToolController::PointerAt(int x, int y) {
    lastX_ = x;
    lastY_ = y;
    pointerOnPicture_ = true;
}

void ToolController::HoverAgain(ShapeTool& shape) {
    if (pointerOnPicture_ && shape.Busy() && !MouseHeld()) shape.Move(lastX_, lastY_, MouseState{});
}

void ToolController::LeaveTool() {
    // Another tool is chosen by a click elsewhere, which the pointer makes with its
    // button up: a press still held on the picture lost its release. Its stroke or fill
    // ends and is recorded first; left unfinished, it would belong to no history state.
    ReleaseLost(MouseState{});
    if (Tool* t = Current()) t->Leave();
}

void ToolController::StartTool() {
    Tool* t = Current();
    if (t && !(t->ClaimLayers() && t->Start())) SwitchToHand();
}

void ToolController::SwitchToHand() {
    ctx_.Host.Doc().CurrentTool = ToolHand;
    ctx_.Palette.PressHandButton();
    ctx_.Host.ShowToolOptionPage();
}

void ToolController::CancelShapeEdit() {
    if (Tool* t = Current()) t->Cancel();
    SwitchToHand();
}

void ToolController::CommitShapeEdit() {
    LeaveTool();
    SwitchToHand();
}

void ToolController::RefreshOverlay() {
    if (Tool* t = Current()) t->RefreshOverlay();
}

void ToolController::ShowAsCommitted() {
    if (Tool* t = Current()) t->ShowAsCommitted();
}

bool ToolController::Busy() const {
    const Tool* t = Current();
    return t && t->Busy();
}

void ToolController::ChooseByKey(int toolId) {
    // Exactly as a click on the button: a disabled button does nothing.
    QAbstractButton* button = ctx_.Palette.ToolButton(toolId);
    if (button && button->isEnabled()) button->click();
}

bool ToolController::HandleShapeKey(int key, bool shift) {
    auto* shape = dynamic_cast<ShapeTool*>(Current());
    if (!shape || !shape->Busy()) return false;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // As the commit button, but only for an object that has been placed.
        if (!shape->ShapePending) return false;
        CommitShapeEdit();
        return true;
    case Qt::Key_Escape:
        CancelShapeEdit();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = shift ? 10 : 1;
        const int dx = key == Qt::Key_Left ? -step : key == Qt::Key_Right ? step : 0;
        const int dy = key == Qt::Key_Up ? -step : key == Qt::Key_Down ? step : 0;
        if (!shape->Nudge(dx, dy)) return false;
        // The object moved under a resting pointer: a press there grabs what is there now.
        HoverAgain(*shape);
        return true;
    }
    default:
        return false;
    }
}

bool ToolController::TakesText() const {
    const int current = ctx_.Host.Doc().CurrentTool;
    if (current != ToolText && current != ToolBalloonA && current != ToolBalloonB && current != ToolBalloonC)
        return false;
    // The rectangle and the ellipse keep the tool keys: their text is optional, and most
    // of them are drawn without any.
    const auto* shape = dynamic_cast<const ShapeTool*>(Current());
    return shape && shape->Busy() && shape->ShapePending && !MouseHeld();
}

bool ToolController::TypeIntoText(const QString& text) {
    if (!TakesText()) return false;
    if (text.isEmpty() || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); })) return false;
    return ctx_.Options.TypeIntoMemo(ctx_.Host.Doc().CurrentTool, text);
}

bool ToolController::HandleKey(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const bool shift = modifiers & Qt::ShiftModifier;
    // A text box or balloon just placed is there to be written in: the user starting to
    // type over the picture means the text, not the tool keys.
    if (TypeIntoText(text)) return true;
    // A tool is not switched under a held mouse button, nor is the object it drags
    // committed, dropped or moved by a key: the rest of the drag would go astray.
    if (MouseHeld() && key != Qt::Key_BracketLeft && key != Qt::Key_BracketRight) return false;
    // An object being edited keeps the tool busy for the whole edit; its own keys
    // come first. A pending shape is committed by choosing another tool, as a click
    // on the palette does.
    if (HandleShapeKey(key, shift)) return true;
    const int current = ctx_.Host.Doc().CurrentTool;
    switch (key) {
    case Qt::Key_O:
        if (shift)
            ChooseByKey(current == ToolDarken ? ToolLighten : ToolDarken);
        else
            ChooseByKey(ToolLighten);
        return true;
    case Qt::Key_K:
        if (!shift)
            ChooseByKey(ToolBalloonA);
        else
            ChooseByKey(current == ToolBalloonA ? ToolBalloonB : current == ToolBalloonB ? ToolBalloonC : ToolBalloonA);
        return true;
    case Qt::Key_D:
        if (shift) return false;
        ctx_.Palette.SetFrontColor(0x000000);
        ctx_.Palette.SetBackColor(0xFFFFFF);
        emit ctx_.Palette.colorsChanged();
        return true;
    case Qt::Key_X: {
        if (shift) return false;
        const std::uint32_t front = ctx_.Palette.FrontColor();
        ctx_.Palette.SetFrontColor(ctx_.Palette.BackColor());
        ctx_.Palette.SetBackColor(front);
        emit ctx_.Palette.colorsChanged();
        return true;
    }
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
        return ctx_.Options.StepToolSize(current, key == Qt::Key_BracketRight);
    default:
        break;
    }
    if (shift) return false;
    for (const ToolInfo& t : PaletteTools()) {
        const char* k = t.Key;
        if (k[0] != '\0' && k[1] == '\0' && key == Qt::Key_A + (k[0] - 'A')) {
            ChooseByKey(t.Id);
            return true;
        }
    }
    return false;
}

}  // namespace velmora
