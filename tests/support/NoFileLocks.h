#pragma once
// Makes the calling process meet a file system without locks: from then on every
// flock fails with ENOLCK, as it does on a network share that has no lock service.
// The kernel filter cannot be taken back, so call it in a child process only (see
// Child.h). False where the filter cannot be installed; a test then skips.

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <iterator>

namespace velmora::test {

inline bool RefuseFileLocks() {
#if defined(__x86_64__)
    constexpr unsigned kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
#else
    return false;
#endif
#if defined(__x86_64__) || defined(__aarch64__)
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_flock, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (ENOLCK & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#endif
}

}  // namespace velmora::test
