// Each run's own stop request: a cancel that comes before the run starts stands,
// one run's cancel neither stops nor is cleared by another, the pool's helpers obey
// the token of the run they work for, and an uncancelled token changes no pixel.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "conversion/ParamControls.h"
#include "engine/DrawEffect.h"
#include "engine/EngineTestUtil.h"
#include "engine/Parallel.h"

using namespace velmora;
using namespace velmora::test;

namespace {

TEffectParams FullRecord(const Bitmap& photo) {
    TEffectParams p = ControlDefaultRecord();
    p.DrawSketch = true;
    p.DrawColor = true;
    p.ColorSmooth = 3;
    p.BorderBlur = 30;
    p.SourceBitmap = &photo;
    p.Width = photo.Width();
    p.Height = photo.Height();
    return p;
}

struct Layers {
    bool result = false;
    Bitmap sketch, color;
};

Layers RunToEnd(TDrawEffect& e) {
    e.Execute();
    Layers r;
    r.result = e.HasResult();
    e.GetLayers(r.sketch, r.color);
    return r;
}

// The layers of a run without a token and without any cancel.
Layers Reference(const TEffectParams& p) {
    CancelFlag = false;
    TDrawEffect e;
    e.SetParams(p);
    return RunToEnd(e);
}

}  // namespace

TEST(CancelToken, ACancelBeforeTheRunStartsStopsIt) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(48, 36);
    const Layers expected = Reference(FullRecord(photo));
    ASSERT_TRUE(expected.result);

    // Cancel pressed after the owner reset the token but before the worker began.
    CancelToken token;
    token.Cancel();
    TDrawEffect e;
    ProgressLog log;
    e.SetProgress(&log);
    e.SetCancelToken(&token);
    e.SetParams(FullRecord(photo));
    e.Execute();
    EXPECT_FALSE(e.HasResult());
    EXPECT_TRUE(token.IsCancelled()) << "the run never clears its owner's request";
    EXPECT_FALSE(CancelFlag.load()) << "nor touches the program-wide flag";
    Bitmap s = FilledBitmap(3, 3, Rgb(1, 2, 3)), c = FilledBitmap(3, 3, Rgb(4, 5, 6));
    e.GetLayers(s, c);
    EXPECT_EQ(s, FilledBitmap(3, 3, Rgb(1, 2, 3)));
    EXPECT_EQ(c, FilledBitmap(3, 3, Rgb(4, 5, 6)));
    Bitmap preview = FilledBitmap(2, 2, Rgb(9, 9, 9));
    e.ComposePreview(preview);
    EXPECT_EQ(preview, FilledBitmap(2, 2, Rgb(9, 9, 9)));

    // Reset by its owner for the next run, the same engine gives the plain layers.
    token.Reset();
    const Layers again = RunToEnd(e);
    ASSERT_TRUE(again.result);
    EXPECT_EQ(again.sketch, expected.sketch);
    EXPECT_EQ(again.color, expected.color);
}

TEST(CancelToken, ARunWithItsOwnTokenIgnoresAndKeepsTheProgramWideFlag) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(40, 30, 5);
    const Layers expected = Reference(FullRecord(photo));

    // Another run left CancelFlag set; this one must neither stop for it nor clear it.
    CancelFlag = true;
    CancelToken token;
    TDrawEffect e;
    e.SetCancelToken(&token);
    e.SetParams(FullRecord(photo));
    const Layers own = RunToEnd(e);
    EXPECT_TRUE(own.result);
    EXPECT_TRUE(CancelFlag.load());
    EXPECT_EQ(own.sketch, expected.sketch);
    EXPECT_EQ(own.color, expected.color);

    // Setting the flag in the middle of the run changes nothing either.
    CancelFlag = false;
    ProgressLog log;
    log.onCaption = [](const char* c) {
        if (std::string(c) == "Color Smooth") CancelFlag = true;
    };
    TDrawEffect f;
    f.SetProgress(&log);
    f.SetCancelToken(&token);
    f.SetParams(FullRecord(photo));
    const Layers flagged = RunToEnd(f);
    EXPECT_TRUE(flagged.result);
    EXPECT_EQ(flagged.color, expected.color);
}

TEST(CancelToken, RunsSideBySideStopOnlyForTheirOwnCancel) {
    CancelGuard guard;
    const Bitmap photo = TexturedPhoto(160, 120, 7);
    const Layers expected = Reference(FullRecord(photo));
    for (int round = 0; round < 2; ++round) {
        CancelToken stopped, kept;
        Layers a, b;
        std::thread other([&] {
            TDrawEffect e;
            ProgressLog log;
            log.onCaption = [&stopped](const char* c) {
                if (std::string(c) == "Color Reducing") stopped.Cancel();
            };
            e.SetProgress(&log);
            e.SetCancelToken(&stopped);
            e.SetParams(FullRecord(photo));
            a = RunToEnd(e);
        });
        TDrawEffect e;
        e.SetCancelToken(&kept);
        e.SetParams(FullRecord(photo));
        b = RunToEnd(e);
        other.join();
        EXPECT_FALSE(a.result) << round;
        ASSERT_TRUE(b.result) << round;
        EXPECT_EQ(b.sketch, expected.sketch) << round;
        EXPECT_EQ(b.color, expected.color) << round;
        EXPECT_FALSE(kept.IsCancelled());
    }
}

TEST(CancelToken, HelperThreadsAnswerForTheCallingThreadsRun) {
    CancelGuard guard;
    if (ParallelThreadCount() < 2) GTEST_SKIP() << "the pool has no helper threads on this machine";
    const std::thread::id caller = std::this_thread::get_id();

    // A cancelled token bound on the calling thread is what every helper sees.
    CancelToken token;
    token.Cancel();
    std::atomic<int> onHelpers{0}, helpersNotCancelled{0};
    {
        const CancelScope scope(&token);
        ParallelLoop all;
        all.Count = 1000;
        all.StopOnCancel = false;
        ParallelFor(all, [&](std::int64_t, std::int64_t) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            if (std::this_thread::get_id() == caller) return;
            ++onHelpers;
            if (!Cancelled()) ++helpersNotCancelled;
        });
    }
    ASSERT_GT(onHelpers.load(), 0) << "no chunk ran on a helper";
    EXPECT_EQ(helpersNotCancelled.load(), 0);
    EXPECT_FALSE(Cancelled()) << "the scope ended: the thread answers for CancelFlag again";

    // An uncancelled token bound while CancelFlag is set: the loop runs to its end.
    CancelFlag = true;
    CancelToken clear;
    std::atomic<int> sawCancel{0}, items{0};
    bool finished = false;
    {
        const CancelScope scope(&clear);
        finished = ParallelFor(300, 1, [&](std::int64_t b, std::int64_t e) {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            if (Cancelled()) ++sawCancel;
            items += static_cast<int>(e - b);
        });
    }
    EXPECT_TRUE(finished);
    EXPECT_EQ(items.load(), 300);
    EXPECT_EQ(sawCancel.load(), 0);
    EXPECT_TRUE(Cancelled());
}
