// The conversion engine as its callers see it: the stored record of the settings,
// its checks, cancels and running out of memory; the layers themselves are compared
// with the reference elsewhere.

#include <gtest/gtest.h>

#include <cstdlib>

#include "common/Sanitizer.h"
#include "conversion/ParamControls.h"
#include "engine/DrawEffect.h"
#include "engine/EffectParams.h"
#include "engine/EngineTestUtil.h"
#include "support/LowMemory.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// The little-endian 32-bit integer at `at` of a stored record.
std::int32_t Int32At(const EffectParamsBytes& b, std::size_t at) {
    return static_cast<std::int32_t>(std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 |
                                     std::uint32_t(b[at + 2]) << 16 | std::uint32_t(b[at + 3]) << 24);
}

}  // namespace

TEST(EffectParamsRecord, FieldsSitAtTheirPackedOffsets) {
    TEffectParams p;
    p.Sharper = 0x11223344;
    p.RemainDark = true;
    p.RemainThreshold = 254;
    p.Blue = -255;
    p.DrawSketch = true;
    p.DrawColor = false;
    p.BlendMode = 2;
    p.ThresholdLevel = 200;
    p.Reserved = 0xAB;
    p.ColorReducer = 10;
    p.HandleCount = 5;
    p.Handles = {1, 2, 3, 4, 5};
    const EffectParamsBytes b = p.ToBytes();
    // 41 is the odd offset right after the one-byte boolean at 40.
    for (auto [at, value] : {std::pair{36, 0x11223344}, {41, 254}, {81, -255}, {87, 2}, {95, 200}, {100, 10}, {112, 5}})
        EXPECT_EQ(Int32At(b, static_cast<std::size_t>(at)), value) << "offset " << at;
    for (auto [at, value] : {std::pair{40, 1}, {85, 1}, {86, 0}, {99, 0xAB}, {116, 1}, {117, 2}, {118, 3}, {119, 4},
                             {120, 5}})
        EXPECT_EQ(b[static_cast<std::size_t>(at)], value) << "offset " << at;
}

TEST(EffectParamsRecord, BytesRoundTripAndBooleansAcceptAnyNonZero) {
    EffectParamsBytes raw{};
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i * 37 + 11);
    raw[40] = 1;
    raw[85] = 0;
    raw[86] = 1;
    EXPECT_EQ(TEffectParams::FromBytes(raw).ToBytes(), raw);
    raw[40] = 0x80;
    raw[86] = 2;
    const TEffectParams p = TEffectParams::FromBytes(raw);
    EXPECT_TRUE(p.RemainDark);
    EXPECT_TRUE(p.DrawColor);
    EXPECT_EQ(p.ToBytes()[40], 1);
}

TEST(EffectParamsRecord, OverwritePrefixKeepsTheRestAndTheSource) {
    const Bitmap photo(2, 2);
    TEffectParams p;
    p.Detail = 115;
    p.Handles = {9, 9, 9, 9, 9};
    p.SourceBitmap = &photo;
    const std::uint8_t head[22] = {1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0};
    p.OverwritePrefix(head, sizeof head);
    EXPECT_EQ(p.Source, 0x04030201u);
    EXPECT_EQ(p.Left, 5);
    EXPECT_EQ(p.SketchType, 2);
    EXPECT_EQ(p.Detail, 115);
    EXPECT_EQ(p.Handles[4], 9);
    EXPECT_EQ(p.SourceBitmap, &photo);
    std::uint8_t tooMany[200] = {};
    p.OverwritePrefix(tooMany, sizeof tooMany);  // only 121 bytes are taken
    EXPECT_EQ(p.Handles[4], 0);
    EXPECT_EQ(p.SourceBitmap, &photo);
}

TEST(DrawEffect, BlendArithmeticAtTheEnds) {
    // An all-white sketch over color 255: the preview's c * s div 255 keeps 255, where
    // (S * C) shr 8 would give 254.
    const Bitmap white = FilledBitmap(6, 6, Rgb(255, 255, 255));
    TEffectParams p = WholeRecord(white);
    p.BorderBlur = 0;
    const Layers r = Convert(p);
    EXPECT_EQ(At(r.color, 3, 3), Rgb(255, 255, 255));
    EXPECT_EQ(At(r.preview, 3, 3), Rgb(255, 255, 255));

    // A black sketch pixel gives black.
    const Bitmap step = SplitBitmap(6, 6, 3, Rgb(0, 0, 0), Rgb(200, 200, 200));
    TEffectParams q = WholeRecord(step);
    q.Detail = q.SketchSmooth = q.BorderBlur = q.ColorSmooth = 0;
    q.ColorReducer = 1;
    const Layers m = Convert(q);
    ASSERT_EQ(At(m.sketch, 2, 2).R, 0) << "the dark side of the step is a line";
    EXPECT_EQ(At(m.preview, 2, 2), Rgb(0, 0, 0));
    // Overlay at 50 of color 200 and a black line gives 100.
    const Bitmap light = SplitBitmap(6, 6, 3, Rgb(200, 200, 200), Rgb(255, 255, 255));
    q.BlendMode = 2;
    q.Opacity = 50;
    q.SourceBitmap = &light;
    q.Darkness = 256;  // 55 * 3 * 8 clamps to 255: a black line
    const Layers o = Convert(q);
    ASSERT_EQ(At(o.sketch, 2, 2).R, 0);
    ASSERT_EQ(At(o.color, 2, 2), Rgb(200, 200, 200));
    EXPECT_EQ(At(o.preview, 2, 2), Rgb(100, 100, 100));
}

TEST(DrawEffect, CancelledRunLeavesTheLayersAndPreviewUntouched) {
    const Bitmap photo = TexturedPhoto(14, 10);
    for (const char* at : {"Blur Column", "Draw Sketch", "Color Reducing", "Contrast", "Color Smooth"}) {
        ProgressLog log = CancelAt(at);
        TDrawEffect e;
        EXPECT_FALSE(RunEffect(e, WholeRecord(photo), &log).result) << at;
        EXPECT_TRUE(CancelFlag) << "the flag stays set until the next run";
        EXPECT_TRUE(WritesNothing(e)) << at;
        // Even once the flag is cleared, the incomplete buffers are never read.
        CancelFlag = false;
        EXPECT_TRUE(WritesNothing(e)) << at;
        // The next run produces the layers.
        EXPECT_EQ(RunEffect(e, WholeRecord(photo)).sketch.Width(), 14) << at;
    }
}

TEST(DrawEffect, RunTimeFieldsAndReservedByteChangeNothing) {
    const Bitmap photo = TexturedPhoto(16, 12, 2);
    const TEffectParams p = WholeRecord(photo);
    // Garbage in the first 20 bytes of a stored record is overwritten by the caller.
    EffectParamsBytes bytes = p.ToBytes();
    for (int i = 0; i < 20; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0xA5 + i);
    bytes[99] = 0x5A;
    EXPECT_TRUE(Convert(FullConversionRecord(TEffectParams::FromBytes(bytes), photo)) == Convert(p));
}

TEST(DrawEffect, ResultsFollowTheExecutedRecordNotALaterOne) {
    const Bitmap photo = TexturedPhoto(10, 8);
    TDrawEffect e;
    RunEffect(e, WholeRecord(photo));
    TEffectParams bigger = WholeRecord(photo);
    bigger.Width = 5000;  // never executed
    e.SetParams(bigger);
    Bitmap s, c;
    e.GetLayers(s, c);
    EXPECT_EQ(s.Width(), 10);
}

TEST(ValidateParams, AcceptsEveryRecordTheDialogCanBuildAndRefusesDamagedOnesWithoutRunning) {
    const Bitmap photo = TexturedPhoto(40, 30);
    // Radio groups with nothing selected and an empty rectangle, which computes nothing.
    const std::function<void(TEffectParams&)> accepted[] = {
        [](TEffectParams&) {},                        [](TEffectParams& p) { p.SketchType = 0; },
        [](TEffectParams& p) { p.SmoothType = -1; },  [](TEffectParams& p) { p.ColoringMode = -1; },
        [](TEffectParams& p) { p.Width = 0; },
    };
    for (std::size_t i = 0; i < std::size(accepted); ++i) {
        TEffectParams p = WholeRecord(photo);
        accepted[i](p);
        EXPECT_EQ(ValidateParams(p, 40, 30), "") << "record " << i;
    }
    // Fields of a layer that is not drawn are not looked at.
    TEffectParams colorOff = WholeRecord(photo, true, false);
    colorOff.ColorReducer = 0;
    colorOff.HandleCount = 99;
    EXPECT_EQ(ValidateParams(colorOff, 40, 30), "");
    EXPECT_NE(ValidateParams(WholeRecord(photo), 39, 30), "") << "a record for another picture";
    const std::function<void(TEffectParams&)> damages[] = {
        [](TEffectParams& p) { p.ColorReducer = 0; },     [](TEffectParams& p) { p.HandleCount = 6; },
        [](TEffectParams& p) { p.HandleCount = -1; },     [](TEffectParams& p) { p.Left = 1; },
        [](TEffectParams& p) { p.Height = 31; },          [](TEffectParams& p) { p.Width = -1; },
        [](TEffectParams& p) { p.Top = 2147483647; },     [](TEffectParams& p) { p.SourceBitmap = nullptr; },
        [](TEffectParams& p) { p.ReducerType = 2; },      [](TEffectParams& p) { p.SmoothType = 2; },
        [](TEffectParams& p) { p.ColoringMode = -2; },    [](TEffectParams& p) { p.SketchType = 3; },
        [](TEffectParams& p) { p.BlendMode = 0; },        [](TEffectParams& p) { p.Saturation = 128; },
        [](TEffectParams& p) { p.Sharper = 1000000; },    [](TEffectParams& p) { p.ColorSmooth = 1 << 30; },
    };
    for (std::size_t i = 0; i < std::size(damages); ++i) {
        TEffectParams p = WholeRecord(photo);
        damages[i](p);
        EXPECT_NE(ValidateParams(p, 40, 30), "") << "damage " << i;
        TDrawEffect e;
        EXPECT_FALSE(RunEffect(e, p).result) << "damage " << i;
        EXPECT_TRUE(WritesNothing(e)) << "damage " << i;
    }
}

TEST(DrawEffect, AnyRecordTheControlsAcceptRunsOnSmallAndOddRectangles) {
    // Random presets through the dialog's controls on rectangles down to one pixel
    // (memory errors show under the sanitizer build).
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
        const Layers r = Convert(p);
        ASSERT_TRUE(r.result) << round;
        EXPECT_EQ(r.sketch.Width(), p.Width);
        EXPECT_EQ(r.preview.Height(), p.Height);
    }
}

namespace {

// Converts a 9 megapixel photograph with the address space capped a little above what
// the process uses; exits 0 when the run reports running out of memory and leaves no layers.
[[noreturn]] void ConvertWithCappedMemory() {
    const Bitmap photo = FilledBitmap(3000, 3000, Rgb(10, 20, 30));
    const test::AddressSpaceCap cap(150u << 20);
    TDrawEffect e;
    e.SetParams(WholeRecord(photo));
    e.Execute();
    std::_Exit(e.OutOfMemory() && !e.HasResult() && WritesNothing(e) ? 0 : 1);
}

}  // namespace

TEST(DrawEffectDeathTest, RunningOutOfMemoryLeavesNoResultInsteadOfThrowing) {
#ifdef VELMORA_UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizer's own allocator needs more address space than the limit allows";
#else
    EXPECT_EXIT(ConvertWithCappedMemory(), ::testing::ExitedWithCode(0), "");
#endif
}
