// Each run's own stop request, which neither stops nor is cleared by another run's.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "engine/DrawEffect.h"
#include "engine/EngineTestUtil.h"
#include "engine/Parallel.h"

using namespace velmora;
using namespace velmora::test;

namespace {

TEffectParams Record(const Bitmap& photo) {
    TEffectParams p = WholeRecord(photo);
    p.ColorSmooth = 3;
    p.BorderBlur = 30;
    return p;
}

// A run on its own engine, stopped by `token`.
Layers RunWith(const CancelToken& token, const TEffectParams& p, ProgressTargets* progress = nullptr) {
    TDrawEffect e;
    e.SetCancelToken(&token);
    return RunEffect(e, p, progress);
}

}  // namespace

TEST(CancelToken, OnlyTheRunsOwnRequestStopsItAndTheRunClearsNoRequest) {
    const Bitmap photo = TexturedPhoto(48, 36);
    const Layers expected = Convert(Record(photo));
    ASSERT_TRUE(expected.result);

    // Cancel pressed after the owner reset the token but before the worker began.
    CancelToken token;
    token.Cancel();
    TDrawEffect e;
    e.SetCancelToken(&token);
    EXPECT_FALSE(RunEffect(e, Record(photo)).result);
    EXPECT_TRUE(token.IsCancelled()) << "the run never clears its owner's request";
    EXPECT_FALSE(CancelFlag.load()) << "nor touches the program-wide flag";
    EXPECT_TRUE(WritesNothing(e));

    // Reset by its owner for the next run, the same engine gives the plain layers.
    token.Reset();
    EXPECT_TRUE(RunEffect(e, Record(photo)) == expected);

    // Another run left CancelFlag set; a run with its own token must neither stop for it nor clear it.
    CancelFlag = true;
    EXPECT_TRUE(RunWith(token, Record(photo)) == expected);
    EXPECT_TRUE(CancelFlag.load());
    // Setting the flag in the middle of the run changes nothing either.
    CancelFlag = false;
    ProgressLog log = CancelAt("Color Smooth", [] { CancelFlag = true; });
    EXPECT_TRUE(RunWith(token, Record(photo), &log) == expected);
}

TEST(CancelToken, RunsSideBySideStopOnlyForTheirOwnCancel) {
    const Bitmap photo = TexturedPhoto(160, 120, 7);
    const Layers expected = Convert(Record(photo));
    for (int round = 0; round < 2; ++round) {
        CancelToken stopped, kept;
        Layers a;
        std::thread other([&] {
            ProgressLog log = CancelAt("Color Reducing", [&stopped] { stopped.Cancel(); });
            a = RunWith(stopped, Record(photo), &log);
        });
        const Layers b = RunWith(kept, Record(photo));
        other.join();
        EXPECT_FALSE(a.result) << round;
        EXPECT_TRUE(b == expected) << round;
        EXPECT_FALSE(kept.IsCancelled());
    }
}

TEST(CancelToken, HelperThreadsAnswerForTheCallingThreadsRun) {
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
