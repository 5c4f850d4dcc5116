#pragma once
// How a run of the engine is asked to stop, and the progress targets that its long
// steps report to. The worker thread writes progress; a user-interface
// implementation must hand the calls over to its own thread.

#include <atomic>

namespace velmora {

// One run's request to stop. Its owner resets it on the user-interface thread
// before the run starts and sets it when the user cancels; the run only reads it.
// Giving every run a token of its own means a Cancel pressed before the worker has
// even started is kept, and one run's cancel never stops or revives another.
class CancelToken {
public:
    void Cancel() noexcept { flag_.store(true, std::memory_order_relaxed); }
    void Reset() noexcept { flag_.store(false, std::memory_order_relaxed); }
    bool IsCancelled() const noexcept { return flag_.load(std::memory_order_relaxed); }
    const std::atomic<bool>& Flag() const noexcept { return flag_; }

private:
    std::atomic<bool> flag_{false};
};

// The program-wide cancel flag: the token of work that runs without one of its own
// (a pipeline given no token clears it when it starts). Atomic because two threads
// may touch it.
extern std::atomic<bool> CancelFlag;

namespace detail {
// The flag that Cancelled() reads on this thread; null means CancelFlag.
inline thread_local const std::atomic<bool>* tCancelSource = nullptr;
}  // namespace detail

// Polled by every long loop of the engine: whether the run this thread works for
// was asked to stop. Outside any run with a token it reads CancelFlag.
inline bool Cancelled() {
    const std::atomic<bool>* source = detail::tCancelSource;
    return (source ? *source : CancelFlag).load(std::memory_order_relaxed);
}

// The flag Cancelled() reads on the calling thread, for handing on to helper
// threads that work for the same run.
inline const std::atomic<bool>* CurrentCancelSource() noexcept { return detail::tCancelSource; }

// Makes Cancelled() on the calling thread answer for `source` (null: CancelFlag)
// until the scope ends; scopes nest.
class CancelScope {
public:
    explicit CancelScope(const std::atomic<bool>* source) noexcept : previous_(detail::tCancelSource) {
        detail::tCancelSource = source;
    }
    explicit CancelScope(const CancelToken* token) noexcept : CancelScope(token ? &token->Flag() : nullptr) {}
    ~CancelScope() { detail::tCancelSource = previous_; }
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

private:
    const std::atomic<bool>* previous_;
};

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
