#pragma once
// The pool of large blocks asks for huge pages only while they are cheap to get; see
// LargeBlocks.h for why they sometimes are not.

#include <atomic>
#include <chrono>

namespace velmora {

// Judges from the time the system takes to supply huge pages whether new blocks
// should still ask for them. Small pages cost about a millisecond per 2 MiB on the
// machines measured and a healthy huge page a fifth of a millisecond, so a huge page
// that takes longer than kSlow is dearer than small pages would have been. One slow
// page may be a thread that lost its processor for a moment; two in a row are not.
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
