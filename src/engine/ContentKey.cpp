#include "engine/ContentKey.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Bitmap.h"
#include "engine/Parallel.h"

namespace velmora {

namespace {

constexpr std::uint64_t kMul1 = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kMul2 = 0xC2B2AE3D27D4EB4Full;

inline std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

inline std::uint64_t Rotl(std::uint64_t v, int s) { return (v << s) | (v >> (64 - s)); }

struct RowsHash {
    std::uint64_t a = 1, b = 2;
};

// Two independent multiply-rotate hashes over the bytes of a run of rows, taking
// eight bytes at a time; the tail of each row is padded with zeros and the row length
// is mixed in, so rows cannot run into each other.
RowsHash HashRows(const Bitmap& picture, int y0, int y1) {
    RowsHash h;
    const std::size_t rowBytes = static_cast<std::size_t>(picture.Width()) * 3;
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* p = picture.Row(y);
        std::size_t i = 0;
        for (; i + 8 <= rowBytes; i += 8) {
            std::uint64_t w;
            std::memcpy(&w, p + i, 8);
            h.a = Rotl((h.a ^ w) * kMul1, 29);
            h.b = Rotl((h.b + w) * kMul2, 31) ^ w;
        }
        std::uint64_t tail = 0;
        std::memcpy(&tail, p + i, rowBytes - i);
        h.a = Rotl((h.a ^ tail ^ (rowBytes << 56)) * kMul1, 29);
        h.b = Rotl((h.b + tail) * kMul2, 31) ^ rowBytes;
    }
    return h;
}

}  // namespace

ContentKey KeyOfPicture(const Bitmap& picture) {
    ContentKey key;
    key.Width = picture.Width();
    key.Height = picture.Height();
    // Fixed blocks of rows, hashed in parallel and combined in order, so the key is
    // the same whatever the number of threads.
    constexpr int kBlockRows = 64;
    const int blocks = (picture.Height() + kBlockRows - 1) / kBlockRows;
    std::vector<RowsHash> parts(static_cast<std::size_t>(blocks));
    ParallelLoop loop;
    loop.Count = blocks;
    loop.Grain = 1;
    loop.StopOnCancel = false;
    ParallelFor(loop, [&](std::int64_t b0, std::int64_t b1) {
        for (std::int64_t b = b0; b < b1; ++b) {
            const int y0 = static_cast<int>(b) * kBlockRows;
            const int y1 = std::min(picture.Height(), y0 + kBlockRows);
            parts[static_cast<std::size_t>(b)] = HashRows(picture, y0, y1);
        }
    });
    std::uint64_t h1 = Mix(static_cast<std::uint64_t>(key.Width) * kMul1 + static_cast<std::uint64_t>(key.Height));
    std::uint64_t h2 = Mix(h1 ^ kMul2);
    for (const RowsHash& p : parts) {
        h1 = Mix(h1 ^ p.a) * kMul1 + p.b;
        h2 = Mix(h2 + p.b) ^ Rotl(p.a, 17);
    }
    key.Hash1 = Mix(h1);
    key.Hash2 = Mix(h2);
    return key;
}

}  // namespace velmora
