#pragma once
// The base of every drawing tool: the mouse hooks the view routes to it, and what
// the palette asks when the tool is chosen, left, cancelled or its options change.
// One object per tool lives as long as the main window.

#include <vector>

#include "common/Bitmap.h"
#include "common/Geometry.h"
#include "tools/gui/ToolHost.h"
#include "view/ToolRouting.h"

namespace velmora {

class Tool {
public:
    Tool(ToolContext& ctx, int id) : ctx_(ctx), id_(id) {}
    virtual ~Tool() = default;
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    int Id() const { return id_; }

    // The tool was chosen (after the option page is shown). False when it cannot be
    // used: there was no memory for its copies of the layers, which it has said; the
    // palette then goes back to the hand.
    virtual bool Start() { return true; }
    // Before Start: a tool that paints makes both layers take pixels of their own if
    // they share them with the photograph (a picture just opened), so that no stroke
    // runs out of memory half-way. False, said to the user, when there is none.
    bool ClaimLayers();
    virtual void Press(int /*x*/, int /*y*/, const MouseState& /*state*/) {}
    virtual void Move(int /*x*/, int /*y*/, const MouseState& /*state*/) {}
    virtual void Release(int /*x*/, int /*y*/, const MouseState& /*state*/) {}
    // Another tool is chosen, or the commit button: finish what is on the picture.
    virtual void Leave() {}
    // The cancel button or the Delete key: drop a pending edit; nothing is recorded.
    virtual void Cancel() {}
    // An option, a paint color or a drawable box changed: redraw what the tool shows.
    virtual void RefreshOverlay() {}
    // The pointer left the picture.
    virtual void PointerLeft() {}
    // Leaves in the layers only what a commit would keep, the edit going on: a copy
    // of the picture then holds no handles and no object that merely follows the
    // mouse. The next hover or move draws them again.
    virtual void ShowAsCommitted() {}
    // True while an edit holds copies of the layers that a swap of the document
    // (undo, redo, a history jump, opening a file) would make stale.
    virtual bool Busy() const { return false; }

protected:
    ToolHost& Host() { return ctx_.Host; }
    Document& Doc() { return ctx_.Host.Doc(); }
    TFrmTools& Palette() { return ctx_.Palette; }
    TFrmToolOption& Options() { return ctx_.Options; }
    ToolContext& Context() { return ctx_; }

    // The layers a tool paints, read at the moment of painting: the sketch layer, then
    // the color layer, each when its drawable box is checked.
    std::vector<Bitmap*> DrawableLayers();
    // Recomposites and repaints r (inclusive) and nothing else.
    void Touch(const Rect& r);
    // Adds the tool's history state ("Pencil", "--" and so on).
    void RecordToolState();
    bool InsidePicture(int x, int y);
    // Tells the user that the picture is too large for the memory this tool's edit
    // needs; the edit has not touched the layers.
    void ReportNoMemory();
    // Copies the sketch and color layers into WorkBmp1 and WorkBmp2. Without the memory
    // for them both are left empty, the user is told, and the result is false.
    bool CopyLayersToWork();

private:
    ToolContext& ctx_;
    int id_;
};

}  // namespace velmora
