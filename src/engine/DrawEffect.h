#pragma once
// The conversion pipeline: sketch and color layers from a rectangle of the photograph.
// Public interface only here; the implementation owns its working buffers.

#include <memory>
#include <string>

#include "engine/EffectParams.h"
#include "engine/Progress.h"

namespace velmora {

class Bitmap;

class TDrawEffect {
public:
    TDrawEffect();
    ~TDrawEffect();
    TDrawEffect(const TDrawEffect&) = delete;
    TDrawEffect& operator=(const TDrawEffect&) = delete;

    // Copies the record; params.SourceBitmap is the photograph the run reads.
    void SetParams(const TEffectParams& params);
    const TEffectParams& Params() const;
    // nullptr: no progress.
    void SetProgress(ProgressTargets* targets);
    // Runs the pipeline over the record's rectangle (clears CancelFlag first).
    void Execute();
    // The blended preview of the last run, Width x Height.
    void ComposePreview(Bitmap& bitmap) const;
    // The two layers of the last run; nothing happens while CancelFlag is set.
    void GetLayers(Bitmap& sketch, Bitmap& color) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Empty when the record can run on a photograph of the given size; otherwise what
// is wrong (a damaged preset: ColorReducer < 1, HandleCount outside 0..5, a
// rectangle outside the photograph, an enumerated field out of range).
std::string ValidateParams(const TEffectParams& params, int photoWidth, int photoHeight);

}  // namespace velmora
