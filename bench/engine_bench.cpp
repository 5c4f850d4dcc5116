// Timings of the conversion engine: the full conversion at the default parameters on
// photographs of 1, 4 and 12 megapixels, against the straightforward reference
// implementation, and at 12 megapixels with each control at an extreme value; the live
// preview of a 640 x 480 region at both corners of a 12 megapixel photograph after each
// kind of control change; every pipeline stage on its own, the smoothing at every kind
// of radius the dialog offers (and the counting median alone, to place the switch from
// the networks) and the reduction of a 12 megapixel photograph and of one huge region.
//
// The photographs are the sample photograph from the program's folder tiled with
// alternate tiles mirrored, so that the content has a real photograph's detail at its
// natural scale and no seams. Without the sample a synthetic picture stands in.

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>

#include "common/Bitmap.h"
#include "conversion/ConversionRun.h"
#include "conversion/ParamControls.h"
#include "engine/ColorStep.h"
#include "engine/DrawEffect.h"
#include "engine/GBlur2.h"
#include "engine/MedianHistogram.h"
#include "engine/Parallel.h"
#include "engine/Sketch.h"
#include "engine/reference/ReferenceDrawEffect.h"
#include "io/Jpeg.h"

using namespace velmora;

namespace {

// A deterministic stand-in for a photograph: smooth shading at several scales, a
// few hard-edged shapes and sensor-like noise, so that segmentation, edges and
// smoothing see the kind of content they meet in practice.
Bitmap SyntheticPhoto(int w, int h) {
    Bitmap b(w, h);
    unsigned s = 12345;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = b.Row(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
            double base = 120 + 60 * std::sin(6.1 * u + 2.3 * v) + 30 * std::sin(23.0 * u * v + 1.7) +
                          15 * std::sin(71.0 * v + 13.0 * u);
            const double dx = u - 0.5, dy = v - 0.45;
            const bool disc = dx * dx + dy * dy < 0.04;
            const bool bar = std::fmod(u * 9.0, 1.0) < 0.08;
            s = s * 1664525u + 1013904223u;
            const int noise = static_cast<int>((s >> 24) % 9) - 4;
            auto clamp = [](double c) { return static_cast<std::uint8_t>(c < 0 ? 0 : c > 255 ? 255 : c); };
            const double r = disc ? 210 : bar ? 40 : base + 25;
            const double g = disc ? 90 : bar ? 45 : base;
            const double bl = disc ? 60 : bar ? 50 : 255 - base * 0.8;
            p[0] = clamp(bl + noise);
            p[1] = clamp(g + noise);
            p[2] = clamp(r + noise);
        }
    }
    return b;
}

// Megapixels to a 4:3 size: 1 -> 1155 x 866, 4 -> 2309 x 1732, 12 -> 4000 x 3000.
std::pair<int, int> SizeFor(int megapixels) {
    if (megapixels == 12) return {4000, 3000};
    const int w = static_cast<int>(std::lround(std::sqrt(megapixels * 1e6 * 4.0 / 3.0)));
    return {w, static_cast<int>(std::lround(w * 0.75))};
}

// The sample tiled to w x h; tiles in odd columns are mirrored left to right and
// tiles in odd rows top to bottom.
Bitmap TiledPhoto(const Bitmap& tile, int w, int h) {
    Bitmap b(w, h);
    const int tw = tile.Width(), th = tile.Height();
    for (int y = 0; y < h; ++y) {
        const int ty = (y / th) % 2 == 0 ? y % th : th - 1 - y % th;
        for (int x = 0; x < w; ++x) {
            const int tx = (x / tw) % 2 == 0 ? x % tw : tw - 1 - x % tw;
            std::copy_n(tile.Pixel(tx, ty), 3, b.Pixel(x, y));
        }
    }
    return b;
}

const Bitmap* Sample() {
    static Bitmap sample;
    static const bool loaded = [] {
        std::string error;
        return ReadJpegFile(std::string(VELMORA_PROGRAM_DIR) + "/sample.jpg", sample, error) && !sample.Empty();
    }();
    return loaded ? &sample : nullptr;
}

const Bitmap& Photo(int megapixels) {
    static std::map<int, std::unique_ptr<Bitmap>> cache;
    auto& slot = cache[megapixels];
    if (!slot) {
        const auto [w, h] = SizeFor(megapixels);
        slot = std::make_unique<Bitmap>(Sample() ? TiledPhoto(*Sample(), w, h) : SyntheticPhoto(w, h));
    }
    return *slot;
}

TEffectParams DefaultRecord(const Bitmap& photo) {
    TEffectParams p = FullConversionRecord(ControlDefaultRecord(), photo);
    p.DrawSketch = true;
    p.DrawColor = true;
    return p;
}

void SetPixels(benchmark::State& state, const Bitmap& photo) {
    state.counters["MP"] = photo.Width() * static_cast<double>(photo.Height()) / 1e6;
    if (!Sample()) state.SetLabel("synthetic picture");
}

// A fresh pipeline object per conversion, as the conversion's worker thread has, so
// nothing is kept from an earlier run.
template <typename Effect>
void FullConversion(benchmark::State& state) {
    const Bitmap& photo = Photo(static_cast<int>(state.range(0)));
    Bitmap sketch, color;
    for (auto _ : state) {
        Effect effect;
        effect.SetParams(DefaultRecord(photo));
        effect.Execute();
        effect.GetLayers(sketch, color);
    }
    SetPixels(state, photo);
}

void BM_FullConversion(benchmark::State& state) { FullConversion<TDrawEffect>(state); }
BENCHMARK(BM_FullConversion)->Arg(1)->Arg(4)->Arg(12)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReferenceFullConversion(benchmark::State& state) { FullConversion<reference::TDrawEffect>(state); }
BENCHMARK(BM_ReferenceFullConversion)->Arg(1)->Arg(4)->Arg(12)->Unit(benchmark::kMillisecond)->UseRealTime();

// The full conversion of the 12 megapixel photograph as velmora-batch makes it (one
// run, its buffers given back as the layers are taken), with one control of the
// conversion dialog at an extreme value and the others at their defaults. No control
// should make it much slower than the defaults do (the first row).
using Setting = void (*)(TEffectParams&);
const std::pair<const char*, Setting> kExtremes[] = {
    {"defaults", [](TEffectParams&) {}},
    {"SketchType 1", [](TEffectParams& p) { p.SketchType = 1; }},
    {"Detail 0", [](TEffectParams& p) { p.Detail = 0; }},
    {"Detail 1024", [](TEffectParams& p) { p.Detail = 1024; }},
    {"Darkness 1", [](TEffectParams& p) { p.Darkness = 1; }},
    {"Darkness 256", [](TEffectParams& p) { p.Darkness = 256; }},
    {"SketchSmooth 0", [](TEffectParams& p) { p.SketchSmooth = 0; }},
    {"SketchSmooth 100", [](TEffectParams& p) { p.SketchSmooth = 100; }},
    {"Sharper 200", [](TEffectParams& p) { p.Sharper = 200; }},
    {"RemainDark 254/255",
     [](TEffectParams& p) { p.RemainDark = true, p.RemainThreshold = 254, p.RemainDarkness = 255; }},
    {"ThresholdLevel 0", [](TEffectParams& p) { p.ThresholdLevel = 0; }},
    {"ThresholdLevel 255", [](TEffectParams& p) { p.ThresholdLevel = 255; }},
    {"ColorReducer 1", [](TEffectParams& p) { p.ColorReducer = 1; }},
    {"ColorReducer 254", [](TEffectParams& p) { p.ColorReducer = 254; }},
    {"Custom, 0 handles", [](TEffectParams& p) { p.ReducerType = 1, p.HandleCount = 0; }},
    {"Custom, 5 handles", [](TEffectParams& p) {
         p.ReducerType = 1, p.HandleCount = 5, p.Handles = {1, 2, 3, 4, 5};
     }},
    {"ColoringMode 1", [](TEffectParams& p) { p.ColoringMode = 1; }},
    {"SmoothType 1", [](TEffectParams& p) { p.SmoothType = 1; }},
    {"ColorSmooth 0", [](TEffectParams& p) { p.ColorSmooth = 0; }},
    {"ColorSmooth 19", [](TEffectParams& p) { p.ColorSmooth = 19; }},
    {"ColorSmooth 19 max", [](TEffectParams& p) { p.ColorSmooth = 19, p.SmoothType = 1; }},
    {"BorderBlur 0", [](TEffectParams& p) { p.BorderBlur = 0; }},
    {"BorderBlur 255", [](TEffectParams& p) { p.BorderBlur = 255; }},
    {"Brightness -255", [](TEffectParams& p) { p.Brightness = -255; }},
    {"Brightness 255", [](TEffectParams& p) { p.Brightness = 255; }},
    {"Contrast -255", [](TEffectParams& p) { p.Contrast = -255; }},
    {"Contrast 255", [](TEffectParams& p) { p.Contrast = 255; }},
    {"Saturation -127", [](TEffectParams& p) { p.Saturation = -127; }},
    {"Saturation 127", [](TEffectParams& p) { p.Saturation = 127; }},
    {"Red/Green/Blue -255", [](TEffectParams& p) { p.Red = p.Green = p.Blue = -255; }},
    {"Red/Green/Blue 255", [](TEffectParams& p) { p.Red = p.Green = p.Blue = 255; }},
    {"BlendMode 2, Opacity 1", [](TEffectParams& p) { p.BlendMode = 2, p.Opacity = 1; }},
    {"BlendMode 2, Opacity 99", [](TEffectParams& p) { p.BlendMode = 2, p.Opacity = 99; }},
    {"sketch only", [](TEffectParams& p) { p.DrawColor = false; }},
    {"color only", [](TEffectParams& p) { p.DrawSketch = false; }},
};

void BM_ControlExtreme(benchmark::State& state) {
    const Bitmap& photo = Photo(12);
    const auto& [name, set] = kExtremes[state.range(0)];
    TEffectParams p = DefaultRecord(photo);
    set(p);
    Bitmap sketch, color;
    for (auto _ : state) {
        TDrawEffect effect;
        effect.SetSingleRun(true);
        effect.SetParams(p);
        effect.Execute();
        effect.TakeLayers(sketch, color);
    }
    state.SetLabel(name);
}
BENCHMARK(BM_ControlExtreme)
    ->DenseRange(0, static_cast<int>(std::size(kExtremes)) - 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The live preview after one kind of control change: the dialog's pipeline object
// has shown the region once, then every iteration changes one control (back and
// forth, so each run is a real change) and previews again.
enum Change { kFirst, kTone, kSmoothing, kBorderBlur, kBalance, kSketch, kReduction, kPan };

const char* ChangeName(int c) {
    static const char* names[] = {"first preview",   "tone",     "smoothing", "border blur",
                                  "balance",         "sketch",   "color reduction", "pan"};
    return names[c];
}

void ApplyChange(TEffectParams& p, int change, bool other) {
    switch (change) {
        case kTone: p.Brightness = other ? 12 : 0; break;
        case kSmoothing: p.ColorSmooth = other ? 3 : 2; break;
        case kBorderBlur: p.BorderBlur = other ? 30 : 25; break;
        case kBalance: p.Red = other ? 10 : 0; break;
        case kSketch: p.Detail = other ? 120 : 115; break;
        case kReduction: p.ColorReducer = other ? 11 : 10; break;
        case kPan: break;  // moved by Preview, which knows where the region started
        default: break;
    }
}

template <typename Effect>
void Preview(benchmark::State& state) {
    const Bitmap& photo = Photo(12);
    const bool bottomRight = state.range(0) == 1;
    const int change = static_cast<int>(state.range(1));
    TEffectParams p = DefaultRecord(photo);
    p.Width = 640;
    p.Height = 480;
    p.Left = bottomRight ? photo.Width() - 640 : 0;
    p.Top = bottomRight ? photo.Height() - 480 : 0;
    // Panning moves the region 64 x 48 towards the middle and back.
    const int panX = bottomRight ? -64 : 64, panY = bottomRight ? -48 : 48;
    const int left = p.Left, top = p.Top;
    auto effect = std::make_unique<Effect>();
    Bitmap preview;
    effect->SetParams(p);
    effect->Execute();
    bool other = false;
    for (auto _ : state) {
        if (change == kFirst) {
            effect = std::make_unique<Effect>();
        } else {
            other = !other;
            ApplyChange(p, change, other);
            if (change == kPan) {
                p.Left = left + (other ? panX : 0);
                p.Top = top + (other ? panY : 0);
            }
        }
        effect->SetParams(p);
        effect->Execute();
        effect->ComposePreview(preview);
    }
    state.SetLabel(std::string(ChangeName(change)) + (bottomRight ? ", bottom right" : ", top left") + " of 12 MP");
}

void PreviewArgs(benchmark::internal::Benchmark* b) {
    for (int corner : {0, 1})
        for (int change = kFirst; change <= kPan; ++change) b->Args({corner, change});
}

void BM_Preview640x480(benchmark::State& state) { Preview<TDrawEffect>(state); }
BENCHMARK(BM_Preview640x480)->Apply(PreviewArgs)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference has nothing to keep between runs: every preview is a first one.
void BM_ReferencePreview640x480(benchmark::State& state) { Preview<reference::TDrawEffect>(state); }
BENCHMARK(BM_ReferencePreview640x480)
    ->Args({0, kFirst})
    ->Args({1, kFirst})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The stages, each on the 4 megapixel photograph with the default parameters.
constexpr int kStageMP = 4;

void BM_SketchLoadRegion(benchmark::State& state) {
    const Bitmap& photo = Photo(kStageMP);
    TSketch sketch;
    for (auto _ : state) sketch.LoadRegion(photo, 0, 0, photo.Width(), photo.Height());
    SetPixels(state, photo);
}
BENCHMARK(BM_SketchLoadRegion)->Unit(benchmark::kMillisecond);

void BM_SketchPreBlur(benchmark::State& state) {
    const Bitmap& photo = Photo(kStageMP);
    TSketch sketch;
    sketch.LoadRegion(photo, 0, 0, photo.Width(), photo.Height());
    for (auto _ : state) {
        state.PauseTiming();
        TripleBuffer buffer = sketch.Inverted;
        state.ResumeTiming();
        GaussianBlurProgress(buffer, buffer, photo.Width(), photo.Height(), 15 / 20.0, nullptr);
    }
    SetPixels(state, photo);
}
BENCHMARK(BM_SketchPreBlur)->Unit(benchmark::kMillisecond);

// The sketch's edges and tone mapping at the default sharpening (0) and at 20 (1).
void BM_SketchEdges(benchmark::State& state) {
    const Bitmap& photo = Photo(kStageMP);
    const TEffectParams p = DefaultRecord(photo);
    const double sharper = (state.range(0) == 0 ? p.Sharper : 20) / 5.0;
    TSketch sketch;
    for (auto _ : state) {
        state.PauseTiming();
        sketch.LoadRegion(photo, 0, 0, photo.Width(), photo.Height());
        state.ResumeTiming();
        sketch.RenderSketch(p.SketchType, p.Detail, p.Darkness, p.ThresholdLevel, p.RemainThreshold,
                            p.RemainDarkness, p.RemainDark, 0.0, sharper);
    }
    SetPixels(state, photo);
}
BENCHMARK(BM_SketchEdges)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A color step loaded with the photograph and run up to (not including) a stage.
struct ColorFixture {
    const Bitmap& photo = Photo(kStageMP);
    TEffectParams p = DefaultRecord(photo);
    TColorStep step;
    void Load() { step.LoadRegion(photo, 0, 0, photo.Width(), photo.Height()); }
    void Reduce() { step.ReduceColors(p.ColorReducer, p.ReducerType, p.ColoringMode, p.HandleCount, p.Handles); }
    void Tone() { step.AdjustTone(p.Brightness, p.Contrast, p.Saturation); }
    void Smooth() { step.ColorSmooth(p.ColorSmooth, p.SmoothType); }
    void Blur() { step.BorderBlur(p.BorderBlur / 20.0); }
    void Balance() { step.ColorBalance(p.Red, p.Green, p.Blue); }
};

void BM_ColorLoadRegion(benchmark::State& state) {
    ColorFixture f;
    for (auto _ : state) f.Load();
    SetPixels(state, f.photo);
}
BENCHMARK(BM_ColorLoadRegion)->Unit(benchmark::kMillisecond);

void BM_ColorReduce(benchmark::State& state) {
    ColorFixture f;
    f.p.ColoringMode = static_cast<int>(state.range(0));
    f.Load();
    for (auto _ : state) f.Reduce();
    state.SetLabel(state.range(0) == 0 ? "Fixed Color" : "Average");
    SetPixels(state, f.photo);
}
BENCHMARK(BM_ColorReduce)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reduction of a whole 12 megapixel picture, as the full conversion runs it: the
// photograph, and a picture of one color, which is one huge region.
void BM_ColorReduce12MP(benchmark::State& state) {
    const bool flat = state.range(0) == 1;
    static Bitmap oneColor;
    if (flat && oneColor.Empty()) {
        oneColor = Bitmap(4000, 3000);
        oneColor.Fill(140, 150, 160);
    }
    const Bitmap& photo = flat ? oneColor : Photo(12);
    TEffectParams p = DefaultRecord(photo);
    TColorStep step;
    step.LoadRegion(photo, 0, 0, photo.Width(), photo.Height());
    for (auto _ : state) step.ReduceColors(p.ColorReducer, p.ReducerType, p.ColoringMode, p.HandleCount, p.Handles);
    state.SetLabel(flat ? "one color" : "photograph");
    SetPixels(state, photo);
}
BENCHMARK(BM_ColorReduce12MP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ColorAdjustTone(benchmark::State& state) {
    ColorFixture f;
    f.p.Brightness = 10;
    f.p.Contrast = 20;
    f.p.Saturation = 30;
    f.Load();
    f.Reduce();
    for (auto _ : state) f.Tone();
    SetPixels(state, f.photo);
}
BENCHMARK(BM_ColorAdjustTone)->Unit(benchmark::kMillisecond);

void BM_ColorSmooth(benchmark::State& state) {
    ColorFixture f;
    f.p.ColorSmooth = static_cast<int>(state.range(0));
    f.p.SmoothType = static_cast<int>(state.range(1));
    f.Load();
    f.Reduce();
    f.Tone();
    for (auto _ : state) f.Smooth();
    state.SetLabel(state.range(1) == 1 ? "maximum" : "median");
    SetPixels(state, f.photo);
}
BENCHMARK(BM_ColorSmooth)
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({3, 0})
    ->Args({4, 0})
    ->Args({5, 0})
    ->Args({8, 0})
    ->Args({12, 0})
    ->Args({19, 0})
    ->Args({2, 1})
    ->Args({19, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The counting median alone at every radius, the networks' radii included, on the
// same color layer: where it overtakes the networks decides which one the filter
// uses.
void BM_HistogramMedian(benchmark::State& state) {
    ColorFixture f;
    f.Load();
    f.Reduce();
    f.Tone();
    const int w = f.photo.Width(), h = f.photo.Height(), r = static_cast<int>(state.range(0));
    TripleBuffer out(f.step.Final.size());
    for (auto _ : state) {
        HistogramMedian median(f.step.Final.data(), w, h, r);
        ParallelLoop loop;
        loop.Count = h - 2 * r;
        loop.Grain = median.BandRows();
        ParallelFor(loop, [&](std::int64_t o0, std::int64_t o1) {
            median.Rows(static_cast<int>(o0) + r, static_cast<int>(o1) + r, out.data());
        });
    }
    SetPixels(state, f.photo);
}
BENCHMARK(BM_HistogramMedian)->DenseRange(1, 4)->Arg(8)->Arg(19)->Unit(benchmark::kMillisecond)->UseRealTime();

// The median on a color layer of pure noise: every window holds as many colors as
// pixels, the hardest case for any method that counts colors.
void BM_ColorSmoothNoise(benchmark::State& state) {
    const auto [w, h] = SizeFor(kStageMP);
    TColorStep step;
    step.Width = w;
    step.Height = h;
    step.Final.resize(static_cast<std::size_t>(w) * h);
    unsigned s = 99;
    for (TRGBTriple& p : step.Final) {
        s = s * 1664525u + 1013904223u;
        p = TRGBTriple{static_cast<std::uint8_t>(s >> 24), static_cast<std::uint8_t>(s >> 16),
                       static_cast<std::uint8_t>(s >> 8)};
    }
    for (auto _ : state) step.ColorSmooth(static_cast<int>(state.range(0)), 0);
    state.counters["MP"] = w * static_cast<double>(h) / 1e6;
}
BENCHMARK(BM_ColorSmoothNoise)->Arg(2)->Arg(3)->Arg(4)->Arg(8)->Arg(19)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ColorBorderBlur(benchmark::State& state) {
    ColorFixture f;
    f.Load();
    f.Reduce();
    f.Tone();
    f.Smooth();
    for (auto _ : state) f.Blur();
    SetPixels(state, f.photo);
}
BENCHMARK(BM_ColorBorderBlur)->Unit(benchmark::kMillisecond);

void BM_ColorBalance(benchmark::State& state) {
    ColorFixture f;
    f.p.Red = 20;
    f.Load();
    f.Reduce();
    f.Tone();
    f.Smooth();
    f.Blur();
    for (auto _ : state) f.Balance();
    SetPixels(state, f.photo);
}
BENCHMARK(BM_ColorBalance)->Unit(benchmark::kMillisecond);

void BM_GetLayersAndComposePreview(benchmark::State& state) {
    const Bitmap& photo = Photo(kStageMP);
    TDrawEffect effect;
    effect.SetParams(DefaultRecord(photo));
    effect.Execute();
    Bitmap sketch, color, preview;
    for (auto _ : state) {
        effect.GetLayers(sketch, color);
        effect.ComposePreview(preview);
    }
    SetPixels(state, photo);
}
BENCHMARK(BM_GetLayersAndComposePreview)->Unit(benchmark::kMillisecond);

void BM_BlurRect(benchmark::State& state) {
    const Bitmap& photo = Photo(kStageMP);
    Bitmap dst = photo;
    TColorStep step;
    const double radius = static_cast<double>(state.range(0)) / 20.0;
    for (auto _ : state) step.BlurRect(photo, dst, Rect{0, 0, photo.Width() - 1, photo.Height() - 1}, radius);
    state.SetLabel("radius " + std::to_string(radius));
    SetPixels(state, photo);
}
BENCHMARK(BM_BlurRect)->Arg(25)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
