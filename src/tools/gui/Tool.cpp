#include "tools/gui/Tool.h"

#include "tools/ToolTable.h"

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

bool Tool::InsidePicture(int x, int y) {
    const Bitmap& c = Doc().CompositeBmp;
    return x >= 0 && y >= 0 && x < c.Width() && y < c.Height();
}

}  // namespace velmora
