#pragma once
// Threads that share a function's locals must end before those locals do, however
// the function is left.

#include <thread>
#include <vector>

namespace velmora {

// Joins every joinable thread of `threads` when it goes out of scope.
class JoinThreadsOnExit {
public:
    explicit JoinThreadsOnExit(std::vector<std::thread>& threads) : threads_(threads) {}
    JoinThreadsOnExit(const JoinThreadsOnExit&) = delete;
    JoinThreadsOnExit& operator=(const JoinThreadsOnExit&) = delete;
    ~JoinThreadsOnExit() {
        for (std::thread& t : threads_)
            if (t.joinable()) t.join();
    }

private:
    std::vector<std::thread>& threads_;
};

}  // namespace velmora
