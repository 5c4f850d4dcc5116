#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "conversion/ParamControls.h"
#include "engine/DrawEffect.h"
#include "engine/EngineTestUtil.h"

using namespace velmora;
using namespace velmora::test;

namespace {

TEffectParams FullRecord(const Bitmap& photo, bool sketch = true, bool color = true) {
    TEffectParams p = ControlDefaultRecord();
    p.DrawSketch = sketch;
    p.DrawColor = color;
    p.SourceBitmap = &photo;
    p.Width = photo.Width();
    p.Height = photo.Height();
    return p;
}

struct Layers {
    Bitmap sketch, color, preview;
};

Layers Convert(const TEffectParams& p) {
    TDrawEffect e;
    e.SetParams(p);
    e.Execute();
    Layers r;
    e.GetLayers(r.sketch, r.color);
    e.ComposePreview(r.preview);
    return r;
}

}  // namespace

TEST(DrawEffect, NoLayersGiveWhiteLayersAndAZeroTotal) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(8, 6);
    TDrawEffect e;
    ProgressLog log;
    e.SetProgress(&log);
    e.SetParams(FullRecord(photo, false, false));
    e.Execute();
    EXPECT_EQ(log.maximum, 0);
    EXPECT_TRUE(log.captions.empty());
    Bitmap s, c;
    e.GetLayers(s, c);
    EXPECT_EQ(s, FilledBitmap(8, 6, Rgb(255, 255, 255)));
    EXPECT_EQ(c, FilledBitmap(8, 6, Rgb(255, 255, 255)));
    Bitmap preview = FilledBitmap(8, 6, Rgb(7, 7, 7));
    e.ComposePreview(preview);
    EXPECT_EQ(preview, FilledBitmap(8, 6, Rgb(7, 7, 7))) << "nothing is written";
}

TEST(DrawEffect, PreviewBlendsAsTheRecordSays) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(20, 15, 9);
    TEffectParams p = FullRecord(photo);
    const Layers both = Convert(p);
    ASSERT_EQ(both.preview.Width(), 20);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) {
            const int s = At(both.sketch, x, y).R;
            const TRGBTriple c = At(both.color, x, y);
            ASSERT_EQ(At(both.preview, x, y), Rgb(c.R * s / 255, c.G * s / 255, c.B * s / 255));
        }

    p.BlendMode = 2;
    p.Opacity = 30;
    const Layers overlay = Convert(p);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) {
            const int s = At(overlay.sketch, x, y).R;
            const TRGBTriple c = At(overlay.color, x, y);
            auto mix = [s](int v) { return (v * 70 + s * 30) / 100; };
            ASSERT_EQ(At(overlay.preview, x, y), Rgb(mix(c.R), mix(c.G), mix(c.B)));
        }

    const Layers colorOnly = Convert(FullRecord(photo, false, true));
    EXPECT_EQ(colorOnly.preview, colorOnly.color);
    EXPECT_EQ(colorOnly.sketch, FilledBitmap(20, 15, Rgb(255, 255, 255)));
    const Layers sketchOnly = Convert(FullRecord(photo, true, false));
    EXPECT_EQ(sketchOnly.preview, sketchOnly.sketch) << "gray (s, s, s)";
    EXPECT_EQ(sketchOnly.color, FilledBitmap(20, 15, Rgb(255, 255, 255)));
}

TEST(DrawEffect, BlendArithmeticAtTheEnds) {
    CancelGuard guard;
    // A photograph whose sketch is all white (uniform) and whose color layer keeps
    // 255: the preview's multiply c * s div 255 keeps 255, where the document's
    // (S * C) shr 8 would give 254.
    const Bitmap white = FilledBitmap(6, 6, Rgb(255, 255, 255));
    TEffectParams p = FullRecord(white);
    p.BorderBlur = 0;
    const Layers r = Convert(p);
    EXPECT_EQ(At(r.color, 3, 3), Rgb(255, 255, 255));
    EXPECT_EQ(At(r.preview, 3, 3), Rgb(255, 255, 255));

    // A black sketch pixel gives black; Overlay at 50 of color 200 and sketch 0 gives 100.
    Bitmap step = FilledBitmap(6, 6, Rgb(200, 200, 200));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 3; ++x) Put(step, x, y, Rgb(0, 0, 0));
    TEffectParams q = FullRecord(step);
    q.Detail = 0;
    q.SketchSmooth = 0;
    q.BorderBlur = 0;
    q.ColorSmooth = 0;
    q.ColorReducer = 1;
    const Layers m = Convert(q);
    ASSERT_EQ(At(m.sketch, 2, 2).R, 0) << "the dark side of the step is a line";
    EXPECT_EQ(At(m.preview, 2, 2), Rgb(0, 0, 0));
    // Swap: the dark column is 200 at x = 2 when the light side is white.
    q.BlendMode = 2;
    q.Opacity = 50;
    Bitmap light = FilledBitmap(6, 6, Rgb(255, 255, 255));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 3; ++x) Put(light, x, y, Rgb(200, 200, 200));
    q.SourceBitmap = &light;
    q.Darkness = 256;  // 55 * 3 * 8 clamps to 255: a black line
    const Layers o = Convert(q);
    ASSERT_EQ(At(o.sketch, 2, 2).R, 0);
    ASSERT_EQ(At(o.color, 2, 2), Rgb(200, 200, 200));
    EXPECT_EQ(At(o.preview, 2, 2), Rgb(100, 100, 100));
}

TEST(DrawEffect, UniformPhotographsStayUniform) {
    CancelGuard guard;
    const Bitmap photo = FilledBitmap(17, 11, Rgb(100, 150, 200));
    TEffectParams p = FullRecord(photo);
    p.Brightness = 12;
    p.Contrast = -30;
    p.Saturation = 40;
    p.ColorSmooth = 3;
    p.Red = 5;
    const Layers r = Convert(p);
    EXPECT_EQ(r.sketch, FilledBitmap(17, 11, Rgb(255, 255, 255)));
    const TRGBTriple first = At(r.color, 0, 0);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 17; ++x) ASSERT_EQ(At(r.color, x, y), first);

    // With the neutral tone settings and no border blur the color survives exactly.
    TEffectParams n = FullRecord(photo);
    n.BorderBlur = 0;
    EXPECT_EQ(Convert(n).color, photo);
}

TEST(DrawEffect, PreviewOfARectangleIsComputedFromThatRectangle) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(30, 20, 4);
    TEffectParams p = FullRecord(photo);
    p.Left = 10;
    p.Top = 5;
    p.Width = 12;
    p.Height = 9;
    const Layers r = Convert(p);
    EXPECT_EQ(r.preview.Width(), 12);
    EXPECT_EQ(r.preview.Height(), 9);
    // The sketch of a rectangle is the sketch of the cropped photograph.
    Bitmap crop(12, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) Put(crop, x, y, At(photo, x + 10, y + 5));
    EXPECT_EQ(r.sketch, Convert(FullRecord(crop, true, false)).sketch);
}

TEST(DrawEffect, ProgressOfAFullRun) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(12, 9);
    ProgressLog log;
    TDrawEffect e;
    e.SetProgress(&log);
    e.SetParams(FullRecord(photo));
    e.Execute();
    EXPECT_EQ(log.maximum, 10);
    EXPECT_EQ(log.captions,
              (std::vector<std::string>{"Blur Row", "Blur Column", "Draw Sketch", "Color Reducing", "Saturation",
                                        "Contrast", "Brightness", "Color Smooth", "Blur Row", "Blur Column",
                                        "Brightness"}));
    EXPECT_EQ(log.advances, 11) << "the border blur's second pass goes past the reserved total";
    for (int pos : log.positions) {
        EXPECT_GE(pos, 0);
        EXPECT_LE(pos, 100);
    }
}

TEST(DrawEffect, CancelledRunLeavesTheLayersAndPreviewUntouched) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(14, 10);
    for (const char* at : {"Blur Column", "Draw Sketch", "Color Reducing", "Contrast", "Color Smooth"}) {
        ProgressLog log;
        log.onCaption = [at](const char* c) {
            if (std::string(c) == at) CancelFlag = true;
        };
        TDrawEffect e;
        e.SetProgress(&log);
        e.SetParams(FullRecord(photo));
        e.Execute();
        EXPECT_FALSE(e.HasResult()) << at;
        EXPECT_TRUE(CancelFlag) << "the flag stays set until the next run";
        Bitmap s = FilledBitmap(3, 3, Rgb(1, 2, 3)), c = FilledBitmap(3, 3, Rgb(4, 5, 6));
        e.GetLayers(s, c);
        EXPECT_EQ(s, FilledBitmap(3, 3, Rgb(1, 2, 3))) << at;
        EXPECT_EQ(c, FilledBitmap(3, 3, Rgb(4, 5, 6))) << at;
        // Even once the flag is cleared, the incomplete buffers are never read.
        CancelFlag = false;
        e.GetLayers(s, c);
        EXPECT_EQ(s.Width(), 3) << at;
        // The next Execute clears the flag and produces the layers.
        log.onCaption = nullptr;
        e.Execute();
        e.GetLayers(s, c);
        EXPECT_EQ(s.Width(), 14) << at;
    }
}

TEST(DrawEffect, RunTimeFieldsAndReservedByteChangeNothing) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(16, 12, 2);
    const TEffectParams p = FullRecord(photo);
    const Layers base = Convert(p);

    // Garbage in the first 20 bytes of a stored record is overwritten by the caller.
    EffectParamsBytes bytes = p.ToBytes();
    for (int i = 0; i < 20; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0xA5 + i);
    bytes[99] = 0x5A;
    TEffectParams q = TEffectParams::FromBytes(bytes);
    q.SourceBitmap = &photo;
    q.Left = 0;
    q.Top = 0;
    q.Width = 16;
    q.Height = 12;
    const Layers other = Convert(q);
    EXPECT_EQ(other.sketch, base.sketch);
    EXPECT_EQ(other.color, base.color);
    EXPECT_EQ(other.preview, base.preview);
}

TEST(DrawEffect, ResultsFollowTheExecutedRecordNotALaterOne) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(10, 8);
    TDrawEffect e;
    e.SetParams(FullRecord(photo));
    e.Execute();
    TEffectParams bigger = FullRecord(photo);
    bigger.Width = 5000;  // never executed
    e.SetParams(bigger);
    Bitmap s, c;
    e.GetLayers(s, c);
    EXPECT_EQ(s.Width(), 10);
    EXPECT_EQ(e.Params().Width, 5000);
}

TEST(ValidateParams, AcceptsEveryRecordTheDialogCanBuild) {
    const Bitmap photo(40, 30);
    TEffectParams p = FullRecord(photo);
    EXPECT_EQ(ValidateParams(p, 40, 30), "");
    // Radio groups with nothing selected.
    p.SketchType = 0;
    p.SmoothType = -1;
    p.ColoringMode = -1;
    EXPECT_EQ(ValidateParams(p, 40, 30), "");
    // Whatever a damaged preset holds, the controls bring it into range.
    TEffectParams garbage;
    EffectParamsBytes bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 73 + 11);
    garbage = TEffectParams::FromBytes(bytes);
    garbage.DrawSketch = garbage.DrawColor = true;
    TEffectParams through = RecordThroughControls(garbage);
    through.SourceBitmap = &photo;
    through.Left = through.Top = 0;
    through.Width = 40;
    through.Height = 30;
    EXPECT_EQ(ValidateParams(through, 40, 30), "");
    // An empty rectangle is allowed and computes nothing.
    p.Width = 0;
    EXPECT_EQ(ValidateParams(p, 40, 30), "");
}

TEST(ValidateParams, RefusesDamagedRecordsAndExecuteRunsNothing) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(40, 30);
    auto refused = [&](const std::function<void(TEffectParams&)>& damage) {
        TEffectParams p = FullRecord(photo);
        damage(p);
        const std::string why = ValidateParams(p, 40, 30);
        TDrawEffect e;
        e.SetParams(p);
        e.Execute();
        Bitmap s, c;
        e.GetLayers(s, c);
        return !why.empty() && !e.HasResult() && s.Empty() && c.Empty();
    };
    EXPECT_TRUE(refused([](TEffectParams& p) { p.ColorReducer = 0; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.HandleCount = 6; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.HandleCount = -1; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.Left = 1; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.Height = 31; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.Width = -1; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.Top = 2147483647; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.SourceBitmap = nullptr; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.ReducerType = 2; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.SmoothType = 2; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.ColoringMode = -2; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.SketchType = 3; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.BlendMode = 0; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.Saturation = 128; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.Sharper = 1000000; }));
    EXPECT_TRUE(refused([](TEffectParams& p) { p.ColorSmooth = 1 << 30; }));

    // Fields of a layer that is not drawn are not looked at.
    TEffectParams p = FullRecord(photo, true, false);
    p.ColorReducer = 0;
    p.HandleCount = 99;
    EXPECT_EQ(ValidateParams(p, 40, 30), "");
    EXPECT_NE(ValidateParams(FullRecord(photo), 39, 30), "");
}

TEST(DrawEffect, AnyRecordTheControlsAcceptRunsOnSmallAndOddRectangles) {
    // Random presets passed through the dialog's controls, on rectangles down to a
    // single pixel: every one must validate and run to the end (memory errors show
    // under the sanitizer build).
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(23, 17, 5);
    unsigned s = 2024;
    auto next = [&s] { return s = s * 1664525u + 1013904223u; };
    for (int round = 0; round < 60; ++round) {
        EffectParamsBytes bytes;
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(next() >> 24);
        TEffectParams p = TEffectParams::FromBytes(bytes);
        p.DrawSketch = (round & 1) != 0;
        p.DrawColor = (round & 2) != 0 || round % 3 == 0;
        p.ColorSmooth = static_cast<int>(next() % 25);
        p.BorderBlur = static_cast<int>(next() % 80);
        p = RecordThroughControls(p, static_cast<int>(next() % 256));
        p.SourceBitmap = &photo;
        p.Width = 1 + static_cast<int>(next() % 23);
        p.Height = 1 + static_cast<int>(next() % 17);
        p.Left = static_cast<int>(next() % static_cast<unsigned>(23 - p.Width + 1));
        p.Top = static_cast<int>(next() % static_cast<unsigned>(17 - p.Height + 1));
        ASSERT_EQ(ValidateParams(p, 23, 17), "") << round;
        TDrawEffect e;
        e.SetParams(p);
        e.Execute();
        ASSERT_TRUE(e.HasResult()) << round;
        Bitmap s1, c1, preview;
        e.GetLayers(s1, c1);
        e.ComposePreview(preview);
        EXPECT_EQ(s1.Width(), p.Width);
        EXPECT_EQ(preview.Height(), p.Height);
    }
}

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_UNDER_ASAN 1
#endif
#endif

namespace {

// Caps the address space a little above what the process uses, converts a
// 9 megapixel photograph and exits 0 when the run reported running out of memory
// and left no layers behind.
[[noreturn]] void ConvertWithCappedMemory() {
    const Bitmap photo = FilledBitmap(3000, 3000, Rgb(10, 20, 30));
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (150u << 20);
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
    TDrawEffect e;
    e.SetParams(FullRecord(photo));
    e.Execute();
    Bitmap s, c;
    e.GetLayers(s, c);
    std::_Exit(e.OutOfMemory() && !e.HasResult() && s.Empty() ? 0 : 1);
}

}  // namespace

TEST(DrawEffectDeathTest, RunningOutOfMemoryLeavesNoResultInsteadOfThrowing) {
#ifdef VELMORA_UNDER_ASAN
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
    EXPECT_EXIT(ConvertWithCappedMemory(), ::testing::ExitedWithCode(0), "");
#endif
}
