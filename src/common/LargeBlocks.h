#pragma once
// Memory for pictures and the engine's working buffers. A conversion of a large
// photograph takes and gives back a few hundred megabytes in blocks of tens of
// megabytes, and on a fresh block every 4 KiB page costs a fault and a clearing by the
// system, which used to be most of the time of a whole conversion. Large blocks
// therefore come 2 MiB-aligned and are marked for huge pages (one fault per 2 MiB),
// and a freed large block is kept and handed out again instead of being returned to
// the system, as long as keeping it never raises the process's peak above the most
// that was ever in use at once. Small blocks, other systems and sanitizer builds use
// the ordinary allocator.
//
// A new block has its pages supplied in one request before it is handed out: on the
// virtual machines measured, a page taken by a fault when first written cost about
// twice as much, and the first picture a program opened spent most of its time so.
//
// Huge pages are not always cheaper. A virtual machine whose host takes back the
// guest's free memory in 2 MiB pieces must supply a fresh huge page again, 4 KiB at
// a time, which makes it several times dearer than 512 ordinary pages. The huge
// pages of every new block are therefore timed as they are supplied, and once they
// prove slow, new memory comes on ordinary pages.

#include <cstddef>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

namespace velmora {

// Blocks of at least this many bytes are large.
constexpr std::size_t kLargeBlockBytes = std::size_t{1} << 20;

// `bytes` of memory aligned for any ordinary type; the contents are unset (a block
// reused from the pool holds what its last owner left). Throws std::bad_alloc.
void* AllocateBlock(std::size_t bytes);
// Gives back a block from AllocateBlock with the same byte count.
void FreeBlock(void* block, std::size_t bytes) noexcept;

// What the pool holds, for tests and measurements: bytes in use by large blocks, the
// most ever in use at once, and bytes of freed blocks kept for reuse.
struct LargeBlockStats {
    std::size_t inUse = 0;
    std::size_t highWater = 0;
    std::size_t kept = 0;
    bool pooled = false;  // false where the ordinary allocator serves every block
};
LargeBlockStats LargeBlockUsage();
// Returns every kept block to the system, for a program that goes idle after a
// conversion.
void ReleaseKeptBlocks();
// Makes operator new return the kept blocks to the system, and try again, before it
// reports that memory ran out. Kept blocks take the process's memory as blocks in use
// do, and after a large operation failed for want of memory they can be most of what
// there is; without this an ordinary allocation (a file read into a vector, say)
// would fail beside hundreds of megabytes that nothing uses. Each program calls this
// once at its start; it replaces any other new-handler.
void ReleaseKeptBlocksWhenMemoryRunsOut();
// Starts timing the first huge pages on a thread of its own, for a program to call at
// its start: a slow one then holds no thread that has work to do. Blocks taken before
// their times are in come on ordinary pages.
void ProbeHugePages();
// Lets new blocks ask for huge pages (while they prove cheap) or keeps them to
// ordinary pages; for tests and measurements. Returns the previous setting.
bool AllowHugePages(bool allowed);

// A standard allocator over AllocateBlock, for std::vector and the like.
template <typename T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocateBlock(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeBlock(p, n * sizeof(T)); }

    friend bool operator==(const LargeAllocator&, const LargeAllocator&) noexcept { return true; }
};

// The same, leaving new elements of plain types unset instead of zero, for buffers of
// millions of elements that are written in full right after sizing.
template <typename T>
struct UnsetAllocator : LargeAllocator<T> {
    template <typename U>
    struct rebind {
        using other = UnsetAllocator<U>;
    };
    UnsetAllocator() = default;
    template <typename U>
    UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

}  // namespace velmora
