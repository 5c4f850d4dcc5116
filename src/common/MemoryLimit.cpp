#include "common/MemoryLimit.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace velmora {

namespace {

std::atomic<std::size_t> g_override{0};

std::size_t DefaultLimit() {
    constexpr std::size_t kFloor = std::size_t(256) << 20;
    constexpr std::size_t kCeiling = std::size_t(1) << 34;
    std::size_t limit = kCeiling;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) {
        const unsigned long long physical =
            static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(pageSize);
        limit = static_cast<std::size_t>(std::min<unsigned long long>(physical / 8, kCeiling));
    }
    rlimit as{};
    if (getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY)
        limit = std::min<std::size_t>(limit, static_cast<std::size_t>(as.rlim_cur / 8));
    return std::max(limit, kFloor);
}

}  // namespace

std::size_t PictureMemoryLimit() {
    const std::size_t forced = g_override.load(std::memory_order_relaxed);
    if (forced != 0) return forced;
    static const std::size_t automatic = DefaultLimit();
    return automatic;
}

void SetPictureMemoryLimit(std::size_t bytes) { g_override.store(bytes, std::memory_order_relaxed); }

}  // namespace velmora
