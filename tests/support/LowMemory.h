#pragma once
// Running a process short of memory: a cap on its address space a little above what
// it uses now, and picture files large enough to need more than the cap without
// costing the disk as much. Nothing here uses Qt or the test framework. Sanitizer
// builds need far more address space than a cap allows; their tests skip themselves.

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/Bmp.h"

namespace velmora::test {

// The address space the process has mapped now.
inline std::size_t AddressSpaceInUse() {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// All threads share one heap: a request refused a new mapping would otherwise be
// served from the address space that another thread's heap has reserved. Set while
// the program starts, before any thread has taken a heap of its own.
inline const int kOneHeapForAllThreads = ::mallopt(M_ARENA_MAX, 1);

// Makes every large malloc a mapping of its own, unmapped when freed. By default the
// allocator moves that threshold up after large frees and then serves large requests
// from free heap space, which a cap on new address space cannot take away. Call it
// before the test allocates anything large.
inline void MapLargeMallocsApart() { ::mallopt(M_MMAP_THRESHOLD, 256 * 1024); }

// While alive, the process may map only `headroom` bytes more than it had when the cap
// was set; allocations beyond that fail as they would on a machine without memory.
// Only the soft limit is lowered, so the old one comes back at the end.
class AddressSpaceCap {
public:
    explicit AddressSpaceCap(std::size_t headroom) {
        ::getrlimit(RLIMIT_AS, &old_);
        const rlimit cap{static_cast<rlim_t>(AddressSpaceInUse() + headroom), old_.rlim_max};
        if (::setrlimit(RLIMIT_AS, &cap) != 0) throw std::runtime_error("the address space cannot be capped");
    }
    ~AddressSpaceCap() { ::setrlimit(RLIMIT_AS, &old_); }
    AddressSpaceCap(const AddressSpaceCap&) = delete;
    AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

private:
    rlimit old_{};
};

// Writes a black 24-bit BMP of width x height as a sparse file: only its header takes
// disk space, yet every reader sees (and must hold) all of its pixels.
inline void WriteBlankBmp(const std::string& path, int width, int height) {
    const std::vector<std::uint8_t> header = EncodeBmpHeader(width, height);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok = fd >= 0 && ::write(fd, header.data(), header.size()) == static_cast<ssize_t>(header.size()) &&
                    ::ftruncate(fd, static_cast<off_t>(EncodedBmpSize(width, height))) == 0;
    if (fd >= 0) ::close(fd);
    if (!ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace velmora::test
