#pragma once
// The conversion pipeline: sketch and color layers from a rectangle of the photograph,
// then either a blended preview of that rectangle or the two layers.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/ColorStep.h"
#include "engine/ContentKey.h"
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
    // The token that stops the runs from now on (not owned; it must outlive them).
    // Its owner resets it before a run starts; Execute never clears it, so a cancel
    // that arrives before the run begins still stops it. nullptr: CancelFlag.
    void SetCancelToken(const CancelToken* token) { cancel_ = token; }
    // Runs the pipeline over the record's rectangle, stopping when the run's token
    // is set; without a token it clears CancelFlag first and polls that. A record
    // that ValidateParams refuses runs nothing and leaves no result.
    //
    // Successive runs share work: a stage whose inputs (the photograph's pixels, the
    // rectangle and the record's fields it reads, and the results of the stages
    // before it) are those of the last run that completed it keeps its buffers
    // instead of computing them again, so a preview after a tone change redoes only
    // the color steps after the reduction, and a change of the sketch redoes only
    // the sketch. The photograph is identified by its pixels, so a photograph changed
    // in place is seen as new. Sketch and ColorStep must not be changed from outside
    // between runs.
    void Execute();
    // The blended preview of the last run, Width x Height. Nothing is written while
    // the last run's token (or CancelFlag) is set or when the last run did not finish.
    void ComposePreview(Bitmap& bitmap) const;
    // The two layers of the last run; nothing happens while the last run's token (or
    // CancelFlag) is set or when the last run did not finish.
    void GetLayers(Bitmap& sketch, Bitmap& color) const;
    // The same, giving back all the run's buffers on the way: for a conversion whose
    // layers are all that is wanted from it. Nothing is kept for a later run, and
    // HasResult is false afterwards.
    void TakeLayers(Bitmap& sketch, Bitmap& color);
    // Hands each row y of the two layers of the last run (3 * Width bytes each, as
    // GetLayers would make them) to `use`, rows shared out over the worker threads: for
    // a caller that needs the layers only a row at a time, such as a flat picture
    // composed from them, and so never holds them whole. Nothing happens when
    // GetLayers would do nothing.
    void VisitLayerRows(
        const std::function<void(int y, const std::uint8_t* sketch, const std::uint8_t* color)>& use) const;

    // For a conversion that runs once, whose layers are then taken: every stage gives
    // back the buffers of the stage before it as soon as it has read them, and works
    // in place where it can, so that a run takes about half the memory and copies
    // less. Nothing is kept for a later run. Off by default.
    void SetSingleRun(bool single) { single_ = single; }
    // For a single run whose caller has no further use for the photograph: `release`
    // is called once, on the thread that runs Execute, as soon as the run reads the
    // photograph no more (after the color reduction), so that the caller can free it
    // and the later stages take over its memory instead of new memory.
    void SetReleaseSource(std::function<void()> release) { releaseSource_ = std::move(release); }

    // True when the last Execute ran to its end (not refused, not cancelled, not out
    // of memory).
    bool HasResult() const { return hasResult_; }
    // True when the last Execute stopped because its buffers could not be allocated;
    // Execute then returns normally (it runs on a worker thread) with no result.
    bool OutOfMemory() const { return outOfMemory_; }

private:
    // The inputs a stage's buffers were computed from.
    struct StageKey {
        ContentKey Photo;
        std::vector<std::int64_t> Fields;
        friend bool operator==(const StageKey&, const StageKey&) = default;
    };
    void Forget();
    void ReleaseSource();
    void FillLayer(Bitmap& layer, bool sketch) const;
    // Row y of a layer into d; a layer that is not drawn is white in all `bytes`.
    void LayerRow(bool sketch, std::int64_t y, std::uint8_t* d, std::size_t bytes) const;

    TEffectParams params_;
    // The record of the last run: the results are read with its size and switches,
    // so a SetParams between Execute and GetLayers cannot make them read out of bounds.
    TEffectParams ran_;
    bool hasResult_ = false;
    std::optional<StageKey> sketchDone_;   // Sketch.Result
    std::optional<StageKey> reducedDone_;  // ColorStep.Reduced
    std::optional<StageKey> smoothedDone_; // ColorStep.Smoothed (tone, then smoothing)
    std::optional<StageKey> blurredDone_;  // ColorStep.Blurred
    std::optional<StageKey> finalDone_;    // ColorStep.Final (the balance)
    bool outOfMemory_ = false;
    bool single_ = false;
    std::function<void()> releaseSource_;
    const CancelToken* cancel_ = nullptr;
    const CancelToken* ranCancel_ = nullptr;  // the token of the last run

    // Whether the last run's token, or CancelFlag without one, asks to stop.
    bool StopRequested() const { return ranCancel_ ? ranCancel_->IsCancelled() : CancelFlag.load(); }
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
