#pragma once
// The conversion pipeline: sketch and color layers from a rectangle of the photograph,
// then either a blended preview of that rectangle or the two layers.

#include <string>

#include "engine/ColorStep.h"
#include "engine/EffectParams.h"
#include "engine/Progress.h"
#include "engine/Sketch.h"

namespace velmora {

class Bitmap;

class TDrawEffect {
public:
    TSketch Sketch;
    TColorStep ColorStep;
    ProgressTargets* Progress = nullptr;  // not owned; null shows no progress

    TDrawEffect() = default;
    TDrawEffect(const TDrawEffect&) = delete;
    TDrawEffect& operator=(const TDrawEffect&) = delete;

    // Copies the record; params.SourceBitmap is the photograph the run reads.
    void SetParams(const TEffectParams& params) { params_ = params; }
    const TEffectParams& Params() const { return params_; }
    // nullptr: no progress.
    void SetProgress(ProgressTargets* targets) { Progress = targets; }
    // Clears CancelFlag and runs the pipeline over the record's rectangle. A record
    // that ValidateParams refuses runs nothing and leaves no result.
    void Execute();
    // The blended preview of the last run, Width x Height. Nothing is written while
    // CancelFlag is set or when the last run did not finish.
    void ComposePreview(Bitmap& bitmap) const;
    // The two layers of the last run; nothing happens while CancelFlag is set or when
    // the last run did not finish.
    void GetLayers(Bitmap& sketch, Bitmap& color) const;

    // True when the last Execute ran to its end (not refused, not cancelled, not out
    // of memory).
    bool HasResult() const { return hasResult_; }
    // True when the last Execute stopped because its buffers could not be allocated;
    // Execute then returns normally (it runs on a worker thread) with no result.
    bool OutOfMemory() const { return outOfMemory_; }

private:
    TEffectParams params_;
    // The record of the last run: the results are read with its size and switches,
    // so a SetParams between Execute and GetLayers cannot make them read out of bounds.
    TEffectParams ran_;
    bool hasResult_ = false;
    bool outOfMemory_ = false;

    void Run(const TEffectParams& p, const Bitmap& source);
};

// Empty when the record can run on a photograph of the given size; otherwise what is
// wrong. Only the fields of the layers the record draws are checked. Refused: no
// photograph, a rectangle outside the photograph, and any value no control of the
// conversion dialog can hold. Accepted although outside the listed choices, because
// the dialog produces them when a radio group has nothing selected: SketchType 0
// (the clamped edge value is kept, not inverted), SmoothType -1 (acts as the median)
// and ColoringMode -1 (keeps the region averages).
std::string ValidateParams(const TEffectParams& params, int photoWidth, int photoHeight);

}  // namespace velmora
