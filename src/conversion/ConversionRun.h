#pragma once
// The parts of a full conversion that need no window: the record the full run uses,
// the number of progress steps it really reports, and the detail text of the
// history state it records.

#include <string>

#include "document/LayerState.h"
#include "engine/EffectParams.h"

namespace velmora {

class Bitmap;

// The dialog's record made to cover the whole photograph: the source is `photo` and
// the rectangle is all of it.
TEffectParams FullConversionRecord(const TEffectParams& dialogRecord, const Bitmap& photo);

// How many times a run with this record advances the total progress bar: the sketch
// part blurs (two steps) only with a smoothing radius above 0 and then draws (one);
// the color part reduces (one), adjusts tone (three), smooths (one), blurs the
// borders (two, only with a radius above 0) and balances (one).
int TotalProgressSteps(const TEffectParams& params);

// The layer settings after a conversion: the blending chosen in the coloring
// options, both layers visible; everything else as in `state`.
LayerState ConversionLayerState(const TEffectParams& params, LayerState state);

// The history detail of a conversion, e.g.
// "Sketch(115,68,15) Sketch Type(2) Color(10,2,25,0,0,0) Color Scale(0) Smooth(0) Blending Mode(1)".
std::string ConversionDetailText(const TEffectParams& params);

}  // namespace velmora
