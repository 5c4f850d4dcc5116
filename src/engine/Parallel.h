#pragma once
// A small pool of helper threads for the engine's independent work (rows of a pass,
// columns of a filter, regions of the segmentation). The thread that starts a loop
// takes part in it, is the only one that reports progress, and returns only when
// every helper has finished its part. Helpers poll the cancel flag of the run the
// calling thread works for (see CancelScope). One loop runs on the pool at a time: a loop
// started while the pool is busy (another conversion on another thread) or from
// inside a loop simply runs on its calling thread, so nothing waits for anything
// and the machine is never oversubscribed.

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

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
    // When set, no chunk starts once the run is cancelled (the chunks that have
    // started finish; bodies should check Cancelled() themselves in long chunks).
    bool StopOnCancel = true;
    // Called on the calling thread only, with the number of items finished so far
    // (not decreasing), between its own chunks and once at the end when every item
    // was done. An exception it throws stops the loop like one of the body's.
    std::function<void(std::int64_t done)> Progress;
};

// Runs body(begin, end) over every chunk of the loop. Returns false when the loop
// stopped early because the run was cancelled. An exception thrown by a body stops
// the loop and is rethrown on the calling thread after every helper has finished.
bool ParallelFor(const ParallelLoop& loop, const std::function<void(std::int64_t, std::int64_t)>& body);

// Shorthand: items 0 .. count - 1 in chunks of grain, stopping on cancel, no progress.
inline bool ParallelFor(std::int64_t count, std::int64_t grain,
                        const std::function<void(std::int64_t, std::int64_t)>& body) {
    ParallelLoop loop;
    loop.Count = count;
    loop.Grain = grain;
    return ParallelFor(loop, body);
}

// Starts up to `count` threads, thread i running body(i), and returns those that
// were started. A thread the system refuses (or memory for it) ends the starting
// instead of throwing, since an exception would leave the started ones joinable and
// end the program; `failure`, when given, then says why. The caller joins them.
std::vector<std::thread> StartThreads(int count, const std::function<void(int)>& body,
                                      std::string* failure = nullptr);

// Test seam: after `allowed` more successful starts, StartThreads fails every start
// as if the system had refused it; negative turns this off. Returns the setting
// before.
int FailThreadStartsAfterForTesting(int allowed);

}  // namespace velmora
