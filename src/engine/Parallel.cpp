#include "engine/Parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/Progress.h"

namespace velmora {

namespace {

// True on a thread while it works on a loop, so that a loop started from inside a
// body runs inline instead of waiting for the pool it is already part of.
thread_local bool tInsideLoop = false;

struct Job {
    const ParallelLoop& loop;
    const std::function<void(std::int64_t, std::int64_t)>& body;
    std::int64_t chunks;
    // The run the calling thread works for: helpers poll its cancel flag too.
    const std::atomic<bool>* cancelSource;
    std::atomic<std::int64_t> next{0};
    std::atomic<std::int64_t> done{0};
    std::atomic<bool> failed{false};
    std::atomic<bool> stopped{false};
    std::mutex errorMutex;
    std::exception_ptr error;

    Job(const ParallelLoop& l, const std::function<void(std::int64_t, std::int64_t)>& b)
        : loop(l), body(b), chunks((l.Count + l.Grain - 1) / l.Grain), cancelSource(CurrentCancelSource()) {}

    // Takes chunks until none is left, the loop is cancelled or a body failed. The
    // calling thread reports progress after each of its chunks. Nothing escapes:
    // the first exception, of a body or of the progress report, stops the loop and
    // is kept for the calling thread.
    void Work(bool reportProgress) noexcept {
        struct InsideLoop {
            bool was = tInsideLoop;
            InsideLoop() { tInsideLoop = true; }
            ~InsideLoop() { tInsideLoop = was; }
        } inside;
        const CancelScope scope(cancelSource);
        for (;;) {
            if (failed.load(std::memory_order_relaxed)) break;
            if (loop.StopOnCancel && Cancelled()) {
                stopped.store(true, std::memory_order_relaxed);
                break;
            }
            const std::int64_t c = next.fetch_add(1, std::memory_order_relaxed);
            if (c >= chunks) break;
            const std::int64_t begin = c * loop.Grain;
            const std::int64_t end = std::min(loop.Count, begin + loop.Grain);
            try {
                body(begin, end);
                const std::int64_t total =
                    done.fetch_add(end - begin, std::memory_order_acq_rel) + (end - begin);
                if (reportProgress && loop.Progress && total < loop.Count) loop.Progress(total);
            } catch (...) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (!error) error = std::current_exception();
                failed.store(true, std::memory_order_relaxed);
                break;
            }
        }
    }
};

class WorkerPool {
public:
    WorkerPool() {
        const unsigned hw = std::thread::hardware_concurrency();
        const int helpers = hw > 1 ? static_cast<int>(hw) - 1 : 0;
        // Whatever number of helpers the system lets us start is enough: with none
        // at all every loop simply runs on its calling thread.
        try {
            threads_ = StartThreads(helpers, [this](int) { HelperLoop(); });
        } catch (const std::exception&) {
            threads_.clear();  // not even the list could be made; nothing was started
        }
    }

    ~WorkerPool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    int Helpers() const { return static_cast<int>(threads_.size()); }

    int SetLimit(int limit) {
        std::lock_guard<std::mutex> lock(mutex_);
        const int previous = limit_;
        limit_ = limit;
        return previous;
    }

    // Runs the job on the calling thread and, when the pool is free, on its helpers.
    void Run(Job& job) {
        std::unique_lock<std::mutex> busy(runMutex_, std::defer_lock);
        int helpers = 0;
        if (!tInsideLoop && job.chunks > 1 && busy.try_lock()) {
            std::lock_guard<std::mutex> lock(mutex_);
            helpers = limit_ < 0 ? Helpers() : std::min(limit_, Helpers());
            helpers = static_cast<int>(std::min<std::int64_t>(helpers, job.chunks - 1));
            if (helpers > 0) {
                job_ = &job;
                wanted_ = helpers;
                running_ = 0;
                ++generation_;
            }
        }
        if (helpers > 0) wake_.notify_all();

        // The job lives on the caller's stack: every helper that joined must be done
        // with it before this returns, however this returns. Helpers that have not
        // woken up yet are not waited for; there is nothing left for them.
        struct WaitForHelpers {
            WorkerPool& pool;
            bool engaged;
            ~WaitForHelpers() {
                if (!engaged) return;
                std::unique_lock<std::mutex> lock(pool.mutex_);
                pool.wanted_ = 0;
                pool.finished_.wait(lock, [this] { return pool.running_ == 0; });
                pool.job_ = nullptr;
            }
        } wait{*this, helpers > 0};

        job.Work(true);
    }

private:
    void HelperLoop() {
        std::uint64_t seen = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return quit_ || (generation_ != seen && wanted_ > 0); });
            if (quit_) return;
            seen = generation_;
            --wanted_;
            ++running_;
            Job* job = job_;
            lock.unlock();
            job->Work(false);
            lock.lock();
            if (--running_ == 0) finished_.notify_all();
        }
    }

    std::vector<std::thread> threads_;
    std::mutex runMutex_;  // held by the one loop that owns the helpers
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    Job* job_ = nullptr;
    std::uint64_t generation_ = 0;
    int wanted_ = 0;   // helpers still to join the current job
    int running_ = 0;  // helpers working on it
    int limit_ = -1;
    bool quit_ = false;
};

// The test seam's remaining thread starts; negative: no failures are injected.
std::atomic<int> gThreadStartsAllowed{-1};

bool InjectedThreadStartFailure() {
    int allowed = gThreadStartsAllowed.load();
    while (allowed >= 0) {
        if (allowed == 0) return true;
        if (gThreadStartsAllowed.compare_exchange_weak(allowed, allowed - 1)) return false;
    }
    return false;
}

WorkerPool& Pool() {
    static WorkerPool pool;
    return pool;
}

}  // namespace

std::vector<std::thread> StartThreads(int count, const std::function<void(int)>& body, std::string* failure) {
    std::vector<std::thread> threads;
    if (count <= 0) return threads;
    // Reserved first, so that adding a started thread never needs memory: the list
    // must not be lost while threads in it can still be joined.
    threads.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        try {
            if (InjectedThreadStartFailure())
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                        "thread creation refused by the test seam");
            threads.emplace_back(body, i);
        } catch (const std::exception& e) {
            if (failure) *failure = e.what();
            break;
        }
    }
    return threads;
}

int FailThreadStartsAfterForTesting(int allowed) { return gThreadStartsAllowed.exchange(allowed < 0 ? -1 : allowed); }

int ParallelThreadCount() { return Pool().Helpers() + 1; }

int SetParallelHelperLimit(int helpers) { return Pool().SetLimit(helpers); }

bool ParallelFor(const ParallelLoop& loop, const std::function<void(std::int64_t, std::int64_t)>& body) {
    if (loop.Count <= 0) return !(loop.StopOnCancel && Cancelled());
    ParallelLoop checked = loop;
    if (checked.Grain < 1) checked.Grain = 1;
    Job job(checked, body);
    Pool().Run(job);
    if (job.error) std::rethrow_exception(job.error);
    if (job.stopped.load() || job.done.load() < checked.Count) return false;
    if (checked.Progress) checked.Progress(checked.Count);
    return true;
}

}  // namespace velmora
