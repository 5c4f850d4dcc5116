#pragma once
// A small pool of helper threads for the engine's independent work (rows of a pass,
// columns of a filter, regions of the segmentation). The thread that starts a loop
// takes part in it, is the only one that reports progress, and returns only when
// every helper has finished its part. One loop runs on the pool at a time: a loop
// started while the pool is busy (another conversion on another thread) or from
// inside a loop simply runs on its calling thread, so nothing waits for anything
// and the machine is never oversubscribed.

#include <cstdint>
#include <functional>

namespace velmora {

// Threads a loop can use: the caller plus the pool's helpers (hardware threads - 1).
int ParallelThreadCount();

// Limits the helpers used from now on (0 = none, negative = as many as the pool
// has). Meant for tests and measurements; returns the previous limit.
int SetParallelHelperLimit(int helpers);

struct ParallelLoop {
    // The items 0 .. Count - 1, handed out in chunks of Grain items.
    std::int64_t Count = 0;
    std::int64_t Grain = 1;
    // When set, no chunk starts once CancelFlag is set (the chunks that have started
    // finish; bodies should check the flag themselves in long chunks).
    bool StopOnCancel = true;
    // Called on the calling thread only, with the number of items finished so far
    // (not decreasing), between its own chunks and once at the end when every item
    // was done.
    std::function<void(std::int64_t done)> Progress;
};

// Runs body(begin, end) over every chunk of the loop. Returns false when the loop
// stopped early because of CancelFlag. An exception thrown by a body stops the loop
// and is rethrown on the calling thread after every helper has finished.
bool ParallelFor(const ParallelLoop& loop, const std::function<void(std::int64_t, std::int64_t)>& body);

// Shorthand: items 0 .. count - 1 in chunks of grain, stopping on cancel, no progress.
inline bool ParallelFor(std::int64_t count, std::int64_t grain,
                        const std::function<void(std::int64_t, std::int64_t)>& body) {
    ParallelLoop loop;
    loop.Count = count;
    loop.Grain = grain;
    return ParallelFor(loop, body);
}

}  // namespace velmora
