#include "adjust/Adjustment.h"

#include <algorithm>
#include <stdexcept>

#include "engine/Buffers.h"
#include "engine/ColorStep.h"

namespace velmora {

int AdjustmentValueCount(Adjustment kind) {
    switch (kind) {
        case Adjustment::BrightContrast: return 2;
        case Adjustment::Saturation: return 1;
        case Adjustment::ColorBalance: return 3;
        case Adjustment::Blur: return 1;
    }
    return 0;
}

const char* AdjustmentStateName(Adjustment kind) {
    switch (kind) {
        case Adjustment::BrightContrast: return "Brightness/Contrast";
        case Adjustment::Saturation: return "Saturation";
        case Adjustment::ColorBalance: return "Color Balance";
        case Adjustment::Blur: return "Blur";
    }
    return "";
}

std::string AdjustmentDetail(bool sketchDrawable, bool colorDrawable, const std::vector<int>& values) {
    std::string detail;
    if (sketchDrawable) detail += "Sketch Layer, ";
    if (colorDrawable) detail += "Color Layer, ";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) detail += ", ";
        detail += std::to_string(values[i]);
    }
    return detail;
}

Rect WholeBitmap(const Bitmap& bmp) { return Rect{0, 0, bmp.Width() - 1, bmp.Height() - 1}; }

bool ClipToBitmap(Rect& r, const Bitmap& bmp) {
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::min(r.Right, bmp.Width() - 1);
    r.Bottom = std::min(r.Bottom, bmp.Height() - 1);
    return r.Left <= r.Right && r.Top <= r.Bottom;
}

void ApplyAdjustment(TColorStep& step, const AdjustmentSettings& settings, const Bitmap& src,
                     Bitmap& dst, Rect r) {
    const std::vector<int>& v = settings.Values;
    if (static_cast<int>(v.size()) != AdjustmentValueCount(settings.Kind))
        throw std::invalid_argument("wrong number of adjustment values");
    switch (settings.Kind) {
        case Adjustment::BrightContrast:
            // Brightness first, then contrast on its result: the two do not commute.
            step.BrightnessRect(src, dst, r, v[0], v[0], v[0]);
            step.ContrastRect(dst, dst, r, v[1], kAdjustContrastPivot);
            break;
        case Adjustment::Saturation:
            step.SaturationRect(src, dst, r, v[0]);
            break;
        case Adjustment::ColorBalance:
            step.BrightnessRect(src, dst, r, v[0], v[1], v[2]);
            break;
        case Adjustment::Blur:
            // A radius of zero or less leaves the pixels as they are; the slider's
            // least position already gives 0.05.
            step.BlurRect(src, dst, r, v[0] / 20.0);
            break;
    }
}

namespace {

void AdjustOneLayer(TColorStep& step, const AdjustmentSettings& settings, Bitmap& layer,
                    Bitmap& scratch, Bitmap*& shown, Rect r, AdjustInto into) {
    if (into == AdjustInto::Scratch) {
        // The scratch bitmaps keep the size of the picture they were last sized for,
        // which after an undo across pictures may not be this layer's.
        if (scratch.Width() != layer.Width() || scratch.Height() != layer.Height())
            scratch.SetSize(layer.Width(), layer.Height());
        if (ClipToBitmap(r, layer)) ApplyAdjustment(step, settings, layer, scratch, r);
        shown = &scratch;
    } else {
        if (ClipToBitmap(r, layer)) ApplyAdjustment(step, settings, layer, layer, r);
        shown = &layer;
    }
}

}  // namespace

void AdjustDrawableLayers(TColorStep& step, const AdjustmentSettings& settings, Document& doc,
                          const LayerState& state, Rect r, AdjustInto into, AdjustedLayers* written) {
    if (into == AdjustInto::Layers) {
        // Pixels shared with the photograph (a picture just opened) are copied here,
        // over the threads, rather than by the first of the threads adjusting a layer
        // to write; and for both layers before either changes, so that running out of
        // memory for the color layer's copy cannot leave the sketch layer adjusted.
        if (state.SketchDrawable) OwnPicture(doc.SketchBmp);
        if (state.ColorDrawable) OwnPicture(doc.ColorBmp);
    }
    if (state.SketchDrawable) {
        AdjustOneLayer(step, settings, doc.SketchBmp, doc.WorkBmp1, doc.ShownSketch, r, into);
        if (written && into == AdjustInto::Layers) written->Sketch = true;
    }
    if (state.ColorDrawable) {
        AdjustOneLayer(step, settings, doc.ColorBmp, doc.WorkBmp2, doc.ShownColor, r, into);
        if (written && into == AdjustInto::Layers) written->Color = true;
    }
    if (into == AdjustInto::Layers) ShowRealLayers(doc);
}

void ShowRealLayers(Document& doc) {
    doc.ShownSketch = &doc.SketchBmp;
    doc.ShownColor = &doc.ColorBmp;
}

}  // namespace velmora
