#include "engine/DrawEffect.h"

#include <new>

#include "common/Bitmap.h"
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

void TDrawEffect::Execute() {
    CancelFlag = false;
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
        outOfMemory_ = true;
        return;
    }
    hasResult_ = !Cancelled();
}

void TDrawEffect::Run(const TEffectParams& p, const Bitmap& source) {
    if (Progress) Progress->SetTotalMaximum((p.DrawSketch ? 3 : 0) + (p.DrawColor ? 7 : 0));

    if (p.DrawSketch) {
        Sketch.SetProgress(Progress);
        Sketch.LoadRegion(source, p.Left, p.Top, p.Width, p.Height);
        Sketch.RenderSketch(p.SketchType, p.Detail, p.Darkness, p.ThresholdLevel, p.RemainThreshold,
                            p.RemainDarkness, p.RemainDark, p.SketchSmooth / 20.0, p.Sharper / 5.0,
                            p.Reserved);
    }
    if (p.DrawColor) {
        TColorStep& c = ColorStep;
        c.SetProgress(Progress);
        c.LoadRegion(source, p.Left, p.Top, p.Width, p.Height);
        c.ReduceColors(p.ColorReducer, p.ReducerType, p.ColoringMode, p.HandleCount, p.Handles);
        c.AdjustTone(p.Brightness, p.Contrast, p.Saturation);
        c.ColorSmooth(p.ColorSmooth, p.SmoothType);
        c.BorderBlur(p.BorderBlur / 20.0);
        c.ColorBalance(p.Red, p.Green, p.Blue);
    }
}

void TDrawEffect::ComposePreview(Bitmap& bitmap) const {
    if (!hasResult_) return;
    const TEffectParams& p = ran_;
    if (bitmap.Width() != p.Width || bitmap.Height() != p.Height) bitmap.SetSize(p.Width, p.Height);
    if (Cancelled()) return;
    if (!p.DrawSketch && !p.DrawColor) return;
    if (p.DrawSketch && p.DrawColor && p.BlendMode != 1 && p.BlendMode != 2) return;

    const unsigned opacity = static_cast<unsigned>(p.Opacity);
    for (int y = 0; y < p.Height; ++y) {
        std::uint8_t* d = bitmap.Row(y);
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(p.Width);
        for (int x = 0; x < p.Width; ++x, d += 3) {
            const std::size_t i = row + x;
            if (p.DrawSketch && p.DrawColor) {
                const unsigned s = static_cast<unsigned>(Sketch.Result[i]);
                const TRGBTriple& c = ColorStep.Final[i];
                const unsigned ch[3] = {c.B, c.G, c.R};
                for (int k = 0; k < 3; ++k)
                    d[k] = static_cast<std::uint8_t>(p.BlendMode == 1 ? ch[k] * s / 255
                                                                      : (ch[k] * (100 - opacity) + s * opacity) / 100);
            } else if (p.DrawColor) {
                const TRGBTriple& c = ColorStep.Final[i];
                d[0] = c.B;
                d[1] = c.G;
                d[2] = c.R;
            } else {
                const auto s = static_cast<std::uint8_t>(Sketch.Result[i]);
                d[0] = d[1] = d[2] = s;
            }
        }
    }
}

void TDrawEffect::GetLayers(Bitmap& sketch, Bitmap& color) const {
    if (Cancelled() || !hasResult_) return;
    const TEffectParams& p = ran_;
    for (Bitmap* b : {&sketch, &color})
        if (b->Width() != p.Width || b->Height() != p.Height) b->SetSize(p.Width, p.Height);

    if (p.DrawSketch) {
        for (int y = 0; y < p.Height; ++y) {
            std::uint8_t* d = sketch.Row(y);
            const std::int32_t* s = Sketch.Result.data() + static_cast<std::size_t>(y) * p.Width;
            for (int x = 0; x < p.Width; ++x, d += 3) d[0] = d[1] = d[2] = static_cast<std::uint8_t>(s[x]);
        }
    } else {
        FillWhite(sketch);
    }
    if (p.DrawColor) {
        for (int y = 0; y < p.Height; ++y) {
            std::uint8_t* d = color.Row(y);
            const TRGBTriple* s = ColorStep.Final.data() + static_cast<std::size_t>(y) * p.Width;
            for (int x = 0; x < p.Width; ++x, d += 3) {
                d[0] = s[x].B;
                d[1] = s[x].G;
                d[2] = s[x].R;
            }
        }
    } else {
        FillWhite(color);
    }
}

}  // namespace velmora
