#include "engine/MedianHistogram.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "engine/Parallel.h"
#include "engine/Progress.h"
#include "engine/Vectorize.h"

namespace velmora {

namespace {

constexpr int kCapacity = HistogramMedian::kCapacity;
constexpr int kMaxLevels = 3;                  // hex digits of a color number below kCapacity
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
    const int pairs = count / 2;
    for (int done = 0; done < pairs;) {
        // A counted loop, so that it can be unrolled.
        const int n = std::min(pairsPerSum, pairs - done);
        Bins32 acc{};
        for (int g = 0; g < n; ++g) {
            Bins32 more;
            std::memcpy(&more, p + 32 * (done + g), sizeof more);
            acc += more;
        }
        done += n;
        const Bins16 lo = __builtin_shufflevector(acc, acc, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        const Bins16 hi =
            __builtin_shufflevector(acc, acc, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
        sum += __builtin_convertvector(lo, Counts);
        sum += __builtin_convertvector(hi, Counts);
    }
    if (count & 1) AddWidened(sum, p + 16 * (count - 1));
}

// The digit whose bin holds the value of rank `rank`, from the running counts of a
// bucket (atMost[d]: the values whose digit is d or less); `rank` becomes the rank
// within that bin. The counts are compared with the rank all at once, without
// branches, as the bin is hard to predict: the counts that do not pass the rank
// come first, and their number is the digit.
VELMORA_ALWAYS_INLINE int FindDigit(const Counts& atMost, int& rank, int& binCount) {
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
    binCount = below[digit + 1] - below[digit];
    return digit;
}

// kFrom[d] is what a value of digit d adds to running counts: one in the bins d .. 15.
constexpr auto kFrom = [] {
    std::array<std::array<std::uint8_t, 16>, 16> t{};
    for (int d = 0; d < 16; ++d)
        for (int i = d; i < 16; ++i) t[d][i] = 1;
    return t;
}();

// The marked colors below color v, counted from `rank` (those in the words before
// v's word) and the bits of v's word below its own.
template <typename Rank>
VELMORA_ALWAYS_INLINE std::uint32_t MarkedBelow(std::uint32_t v, const std::uint64_t* marks, const Rank* rank) {
    const std::uint64_t below = marks[v >> 6] & ((std::uint64_t{1} << (v & 63)) - 1);
    return static_cast<std::uint32_t>(rank[v >> 6]) + static_cast<std::uint32_t>(__builtin_popcountll(below));
}

// Rewrites `rows` rows of inW color numbers (from `numbers` on, `stride` apart) as
// their ranks among the marked colors, into dst row after row, and notes the color
// of every rank from the pixels the numbers were taken from.
VELMORA_PIXEL_LOOP void RankRows(const std::uint32_t* numbers, const TRGBTriple* pixels, std::size_t stride, int inW,
                                 int rows, const std::uint64_t* marks, const std::uint16_t* rank, std::uint16_t* dst,
                                 TRGBTriple* colorOfRank) {
    for (int i = 0; i < rows; ++i, numbers += stride, pixels += stride)
        for (int j = 0; j < inW; ++j) {
            const std::uint32_t r = MarkedBelow(numbers[j], marks, rank);
            *dst++ = static_cast<std::uint16_t>(r);
            colorOfRank[r] = pixels[j];
        }
}

// Marks the packed colors of n pixels in `seen`. Without branches: in a reduced
// picture runs of one color are common, in a noisy one every pixel is new.
VELMORA_PIXEL_LOOP void MarkColors(const TRGBTriple* pixels, std::size_t n, std::uint64_t* seen) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t v = PackColor(pixels[i]);
        seen[v >> 6] |= std::uint64_t{1} << (v & 63);
    }
}

// to[w] |= from[w] for n words.
VELMORA_PIXEL_LOOP void AddMarks(std::uint64_t* to, const std::uint64_t* from, std::size_t n) {
    for (std::size_t w = 0; w < n; ++w) to[w] |= from[w];
}

// Writes to rank[w] the marks in the words before word w of `marks` (n words), and
// returns the marks in all.
VELMORA_PIXEL_LOOP std::size_t RankWords(const std::uint64_t* marks, std::size_t n, std::uint32_t* rank) {
    std::size_t counted = 0;
    for (std::size_t w = 0; w < n; ++w) {
        rank[w] = static_cast<std::uint32_t>(counted);
        counted += static_cast<std::size_t>(__builtin_popcountll(marks[w]));
    }
    return counted;
}

// Numbers n pixels by the count of colors marked in `seen` below their own.
VELMORA_PIXEL_LOOP void NumberPixels(const TRGBTriple* pixels, std::size_t n, const std::uint64_t* seen,
                                     const std::uint32_t* rank, std::uint32_t* numbers) {
    for (std::size_t i = 0; i < n; ++i) numbers[i] = MarkedBelow(PackColor(pixels[i]), seen, rank);
}

// Like RankWords, for only the words that `summary` marks (a bit per word).
VELMORA_PIXEL_LOOP void RankMarkedWords(const std::uint64_t* summary, std::size_t n, const std::uint64_t* marks,
                                        std::uint16_t* rank) {
    unsigned counted = 0;
    for (std::size_t s = 0; s < n; ++s)
        for (std::uint64_t words = summary[s]; words != 0; words &= words - 1) {
            const std::size_t w = s * 64 + static_cast<std::size_t>(__builtin_ctzll(words));
            rank[w] = static_cast<std::uint16_t>(counted);
            counted += static_cast<unsigned>(__builtin_popcountll(marks[w]));
        }
}

// Working state of one thread: the colors of the tile being cut, its input as color
// numbers, and the counts.
struct TileState {
    // The tile's colors as the picture's color numbers, in the order they first
    // appeared, and the same as a set of bits (with a bit for every word that has
    // one set), from which their order among themselves is counted off.
    std::vector<std::uint32_t> colors;
    std::vector<std::uint64_t> present, presentWords;
    std::vector<std::uint16_t> wordRank;  // colors in the words before; set where present
    // The tile's input, row by row, as the numbers of its colors in packed order,
    // and the color of every number.
    std::vector<std::uint16_t> local;
    std::vector<TRGBTriple> colorOf = std::vector<TRGBTriple>(kCapacity);

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

    TileState(int maxInputWidth, std::size_t pictureColors)
        : present((pictureColors + 63) / 64), presentWords((present.size() + 63) / 64), wordRank(present.size()) {
        for (int l = 0, buckets = 1; l < kMaxLevels; ++l, buckets *= 16) {
            hist[l].assign(static_cast<std::size_t>(buckets) * static_cast<std::size_t>(maxInputWidth) * 16, 0);
            window[l].assign(static_cast<std::size_t>(buckets) * 16, 0);
            stamp[l].assign(static_cast<std::size_t>(buckets), kStale);
        }
        colors.reserve(static_cast<std::size_t>(kCapacity) + static_cast<std::size_t>(maxInputWidth));
    }

    // Forgets the colors added after the first `count`.
    void DropColorsFrom(std::size_t count) {
        while (colors.size() > count) {
            const std::uint32_t v = colors.back();
            colors.pop_back();
            std::uint64_t& word = present[v >> 6];
            word &= ~(std::uint64_t{1} << (v & 63));
            if (word == 0) presentWords[v >> 12] &= ~(std::uint64_t{1} << ((v >> 6) & 63));
        }
    }

    void Clear() {
        // Clearing whole words is quicker once the tile holds many colors.
        if (colors.size() * 8 > present.size()) {
            std::fill(present.begin(), present.end(), 0);
            std::fill(presentWords.begin(), presentWords.end(), 0);
            colors.clear();
        }
        DropColorsFrom(0);
    }

    // Adds the colors of an input row of n color numbers; false (with none of the
    // row's colors added) when the tile then holds more colors than it may. Without
    // branches, since whether a color is new is as hard to predict as the picture:
    // every color is written to the end of the list, which grows only for new ones.
    VELMORA_ALWAYS_INLINE bool AddRow(const std::uint32_t* row, int n) {
        const std::size_t before = colors.size();
        colors.resize(before + static_cast<std::size_t>(n));
        std::uint32_t* list = colors.data();
        std::uint64_t* words = present.data();
        std::size_t count = before;
        for (int j = 0; j < n; ++j) {
            const std::uint32_t v = row[j];
            const std::uint64_t word = words[v >> 6];
            const std::uint64_t bit = std::uint64_t{1} << (v & 63);
            words[v >> 6] = word | bit;
            list[count] = v;
            count += (word & bit) == 0;
        }
        colors.resize(count);
        if (count > static_cast<std::size_t>(kCapacity)) {
            DropColorsFrom(before);
            return false;
        }
        for (std::size_t c = before; c < count; ++c)
            presentWords[list[c] >> 12] |= std::uint64_t{1} << ((list[c] >> 6) & 63);
        return true;
    }

    // Numbers the tile's colors in packed order and rewrites its input (rows of inW
    // color numbers from `numbers` on, `stride` apart, taken from those pixels) as
    // those numbers, taking as few digits as they need. The picture's numbers are in
    // packed order already, so a color's number is the count of the tile's colors
    // below it.
    void NumberColors(const std::uint32_t* numbers, const TRGBTriple* pixels, std::size_t stride, int inW, int rows) {
        RankMarkedWords(presentWords.data(), presentWords.size(), present.data(), wordRank.data());
        local.resize(static_cast<std::size_t>(inW) * static_cast<std::size_t>(rows));
        RankRows(numbers, pixels, stride, inW, rows, present.data(), wordRank.data(), local.data(), colorOf.data());
        const std::size_t n = colors.size();
        levels = n <= 16 ? 1 : n <= 256 ? 2 : 3;
    }

    // The counts of the input columns at every level, for counting rows in and out.
    // The levels' first bytes are kept apart from the vectors that own them: stores
    // through byte pointers would otherwise make the compiler fetch them again for
    // every value.
    template <int Levels>
    struct ColumnCounts {
        std::uint8_t* start[Levels];
        std::size_t bucketStride;  // bytes between the columns of neighbouring buckets

        ColumnCounts(TileState& s, int inW) : bucketStride(static_cast<std::size_t>(inW) * 16) {
            for (int l = 0; l < Levels; ++l) start[l] = s.hist[l].data();
        }

        // Adds number v to the 16 counts of the column whose counts start `column`
        // bytes into its bucket, at every level, or takes it out.
        template <bool Add>
        VELMORA_ALWAYS_INLINE void Count(unsigned v, std::size_t column) const {
            for (int l = 0; l < Levels; ++l) {
                const std::size_t bucket = l == 0 ? 0 : v >> (4 * (Levels - l));
                std::uint8_t* p = start[l] + bucket * bucketStride + column;
                Bins16 counts, from;
                std::memcpy(&counts, p, sizeof counts);
                std::memcpy(&from, kFrom[(v >> (4 * (Levels - 1 - l))) & 15u].data(), sizeof from);
                if (Add)
                    counts += from;
                else
                    counts -= from;
                std::memcpy(p, &counts, sizeof counts);
            }
        }

        // Clears the lowest level's counts that number v was counted in.
        VELMORA_ALWAYS_INLINE void ZeroLowest(unsigned v, std::size_t column) const {
            const std::size_t bucket = Levels == 1 ? 0 : v >> 4;
            std::memset(start[Levels - 1] + bucket * bucketStride + column, 0, 16);
        }
    };

    // Counts one input row into its columns.
    template <int Levels>
    VELMORA_ALWAYS_INLINE void CountRow(const std::uint16_t* row, int inW) {
        const ColumnCounts<Levels> columns(*this, inW);
        for (int j = 0; j < inW; ++j) columns.template Count<true>(row[j], 16 * static_cast<std::size_t>(j));
    }

    // Moves the columns' windows down a row: takes row `gone` out and counts row
    // `come` in.
    template <int Levels>
    VELMORA_ALWAYS_INLINE void SlideRow(const std::uint16_t* gone, const std::uint16_t* come, int inW) {
        const ColumnCounts<Levels> columns(*this, inW);
        for (int j = 0; j < inW; ++j) {
            columns.template Count<false>(gone[j], 16 * static_cast<std::size_t>(j));
            columns.template Count<true>(come[j], 16 * static_cast<std::size_t>(j));
        }
    }

    // Sets the column counts of `count` input rows from `first` on back to zero. The
    // upper levels have few enough buckets that clearing them whole is quicker than
    // finding the counts each value touched; the lowest level has too many.
    template <int Levels>
    void ZeroRows(int first, int count, int inW) {
        const std::size_t bucketBytes = static_cast<std::size_t>(inW) * 16;
        for (std::size_t l = 0, buckets = 1; l + 1 < Levels; ++l, buckets *= 16)
            std::memset(hist[l].data(), 0, buckets * bucketBytes);
        const ColumnCounts<Levels> columns(*this, inW);
        for (int i = first; i < first + count; ++i) {
            const std::uint16_t* row = local.data() + static_cast<std::size_t>(i) * inW;
            for (int j = 0; j < inW; ++j) columns.ZeroLowest(row[j], 16 * static_cast<std::size_t>(j));
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

// The window's counts around the median last found, kept up to date by the column
// that enters and the one that leaves. For every level l: the values that share the
// median's digits above l and have a lower digit l (under[l]), or one up to its own
// (upTo[l]); underAt and upToAt point at those bins in the bucket's first column.
template <int Levels>
struct Tracked {
    int number = -1;  // none yet
    int under[Levels] = {}, upTo[Levels] = {};
    const std::uint8_t* underAt[Levels] = {};  // null when the digit is 0
    const std::uint8_t* upToAt[Levels] = {};

    VELMORA_ALWAYS_INLINE void Slide(int entering, int leaving) {
        for (int l = 0; l < Levels; ++l) {
            if (underAt[l]) under[l] += underAt[l][16 * entering] - underAt[l][16 * leaving];
            upTo[l] += upToAt[l][16 * entering] - upToAt[l][16 * leaving];
        }
    }

    // How many of the median's top digits the value of `rank` shares (Levels when it
    // is still the median), and in `base` the values below their bucket.
    VELMORA_ALWAYS_INLINE int Shared(int rank, int& base) const {
        base = 0;
        if (number < 0) return 0;
        for (int l = 0; l < Levels; ++l) {
            if (rank < base + under[l] || rank >= base + upTo[l]) return l;
            base += under[l];
        }
        return Levels;
    }

    // Level l's digit of the new median was found in the bucket whose column counts
    // start at `columns`, with `passed` values below it and `inBin` equal to it there.
    VELMORA_ALWAYS_INLINE void Found(int l, int digit, int passed, int inBin, const std::uint8_t* columns) {
        under[l] = passed;
        upTo[l] = passed + inBin;
        underAt[l] = digit > 0 ? columns + (digit - 1) : nullptr;
        upToAt[l] = columns + digit;
    }
};

// The medians of a cut tile with numbers of `Levels` digits: output columns
// 0 .. tw - 1 and rows 0 .. th - 1 of the tile (whose input is tw + 2r wide and
// th + 2r high), written to out (row stride `stride`). False when cancelled.
//
// Neighbouring windows often share their median, or its top digits, so the counts
// around the last one are tracked, and the levels are walked down only from the
// first digit that no longer holds.
template <int Levels>
VELMORA_ALWAYS_INLINE bool MedianTileOf(TileState& s, int r, int tw, int th, TRGBTriple* out, std::size_t stride) {
    const int k = 2 * r + 1;
    const int inW = tw + 2 * r;
    const int rank = (k * k - 1) / 2;
    const std::uint16_t* local = s.local.data();
    auto inputRow = [&](int i) { return local + static_cast<std::size_t>(i) * static_cast<std::size_t>(inW); };
    for (int i = 0; i < k; ++i) s.CountRow<Levels>(inputRow(i), inW);
    int top = 0;  // the window's first input row
    const std::size_t bucketStride = static_cast<std::size_t>(inW) * 16;
    const int lowestBuckets = (static_cast<int>(s.colors.size()) + 15) / 16;
    for (int t = 0; t < th; ++t) {
        if (Cancelled()) {
            s.ZeroRows<Levels>(top, k, inW);
            return false;
        }
        if (t > 0) {
            s.SlideRow<Levels>(inputRow(top), inputRow(top + k), inW);
            ++top;
        }
        for (int l = 0, buckets = 1; l < Levels; ++l, buckets *= 16)
            std::fill_n(s.stamp[l].begin(), l == Levels - 1 ? lowestBuckets : buckets, kStale);
        TRGBTriple* o = out + static_cast<std::size_t>(t) * stride;
        Tracked<Levels> median;
        for (int x = 0; x < tw; ++x) {
            if (median.number >= 0) median.Slide(x + k - 1, x - 1);
            int base;
            const int shared = median.Shared(rank, base);
            if (shared < Levels) {
                int left = rank - base;
                // The digits kept: the bucket of the first level to walk.
                unsigned number = shared > 0 ? static_cast<unsigned>(median.number) >> (4 * (Levels - shared)) : 0;
                // Each level is written out on its own, so that the branches of
                // one level are predicted apart from those of the others.
                auto walk = [&](auto level) {
                    constexpr int l = decltype(level)::value;
                    if (l < shared) return;
                    const std::uint8_t* columns = s.hist[l].data() + number * bucketStride;
                    Counts sum;
                    Bring(sum, s.window[l].data() + 16 * number, s.stamp[l][number], x, k, columns);
                    const int before = left;
                    int inBin;
                    const int digit = FindDigit(sum, left, inBin);
                    median.Found(l, digit, before - left, inBin, columns);
                    number = number * 16 + static_cast<unsigned>(digit);
                };
                [&]<int... L>(std::integer_sequence<int, L...>) {
                    (walk(std::integral_constant<int, L>{}), ...);
                }(std::make_integer_sequence<int, Levels>{});
                median.number = static_cast<int>(number);
            }
            o[x] = s.colorOf[static_cast<std::size_t>(median.number)];
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
bool MedianColumns(TileState& s, const std::uint32_t* numbers, const TRGBTriple* pixels, int width, int r, int x0,
                   int x1, int y0, int y1, TRGBTriple* out) {
    const int inW = x1 - x0 + 2 * r;
    const int k = 2 * r + 1;
    auto inputRow = [&](int y) { return numbers + static_cast<std::size_t>(y) * width + (x0 - r); };
    for (int y = y0; y < y1;) {
        if (Cancelled()) return false;
        s.Clear();
        bool fits = true;
        for (int i = 0; i < k && fits; ++i) fits = s.AddRow(inputRow(y - r + i), inW);
        if (!fits) {
            // A single column always fits: its window has k * k <= kCapacity colors.
            s.Clear();
            const int mid = x0 + (x1 - x0) / 2;
            return MedianColumns(s, numbers, pixels, width, r, x0, mid, y, y1, out) &&
                   MedianColumns(s, numbers, pixels, width, r, mid, x1, y, y1, out);
        }
        int yEnd = y + 1;
        while (yEnd < y1 && s.AddRow(inputRow(yEnd + r), inW)) ++yEnd;
        const std::size_t first = static_cast<std::size_t>(y - r) * width + (x0 - r);
        s.NumberColors(numbers + first, pixels + first, static_cast<std::size_t>(width), inW, yEnd - y + 2 * r);
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

HistogramMedian::HistogramMedian(const TRGBTriple* pixels, int width, int height, int radius)
    : pixels_(pixels), width_(width), height_(height), radius_(radius) {
    static_assert((2 * kLargestRadius + 1) * (2 * kLargestRadius + 1) <= kCapacity);
    if (radius < 1 || radius > kLargestRadius) throw std::invalid_argument("median radius");
    // Wide enough that the columns shared by neighbouring windows are counted once
    // for many outputs; the colors may cut a tile narrower.
    tileWidth_ = std::max(64, 4 * radius);
    NumberColors(pixels);
}

// Marks every packed color the picture holds in a set of bits, and then numbers
// each pixel by the count of marked colors below its own, so that the numbers keep
// the packed order and a tile can order its colors by counting bits instead of
// sorting them.
void HistogramMedian::NumberColors(const TRGBTriple* pixels) {
    constexpr std::size_t kWords = std::size_t{1} << 18;  // a bit for each of the 2^24 colors
    const std::int64_t grain = width_ >= 2048 ? 16 : 64;
    auto pixel = [&](std::int64_t y) { return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_); };
    // Each part of the picture marks a set of its own, so that no two threads write
    // to one word; a few parts keep the sets' memory small on any machine, and a
    // small picture (a preview) is marked faster than a second set is cleared.
    const int parts = pixel(height_) < (std::size_t{1} << 20) ? 1 : std::clamp(ParallelThreadCount(), 1, 4);
    std::vector<std::vector<std::uint64_t>> marks(static_cast<std::size_t>(parts));
    numbered_ = ParallelFor(parts, 1, [&](std::int64_t p0, std::int64_t p1) {
        for (std::int64_t p = p0; p < p1; ++p) {
            const std::int64_t y0 = height_ * p / parts, y1 = height_ * (p + 1) / parts;
            marks[static_cast<std::size_t>(p)].assign(kWords, 0);
            MarkColors(pixels + pixel(y0), pixel(y1) - pixel(y0), marks[static_cast<std::size_t>(p)].data());
        }
    });
    if (!numbered_) return;
    std::vector<std::uint64_t>& seen = marks[0];
    for (int p = 1; p < parts; ++p) {
        AddMarks(seen.data(), marks[static_cast<std::size_t>(p)].data(), kWords);
        std::vector<std::uint64_t>().swap(marks[static_cast<std::size_t>(p)]);
    }
    std::vector<std::uint32_t> rank(kWords);  // colors in the words before
    colorCount_ = RankWords(seen.data(), kWords, rank.data());
    numbers_.resize(pixel(height_));
    numbered_ = ParallelFor(height_, grain, [&](std::int64_t y0, std::int64_t y1) {
        NumberPixels(pixels + pixel(y0), pixel(y1) - pixel(y0), seen.data(), rank.data(), numbers_.data() + pixel(y0));
    });
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
    return std::make_unique<Workspace>(tileWidth_ + 2 * radius_, colorCount_);
}

void HistogramMedian::Give(std::unique_ptr<Workspace> w) {
    std::lock_guard<std::mutex> lock(mutex_);
    spare_.push_back(std::move(w));
}

bool HistogramMedian::Rows(int firstRow, int endRow, TRGBTriple* out) {
    const int r = radius_;
    if (firstRow < r || endRow > height_ - r || 2 * r + 1 > width_) throw std::invalid_argument("median rows");
    if (!numbered_) return false;  // cancelled while numbering
    std::unique_ptr<Workspace> w = Take();
    bool finished = true;
    for (int x = r; x < width_ - r && finished; x += tileWidth_)
        finished = MedianColumns(*w, numbers_.data(), pixels_, width_, r, x, std::min(x + tileWidth_, width_ - r),
                                 firstRow, endRow, out);
    w->Clear();
    Give(std::move(w));
    return finished;
}

}  // namespace velmora
