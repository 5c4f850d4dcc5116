#pragma once
// The pool of large blocks asks for huge pages only while they are cheap to get; see
// LargeBlocks.h for why they sometimes are not.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace velmora {

// Judges from the processor time the system takes to supply huge pages whether new
// blocks should still ask for them. On the virtual machines measured, 2 MiB of small
// pages cost about half a millisecond to supply and three more when the program first
// touches them, a cost the threads that fill a block share; a healthy huge page costs
// a fifth of a millisecond, all told, on the one thread that supplies it. A slow one
// has cost from three to over thirty milliseconds, and slow and quick ones come mixed.
// So huge pages are kept while they have cost no more than kSlow each on average,
// with one kSlow to spare: a single page that costs as much as several hundred healthy
// ones gives them up at once, where a few pages just over the limit among quick ones
// do not. The time is the supplying thread's own processor time, so that a thread
// that lost its processor for a moment does not count against them.
//
// The first pages can be timed on a thread of its own while the program starts, since
// a slow one holds its thread for tens of milliseconds. Until their times are in, huge
// pages are not wanted. A block taken meanwhile (the picture a program opens as it
// starts) may wait kVerdictWait for them: where huge pages were quick, their times
// were in within five milliseconds of the start, and the picture's block then cost a
// tenth of what small pages cost; where they are slow, it does without them rather
// than wait longer.
class HugePageJudge {
public:
    static constexpr std::chrono::microseconds kSlow{2000};
    static constexpr std::chrono::microseconds kVerdictWait{10000};

    bool Wanted() const {
        return !awaited_.load(std::memory_order_acquire) && !givenUp_.load(std::memory_order_relaxed);
    }
    bool GivenUp() const { return givenUp_.load(std::memory_order_relaxed); }
    // Notes that the first pages are being timed elsewhere, and that they have been.
    void Await() { awaited_.store(true, std::memory_order_relaxed); }
    void StopAwaiting() { awaited_.store(false, std::memory_order_release); }
    // Waits until the first pages' times are in, or `limit` has passed; true when they
    // are in (at once when none were awaited).
    bool AwaitTimes(std::chrono::microseconds limit) const {
        if (!awaited_.load(std::memory_order_acquire)) return true;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (awaited_.load(std::memory_order_acquire)) {
            if (std::chrono::steady_clock::now() >= end) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return true;
    }
    // Notes how long one huge page took to supply.
    void Supplied(std::chrono::nanoseconds took) {
        const std::int64_t change = Slow() - took.count();
        if (credit_.fetch_add(change, std::memory_order_relaxed) + change < 0)
            givenUp_.store(true, std::memory_order_relaxed);
    }

private:
    static constexpr std::int64_t Slow() { return std::chrono::nanoseconds(kSlow).count(); }

    // What huge pages may still cost before they cost more than kSlow each on average:
    // one kSlow to spare, and kSlow more with every page, less what the page took.
    std::atomic<std::int64_t> credit_{Slow()};
    std::atomic<bool> givenUp_{false};
    std::atomic<bool> awaited_{false};
};

}  // namespace velmora
