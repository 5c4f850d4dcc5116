#pragma once
// Makes the calling process meet a system that refuses some calls, with the answer a
// real one gives: a network share without locks, a file system that cannot make
// files without a name. The kernel filter cannot be taken back, so call these in a
// child process only (see Child.h). False where the filter cannot be installed; a
// test then skips.

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <initializer_list>
#include <vector>

namespace velmora::test {

// One call to refuse with `err`: every time, or, with flagArg set, only when that
// argument has one of `flags` set.
struct Refusal {
    long call;
    int err;
    int flagArg = -1;
    unsigned flags = 0;
};

inline bool RefuseCalls(std::initializer_list<Refusal> refusals) {
#if defined(__x86_64__)
    constexpr unsigned kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
#else
    (void)refusals;
    return false;
#endif
#if defined(__x86_64__) || defined(__aarch64__)
    const auto refuse = [](int err) -> sock_filter {
        return BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (err & SECCOMP_RET_DATA));
    };
    const sock_filter loadCall = BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr));
    std::vector<sock_filter> filter = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        loadCall,
    };
    for (const Refusal& r : refusals) {
        const auto call = static_cast<unsigned>(r.call);
        if (r.flagArg < 0) {
            filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, call, 0, 1));
            filter.push_back(refuse(r.err));
            continue;
        }
        // The low half of the argument, which holds the flags on these little-endian
        // machines; the call number is loaded again for the next refusal.
        const auto arg = static_cast<unsigned>(offsetof(seccomp_data, args) + 8 * static_cast<unsigned>(r.flagArg));
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, call, 0, 4));
        filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, arg));
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, r.flags, 0, 1));
        filter.push_back(refuse(r.err));
        filter.push_back(loadCall);
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#endif
}

// Opening a file without a name fails with EOPNOTSUPP, as on a file system that
// cannot make one.
inline bool RefuseUnnamedFiles() {
    constexpr unsigned kUnnamed = O_TMPFILE & ~O_DIRECTORY;
#if defined(SYS_open)
    return RefuseCalls({{SYS_openat, EOPNOTSUPP, 2, kUnnamed}, {SYS_open, EOPNOTSUPP, 1, kUnnamed}});
#else
    return RefuseCalls({{SYS_openat, EOPNOTSUPP, 2, kUnnamed}});
#endif
}

// linkat fails with ENOENT, as it does where /proc is not mounted and the kernel will
// not link a descriptor itself: an open file without a name cannot be given one.
inline bool RefuseLinkingOpenFiles() { return RefuseCalls({{SYS_linkat, ENOENT}}); }

}  // namespace velmora::test
