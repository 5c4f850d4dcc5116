#pragma once
// Lets a test run its process short of memory: while a cap is alive, the process may
// map only `headroom` bytes of address space beyond what it maps now. Sanitizer
// builds reserve far more address space than they use and cannot run under a cap.

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>

#include "common/LargeBlocks.h"

namespace velmora::test {

// Makes every large malloc a mapping of its own, unmapped when freed. By default the
// allocator moves that threshold up after large frees and then serves large requests
// from free heap space, which a cap on new address space cannot take away. Call it
// before the test allocates anything large.
inline void MapLargeMallocsApart() { ::mallopt(M_MMAP_THRESHOLD, 256 * 1024); }

class AddressSpaceCap {
public:
    explicit AddressSpaceCap(std::size_t headroom) {
        // Blocks the pool keeps would serve what the cap is meant to refuse.
        ReleaseKeptBlocks();
        ::getrlimit(RLIMIT_AS, &saved_);
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        rlimit cap = saved_;
        cap.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + headroom;
        ::setrlimit(RLIMIT_AS, &cap);
    }
    ~AddressSpaceCap() { ::setrlimit(RLIMIT_AS, &saved_); }
    AddressSpaceCap(const AddressSpaceCap&) = delete;
    AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

private:
    rlimit saved_{};
};

}  // namespace velmora::test
