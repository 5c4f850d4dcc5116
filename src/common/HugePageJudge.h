#pragma once
// The pool of large blocks asks for huge pages only while they are cheap to get; see
// LargeBlocks.h for why they sometimes are not.

#include <atomic>
#include <chrono>

namespace velmora {

// Judges from the time the system takes to supply huge pages whether new blocks
// should still ask for them. On the virtual machines measured, 2 MiB of small pages
// cost about half a millisecond to supply and three more when the program first
// touches them, a cost the threads that fill a block share; a healthy huge page costs
// a fifth of a millisecond, all told, and a slow one three to four, on the one thread
// that supplies it. So a huge page that takes longer than kSlow costs more time than
// small pages would have on two threads. One slow page may be a thread that lost its
// processor for a moment; two in a row are not.
class HugePageJudge {
public:
    static constexpr std::chrono::microseconds kSlow{2000};

    bool Wanted() const { return !givenUp_.load(std::memory_order_relaxed); }
    // Notes how long one huge page took to supply.
    void Supplied(std::chrono::nanoseconds took) {
        if (took <= kSlow) {
            slowInARow_.store(0, std::memory_order_relaxed);
        } else if (slowInARow_.fetch_add(1, std::memory_order_relaxed) + 1 >= 2) {
            givenUp_.store(true, std::memory_order_relaxed);
        }
    }

private:
    std::atomic<int> slowInARow_{0};
    std::atomic<bool> givenUp_{false};
};

}  // namespace velmora
