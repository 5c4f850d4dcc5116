#include "engine/MedianHistogram.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <stdexcept>

#include "engine/Progress.h"
#include "engine/Vectorize.h"

namespace velmora {

namespace {

constexpr int kCapacity = HistogramMedian::kCapacity;
constexpr int kMaxLevels = 3;                  // hex digits of a color number below kCapacity
constexpr int kSlots = 2 * kCapacity;          // hash slots, a power of two
constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;  // no packed color is this large
constexpr int kStale = INT_MIN / 2;            // a bucket not summed yet in this row

// Sixteen running counts of a window (up to 63 * 63 values, so 16 bits, compared as
// signed), and sixteen or thirty-two of columns (up to 63 values: a byte, which
// still holds the sum of 255 div k columns).
typedef std::uint16_t Counts __attribute__((vector_size(32)));
typedef std::int16_t SignedCounts __attribute__((vector_size(32)));
typedef std::uint8_t Bins16 __attribute__((vector_size(16)));
typedef std::uint8_t Bins32 __attribute__((vector_size(32)));
typedef std::int8_t Flags __attribute__((vector_size(16)));

#define VELMORA_ALWAYS_INLINE inline __attribute__((always_inline))

// The vectors are passed by reference, never returned, so that their passing does
// not depend on the instruction set a copy of the code was built for.
VELMORA_ALWAYS_INLINE void AddWidened(Counts& sum, const std::uint8_t* p) {
    Bins16 b;
    std::memcpy(&b, p, sizeof b);
    sum += __builtin_convertvector(b, Counts);
}

// sum += the counts of `count` neighbouring columns from p on (16 bytes each), k
// being the window's side: pairs of columns are added as bytes, as many as a byte
// holds, before they are widened.
VELMORA_ALWAYS_INLINE void AddColumns(Counts& sum, const std::uint8_t* p, int count, int k) {
    const int pairsPerSum = 255 / k;
    int j = 0;
    while (j + 1 < count) {
        Bins32 acc, more;
        std::memcpy(&acc, p + 16 * j, sizeof acc);
        j += 2;
        for (int g = 1; g < pairsPerSum && j + 1 < count; ++g, j += 2) {
            std::memcpy(&more, p + 16 * j, sizeof more);
            acc += more;
        }
        const Bins16 lo = __builtin_shufflevector(acc, acc, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        const Bins16 hi =
            __builtin_shufflevector(acc, acc, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
        sum += __builtin_convertvector(lo, Counts);
        sum += __builtin_convertvector(hi, Counts);
    }
    if (j < count) AddWidened(sum, p + 16 * j);
}

// The digit whose bin holds the value of rank `rank`, from the running counts of a
// bucket (atMost[d]: the values whose digit is d or less); `rank` becomes the rank
// within that bin. The counts are compared with the rank all at once, without
// branches, as the bin is hard to predict: the counts that do not pass the rank
// come first, and their number is the digit.
VELMORA_ALWAYS_INLINE int FindDigit(const Counts& atMost, int& rank) {
    const SignedCounts passed = reinterpret_cast<const SignedCounts&>(atMost) <= static_cast<std::int16_t>(rank);
    const Flags flags = __builtin_convertvector(passed, Flags);  // 0xFF bytes, then zeros
    std::uint64_t half[2];
    std::memcpy(half, &flags, sizeof half);
    // Summing the low bit of every byte counts them without the branch a bit scan
    // needs between the two halves.
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    const int digit = static_cast<int>((((half[0] & kOnes) + (half[1] & kOnes)) * kOnes) >> 56);
    std::uint16_t below[17];  // below[d]: the values whose digit is less than d
    below[0] = 0;
    std::memcpy(below + 1, &atMost, sizeof atMost);
    rank -= below[digit];
    return digit;
}

// kFrom[d] is what a value of digit d adds to running counts: one in the bins d .. 15.
constexpr auto kFrom = [] {
    std::array<std::array<std::uint8_t, 16>, 16> t{};
    for (int d = 0; d < 16; ++d)
        for (int i = d; i < 16; ++i) t[d][i] = 1;
    return t;
}();

// Working state of one thread: the colors of the tile being cut, its input as color
// numbers, and the counts.
struct TileState {
    // The tile's colors in the order they first appeared, and an open-addressing hash
    // table from a packed color to its place in that list.
    std::vector<std::uint32_t> keys = std::vector<std::uint32_t>(kSlots, kEmpty);
    std::vector<std::uint16_t> slotColor = std::vector<std::uint16_t>(kSlots, 0);
    std::vector<std::uint32_t> colors;
    std::vector<std::uint16_t> slotOf;
    // The tile's input, row by row: first the place of each color in `colors`, then,
    // once the tile is cut, its number in packed order.
    std::vector<std::uint16_t> local;
    std::vector<std::uint64_t> sortKeys, sortTemp;
    std::vector<std::uint16_t> numberOf;  // place in `colors` -> number
    std::vector<std::uint32_t> byNumber;  // number -> packed color

    // A color number has `levels` hex digits. At level l, the numbers that share
    // their digits 0 .. l - 1 (a bucket) are counted by their digit l: hist[l] holds
    // for every bucket and input column 16 running counts, [bucket][column][digit],
    // so that a bucket's columns lie side by side. All zero between tiles.
    int levels = 0;
    std::vector<std::uint8_t> hist[kMaxLevels];
    // The window's running counts, 16 per bucket, each bucket as of the output column
    // in its stamp.
    std::vector<std::uint16_t> window[kMaxLevels];
    std::vector<int> stamp[kMaxLevels];

    explicit TileState(int maxInputWidth) {
        for (int l = 0, buckets = 1; l < kMaxLevels; ++l, buckets *= 16) {
            hist[l].assign(static_cast<std::size_t>(buckets) * static_cast<std::size_t>(maxInputWidth) * 16, 0);
            window[l].assign(static_cast<std::size_t>(buckets) * 16, 0);
            stamp[l].assign(static_cast<std::size_t>(buckets), kStale);
        }
        colors.reserve(kCapacity + 1);
        slotOf.reserve(kCapacity + 1);
    }

    // The place of color v in `colors`, adding it when new.
    std::uint16_t Place(std::uint32_t v) {
        static_assert(kSlots == 1 << 13);
        std::uint32_t h = (v * 0x9E3779B1u) >> (32 - 13);
        while (keys[h] != kEmpty) {
            if (keys[h] == v) return slotColor[h];
            h = (h + 1) & (kSlots - 1);
        }
        keys[h] = v;
        const auto place = static_cast<std::uint16_t>(colors.size());
        slotColor[h] = place;
        colors.push_back(v);
        slotOf.push_back(static_cast<std::uint16_t>(h));
        return place;
    }

    // Forgets the colors added after the first `count`. Taking them out last first
    // keeps the hash table's chains intact: no color still in the table was placed
    // after one taken out.
    void DropColorsFrom(std::size_t count) {
        while (colors.size() > count) {
            keys[slotOf.back()] = kEmpty;
            colors.pop_back();
            slotOf.pop_back();
        }
    }

    void Clear() {
        DropColorsFrom(0);
        local.clear();
    }

    // Appends an input row of n colors; false (with the row not appended) as soon as
    // the tile holds more colors than it may.
    bool AddRow(const std::uint32_t* row, int n) {
        const std::size_t base = local.size();
        const std::size_t before = colors.size();
        local.resize(base + static_cast<std::size_t>(n));
        std::uint16_t* dst = local.data() + base;
        std::uint32_t last = kEmpty;
        std::uint16_t lastPlace = 0;
        for (int j = 0; j < n; ++j) {
            const std::uint32_t v = row[j];
            if (v != last) {  // runs of one color are common in a reduced picture
                lastPlace = Place(v);
                last = v;
                if (colors.size() > static_cast<std::size_t>(kCapacity)) {
                    DropColorsFrom(before);
                    local.resize(base);
                    return false;
                }
            }
            dst[j] = lastPlace;
        }
        return true;
    }

    // Numbers the tile's colors in packed order (byNumber, numberOf), rewrites the
    // input as numbers and takes as few digits as the numbers need.
    void NumberColors() {
        const std::size_t n = colors.size();
        sortKeys.resize(n);
        for (std::size_t d = 0; d < n; ++d) sortKeys[d] = (static_cast<std::uint64_t>(colors[d]) << 16) | d;
        if (n <= 256) {
            std::sort(sortKeys.begin(), sortKeys.end());
        } else {
            // By bytes, least significant first: blue, green, red.
            sortTemp.resize(n);
            for (int shift = 16; shift < 40; shift += 8) {
                std::size_t count[257] = {};
                for (std::uint64_t key : sortKeys) ++count[((key >> shift) & 255) + 1];
                if (count[((sortKeys[0] >> shift) & 255) + 1] == n) continue;  // one byte value only
                for (int b = 0; b < 256; ++b) count[b + 1] += count[b];
                for (std::uint64_t key : sortKeys) sortTemp[count[(key >> shift) & 255]++] = key;
                sortKeys.swap(sortTemp);
            }
        }
        byNumber.resize(n);
        numberOf.resize(n);
        for (std::size_t q = 0; q < n; ++q) {
            byNumber[q] = static_cast<std::uint32_t>(sortKeys[q] >> 16);
            numberOf[sortKeys[q] & 0xFFFF] = static_cast<std::uint16_t>(q);
        }
        for (std::uint16_t& v : local) v = numberOf[v];
        levels = n <= 16 ? 1 : n <= 256 ? 2 : 3;
    }

    // The 16 column counts at level l that number v is counted in, for column j of a
    // tile input inW wide.
    template <int Levels>
    VELMORA_ALWAYS_INLINE std::uint8_t* ColumnCounts(int l, unsigned v, int j, int inW) {
        const std::size_t bucket = v >> (4 * (Levels - l));
        return hist[l].data() + (bucket * static_cast<std::size_t>(inW) + static_cast<std::size_t>(j)) * 16;
    }

    // Counts one input row into its columns, or takes it out.
    template <int Levels>
    VELMORA_ALWAYS_INLINE void CountRow(const std::uint16_t* row, int inW, bool add) {
        for (int j = 0; j < inW; ++j) {
            const unsigned v = row[j];
            for (int l = 0; l < Levels; ++l) {
                std::uint8_t* p = ColumnCounts<Levels>(l, v, j, inW);
                Bins16 counts, from;
                std::memcpy(&counts, p, sizeof counts);
                std::memcpy(&from, kFrom[(v >> (4 * (Levels - 1 - l))) & 15u].data(), sizeof from);
                if (add)
                    counts += from;
                else
                    counts -= from;
                std::memcpy(p, &counts, sizeof counts);
            }
        }
    }

    // Sets the column counts of `count` input rows from `first` on back to zero.
    template <int Levels>
    void ZeroRows(int first, int count, int inW) {
        for (int i = first; i < first + count; ++i) {
            const std::uint16_t* row = local.data() + static_cast<std::size_t>(i) * inW;
            for (int j = 0; j < inW; ++j)
                for (int l = 0; l < Levels; ++l) std::memset(ColumnCounts<Levels>(l, row[j], j, inW), 0, 16);
        }
    }
};

// The window's 16 counts of a bucket at output column x, brought from the column of
// its stamp by the columns that entered and left since, or summed afresh over the k
// columns when that is less work. `columns` is the bucket's first column.
VELMORA_ALWAYS_INLINE void Bring(Counts& sum, std::uint16_t* kept, int& stamp, int x, int k,
                                 const std::uint8_t* columns) {
    const int lag = x - stamp;
    if (lag > k / 2) {
        sum = Counts{};
        AddColumns(sum, columns + 16 * x, k, k);
    } else {
        std::memcpy(&sum, kept, sizeof sum);
        if (lag == 1) {  // the usual step
            AddWidened(sum, columns + 16 * (x + k - 1));
            Counts gone{};
            AddWidened(gone, columns + 16 * (x - 1));
            sum -= gone;
        } else if (lag > 1) {
            AddColumns(sum, columns + 16 * (stamp + k), lag, k);
            Counts gone{};
            AddColumns(gone, columns + 16 * stamp, lag, k);
            sum -= gone;
        }
    }
    std::memcpy(kept, &sum, sizeof sum);
    stamp = x;
}

// The medians of a cut tile with numbers of `Levels` digits: output columns
// 0 .. tw - 1 and rows 0 .. th - 1 of the tile (whose input is tw + 2r wide and
// th + 2r high), written to out (row stride `stride`). False when cancelled.
template <int Levels>
VELMORA_ALWAYS_INLINE bool MedianTileOf(TileState& s, int r, int tw, int th, TRGBTriple* out, std::size_t stride) {
    const int k = 2 * r + 1;
    const int inW = tw + 2 * r;
    const int rank = (k * k - 1) / 2;
    const std::uint16_t* local = s.local.data();
    auto inputRow = [&](int i) { return local + static_cast<std::size_t>(i) * static_cast<std::size_t>(inW); };
    for (int i = 0; i < k; ++i) s.CountRow<Levels>(inputRow(i), inW, true);
    int top = 0;  // the window's first input row
    const std::size_t bucketStride = static_cast<std::size_t>(inW) * 16;
    const int lowestBuckets = (static_cast<int>(s.byNumber.size()) + 15) / 16;
    for (int t = 0; t < th; ++t) {
        if (Cancelled()) {
            s.ZeroRows<Levels>(top, k, inW);
            return false;
        }
        if (t > 0) {
            s.CountRow<Levels>(inputRow(top), inW, false);
            s.CountRow<Levels>(inputRow(top + k), inW, true);
            ++top;
        }
        for (int l = 0, buckets = 1; l < Levels; ++l, buckets *= 16)
            std::fill_n(s.stamp[l].begin(), l == Levels - 1 ? lowestBuckets : buckets, kStale);
        TRGBTriple* o = out + static_cast<std::size_t>(t) * stride;
        for (int x = 0; x < tw; ++x) {
            int left = rank;
            unsigned number = 0;  // the digits found so far: the bucket of the next level
            for (int l = 0; l < Levels; ++l) {
                Counts sum;
                Bring(sum, s.window[l].data() + 16 * number, s.stamp[l][number], x, k,
                      s.hist[l].data() + number * bucketStride);
                number = number * 16 + static_cast<unsigned>(FindDigit(sum, left));
            }
            const std::uint32_t v = s.byNumber[number];
            o[x] = TRGBTriple{static_cast<std::uint8_t>(v & 255), static_cast<std::uint8_t>((v >> 8) & 255),
                              static_cast<std::uint8_t>((v >> 16) & 255)};
        }
    }
    s.ZeroRows<Levels>(top, k, inW);
    return true;
}

VELMORA_PIXEL_LOOP bool MedianTile(TileState& s, int r, int tw, int th, TRGBTriple* out, std::size_t stride) {
    switch (s.levels) {
        case 1: return MedianTileOf<1>(s, r, tw, th, out, stride);
        case 2: return MedianTileOf<2>(s, r, tw, th, out, stride);
        default: return MedianTileOf<3>(s, r, tw, th, out, stride);
    }
}

// The tiles of output columns x0 .. x1 - 1 and rows y0 .. y1 - 1: each as many rows
// high as its colors allow, and halved in width when not even one row fits.
bool MedianColumns(TileState& s, const std::uint32_t* packed, int width, int r, int x0, int x1, int y0, int y1,
                   TRGBTriple* out) {
    const int inW = x1 - x0 + 2 * r;
    const int k = 2 * r + 1;
    auto inputRow = [&](int y) { return packed + static_cast<std::size_t>(y) * width + (x0 - r); };
    for (int y = y0; y < y1;) {
        if (Cancelled()) return false;
        s.Clear();
        bool fits = true;
        for (int i = 0; i < k && fits; ++i) fits = s.AddRow(inputRow(y - r + i), inW);
        if (!fits) {
            // A single column always fits: its window has k * k <= kCapacity colors.
            s.Clear();
            const int mid = x0 + (x1 - x0) / 2;
            return MedianColumns(s, packed, width, r, x0, mid, y, y1, out) &&
                   MedianColumns(s, packed, width, r, mid, x1, y, y1, out);
        }
        int yEnd = y + 1;
        while (yEnd < y1 && s.AddRow(inputRow(yEnd + r), inW)) ++yEnd;
        s.NumberColors();
        if (!MedianTile(s, r, x1 - x0, yEnd - y, out + static_cast<std::size_t>(y) * width + x0,
                        static_cast<std::size_t>(width)))
            return false;
        y = yEnd;
    }
    return true;
}

}  // namespace

struct HistogramMedian::Workspace : TileState {
    using TileState::TileState;
};

HistogramMedian::HistogramMedian(const std::uint32_t* packed, int width, int height, int radius)
    : packed_(packed), width_(width), height_(height), radius_(radius) {
    static_assert((2 * kLargestRadius + 1) * (2 * kLargestRadius + 1) <= kCapacity);
    if (radius < 1 || radius > kLargestRadius) throw std::invalid_argument("median radius");
    // Wide enough that the columns shared by neighbouring windows are counted once
    // for many outputs; the colors may cut a tile narrower.
    tileWidth_ = std::max(64, 4 * radius);
}

HistogramMedian::~HistogramMedian() = default;

int HistogramMedian::BandRows() const { return std::max(32, 4 * radius_); }

std::unique_ptr<HistogramMedian::Workspace> HistogramMedian::Take() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!spare_.empty()) {
            std::unique_ptr<Workspace> w = std::move(spare_.back());
            spare_.pop_back();
            return w;
        }
    }
    return std::make_unique<Workspace>(tileWidth_ + 2 * radius_);
}

void HistogramMedian::Give(std::unique_ptr<Workspace> w) {
    std::lock_guard<std::mutex> lock(mutex_);
    spare_.push_back(std::move(w));
}

bool HistogramMedian::Rows(int firstRow, int endRow, TRGBTriple* out) {
    const int r = radius_;
    if (firstRow < r || endRow > height_ - r || 2 * r + 1 > width_) throw std::invalid_argument("median rows");
    std::unique_ptr<Workspace> w = Take();
    bool finished = true;
    for (int x = r; x < width_ - r && finished; x += tileWidth_)
        finished = MedianColumns(*w, packed_, width_, r, x, std::min(x + tileWidth_, width_ - r), firstRow, endRow, out);
    w->Clear();
    Give(std::move(w));
    return finished;
}

}  // namespace velmora
