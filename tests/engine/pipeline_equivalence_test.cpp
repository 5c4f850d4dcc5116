// The whole conversion against the reference pipeline, fresh and with kept stages.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "conversion/ParamControls.h"
#include "engine/DrawEffect.h"
#include "engine/EquivalenceUtil.h"
#include "engine/reference/ReferenceDrawEffect.h"

using namespace velmora;
using namespace velmora::test;

namespace {

TEffectParams Record(const Bitmap& photo, int left, int top, int w, int h) {
    TEffectParams p = WholeRecord(photo);
    p.Left = left;
    p.Top = top;
    p.Width = w;
    p.Height = h;
    return p;
}

// Every byte of the bitmap, row padding included: saved bitmaps copy whole rows.
bool SameBytes(const Bitmap& a, const Bitmap& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() && a.ByteSize() == b.ByteSize() &&
           (a.ByteSize() == 0 || std::memcmp(a.Data(), b.Data(), a.ByteSize()) == 0);
}

struct Outcome {
    Layers layers;
    std::vector<std::string> progress;
};

template <typename Effect>
Outcome RunOn(Effect& e, const TEffectParams& p) {
    ProgressTrace trace;
    Layers layers = RunEffect(e, p, &trace);
    return {layers, trace.events};
}

// A run made once whose layers are then taken, as a batch conversion makes it: it
// gives its buffers back on the way, shows no preview, and releases the photograph as
// soon as it has read it. The photograph is spoilt there, so that a stage reading it
// later would show in the layers.
Outcome SingleRun(const TEffectParams& record) {
    Bitmap photo = *record.SourceBitmap;
    TEffectParams p = record;
    p.SourceBitmap = &photo;
    int released = 0;
    TDrawEffect e;
    e.SetSingleRun(true);
    e.SetReleaseSource([&] {
        std::uint8_t* bytes = photo.Data();
        for (std::size_t i = 0; i < photo.ByteSize(); ++i) bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
        ++released;
    });
    ProgressTrace trace;
    e.SetProgress(&trace);
    e.SetParams(p);
    e.Execute();
    EXPECT_EQ(released, p.DrawSketch || p.DrawColor ? 1 : 0) << "releases of the photograph";
    Outcome o{Layers(), trace.events};
    o.layers.result = e.HasResult();
    e.TakeLayers(o.layers.sketch, o.layers.color);
    return o;
}

Outcome Reference(const TEffectParams& p) {
    reference::TDrawEffect e;
    return RunOn(e, p);
}

void ExpectSame(const Outcome& fast, const Outcome& slow, const std::string& what) {
    EXPECT_EQ(fast.layers.result, slow.layers.result) << what;
    EXPECT_TRUE(SameBytes(fast.layers.sketch, slow.layers.sketch)) << what << ": sketch layer";
    EXPECT_TRUE(SameBytes(fast.layers.color, slow.layers.color)) << what << ": color layer";
    EXPECT_TRUE(SameBytes(fast.layers.preview, slow.layers.preview)) << what << ": preview";
    EXPECT_EQ(fast.progress, slow.progress) << what << ": progress";
}

// A fresh engine against the reference and, when asked, a single run too.
void ExpectAsReference(const TEffectParams& p, const std::string& what, bool singleRun) {
    TDrawEffect fast;
    Outcome slow = Reference(p);
    ExpectSame(RunOn(fast, p), slow, what);
    if (!singleRun) return;
    slow.layers.preview = Bitmap();
    ExpectSame(SingleRun(p), slow, what + ", single run");
}

// Records that differ from the defaults in every field some stage reads.
std::vector<std::pair<std::string, std::function<void(TEffectParams&)>>> Variations() {
    return {
        {"defaults", [](TEffectParams&) {}},
        {"fixed colors, custom classes, maximum", [](TEffectParams& p) {
             p.ColoringMode = 0;
             p.ReducerType = 1;
             p.HandleCount = 3;
             p.Handles = {200, 60, 128, 0, 0};
             p.SmoothType = 1;
             p.ColorSmooth = 3;
         }},
        {"tone, balance, overlay", [](TEffectParams& p) {
             p.Brightness = 40;
             p.Contrast = -90;
             p.Saturation = 100;
             p.Red = -30;
             p.Green = 25;
             p.Blue = 255;
             p.BlendMode = 2;
             p.Opacity = 35;
         }},
        {"black and white, sharpened, dark areas kept", [](TEffectParams& p) {
             p.SketchType = 1;
             p.Sharper = 40;
             p.RemainDark = true;
             p.RemainThreshold = 90;
             p.RemainDarkness = 70;
             p.SketchSmooth = 0;
         }},
        {"no smoothing, no blur, coarse classes", [](TEffectParams& p) {
             p.ColorSmooth = 0;
             p.BorderBlur = 0;
             p.ColorReducer = 120;
         }},
        {"wide windows and blurs", [](TEffectParams& p) {
             p.ColorSmooth = 6;
             p.BorderBlur = 180;
             p.SketchSmooth = 100;
             p.ThresholdLevel = 180;
         }},
        {"sketch only", [](TEffectParams& p) { p.DrawColor = false; }},
        {"color only", [](TEffectParams& p) { p.DrawSketch = false; }},
        {"neither", [](TEffectParams& p) { p.DrawSketch = p.DrawColor = false; }},
    };
}

}  // namespace

TEST(PipelineEquivalence, WholePicturesWithVariedRecords) {
    for (const NamedPicture& pic : VariedPictures())
        for (const auto& [name, vary] : Variations()) {
            TEffectParams p = WholeRecord(pic.bitmap);
            vary(p);
            ExpectAsReference(p, pic.name + ", " + name, true);
        }
}

TEST(PipelineEquivalence, PreviewRectanglesOfTheSamplePhotograph) {
    const Bitmap photo = SamplePhoto();
    const int W = photo.Width(), H = photo.Height();
    for (const Area& a : {Area{0, 0, 200, 150}, Area{W - 200, H - 150, 200, 150}, Area{W - 200, 0, 200, 150},
                          Area{0, H - 150, 200, 150}, Area{150, 170, 200, 150}, Area{0, 0, W, H}})
        for (const auto& [name, vary] : Variations()) {
            TEffectParams p = Record(photo, a.left, a.top, a.w, a.h);
            vary(p);
            // The whole photograph holds regions large enough to be finished apart,
            // which a single run colors (and tones) on their own.
            ExpectAsReference(p, name + " at " + std::to_string(a.left) + "," + std::to_string(a.top),
                              a.w == W && a.h == H);
        }
}

TEST(PipelineEquivalence, ADialogSessionOnOnePipelineMatchesFreshRunsAfterEveryChange) {
    Bitmap photo = Crop(SamplePhoto(), 40, 30, 300, 220);
    TDrawEffect session;  // kept for the whole session, like the dialog's
    TEffectParams p = Record(photo, 0, 0, 120, 90);
    int step = 0;
    auto check = [&](const std::string& change) {
        ExpectSame(RunOn(session, p), Reference(p), "step " + std::to_string(++step) + ": " + change);
    };
    using Change = std::function<void(TEffectParams&)>;
    const std::pair<const char*, Change> changes[] = {
        {"first preview", [](TEffectParams&) {}},
        {"the same again, everything kept", [](TEffectParams&) {}},
        {"tone", [](TEffectParams& p) { p.Brightness = 30; }},
        {"smoothing radius", [](TEffectParams& p) { p.ColorSmooth = 4; }},
        {"smoothing type", [](TEffectParams& p) { p.SmoothType = 1; }},
        {"border blur", [](TEffectParams& p) { p.BorderBlur = 60; }},
        {"balance", [](TEffectParams& p) { p.Red = 20; }},
        {"sketch detail", [](TEffectParams& p) { p.Detail = 60; }},
        {"pan to the bottom right", [](TEffectParams& p) {
             p.Left = 180;
             p.Top = 130;
         }},
        {"class width", [](TEffectParams& p) { p.ColorReducer = 30; }},
        {"fixed colors", [](TEffectParams& p) { p.ColoringMode = 0; }},
        {"pan back", [](TEffectParams& p) { p.Left = p.Top = 0; }},
        {"color off", [](TEffectParams& p) { p.DrawColor = false; }},
        {"sharpening with color off", [](TEffectParams& p) { p.Sharper = 20; }},
        {"color on again", [](TEffectParams& p) { p.DrawColor = true; }},
    };
    for (const auto& [name, change] : changes) {
        change(p);
        check(name);
    }
    // The dialog resamples into the same photograph object.
    for (int y = 0; y < photo.Height(); ++y)
        for (int x = 0; x < photo.Width(); ++x)
            if ((x / 9 + y / 7) % 5 == 0) Put(photo, x, y, Rgb(x & 255, 40, y & 255));
    check("pixels changed in place");
    // A run cancelled halfway: nothing of it may be reused.
    for (const char* at : {"Draw Sketch", "Color Reducing", "Color Smooth", "Blur Column"}) {
        ProgressLog log = CancelAt(at);
        p.Blue = p.Blue == 0 ? 5 : 0;
        p.ColorReducer = p.ColorReducer == 30 ? 31 : 30;
        p.Detail += 3;
        EXPECT_FALSE(RunEffect(session, p, &log).result) << at;
        check(std::string("after a cancel at ") + at);
    }
    p.ColorReducer = 0;  // refused: runs nothing and keeps nothing
    EXPECT_FALSE(RunEffect(session, p).result);
    p.ColorReducer = 30;
    check("after a refused record");
    p.Width = photo.Width();
    p.Height = photo.Height();
    check("the full conversion on the dialog's object");
}
