#include "conversion/ConversionRun.h"

#include "common/Bitmap.h"

namespace velmora {

TEffectParams FullConversionRecord(const TEffectParams& dialogRecord, const Bitmap& photo) {
    TEffectParams p = dialogRecord;
    p.SourceBitmap = &photo;
    p.Left = 0;
    p.Top = 0;
    p.Width = photo.Width();
    p.Height = photo.Height();
    return p;
}

int TotalProgressSteps(const TEffectParams& params) {
    int steps = 0;
    if (params.DrawSketch) steps += (params.SketchSmooth > 0 ? 2 : 0) + 1;
    if (params.DrawColor) steps += 1 + 3 + 1 + (params.BorderBlur > 0 ? 2 : 0) + 1;
    return steps;
}

LayerState ConversionLayerState(const TEffectParams& params, LayerState state) {
    state.BlendingMode = params.BlendMode == 1 ? 0 : 1;
    state.Opacity = params.Opacity;
    state.SketchVisible = true;
    state.ColorVisible = true;
    return state;
}

std::string ConversionDetailText(const TEffectParams& p) {
    using std::to_string;
    std::string d;
    if (p.DrawSketch) {
        d += "Sketch(" + to_string(p.Detail) + "," + to_string(p.Darkness) + "," + to_string(p.SketchSmooth) + ") ";
        d += "Sketch Type(" + to_string(p.SketchType) + ") ";
    }
    if (p.DrawColor) {
        d += "Color(" + to_string(p.ColorReducer) + "," + to_string(p.ColorSmooth) + "," + to_string(p.BorderBlur) +
             "," + to_string(p.Brightness) + "," + to_string(p.Contrast) + "," + to_string(p.Saturation) + ") ";
        d += "Color Scale(" + to_string(p.ReducerType) + ") ";
        d += "Smooth(" + to_string(p.SmoothType) + ") ";
    }
    if (p.DrawSketch && p.DrawColor) {
        if (p.BlendMode == 1)
            d += "Blending Mode(1)";
        else
            d += "Blending Mode(2," + to_string(p.Opacity) + ")";
    }
    return d;
}

}  // namespace velmora
