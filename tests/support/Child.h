#pragma once
// Runs a check in a process of its own: for what one process cannot show itself
// (another copy's lock, another user's rights).

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace velmora::test {

// Runs `work` in a forked child that ends with _exit, without destructors or
// handlers, as a crashed copy would, and returns the text `work` returned there.
inline std::string InChild(const std::function<std::string()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        const std::string answer = work();
        const ssize_t ignored = ::write(fds[1], answer.data(), answer.size());
        (void)ignored;
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string answer;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, std::size_t(n));
    ::close(fds[0]);
    if (child > 0) ::waitpid(child, nullptr, 0);
    return child > 0 ? answer : "no child";
}

}  // namespace velmora::test
