#include "common/LargeBlocks.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "common/HugePageJudge.h"
#include "common/JoinThreads.h"
#include "common/Sanitizer.h"

// Under a sanitizer every block must come from the ordinary allocator, which the
// sanitizer watches; a pool of our own would hide overruns and leaks from it.
#if defined(__linux__) && !defined(VELMORA_UNDER_SANITIZER)
#define VELMORA_POOLED_BLOCKS 1
#include <sys/mman.h>
#include <time.h>
#endif

namespace velmora {

#if defined(VELMORA_POOLED_BLOCKS)

namespace {

// The size of a huge page on the processors this runs on; blocks are multiples of it.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t PoolBytes(std::size_t bytes) {
    if (bytes > std::numeric_limits<std::size_t>::max() - kHugePage) throw std::bad_alloc();
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

// Set on the thread that holds a pool's lock. Operator new may fail inside the pool
// (a node of its map of kept ranges), and the new-handler below must then not wait
// for a lock that its own thread holds.
thread_local bool tInsidePool = false;

// Address ranges of huge-page-aligned memory: handed out, or kept for reuse. Kept
// ranges that touch are merged, so a block freed in pieces can serve a larger request.
class Pool {
    // The pool's lock, marked on the thread that holds it.
    class Hold {
    public:
        explicit Hold(std::mutex& mutex) : lock_(mutex) { tInsidePool = true; }
        ~Hold() { tInsidePool = false; }
        void Unlock() {
            tInsidePool = false;
            lock_.unlock();
        }

    private:
        std::unique_lock<std::mutex> lock_;
    };

public:
    void* Take(std::size_t bytes) {
        // Outside the lock: the first pages are timed without it.
        if (allowHuge_.load(std::memory_order_relaxed)) judge_.AwaitTimes(HugePageJudge::kVerdictWait);
        Hold lock(mutex_);
        auto best = kept_.end();
        for (auto it = kept_.begin(); it != kept_.end(); ++it)
            if (it->second >= bytes && (best == kept_.end() || it->second < best->second)) best = it;
        if (best != kept_.end()) {
            const std::uintptr_t start = best->first;
            const std::size_t length = best->second;
            kept_.erase(best);
            if (length > bytes) kept_.emplace(start + bytes, length - bytes);
            keptBytes_ -= bytes;
            Use(bytes);
            return reinterpret_cast<void*>(start);
        }
        // New memory is needed. Kept ranges that, together with what is in use and
        // the new block, would exceed the most ever in use go back to the system
        // first, so keeping them never raises the peak.
        const std::size_t after = inUse_ + bytes;
        Release(stats().highWater > after ? stats().highWater - after : 0);
        void* block = Map(bytes);
        if (block == nullptr) {
            Release(0);
            block = Map(bytes);
            if (block == nullptr) throw std::bad_alloc();
        }
        Use(bytes);
        // Supplying and timing the block's pages is slow work that needs no lock.
        lock.Unlock();
        SupplyPages(block, bytes);
        return block;
    }

    void Give(void* block, std::size_t bytes) {
        Hold lock(mutex_);
        inUse_ -= bytes;
        auto start = reinterpret_cast<std::uintptr_t>(block);
        std::size_t length = bytes;
        auto next = kept_.lower_bound(start);
        if (next != kept_.end() && start + length == next->first) {
            length += next->second;
            next = kept_.erase(next);
        }
        if (next != kept_.begin()) {
            auto prev = std::prev(next);
            if (prev->first + prev->second == start) {
                start = prev->first;
                length += prev->second;
                kept_.erase(prev);
            }
        }
        kept_.emplace(start, length);
        keptBytes_ += bytes;
    }

    LargeBlockStats Stats() {
        Hold lock(mutex_);
        return stats();
    }

    void ReleaseAll() {
        Hold lock(mutex_);
        Release(0);
    }

    bool AllowHuge(bool allowed) { return allowHuge_.exchange(allowed); }

    // Times the first huge pages on a thread of its own, without waiting for them; on
    // the calling thread when no thread is to be had.
    void Probe() {
        if (!HugePagesWanted()) return;
        judge_.Await();
        try {
            std::thread([this] { ProbePages(); }).detach();
        } catch (const std::exception&) {
            ProbePages();
        }
    }

    // For the new-handler: returns every kept block to the system; false when there
    // was none, or when this thread is inside the pool and must not wait for it.
    bool ReleaseForOthers() {
        if (tInsidePool) return false;
        Hold lock(mutex_);
        if (keptBytes_ == 0) return false;
        Release(0);
        return true;
    }

private:
    LargeBlockStats stats() const { return LargeBlockStats{inUse_, highWater_, keptBytes_, true}; }

    void Use(std::size_t bytes) {
        inUse_ += bytes;
        if (inUse_ > highWater_) highWater_ = inUse_;
    }

    // Returns kept memory to the system until at most `limit` bytes are kept, the
    // smallest ranges first (they are the least likely to fit a later request).
    void Release(std::size_t limit) {
        while (keptBytes_ > limit) {
            auto smallest = kept_.begin();
            for (auto it = kept_.begin(); it != kept_.end(); ++it)
                if (it->second < smallest->second) smallest = it;
            const std::size_t excess = keptBytes_ - limit;
            if (smallest->second > excess) {
                // Only the end of the range goes; it stays a multiple of huge pages.
                const std::size_t cut = PoolBytes(excess);
                ::munmap(reinterpret_cast<void*>(smallest->first + smallest->second - cut), cut);
                smallest->second -= cut;
                keptBytes_ -= cut;
                if (smallest->second == 0) kept_.erase(smallest);
            } else {
                ::munmap(reinterpret_cast<void*>(smallest->first), smallest->second);
                keptBytes_ -= smallest->second;
                kept_.erase(smallest);
            }
        }
    }

    // Fresh memory at a huge-page boundary, marked for huge pages before anything
    // touches it while they are wanted; null when the system has none.
    void* Map(std::size_t bytes) {
        void* raw = ::mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED) return nullptr;
        const auto begin = reinterpret_cast<std::uintptr_t>(raw);
        const std::uintptr_t aligned = (begin + kHugePage - 1) & ~(kHugePage - 1);
        if (aligned > begin) ::munmap(raw, aligned - begin);
        const std::uintptr_t end = begin + bytes + kHugePage;
        if (end > aligned + bytes) ::munmap(reinterpret_cast<void*>(aligned + bytes), end - aligned - bytes);
        // A system without huge pages refuses this; the block then has ordinary pages.
        // Where every block gets huge pages unasked, the refusal has to be explicit.
        ::madvise(reinterpret_cast<void*>(aligned), bytes, HugePagesWanted() ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
        return reinterpret_cast<void*>(aligned);
    }

    // The processor time this thread has used.
    static std::chrono::nanoseconds ThreadTime() {
        timespec t{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
    }

    // Has the system supply the pages of a new block: its huge pages one by one,
    // timing each, and the rest of the block on ordinary pages once huge pages have
    // proved slow. Every huge page is timed: slow and quick ones come mixed. The
    // pages supplied here would be touched by the block's owner anyway.
    void SupplyPages(void* block, std::size_t bytes) {
        auto* start = static_cast<unsigned char*>(block);
        std::size_t done = 0;
        for (; done < bytes && HugePagesWanted(); done += kHugePage) {
            const auto t0 = ThreadTime();
            // One written byte brings in the whole huge page, cleared.
            *reinterpret_cast<volatile unsigned char*>(start + done) = 0;
            judge_.Supplied(ThreadTime() - t0);
        }
        if (!HugePagesWanted() && done < bytes) ::madvise(start + done, bytes - done, MADV_NOHUGEPAGE);
#if defined(MADV_POPULATE_WRITE)
        // Every page not supplied yet, in one request per processor (a kernel without
        // it refuses, and the pages come as they are touched): on the virtual
        // machines measured, taking pages one fault at a time cost about twice as
        // much. Where huge pages are not to be had, the writes above brought in only
        // one small page each. A block is mostly taken between two parallel steps,
        // while the other processors wait.
        const std::size_t pieces = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()),
                                                         std::max<std::size_t>(1, bytes / kMinPiece));
        const std::size_t piece = (bytes / pieces + kHugePage - 1) & ~(kHugePage - 1);
        auto populate = [=](std::size_t at) {
            ::madvise(start + at, std::min(piece, bytes - at), MADV_POPULATE_WRITE);
        };
        std::vector<std::thread> helpers;
        JoinThreadsOnExit join(helpers);
        for (std::size_t at = piece; at < bytes; at += piece) {
            try {
                helpers.emplace_back(populate, at);
            } catch (const std::exception&) {
                populate(at);  // no thread to be had
            }
        }
        populate(0);
#endif
    }

    // Supplies, times and gives back a few huge pages of memory of its own, until they
    // prove slow. More than one: on the virtual machine measured, the first few huge
    // pages of a program run right after another were often quick where the next ones
    // were slow, as if they were the ones the last program had given back.
    void ProbePages() {
        constexpr std::size_t kPages = 8;
        const std::size_t bytes = (kPages + 1) * kHugePage;
        void* raw = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED) {
            judge_.StopAwaiting();  // later blocks are timed as they come
            return;
        }
        const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(raw) + kHugePage - 1) & ~(kHugePage - 1);
        ::madvise(reinterpret_cast<void*>(first), kPages * kHugePage, MADV_HUGEPAGE);
        for (std::size_t i = 0; i < kPages && !judge_.GivenUp(); ++i) {
            const auto t0 = ThreadTime();
            *reinterpret_cast<volatile unsigned char*>(first + i * kHugePage) = 0;
            judge_.Supplied(ThreadTime() - t0);
        }
        judge_.StopAwaiting();
        ::munmap(raw, bytes);
    }

    // Blocks smaller than two of these have their pages supplied on one thread.
    static constexpr std::size_t kMinPiece = std::size_t{8} << 20;

    bool HugePagesWanted() const { return allowHuge_.load(std::memory_order_relaxed) && judge_.Wanted(); }

    std::mutex mutex_;
    HugePageJudge judge_;
    std::atomic<bool> allowHuge_{true};
    std::map<std::uintptr_t, std::size_t> kept_;  // start -> length
    std::size_t keptBytes_ = 0;
    std::size_t inUse_ = 0;
    std::size_t highWater_ = 0;
};

// The pool once it exists, for the new-handler, which must not create it: creating it
// takes memory, and the handler runs when there is none.
std::atomic<Pool*> gPool{nullptr};

// Never destroyed: blocks may be freed by objects that outlive every other static.
Pool& ThePool() {
    static Pool* pool = [] {
        auto* made = new Pool;
        gPool.store(made);
        return made;
    }();
    return *pool;
}

// Operator new calls this when the system refuses memory, and tries again when it
// returns. The kept blocks go back once; with none left, the shortage is real.
void GiveKeptBlocksToOthers() {
    Pool* pool = gPool.load();
    if (pool == nullptr || !pool->ReleaseForOthers()) throw std::bad_alloc();
}

}  // namespace

void* AllocateBlock(std::size_t bytes) {
    if (bytes < kLargeBlockBytes) return ::operator new(bytes);
    return ThePool().Take(PoolBytes(bytes));
}

void FreeBlock(void* block, std::size_t bytes) noexcept {
    if (block == nullptr) return;
    if (bytes < kLargeBlockBytes) return ::operator delete(block);
    ThePool().Give(block, PoolBytes(bytes));
}

LargeBlockStats LargeBlockUsage() { return ThePool().Stats(); }
void ReleaseKeptBlocks() { ThePool().ReleaseAll(); }
void ReleaseKeptBlocksWhenMemoryRunsOut() { std::set_new_handler(GiveKeptBlocksToOthers); }
bool AllowHugePages(bool allowed) { return ThePool().AllowHuge(allowed); }
void ProbeHugePages() { ThePool().Probe(); }

#else

void* AllocateBlock(std::size_t bytes) { return ::operator new(bytes); }
void FreeBlock(void* block, std::size_t) noexcept { ::operator delete(block); }
LargeBlockStats LargeBlockUsage() { return {}; }
void ReleaseKeptBlocks() {}
void ReleaseKeptBlocksWhenMemoryRunsOut() {}
bool AllowHugePages(bool) { return false; }
void ProbeHugePages() {}

#endif

}  // namespace velmora
