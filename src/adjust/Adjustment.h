#pragma once
// The adjustments applied after a conversion (brightness and contrast, saturation,
// color balance, blur) as the dialogs apply them to the document: which operation,
// which bitmaps, which rectangle, and the history state they leave. Kept free of
// any window so that the preview and the OK path share one tested implementation.

#include <string>
#include <vector>

#include "common/Bitmap.h"
#include "common/Geometry.h"
#include "document/Document.h"
#include "document/LayerState.h"

namespace velmora {

class TColorStep;

enum class Adjustment { BrightContrast, Saturation, ColorBalance, Blur };

// The level that contrast pushes values away from (plus one); both adjustment
// callers use it.
constexpr int kAdjustContrastPivot = 253;

// One adjustment with the slider positions of its dialog, in the order of its rows:
// brightness and contrast; saturation; red, green and blue; blur (the radius in
// twentieths of a pixel).
struct AdjustmentSettings {
    Adjustment Kind = Adjustment::BrightContrast;
    std::vector<int> Values;
};

// How many values each adjustment takes.
int AdjustmentValueCount(Adjustment kind);

// The name of the history state an adjustment records.
const char* AdjustmentStateName(Adjustment kind);

// The detail text of that history state: "Sketch Layer, " when the sketch layer was
// drawable, "Color Layer, " when the color layer was, then the values in decimal
// separated by ", ".
std::string AdjustmentDetail(bool sketchDrawable, bool colorDrawable, const std::vector<int>& values);

// The rectangle of a whole bitmap, inclusive on all four sides.
Rect WholeBitmap(const Bitmap& bmp);

// Clips r (inclusive) to the bitmap; false when nothing of it is inside.
bool ClipToBitmap(Rect& r, const Bitmap& bmp);

// Applies the adjustment to the pixels of src inside r and writes them to the same
// place in dst (which may be src). r must lie inside both bitmaps. Throws
// std::invalid_argument when the settings hold the wrong number of values.
void ApplyAdjustment(TColorStep& step, const AdjustmentSettings& settings, const Bitmap& src,
                     Bitmap& dst, Rect r);

// Where AdjustDrawableLayers writes.
enum class AdjustInto {
    // Each drawable layer's adjustment goes into its scratch bitmap (WorkBmp1 for the
    // sketch, WorkBmp2 for the color layer), brought to the layer's size first, and
    // compositing is pointed at the scratch bitmap. The layers are not touched.
    Scratch,
    // Each drawable layer is adjusted in place and compositing reads the layers.
    Layers,
};

// Which layers an adjustment has written so far; kept up to date while it runs, so
// that a caller can tell what changed when an allocation fails half-way.
struct AdjustedLayers {
    bool Sketch = false;
    bool Color = false;
};

// Applies the adjustment inside r (clipped to each layer) to the layers the layer
// state marks drawable. A preview passes the view's rectangle with Scratch; OK passes
// the whole picture with Layers.
void AdjustDrawableLayers(TColorStep& step, const AdjustmentSettings& settings, Document& doc,
                          const LayerState& state, Rect r, AdjustInto into,
                          AdjustedLayers* written = nullptr);

// Points compositing back at the real layers.
void ShowRealLayers(Document& doc);

}  // namespace velmora
