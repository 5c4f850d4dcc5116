#include "engine/Buffers.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/Bitmap.h"
#include "engine/Parallel.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace velmora {

void PreparePages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t kPage = 4096;
    constexpr std::size_t kChunk = std::size_t{8} << 20;
    if (data == nullptr || bytes < 4 * kChunk) return;  // small buffers are not worth it
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (begin >= end) return;
    const std::size_t chunks = (end - begin + kChunk - 1) / kChunk;
    ParallelLoop loop;
    loop.Count = static_cast<std::int64_t>(chunks);
    loop.Grain = 1;
    loop.StopOnCancel = false;
    ParallelFor(loop, [&](std::int64_t c0, std::int64_t c1) {
        const std::uintptr_t from = begin + static_cast<std::uintptr_t>(c0) * kChunk;
        const std::uintptr_t to = std::min<std::uintptr_t>(end, begin + static_cast<std::uintptr_t>(c1) * kChunk);
        // A kernel without this request refuses it; the pages then come when touched.
        madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    });
#else
    (void)data;
    (void)bytes;
#endif
}

namespace {

// Runs work(begin, end) over the byte ranges of a picture of `bytes` bytes, split over
// the worker threads in chunks of a megabyte.
template <typename Work>
void ForEachChunk(std::size_t bytes, Work work) {
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    ParallelLoop loop;
    loop.Count = static_cast<std::int64_t>((bytes + kChunk - 1) / kChunk);
    loop.Grain = 1;
    loop.StopOnCancel = false;
    ParallelFor(loop, [&](std::int64_t c0, std::int64_t c1) {
        const std::size_t begin = static_cast<std::size_t>(c0) * kChunk;
        work(begin, std::min(bytes, static_cast<std::size_t>(c1) * kChunk));
    });
}

}  // namespace

void CopyPicture(Bitmap& to, const Bitmap& from) {
    if (&to == &from) return;
    // Pixels `to` may share are left to their other owner rather than copied first.
    if (to.Width() != from.Width() || to.Height() != from.Height() || to.MayShare())
        to.SetSizeUnset(from.Width(), from.Height());
    // Both have the same size and so the same row stride; the padding is copied too.
    std::uint8_t* const out = to.Data();
    const std::uint8_t* const in = from.Data();
    ForEachChunk(from.ByteSize(),
                 [&](std::size_t begin, std::size_t end) { std::memcpy(out + begin, in + begin, end - begin); });
}

void OwnPicture(Bitmap& bitmap) {
    if (!bitmap.MayShare()) return;
    Bitmap own;
    CopyPicture(own, bitmap);
    bitmap.Swap(own);
}

void WhitePicture(Bitmap& to, int width, int height) {
    to.SetSizeUnset(width, height);
    // Every byte, the row padding too, as FillWhite leaves it.
    std::uint8_t* const out = to.Data();
    ForEachChunk(to.ByteSize(),
                 [&](std::size_t begin, std::size_t end) { std::memset(out + begin, 255, end - begin); });
}

}  // namespace velmora
