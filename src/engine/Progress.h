#pragma once
// The program-wide cancel flag of the engine and the progress targets that its long
// steps report to. The worker thread writes progress; a user-interface
// implementation must hand the calls over to its own thread.

#include <atomic>

namespace velmora {

// Set by the progress dialog's Cancel, cleared when a run starts, polled by every
// long loop of the engine. Atomic because two threads touch it.
extern std::atomic<bool> CancelFlag;

inline bool Cancelled() { return CancelFlag.load(std::memory_order_relaxed); }

// Step label, step bar (0..100) and total bar. Any of the calls may come from a
// worker thread.
class ProgressTargets {
public:
    virtual ~ProgressTargets() = default;
    virtual void SetCaption(const char* caption) = 0;
    virtual void SetStepPosition(int position) = 0;
    virtual void SetTotalMaximum(int maximum) = 0;
    virtual void AdvanceTotal() = 0;
};

}  // namespace velmora
