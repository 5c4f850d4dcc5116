#pragma once
// One background thread that writes history snapshots in the order they were taken,
// so that recording a state does not hold up the user-interface thread for the write.
//
// A write that fails stops the queue: every write still waiting, and every write
// handed in before the failure has been collected, is skipped and reported as
// cancelled. Those states were recorded on top of the failed one, and the slots they
// would overwrite may still belong to states that the caller brings back when it
// drops the failed one.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora {

class SnapshotWriter {
public:
    // Runs on the writer thread; false with `error` set when the write failed.
    using Job = std::function<bool(std::string& error)>;

    enum class Outcome { Written, Failed, Cancelled };
    struct Result {
        std::uint64_t Id = 0;
        Outcome What = Outcome::Written;
        std::string Error;
    };

    // `finished` is called on the writer thread after each job (and after jobs were
    // cancelled), to wake whoever collects the results.
    explicit SnapshotWriter(std::function<void()> finished = {});
    // Finishes the writes still queued, then stops the thread.
    ~SnapshotWriter();
    SnapshotWriter(const SnapshotWriter&) = delete;
    SnapshotWriter& operator=(const SnapshotWriter&) = delete;

    // Queues a write; its id is greater than every earlier one.
    std::uint64_t Enqueue(Job job);
    // Blocks until every queued write has finished or been cancelled.
    void WaitAll();
    // True while a write is queued or running.
    bool Busy() const;
    // The results not collected yet, in queue order. Collecting them lets writes that
    // are handed in afterwards run again after a failure.
    std::vector<Result> TakeResults();

private:
    void Run();

    struct Entry {
        std::uint64_t Id;
        Job Write;
    };

    std::function<void()> finished_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Entry> queue_;
    std::vector<Result> results_;
    std::uint64_t nextId_ = 1;
    bool running_ = false;
    bool failed_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace velmora
