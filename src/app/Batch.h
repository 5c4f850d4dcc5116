#pragma once
// The batch converter: converts photographs with a preset exactly as the application
// does when a user opens the photograph, chooses the conversion with that preset
// loaded, presses OK at once and saves. Everything here is free of windows so that it
// can be tested; the program's main only hands over its arguments.

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "app/BatchArgs.h"
#include "common/Bitmap.h"
#include "document/LayerState.h"
#include "engine/EffectParams.h"
#include "engine/Progress.h"

namespace velmora {

// The record a freshly created conversion dialog holds when OK is pressed at once:
// the default preset from the program's folder is read over an all-zero record, a
// given preset over that, and the result passes through the dialog's controls. With
// neither file the controls' own defaults are used. False when a given preset cannot
// be read.
bool BatchRecord(const std::string& presetPath, const std::string& programDir, TEffectParams& record,
                 std::string& error);

// The composite the document shows right after opening `path` (.jpg, .jpeg, .bmp or
// .png over the white sketch layer in Multiply, or a .d2o project with its own layer
// state). `shown`, when given, receives that layer state.
bool OpenAsDisplayed(const std::string& path, Bitmap& displayed, std::string& error, LayerState* shown = nullptr);

struct ConversionOutput {
    Bitmap Photo;
    Bitmap Sketch;
    Bitmap Color;
    Bitmap Composite;
    LayerState State;
};

// The full conversion of a displayed picture at the chosen size, with the layer
// state and composite as the main window sets them afterwards. The picture is taken
// by value so that a caller done with it can move it in; at 100 % it then becomes
// the photograph without a copy. Without `layersWanted` only Composite is filled,
// made in the color layer's memory, for a caller that writes a flat picture. On
// entry out.State is the layer state the picture was displayed with: as in the main
// window, the conversion sets blending and visibility and keeps the drawable flags.
bool ConvertDisplayed(Bitmap displayed, const TEffectParams& record, int scalePercent, int width,
                      ConversionOutput& out, std::string& error, ProgressTargets* progress = nullptr,
                      bool layersWanted = true);

// The conversion dialog's live preview of `region` of the picture at the chosen size.
bool PreviewDisplayed(const Bitmap& displayed, const TEffectParams& record, int scalePercent, int width,
                      RegionSpec region, Bitmap& preview, std::string& error);

// Reads, converts and writes one input. The message names the file at fault.
bool ConvertFile(const std::string& input, const std::string& output, const TEffectParams& record,
                 const BatchOptions& options, std::string& error, ProgressTargets* progress = nullptr);

// The whole program: 0 when every input was converted, 1 when some failed or `out`
// would not take what was written to it, 2 for a usage error (nothing converted).
// Failures go to `err`, one line each. With a terminal (and without --quiet) each
// finished input adds one line to `err`; after several inputs one line
// "<n> converted, <m> failed" goes to `out` unless --quiet.
int RunBatch(const std::vector<std::string>& args, const std::string& programDir, std::ostream& out,
             std::ostream& err, bool progressToTerminal);

}  // namespace velmora
