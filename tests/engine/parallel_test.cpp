#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/EngineTestUtil.h"
#include "engine/Parallel.h"

using namespace velmora;
using namespace velmora::test;

namespace {

std::vector<int> CountVisits(std::int64_t count, std::int64_t grain) {
    std::vector<std::atomic<int>> visits(static_cast<std::size_t>(count));
    ParallelFor(count, grain, [&](std::int64_t b, std::int64_t e) {
        for (std::int64_t i = b; i < e; ++i) visits[static_cast<std::size_t>(i)].fetch_add(1);
    });
    std::vector<int> out;
    for (auto& v : visits) out.push_back(v.load());
    return out;
}

// The threads that ran some of `count` items, each taking `work`.
std::set<std::thread::id> ThreadsUsed(std::int64_t count, std::chrono::microseconds work) {
    std::mutex m;
    std::set<std::thread::id> threads;
    ParallelFor(count, 1, [&](std::int64_t, std::int64_t) {
        std::this_thread::sleep_for(work);
        std::lock_guard<std::mutex> lock(m);
        threads.insert(std::this_thread::get_id());
    });
    return threads;
}

}  // namespace

TEST(ParallelFor, EveryItemRunsExactlyOnceWhateverTheChunking) {
    for (std::int64_t count : {0, 1, 2, 7, 1000, 4097})
        for (std::int64_t grain : {1, 3, 64, 5000}) {
            const std::vector<int> visits = CountVisits(count, grain);
            for (std::size_t i = 0; i < visits.size(); ++i)
                ASSERT_EQ(visits[i], 1) << "item " << i << " of " << count << " in chunks of " << grain;
        }
}

TEST(ParallelFor, ProgressComesFromTheCallingThreadAndEndsAtTheCount) {
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::int64_t> reports;
    bool foreign = false;
    ParallelLoop loop;
    loop.Count = 500;
    loop.Grain = 7;
    loop.Progress = [&](std::int64_t done) {
        if (std::this_thread::get_id() != caller) foreign = true;
        reports.push_back(done);
    };
    std::atomic<std::int64_t> sum{0};
    ASSERT_TRUE(ParallelFor(loop, [&](std::int64_t b, std::int64_t e) {
        for (std::int64_t i = b; i < e; ++i) sum += i;
    }));
    EXPECT_EQ(sum.load(), 499 * 500 / 2);
    EXPECT_FALSE(foreign) << "progress must be reported by the thread that drives the run";
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), 500);
    for (std::size_t i = 1; i < reports.size(); ++i) EXPECT_LE(reports[i - 1], reports[i]);
}

TEST(ParallelFor, LoopsInsideLoopsAndLoopsFromSeveralThreadsAllComplete) {
    // A loop started inside a body runs on that body's thread.
    std::atomic<int> inner{0};
    ParallelFor(8, 1, [&](std::int64_t, std::int64_t) {
        ParallelFor(100, 10, [&](std::int64_t b, std::int64_t e) { inner += static_cast<int>(e - b); });
    });
    EXPECT_EQ(inner.load(), 800);

    // Two conversions on two threads: one gets the helpers, the other runs alone.
    std::atomic<long long> a{0}, b{0};
    auto work = [](std::atomic<long long>& total) {
        for (int round = 0; round < 50; ++round)
            ParallelFor(1000, 13, [&](std::int64_t s, std::int64_t e) {
                for (std::int64_t i = s; i < e; ++i) total += i;
            });
    };
    std::thread other([&] { work(b); });
    work(a);
    other.join();
    EXPECT_EQ(a.load(), 50LL * 999 * 1000 / 2);
    EXPECT_EQ(b.load(), 50LL * 999 * 1000 / 2);
}

TEST(ParallelFor, CancelStopsHandingOutChunksUnlessTheLoopIgnoresIt) {
    std::atomic<int> started{0};
    std::atomic<int> startedAfterCancel{0};
    std::atomic<bool> cancelled{false};
    const bool finished = ParallelFor(10000, 1, [&](std::int64_t b, std::int64_t) {
        if (cancelled.load()) ++startedAfterCancel;
        ++started;
        if (b == 20) {
            CancelFlag = true;
            cancelled = true;
        }
    });
    EXPECT_FALSE(finished);
    EXPECT_LT(started.load(), 10000);
    // Only chunks already taken by other threads when the flag was set may still run.
    EXPECT_LE(startedAfterCancel.load(), ParallelThreadCount());

    ParallelLoop ignoring;
    ignoring.Count = 300;
    ignoring.Grain = 2;
    ignoring.StopOnCancel = false;
    std::atomic<int> ran{0};
    EXPECT_TRUE(ParallelFor(ignoring, [&](std::int64_t b, std::int64_t e) { ran += static_cast<int>(e - b); }));
    EXPECT_EQ(ran.load(), 300) << "the adjustment forms run to the end whatever the flag says";
}

TEST(ParallelFor, AnExceptionReachesTheCallerAndThePoolStaysUsable) {
    std::atomic<int> ran{0};
    // Each item takes a while, so the others would need far longer than it takes the
    // failing thread to stop the loop.
    EXPECT_THROW(ParallelFor(2000, 1,
                             [&](std::int64_t b, std::int64_t) {
                                 ++ran;
                                 if (b == 5) throw std::runtime_error("out of memory");
                                 std::this_thread::sleep_for(std::chrono::microseconds(200));
                             }),
                 std::runtime_error);
    EXPECT_LT(ran.load(), 2000);
    EXPECT_EQ(CountVisits(333, 4), std::vector<int>(333, 1));
}

TEST(ParallelFor, WithoutHelpersEverythingRunsOnTheCallingThread) {
    const HelperLimit none(0);
    EXPECT_EQ(ThreadsUsed(64, std::chrono::microseconds(0)), std::set<std::thread::id>{std::this_thread::get_id()});
}

TEST(ParallelFor, AThrowingProgressReportStopsTheLoopAndWaitsForTheHelpers) {
    if (ParallelThreadCount() < 2) GTEST_SKIP() << "the pool has no helper threads on this machine";
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> callerLeft{false};
    std::atomic<int> ran{0}, lateBodies{0};
    ParallelLoop loop;
    loop.Count = 2000;
    loop.Progress = [](std::int64_t) { throw std::runtime_error("the progress display is gone"); };
    EXPECT_THROW(ParallelFor(loop,
                             [&](std::int64_t, std::int64_t) {
                                 ++ran;
                                 std::this_thread::sleep_for(std::chrono::milliseconds(2));
                                 if (callerLeft.load()) ++lateBodies;
                             }),
                 std::runtime_error);
    callerLeft = true;
    // A helper still inside the loop after the caller left would count itself here,
    // and would be reading a job that no longer exists.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(lateBodies.load(), 0);
    EXPECT_LT(ran.load(), 2000) << "the failure stops handing out chunks";

    // The calling thread is not left marked as inside a loop: its next loop gets
    // the helpers again.
    const std::set<std::thread::id> threads = ThreadsUsed(500, std::chrono::microseconds(200));
    EXPECT_GT(threads.size(), 1u);
    EXPECT_TRUE(threads.count(caller));
}

TEST(StartThreads, ARefusedThreadEndsTheStartingAndKeepsTheStartedOnes) {
    std::atomic<int> ran{0};
    std::string why;
    std::vector<std::thread> threads;
    {
        RefusedThreadStarts refused(2);
        threads = StartThreads(5, [&](int i) { ran |= 1 << i; }, &why);
    }
    ASSERT_EQ(threads.size(), 2u);
    for (std::thread& t : threads) {
        ASSERT_TRUE(t.joinable());
        t.join();
    }
    EXPECT_EQ(ran.load(), 0b11) << "threads 0 and 1 ran, nothing else";
    EXPECT_FALSE(why.empty());

    // Refused from the first: nothing to join, nothing thrown.
    {
        RefusedThreadStarts refused(0);
        EXPECT_TRUE(StartThreads(3, [&](int) { ran = -1; }).empty());
    }
    EXPECT_EQ(ran.load(), 0b11);
}

TEST(StartThreadsDeathTest, APoolWhoseHelpersCannotStartRunsEverythingOnTheCaller) {
    // A fresh process, so that the pool is made while the seam refuses threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FailThreadStartsAfterForTesting(0);
            std::atomic<long long> sum{0};
            const bool finished = ParallelFor(1000, 7, [&](std::int64_t b, std::int64_t e) {
                for (std::int64_t i = b; i < e; ++i) sum += i;
            });
            std::exit(finished && sum == 999 * 1000 / 2 && ParallelThreadCount() == 1 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
