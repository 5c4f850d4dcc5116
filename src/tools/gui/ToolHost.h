#pragma once
// What the drawing tools ask of the window that shows the document. The main window
// implements it; the tools never see the window itself.

#include <Qt>
#include <string>

#include "common/Geometry.h"
#include "document/Document.h"
#include "document/LayerState.h"
#include "view/gui/CanvasView.h"

namespace velmora {

class TFrmTools;
class TFrmToolOption;

class ToolHost {
public:
    virtual ~ToolHost() = default;

    virtual Document& Doc() = 0;
    virtual LayerState GetLayerState() const = 0;
    // Recomputes the composite inside r (inclusive); does not paint.
    virtual void CompositeRect(const Rect& r) = 0;
    // Composites the whole picture (before reading all of the composite).
    virtual void CompositeAll() = 0;
    // Repaints the place of r (inclusive) in the view.
    virtual void PaintImageRect(const Rect& r) = 0;
    virtual void RefreshView() = 0;
    virtual bool AddState(const std::string& name, const std::string& detail) = 0;
    virtual void ShowToolOptionPage() = 0;
    virtual void UpdateCommandStates() = 0;
    virtual void DisableDocumentCommands() = 0;
    // The outline cursor over the view.
    virtual void SetOverlay(ViewOverlay overlay) = 0;
    // A handle's cursor over the view while a shape is edited.
    virtual void SetShapeCursor(Qt::CursorShape shape) = 0;
};

// Everything a tool reads or asks: the host, the palette (paint colors) and the
// option window (sizes and settings, read at the moment of use).
struct ToolContext {
    ToolHost& Host;
    TFrmTools& Palette;
    TFrmToolOption& Options;
    // The last position a freehand tool saw on the picture, shared by all five: a tool
    // chosen with the pointer still over the picture redraws its outline there.
    int CursorX = 0;
    int CursorY = 0;
    bool CursorKnown = false;
};

}  // namespace velmora
