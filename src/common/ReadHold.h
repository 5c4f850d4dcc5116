#pragma once
// A reader on another thread that has been lent some memory says through this when it
// is done with it; the owner waits for that before it changes or frees the memory.

#include <atomic>

namespace velmora {

class ReadHold {
public:
    ReadHold() = default;
    ReadHold(const ReadHold&) = delete;
    ReadHold& operator=(const ReadHold&) = delete;

    // The reader is done; wakes every waiter. Releasing twice is harmless.
    void Release() {
        released_.store(true, std::memory_order_release);
        released_.notify_all();
    }
    bool Released() const { return released_.load(std::memory_order_acquire); }
    // Blocks until released. Everything the reader did before releasing is then
    // visible to the caller.
    void Wait() const { released_.wait(false, std::memory_order_acquire); }

private:
    std::atomic<bool> released_{false};
};

}  // namespace velmora
