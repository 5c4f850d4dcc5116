#include "engine/DrawEffect.h"

#include <new>

#include "common/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/Parallel.h"
#include "engine/ProgressSteps.h"

namespace velmora {

namespace {

std::string OutOfRange(const char* field, long long value, long long lo, long long hi) {
    if (value >= lo && value <= hi) return {};
    return std::string(field) + " is " + std::to_string(value) + ", outside " + std::to_string(lo) + ".." +
           std::to_string(hi);
}

}  // namespace

std::string ValidateParams(const TEffectParams& p, int photoWidth, int photoHeight) {
    if (p.SourceBitmap == nullptr) return "there is no photograph to convert";
    if (photoWidth < 0 || photoHeight < 0) return "the photograph has a negative size";
    if (p.Left < 0 || p.Top < 0 || p.Width < 0 || p.Height < 0 ||
        static_cast<long long>(p.Left) + p.Width > photoWidth ||
        static_cast<long long>(p.Top) + p.Height > photoHeight)
        return "the rectangle " + std::to_string(p.Left) + "," + std::to_string(p.Top) + " " +
               std::to_string(p.Width) + "x" + std::to_string(p.Height) + " lies outside the " +
               std::to_string(photoWidth) + "x" + std::to_string(photoHeight) + " photograph";

    struct Check {
        const char* name;
        long long value, lo, hi;
    };
    std::vector<Check> checks;
    if (p.DrawSketch) {
        checks.insert(checks.end(), {
            {"SketchType", p.SketchType, 0, 2},
            {"Detail", p.Detail, 0, 1024},
            {"Darkness", p.Darkness, 1, 256},
            {"SketchSmooth", p.SketchSmooth, 0, 100},
            {"Sharper", p.Sharper, 0, 200},
            {"RemainThreshold", p.RemainThreshold, 0, 254},
            {"RemainDarkness", p.RemainDarkness, 0, 255},
            {"ThresholdLevel", p.ThresholdLevel, 0, 255},
        });
    }
    if (p.DrawColor) {
        checks.insert(checks.end(), {
            {"ColorReducer", p.ColorReducer, 1, 254},
            {"ReducerType", p.ReducerType, 0, 1},
            {"ColoringMode", p.ColoringMode, -1, 1},
            {"HandleCount", p.HandleCount, 0, 5},
            {"SmoothType", p.SmoothType, -1, 1},
            {"ColorSmooth", p.ColorSmooth, 0, 19},
            {"BorderBlur", p.BorderBlur, 0, 255},
            {"Brightness", p.Brightness, -255, 255},
            {"Contrast", p.Contrast, -255, 255},
            {"Saturation", p.Saturation, -127, 127},
            {"Red", p.Red, -255, 255},
            {"Green", p.Green, -255, 255},
            {"Blue", p.Blue, -255, 255},
        });
    }
    if (p.DrawSketch && p.DrawColor) {
        checks.insert(checks.end(), {
            {"BlendMode", p.BlendMode, 1, 2},
            {"Opacity", p.Opacity, 1, 99},
        });
    }
    for (const Check& c : checks) {
        std::string problem = OutOfRange(c.name, c.value, c.lo, c.hi);
        if (!problem.empty()) return problem;
    }
    return {};
}

namespace {

// The progress a step reports when its result is kept from the last run: the caption,
// every position the computing loop would report, and its total step, so the bars
// move as they always do.
void ReplaySteps(ProgressTargets* p, const char* caption, long long first, long long last, long long offset,
                 long long divisor) {
    if (!p) return;
    ReportCaption(p, caption);
    StepPositions(p, first, offset, divisor).ReportUpTo(last);
    ReportStepDone(p);
}

void ReplayBlur(ProgressTargets* p, int w, int h) {
    ReplaySteps(p, "Blur Row", 0, h - 1, 0, h - 1);
    ReplaySteps(p, "Blur Column", 0, w - 1, 0, w - 1);
}

void ReplayRows(ProgressTargets* p, const char* caption, int h) { ReplaySteps(p, caption, 0, h - 1, 0, h - 1); }

// The rows of an output bitmap, handed to one thread a band at a time. Writing out
// a finished run is never cut short by a stop request, which would leave a half
// written bitmap.
ParallelLoop OutputRowLoop(const TEffectParams& p) {
    ParallelLoop rows;
    rows.Count = p.Height;
    rows.Grain = p.Width >= 2048 ? 32 : p.Width >= 512 ? 128 : 512;
    rows.StopOnCancel = false;
    return rows;
}

}  // namespace

void TDrawEffect::Forget() {
    sketchDone_.reset();
    reducedDone_.reset();
    smoothedDone_.reset();
    blurredDone_.reset();
    finalDone_.reset();
}

void TDrawEffect::Execute() {
    // A run with a token of its own leaves the token as its owner set it: clearing
    // it here, on the worker thread, would lose a Cancel pressed before the start.
    if (!cancel_) CancelFlag = false;
    ranCancel_ = cancel_;
    const CancelScope scope(cancel_);
    hasResult_ = false;
    outOfMemory_ = false;
    const TEffectParams p = params_;
    const Bitmap* source = p.SourceBitmap;
    if (!ValidateParams(p, source ? source->Width() : 0, source ? source->Height() : 0).empty()) return;
    ran_ = p;
    try {
        Run(p, *source);
    } catch (const std::bad_alloc&) {
        // A very large photograph can exhaust memory in the segmentation's buffers.
        // Give everything back and report no result instead of ending the program.
        Sketch = TSketch{};
        ColorStep = TColorStep{};
        Forget();
        outOfMemory_ = true;
        return;
    }
    hasResult_ = !Cancelled();
    // A cancelled run leaves its buffers half made, and a single run only its
    // results; nothing of either may be reused.
    if (!hasResult_ || single_) Forget();
}

void TDrawEffect::Run(const TEffectParams& p, const Bitmap& source) {
    if (Progress) Progress->SetTotalMaximum((p.DrawSketch ? 3 : 0) + (p.DrawColor ? 7 : 0));
    if (!p.DrawSketch && !p.DrawColor) return;

    // A single run keeps nothing for a next one, so its photograph needs no key (an
    // unknown key matches nothing kept).
    const ContentKey photo = single_ ? ContentKey{} : KeyOfPicture(source);
    const std::vector<std::int64_t> rect = {p.Left, p.Top, p.Width, p.Height};
    auto key = [&](std::initializer_list<std::int64_t> fields, const std::vector<std::int64_t>& before) {
        StageKey k{photo, before};
        k.Fields.insert(k.Fields.end(), fields);
        return k;
    };

    if (p.DrawSketch) {
        const StageKey sketchKey = key({p.SketchType, p.Detail, p.Darkness, p.SketchSmooth, p.Sharper, p.RemainDark,
                                        p.RemainThreshold, p.RemainDarkness, p.ThresholdLevel},
                                       rect);
        if (sketchDone_ == sketchKey) {
            if (p.SketchSmooth > 0) ReplayBlur(Progress, p.Width, p.Height);
            ReplaySteps(Progress, "Draw Sketch", 1, p.Height - 2, 0, p.Height - 2);
        } else {
            sketchDone_.reset();
            Sketch.SetProgress(Progress);
            Sketch.LoadRegion(source, p.Left, p.Top, p.Width, p.Height);
            Sketch.RenderSketch(p.SketchType, p.Detail, p.Darkness, p.ThresholdLevel, p.RemainThreshold,
                                p.RemainDarkness, p.RemainDark, p.SketchSmooth / 20.0, p.Sharper / 5.0,
                                p.Reserved);
            // The inverted copy is only the drawing's input.
            if (single_) TripleBuffer().swap(Sketch.Inverted);
            if (!Cancelled()) sketchDone_ = sketchKey;
        }
        if (!p.DrawColor) ReleaseSource();
    }
    if (p.DrawColor) {
        TColorStep& c = ColorStep;
        c.SetProgress(Progress);
        c.SingleRun = single_;
        // The classes depend on the reducer only through these fields: the class width
        // for Equality, the handles in use, sorted, for Custom.
        std::vector<std::int64_t> classes = {p.ReducerType, p.ColoringMode};
        if (p.ReducerType == 1) {
            std::array<std::uint8_t, 5> h = p.Handles;
            const auto used = static_cast<std::ptrdiff_t>(std::clamp(p.HandleCount, 0, 5));  // validated already
            std::sort(h.begin(), h.begin() + used);
            classes.push_back(p.HandleCount);
            classes.insert(classes.end(), h.begin(), h.begin() + used);
        } else {
            classes.push_back(p.ColorReducer);
        }
        StageKey reduceKey{photo, rect};
        reduceKey.Fields.insert(reduceKey.Fields.end(), classes.begin(), classes.end());
        const StageKey smoothKey =
            key({p.Brightness, p.Contrast, p.Saturation, p.ColorSmooth, p.SmoothType}, reduceKey.Fields);
        const StageKey blurKey = key({p.BorderBlur}, smoothKey.Fields);
        const StageKey finalKey = key({p.Red, p.Green, p.Blue}, blurKey.Fields);

        if (reducedDone_ == reduceKey && !Cancelled()) {
            ReplaySteps(Progress, "Color Reducing", 0, p.Top + p.Height - 1, -p.Top, p.Height - 1);
        } else {
            reducedDone_.reset();
            smoothedDone_.reset();
            c.LoadRegion(source, photo, p.Left, p.Top, p.Width, p.Height);
            // A single run has no use for the reduced colors before the tone.
            if (single_) c.FoldToneIntoReduction(p.Brightness, p.Contrast, p.Saturation);
            c.ReduceColors(p.ColorReducer, p.ReducerType, p.ColoringMode, p.HandleCount, p.Handles);
            if (!Cancelled()) reducedDone_ = reduceKey;
        }
        ReleaseSource();
        if (smoothedDone_ == smoothKey && !Cancelled()) {
            ReplayRows(Progress, "Saturation", p.Height);
            ReplayRows(Progress, "Contrast", p.Height);
            ReplayRows(Progress, "Brightness", p.Height);
            const int r = p.ColorSmooth;
            if (r > 0 && 2 * r + 1 <= p.Width && 2 * r + 1 <= p.Height)
                ReplaySteps(Progress, "Color Smooth", r, p.Width - 1 - r, -r, p.Width - 1 - 2 * r);
            else
                ReplaySteps(Progress, "Color Smooth", 0, -1, 0, 0);
        } else {
            // AdjustTone writes Final, which the balance result of the last run is in.
            smoothedDone_.reset();
            finalDone_.reset();
            c.AdjustTone(p.Brightness, p.Contrast, p.Saturation);
            c.ColorSmooth(p.ColorSmooth, p.SmoothType);
            if (!Cancelled()) smoothedDone_ = smoothKey;
        }
        if (blurredDone_ == blurKey && !Cancelled()) {
            if (p.BorderBlur > 0) ReplayBlur(Progress, p.Width, p.Height);
        } else {
            blurredDone_.reset();
            c.BorderBlur(p.BorderBlur / 20.0);
            if (!Cancelled()) blurredDone_ = blurKey;
        }
        if (finalDone_ == finalKey && !Cancelled()) {
            ReplayRows(Progress, "Brightness", p.Height);
        } else {
            finalDone_.reset();
            c.ColorBalance(p.Red, p.Green, p.Blue);
            if (!Cancelled()) finalDone_ = finalKey;
        }
    }
}

void TDrawEffect::ReleaseSource() {
    if (!single_ || !releaseSource_) return;
    ColorStep.ForgetPhotograph();
    std::exchange(releaseSource_, nullptr)();
}

void TDrawEffect::ComposePreview(Bitmap& bitmap) const {
    if (!hasResult_) return;
    const TEffectParams& p = ran_;
    if (bitmap.Width() != p.Width || bitmap.Height() != p.Height) bitmap.SetSize(p.Width, p.Height);
    if (StopRequested()) return;
    if (!p.DrawSketch && !p.DrawColor) return;
    if (p.DrawSketch && p.DrawColor && p.BlendMode != 1 && p.BlendMode != 2) return;

    const unsigned opacity = static_cast<unsigned>(p.Opacity);
    ParallelFor(OutputRowLoop(p), [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = y0; y < y1; ++y) {
            std::uint8_t* d = bitmap.Row(static_cast<int>(y));
            const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(p.Width);
            const std::uint8_t* sk = p.DrawSketch ? Sketch.Result.data() + row : nullptr;
            const TRGBTriple* co = p.DrawColor ? ColorStep.Final.data() + row : nullptr;
            if (sk && co && p.BlendMode == 1) {
                for (int x = 0; x < p.Width; ++x, d += 3) {
                    const unsigned s = static_cast<unsigned>(sk[x]);
                    d[0] = static_cast<std::uint8_t>(co[x].B * s / 255);
                    d[1] = static_cast<std::uint8_t>(co[x].G * s / 255);
                    d[2] = static_cast<std::uint8_t>(co[x].R * s / 255);
                }
            } else if (sk && co) {
                for (int x = 0; x < p.Width; ++x, d += 3) {
                    const unsigned s = static_cast<unsigned>(sk[x]) * opacity;
                    d[0] = static_cast<std::uint8_t>((co[x].B * (100 - opacity) + s) / 100);
                    d[1] = static_cast<std::uint8_t>((co[x].G * (100 - opacity) + s) / 100);
                    d[2] = static_cast<std::uint8_t>((co[x].R * (100 - opacity) + s) / 100);
                }
            } else if (co) {
                std::memcpy(d, co, static_cast<std::size_t>(p.Width) * 3);
            } else {
                for (int x = 0; x < p.Width; ++x, d += 3) d[0] = d[1] = d[2] = static_cast<std::uint8_t>(sk[x]);
            }
        }
    });
}

void TDrawEffect::LayerRow(bool sketch, std::int64_t y, std::uint8_t* d, std::size_t bytes) const {
    const TEffectParams& p = ran_;
    const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(p.Width);
    if (!(sketch ? p.DrawSketch : p.DrawColor)) {
        std::memset(d, 255, bytes);
    } else if (sketch) {
        const std::uint8_t* s = Sketch.Result.data() + row;
        for (int x = 0; x < p.Width; ++x, d += 3) d[0] = d[1] = d[2] = s[x];
    } else {
        std::memcpy(d, ColorStep.Final.data() + row, static_cast<std::size_t>(p.Width) * 3);
    }
}

void TDrawEffect::FillLayer(Bitmap& layer, bool sketch) const {
    const TEffectParams& p = ran_;
    // Every byte of a row is written below except a drawn row's padding, which a new
    // bitmap has at zero; a layer that is not drawn is white in every byte, padding
    // included, as FillWhite leaves it.
    if (layer.Width() != p.Width || layer.Height() != p.Height) layer.SetSizeUnset(p.Width, p.Height);
    ParallelFor(OutputRowLoop(p), [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = y0; y < y1; ++y) LayerRow(sketch, y, layer.Row(static_cast<int>(y)), layer.Stride());
    });
}

void TDrawEffect::VisitLayerRows(
    const std::function<void(int y, const std::uint8_t* sketch, const std::uint8_t* color)>& use) const {
    if (StopRequested() || !hasResult_) return;
    const TEffectParams& p = ran_;
    const std::size_t bytes = static_cast<std::size_t>(p.Width) * 3;
    ParallelFor(OutputRowLoop(p), [&](std::int64_t y0, std::int64_t y1) {
        // A layer that is not drawn is the same white row throughout, made once; a
        // drawn color row is the result's row as it stands.
        std::vector<std::uint8_t> sketch(bytes), color(bytes);
        if (!p.DrawSketch) LayerRow(true, 0, sketch.data(), bytes);
        if (!p.DrawColor) LayerRow(false, 0, color.data(), bytes);
        for (std::int64_t y = y0; y < y1; ++y) {
            if (p.DrawSketch) LayerRow(true, y, sketch.data(), bytes);
            const std::uint8_t* c = color.data();
            if (p.DrawColor) {
                const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(p.Width);
                c = reinterpret_cast<const std::uint8_t*>(ColorStep.Final.data() + row);
            }
            use(static_cast<int>(y), sketch.data(), c);
        }
    });
}

void TDrawEffect::GetLayers(Bitmap& sketch, Bitmap& color) const {
    if (StopRequested() || !hasResult_) return;
    FillLayer(sketch, true);
    FillLayer(color, false);
}

void TDrawEffect::TakeLayers(Bitmap& sketch, Bitmap& color) {
    if (StopRequested() || !hasResult_) return;
    // Each result is given back as soon as its layer holds it, so the two never
    // take memory together with both layers.
    FillLayer(sketch, true);
    LargeVector<std::uint8_t>().swap(Sketch.Result);
    FillLayer(color, false);
    TripleBuffer().swap(ColorStep.Final);
    Sketch = TSketch{};
    ColorStep = TColorStep{};
    Forget();
    hasResult_ = false;
}

}  // namespace velmora
