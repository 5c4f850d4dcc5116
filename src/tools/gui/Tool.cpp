#include "tools/gui/Tool.h"

#include <new>

#include "common/gui/Messages.h"
#include "engine/Buffers.h"
#include "tools/ToolTable.h"
#include "tools/gui/ToolsWindow.h"

namespace velmora {

std::vector<Bitmap*> Tool::DrawableLayers() {
    const LayerState state = Host().GetLayerState();
    std::vector<Bitmap*> layers;
    if (state.SketchDrawable) layers.push_back(&Doc().SketchBmp);
    if (state.ColorDrawable) layers.push_back(&Doc().ColorBmp);
    return layers;
}

void Tool::Touch(const Rect& r) {
    if (r.Empty()) return;
    Host().CompositeRect(r);
    Host().PaintImageRect(r);
}

void Tool::RecordToolState() {
    const ToolInfo* info = FindTool(id_);
    if (info && info->HistoryName) Host().AddState(info->HistoryName, info->HistoryDetail);
}

void Tool::ReportNoMemory() {
    ShowMessage(Palette().parentWidget(),
                QStringLiteral("There is not enough memory to use this tool on a picture of this size."));
}

bool Tool::ClaimLayers() {
    const ToolInfo* info = FindTool(id_);
    // A tool that records a state when it is done is one that changes the layers.
    if (!info || info->HistoryName == nullptr) return true;
    try {
        OwnPicture(Doc().SketchBmp);
        OwnPicture(Doc().ColorBmp);
        return true;
    } catch (const std::bad_alloc&) {
        ReportNoMemory();
        return false;
    }
}

bool Tool::CopyLayersToWork() {
    Document& doc = Doc();
    try {
        // Split over the worker threads: every stroke of the tone tools starts with it.
        CopyPicture(doc.WorkBmp1, doc.SketchBmp);
        CopyPicture(doc.WorkBmp2, doc.ColorBmp);
        return true;
    } catch (const std::bad_alloc&) {
        doc.WorkBmp1 = Bitmap();
        doc.WorkBmp2 = Bitmap();
        ReportNoMemory();
        return false;
    }
}

bool Tool::InsidePicture(int x, int y) {
    const Bitmap& c = Doc().CompositeBmp;
    return x >= 0 && y >= 0 && x < c.Width() && y < c.Height();
}

}  // namespace velmora
