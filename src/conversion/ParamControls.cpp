#include "conversion/ParamControls.h"

namespace velmora {

TEffectParams ControlDefaultRecord() {
    TEffectParams p;
    for (const ParamBinding& b : kPageParams)
        if (b.Field) p.*b.Field = b.Control->Default;
    for (const ParamBinding& b : kMoreOptionParams) p.*b.Field = b.Control->Default;
    p.SketchType = kDefaultSketchTypeIndex + 1;
    p.RemainDark = false;
    p.SmoothType = kDefaultSmoothTypeIndex;
    p.DrawSketch = true;
    p.DrawColor = false;
    p.BlendMode = 1;
    p.ThresholdLevel = 255 - kSketchThreshold.Default;
    p.ReducerType = 0;
    p.ColoringMode = kDefaultColoringModeIndex;
    p.HandleCount = 0;
    return p;
}

TEffectParams RecordThroughControls(const TEffectParams& loaded, int sketchThresholdPosition) {
    TEffectParams r = loaded;
    r.SketchType = RadioGroupIndex(std::int64_t(loaded.SketchType) - 1, 2) + 1;
    for (const ParamBinding& b : kPageParams)
        if (b.Field) r.*b.Field = b.Control->Clamp(loaded.*b.Field);
    for (const ParamBinding& b : kMoreOptionParams) r.*b.Field = b.Control->Clamp(loaded.*b.Field);
    r.SmoothType = RadioGroupIndex(loaded.SmoothType, 2);
    r.BlendMode = loaded.BlendMode == 1 ? 1 : 2;
    r.ColoringMode = RadioGroupIndex(loaded.ColoringMode, 2);
    if (r.DrawSketch || r.DrawColor) {
        r.ThresholdLevel = 255 - kSketchThreshold.Clamp(sketchThresholdPosition);
        r.ReducerType = loaded.ReducerType == 1 ? 1 : 0;
    }
    // The handle editor, shown in Custom mode, copies the handle count into the
    // record whenever it repaints, which loading a preset makes it do.
    if (r.DrawSketch || r.DrawColor || loaded.ReducerType == 1)
        r.HandleCount = ComboIndex(std::int64_t(loaded.HandleCount) - 1, kHandleCountItems) + 1;
    return r;
}

}  // namespace velmora
