#include "conversion/ParamControls.h"

namespace velmora {

TEffectParams ControlDefaultRecord() {
    TEffectParams p;
    p.SketchType = kDefaultSketchTypeIndex + 1;
    p.Detail = kDetail.Default;
    p.Darkness = kDarkness.Default;
    p.SketchSmooth = kSketchSmooth.Default;
    p.Sharper = kSharper.Default;
    p.RemainDark = false;
    p.RemainThreshold = kRemainThreshold.Default;
    p.RemainDarkness = kRemainDarkness.Default;
    p.SmoothType = kDefaultSmoothTypeIndex;
    p.ColorSmooth = kColorSmooth.Default;
    p.BorderBlur = kBorderBlur.Default;
    p.Brightness = kBrightness.Default;
    p.Contrast = kContrast.Default;
    p.Saturation = kSaturation.Default;
    p.Red = kRed.Default;
    p.Green = kGreen.Default;
    p.Blue = kBlue.Default;
    p.DrawSketch = true;
    p.DrawColor = false;
    p.BlendMode = 1;
    p.Opacity = kOpacity.Default;
    p.ThresholdLevel = 255 - kSketchThreshold.Default;
    p.ColorReducer = kColorReducer.Default;
    p.ReducerType = 0;
    p.ColoringMode = kDefaultColoringModeIndex;
    p.HandleCount = 0;
    return p;
}

TEffectParams RecordThroughControls(const TEffectParams& loaded, int sketchThresholdPosition) {
    TEffectParams r = loaded;
    r.SketchType = RadioGroupIndex(std::int64_t(loaded.SketchType) - 1, 2) + 1;
    r.Detail = kDetail.Clamp(loaded.Detail);
    r.Darkness = kDarkness.Clamp(loaded.Darkness);
    r.SketchSmooth = kSketchSmooth.Clamp(loaded.SketchSmooth);
    r.Sharper = kSharper.Clamp(loaded.Sharper);
    r.RemainThreshold = kRemainThreshold.Clamp(loaded.RemainThreshold);
    r.RemainDarkness = kRemainDarkness.Clamp(loaded.RemainDarkness);
    r.SmoothType = RadioGroupIndex(loaded.SmoothType, 2);
    r.ColorSmooth = kColorSmooth.Clamp(loaded.ColorSmooth);
    r.BorderBlur = kBorderBlur.Clamp(loaded.BorderBlur);
    r.Brightness = kBrightness.Clamp(loaded.Brightness);
    r.Contrast = kContrast.Clamp(loaded.Contrast);
    r.Saturation = kSaturation.Clamp(loaded.Saturation);
    r.Red = kRed.Clamp(loaded.Red);
    r.Green = kGreen.Clamp(loaded.Green);
    r.Blue = kBlue.Clamp(loaded.Blue);
    r.BlendMode = loaded.BlendMode == 1 ? 1 : 2;
    r.Opacity = kOpacity.Clamp(loaded.Opacity);
    r.ColorReducer = kColorReducer.Clamp(loaded.ColorReducer);
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
