#pragma once
// The batch converter: converts photographs with a preset exactly as the application
// does when a user opens the photograph, chooses the conversion with that preset
// loaded, presses OK at once and saves. Everything here is free of windows so that it
// can be tested; the program's main only hands over its arguments.

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "common/Bitmap.h"
#include "document/LayerState.h"
#include "engine/EffectParams.h"
#include "engine/Progress.h"

namespace velmora {

struct RegionSpec {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

struct BatchOptions {
    std::string PresetPath;  // empty: "default.set" in the program's folder
    std::string OutputPath;  // empty: next to each input
    std::string Format;      // "bmp", "jpg", "png" or "d2o"; empty: jpg (bmp for a region)
    bool HasRegion = false;
    RegionSpec Region;
    int ScalePercent = 100;  // 1..100
    int Width = 0;           // 0: not given
    int Threads = 0;         // 0: one per core
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
    std::vector<std::string> Inputs;
};

// Parses the arguments after the program name. False with a one-line message for an
// unknown option, a missing or malformed value, or no input (which --help and
// --version do not need).
bool ParseBatchArguments(const std::vector<std::string>& args, BatchOptions& options, std::string& error);
std::string BatchUsage();

// The record a freshly created conversion dialog holds when OK is pressed at once:
// the default preset from the program's folder is read over an all-zero record, a
// given preset over that, and the result passes through the dialog's controls. With
// neither file the controls' own defaults are used. False when a given preset cannot
// be read.
bool BatchRecord(const std::string& presetPath, const std::string& programDir, TEffectParams& record,
                 std::string& error);

// The composite the document shows right after opening `path` (.jpg, .jpeg, .bmp or
// .png over the white sketch layer in Multiply, or a .d2o project with its own layer
// state).
bool OpenAsDisplayed(const std::string& path, Bitmap& displayed, std::string& error);

// The photograph size the image-size page leaves after the scale slider is moved to
// scalePercent (100: untouched) or, when width > 0, that width is typed.
std::pair<int, int> DialogImageSize(int originalWidth, int originalHeight, int scalePercent, int width);

struct ConversionOutput {
    Bitmap Photo;
    Bitmap Sketch;
    Bitmap Color;
    Bitmap Composite;
    LayerState State;
};

// The full conversion of a displayed picture at the chosen size, with the layer
// state and composite as the main window sets them afterwards.
bool ConvertDisplayed(const Bitmap& displayed, const TEffectParams& record, int scalePercent, int width,
                      ConversionOutput& out, std::string& error, ProgressTargets* progress = nullptr);

// The conversion dialog's live preview of `region` of the picture at the chosen size.
bool PreviewDisplayed(const Bitmap& displayed, const TEffectParams& record, int scalePercent, int width,
                      RegionSpec region, Bitmap& preview, std::string& error);

// Where the result of `input` goes; empty with a message when -o names something
// that cannot take it.
std::string BatchOutputPath(const std::string& input, const BatchOptions& options, bool severalInputs,
                            std::string& error);

// Reads, converts and writes one input. The message names the file at fault.
bool ConvertFile(const std::string& input, const std::string& output, const TEffectParams& record,
                 const BatchOptions& options, std::string& error, ProgressTargets* progress = nullptr);

// The whole program: 0 when every input was converted, 1 when some failed, 2 for
// a usage error (nothing converted). Failures go to `err`, one line each. With a
// terminal (and without --quiet) each finished input adds one line to `err`; after
// several inputs one line "<n> converted, <m> failed" goes to `out` unless --quiet.
int RunBatch(const std::vector<std::string>& args, const std::string& programDir, std::ostream& out,
             std::ostream& err, bool progressToTerminal);

}  // namespace velmora
