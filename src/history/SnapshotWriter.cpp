#include "history/SnapshotWriter.h"

#include <utility>

namespace velmora {

SnapshotWriter::SnapshotWriter(std::function<void()> finished)
    : finished_(std::move(finished)), thread_([this] { Run(); }) {}

SnapshotWriter::~SnapshotWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

std::uint64_t SnapshotWriter::Enqueue(Job job) {
    std::uint64_t id = 0;
    bool cancelled = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        id = nextId_++;
        if (failed_) {
            results_.push_back({id, Outcome::Cancelled, {}});
            cancelled = true;
        } else {
            queue_.push_back({id, std::move(job)});
        }
    }
    if (cancelled) {
        if (finished_) finished_();
    } else {
        wake_.notify_all();
    }
    return id;
}

void SnapshotWriter::WaitAll() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !running_; });
}

bool SnapshotWriter::Busy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !queue_.empty() || running_;
}

std::vector<SnapshotWriter::Result> SnapshotWriter::TakeResults() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Result> taken;
    taken.swap(results_);
    failed_ = false;
    return taken;
}

void SnapshotWriter::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) return;  // stopping, and nothing is left to write
        Entry entry = std::move(queue_.front());
        queue_.pop_front();
        running_ = true;
        lock.unlock();

        std::string error;
        bool ok = false;
        try {
            ok = entry.Write(error);
        } catch (const std::exception& e) {
            error = e.what();
        }
        entry.Write = nullptr;  // frees the copy of the document before the next write

        lock.lock();
        running_ = false;
        results_.push_back({entry.Id, ok ? Outcome::Written : Outcome::Failed, std::move(error)});
        if (!ok) {
            failed_ = true;
            for (Entry& skipped : queue_) results_.push_back({skipped.Id, Outcome::Cancelled, {}});
            queue_.clear();
        }
        if (queue_.empty()) idle_.notify_all();
        if (finished_) {
            lock.unlock();
            finished_();
            lock.lock();
        }
    }
}

}  // namespace velmora
