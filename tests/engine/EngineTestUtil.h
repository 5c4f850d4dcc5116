#pragma once
// Helpers shared by the engine tests: small bitmaps and buffers, whole conversions
// and a progress recorder.

#include <functional>
#include <string>
#include <vector>

#include "common/Bitmap.h"
#include "conversion/ConversionRun.h"
#include "conversion/ParamControls.h"
#include "engine/DrawEffect.h"
#include "engine/Parallel.h"
#include "engine/Pixels.h"
#include "engine/Progress.h"

namespace velmora::test {

inline TRGBTriple Rgb(int r, int g, int b) {
    return TRGBTriple{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r)};
}

inline Bitmap FilledBitmap(int w, int h, TRGBTriple c) {
    Bitmap b(w, h);
    b.Fill(c.B, c.G, c.R);
    return b;
}

inline TRGBTriple At(const Bitmap& b, int x, int y) {
    const std::uint8_t* p = b.Pixel(x, y);
    return TRGBTriple{p[0], p[1], p[2]};
}

inline void Put(Bitmap& b, int x, int y, TRGBTriple c) {
    std::uint8_t* p = b.Pixel(x, y);
    p[0] = c.B;
    p[1] = c.G;
    p[2] = c.R;
}

// The pixels of a bitmap as the steps' working buffers hold them.
inline TripleBuffer ToBuffer(const Bitmap& b) {
    TripleBuffer t(static_cast<std::size_t>(b.Width()) * b.Height());
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) t[static_cast<std::size_t>(y) * b.Width() + x] = At(b, x, y);
    return t;
}

// Columns left of `split` in one color, the rest in another: a step edge.
inline Bitmap SplitBitmap(int w, int h, int split, TRGBTriple left, TRGBTriple right) {
    Bitmap b = FilledBitmap(w, h, right);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < split; ++x) Put(b, x, y, left);
    return b;
}

// A crop of a bitmap, so one picture can be used at odd sizes.
inline Bitmap Crop(const Bitmap& b, int left, int top, int w, int h) {
    Bitmap c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) Put(c, x, y, At(b, left + x, top + y));
    return c;
}

// A photograph with texture everywhere: smooth gradients, a few hard edges and
// noise, so every stage has work to do.
inline Bitmap TexturedPhoto(int w, int h, unsigned seed = 1) {
    Bitmap b(w, h);
    unsigned s = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1103515245u + 12345u;
            const int noise = static_cast<int>((s >> 16) & 15) - 8;
            const int band = ((x / 7) + (y / 5)) % 3 == 0 ? 60 : 0;
            auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
            Put(b, x, y,
                TRGBTriple{clamp(x * 255 / (w > 1 ? w - 1 : 1) / 2 + band + noise),
                           clamp(y * 255 / (h > 1 ? h - 1 : 1) / 2 + noise),
                           clamp(200 - band + noise)});
        }
    return b;
}

// Records a run's step positions and finished steps, and can act on a caption, for
// example to cancel at a given step.
struct ProgressLog : ProgressTargets {
    std::vector<int> positions;
    int advances = 0;
    std::function<void(const char*)> onCaption;

    void SetCaption(const char* caption) override {
        if (onCaption) onCaption(caption);
    }
    void SetStepPosition(int position) override { positions.push_back(position); }
    void SetTotalMaximum(int) override {}
    void AdvanceTotal() override { ++advances; }
};

// A log that calls `cancel` (by default: sets the cancel flag) when the run reaches
// the step named `at`.
inline ProgressLog CancelAt(const char* at, std::function<void()> cancel = [] { CancelFlag = true; }) {
    ProgressLog log;
    log.onCaption = [at, cancel](const char* c) {
        if (std::string(c) == at) cancel();
    };
    return log;
}

// The dialog's defaults over the whole photograph, drawing the layers asked for.
inline TEffectParams WholeRecord(const Bitmap& photo, bool sketch = true, bool color = true) {
    TEffectParams p = FullConversionRecord(ControlDefaultRecord(), photo);
    p.DrawSketch = sketch;
    p.DrawColor = color;
    return p;
}

struct Layers {
    bool result = false;
    Bitmap sketch, color, preview;
    friend bool operator==(const Layers&, const Layers&) = default;
};

// One run of an engine (the fast one or the reference) and everything it hands out.
template <typename Effect>
Layers RunEffect(Effect& e, const TEffectParams& p, ProgressTargets* progress = nullptr) {
    e.SetProgress(progress);
    e.SetParams(p);
    e.Execute();
    Layers r;
    r.result = e.HasResult();
    e.GetLayers(r.sketch, r.color);
    e.ComposePreview(r.preview);
    return r;
}

inline Layers Convert(const TEffectParams& p, ProgressTargets* progress = nullptr) {
    TDrawEffect e;
    return RunEffect(e, p, progress);
}

// Whether the engine leaves the layers and the preview it is asked for as they were.
inline bool WritesNothing(const TDrawEffect& e) {
    const Bitmap marker = FilledBitmap(3, 3, Rgb(1, 2, 3));
    Bitmap s = marker, c = marker, p = marker;
    e.GetLayers(s, c);
    e.ComposePreview(p);
    return s == marker && c == marker && p == marker;
}

// Limits the pool's helper threads, restoring the limit however a test ends.
struct HelperLimit {
    int previous;
    explicit HelperLimit(int helpers) : previous(SetParallelHelperLimit(helpers)) {}
    ~HelperLimit() { SetParallelHelperLimit(previous); }
};

// Refuses thread starts after `allowed`, restoring the seam however a test ends.
struct RefusedThreadStarts {
    int previous;
    explicit RefusedThreadStarts(int allowed) : previous(FailThreadStartsAfterForTesting(allowed)) {}
    ~RefusedThreadStarts() { FailThreadStartsAfterForTesting(previous); }
};

}  // namespace velmora::test
