#pragma once
// What the dialogs (conversion, adjustments) and tools ask of the window that owns
// the document. The main window implements it; tests implement it with a plain
// document and no window.

#include <functional>
#include <string>

#include "document/Document.h"
#include "document/LayerState.h"

namespace velmora {

// The preferences belong to a layer above the document; a host only hands them on.
struct Options;

class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    virtual Document& Doc() = 0;
    // The Layers window's six values.
    virtual LayerState GetLayerState() const = 0;
    // Sets the Layers window's controls without firing their handlers; the caller
    // refreshes afterwards.
    virtual void SetLayerStateQuietly(const LayerState& state) = 0;

    virtual void CompositeAll() { Doc().CompositeAll(GetLayerState()); }
    // CompositeRect(ViewRect) and a repaint of the view.
    virtual void RefreshView() = 0;
    // A dialog that previews its change in the view, or that works on the document
    // in a way the view must not show, sets how to refresh the view for the view
    // rectangle of the moment, and clears it (null) when it closes. While it is set, a
    // refresh that the dialog did not ask for (a resize, a scroll, a zoom) goes through
    // it: an adjustment's preview, which exists only in the composite of the view, is
    // computed again rather than the layers shown unchanged under the dialog's sliders.
    // It comes back to RefreshView to show itself. A host whose view nothing else
    // refreshes need not keep it.
    virtual void SetViewPreview(std::function<void()> preview) { (void)preview; }
    // Paints the view from the composite as it is, recompositing nothing.
    virtual void PaintView() {}
    // Scroll bars after a size change; scroll positions return to 0.
    virtual void UpdateScrollBars() = 0;
    virtual void UpdateCommandStates() = 0;
    // Records the document as a new history state. False when the snapshot could
    // not be written (the user has been told; the history is unchanged).
    virtual bool AddState(const std::string& name, const std::string& detail) = 0;
    // The folder of presets, options, help and history.
    virtual std::string ProgramFolder() const = 0;
    // The preferences in force (the conversion dialog reads its window placement and
    // writes its last geometry here).
    virtual Options& Preferences() = 0;
};

}  // namespace velmora
