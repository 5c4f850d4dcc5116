#pragma once
// Runs a check in a process of its own: for what one process cannot show itself
// (another copy's lock, another user's rights).

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace velmora::test {

// Runs `work` in a forked child that reports the text `work` returned and then stays
// alive until this object goes: for a copy that is still running while another one
// looks at what it left. The child ends with _exit, without destructors.
class RunningChild {
public:
    explicit RunningChild(const std::function<std::string()>& work) {
        int report[2], hold[2];
        if (::pipe(report) != 0) return;
        if (::pipe(hold) != 0) {
            ::close(report[0]);
            ::close(report[1]);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(report[0]);
            ::close(hold[1]);
            const std::string answer = work();
            const ssize_t ignored = ::write(report[1], answer.data(), answer.size());
            (void)ignored;
            ::close(report[1]);
            char c;
            while (::read(hold[0], &c, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(report[1]);
        ::close(hold[0]);
        hold_ = hold[1];
        char buffer[512];
        if (pid_ > 0)
            for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;) answer_.append(buffer, std::size_t(n));
        ::close(report[0]);
        if (pid_ < 0) answer_ = "no child";
    }
    ~RunningChild() {
        if (hold_ >= 0) ::close(hold_);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    }
    RunningChild(const RunningChild&) = delete;
    RunningChild& operator=(const RunningChild&) = delete;

    const std::string& Answer() const { return answer_; }

private:
    pid_t pid_ = -1;
    int hold_ = -1;
    std::string answer_;
};

// Runs `work` in a forked child that ends with _exit, without destructors or
// handlers, as a crashed copy would, and returns the text `work` returned there
// (nothing when the child died first).
inline std::string InChild(const std::function<std::string()>& work) { return RunningChild(work).Answer(); }

}  // namespace velmora::test
