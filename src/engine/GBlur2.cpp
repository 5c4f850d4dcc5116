#include "engine/GBlur2.h"

#include <algorithm>
#include <cmath>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "common/Geometry.h"
#include "engine/Parallel.h"
#include "engine/ProgressSteps.h"
#include "engine/Vectorize.h"

namespace velmora {

void BuildKernel(TBlurKernel& kernel, double radius, double maxData, double granularity) {
    for (int j = -kMaxKernelHalfWidth; j <= kMaxKernelHalfWidth; ++j) {
        const double t = j / radius;
        kernel.W(j) = static_cast<float>(std::exp(-t * t / 2));
    }
    double sum = 0;
    for (int j = -kMaxKernelHalfWidth; j <= kMaxKernelHalfWidth; ++j) sum += kernel.W(j);
    for (int j = -kMaxKernelHalfWidth; j <= kMaxKernelHalfWidth; ++j)
        kernel.W(j) = static_cast<float>(kernel.W(j) / sum);

    // Cut the tails whose combined weight stays below half a level. The tap whose
    // weight tips the sum over the limit goes too, and at least three taps remain.
    const double delta = granularity / (2 * maxData);
    sum = 0;
    kernel.Size = kMaxKernelHalfWidth;
    while (sum < delta && kernel.Size > 1) {
        sum += 2 * static_cast<double>(kernel.W(kernel.Size));
        --kernel.Size;
    }

    sum = 0;
    for (int j = -kernel.Size; j <= kernel.Size; ++j) sum += kernel.W(j);
    for (int j = -kernel.Size; j <= kernel.Size; ++j) kernel.W(j) = static_cast<float>(kernel.W(j) / sum);
}

std::array<int, 2 * kMaxKernelHalfWidth + 1> IntegerWeights(const TBlurKernel& kernel) {
    std::array<int, 2 * kMaxKernelHalfWidth + 1> w{};
    for (int j = -kMaxKernelHalfWidth; j <= kMaxKernelHalfWidth; ++j)
        w[static_cast<std::size_t>(j + kMaxKernelHalfWidth)] =
            static_cast<int>(RoundHalfEven(static_cast<double>(kernel.W(j)) * 1024));
    return w;
}

namespace {

// One blurred line: out[b] = clamp(sum over j of w[j] * in[b - step * j] div 1024) for
// the n bytes of the line, where `in` already holds `size` repeated edge pixels on
// both sides (so in[b - step * j] is the clamped neighbour). Integer sums in any order
// are the same sums, so the taps are added pairwise from the centre out.
VELMORA_PIXEL_LOOP void BlurLine(const std::uint8_t* in, std::ptrdiff_t step, std::uint8_t* out, int n,
                                 const int* w, int size, std::int32_t* acc) {
    const int w0 = w[0];
    for (int b = 0; b < n; ++b) acc[b] = w0 * in[b];
    for (int j = 1; j <= size; ++j) {
        const int wl = w[j];
        const int wr = w[-j];
        const std::uint8_t* l = in - step * j;
        const std::uint8_t* r = in + step * j;
        if (wl == wr) {  // the kernel is symmetric: one product per pair of taps
            for (int b = 0; b < n; ++b) acc[b] += wl * static_cast<std::int16_t>(l[b] + r[b]);
        } else {
            for (int b = 0; b < n; ++b) acc[b] += wl * l[b] + wr * r[b];
        }
    }
    for (int b = 0; b < n; ++b) {
        const int v = acc[b] / 1024;
        out[b] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
}

// The vertical form: the taps come from 2 * size + 1 row pointers (rows[j] is the row
// at offset j from the centre, already clamped to the picture).
VELMORA_PIXEL_LOOP void BlurAcrossRows(const std::uint8_t* const* rows, std::uint8_t* out, int n, const int* w,
                                       int size, std::int32_t* acc) {
    const int w0 = w[0];
    const std::uint8_t* c = rows[0];
    for (int b = 0; b < n; ++b) acc[b] = w0 * c[b];
    for (int j = 1; j <= size; ++j) {
        // Row y - j is weighted by w[j] and row y + j by w[-j].
        const int wu = w[j];
        const int wd = w[-j];
        const std::uint8_t* u = rows[-j];
        const std::uint8_t* d = rows[j];
        if (wu == wd) {  // the kernel is symmetric: one product per pair of taps
            for (int b = 0; b < n; ++b) acc[b] += wu * static_cast<std::int16_t>(u[b] + d[b]);
        } else {
            for (int b = 0; b < n; ++b) acc[b] += wu * u[b] + wd * d[b];
        }
    }
    for (int b = 0; b < n; ++b) {
        const int v = acc[b] / 1024;
        out[b] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
}

#if defined(VELMORA_AVX2_KERNELS)

// The same sums with AVX2 for a symmetric kernel (w[j] == w[-j]; a Gaussian's always
// is), sixteen bytes at a time: the bytes of the two taps at distance j are added
// first (at most 510); those of two distances are interleaved as 16-bit words and
// multiplied by their two weights in one multiply-add into 32-bit sums, which stay in
// registers through all the taps. `taps[j]` is the line of tap j for j = -size ..
// size. The quotient rounds toward zero as C++ division does, and packing with
// saturation clamps to 0 .. 255.
__attribute__((target("avx2"))) inline __m256i TapWords(const std::uint8_t* const* taps, int j, int at) {
    const __m256i a = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(taps[j] + at)));
    if (j == 0) return a;
    return _mm256_add_epi16(a, _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(taps[-j] + at))));
}

__attribute__((target("avx2"))) void BlurSymmetricAvx2(const std::uint8_t* const* taps, std::uint8_t* out, int n,
                                                       const int* w, int size) {
    for (int b = 0;; b += 16) {
        // The last group ends at the line's end and may overlap the one before; the
        // bytes written twice get the same values. Lines are at least 16 bytes.
        b = std::min(b, n - 16);
        __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
        for (int j = 0; j <= size; j += 2) {
            const __m256i x = TapWords(taps, j, b);
            const bool second = j + 1 <= size;
            const __m256i y = second ? TapWords(taps, j + 1, b) : _mm256_setzero_si256();
            const unsigned pair = (static_cast<unsigned>(second ? w[j + 1] : 0) << 16) |
                                  (static_cast<unsigned>(w[j]) & 0xFFFFu);
            const __m256i weights = _mm256_set1_epi32(static_cast<int>(pair));
            lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(x, y), weights));
            hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(x, y), weights));
        }
        const __m256i below = _mm256_set1_epi32(1023);
        lo = _mm256_srai_epi32(_mm256_add_epi32(lo, _mm256_and_si256(_mm256_srai_epi32(lo, 31), below)), 10);
        hi = _mm256_srai_epi32(_mm256_add_epi32(hi, _mm256_and_si256(_mm256_srai_epi32(hi, 31), below)), 10);
        // The unpacking split each 128-bit half into its low and high four; packing
        // joins them back in order within the halves.
        const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(lo, hi), _mm256_setzero_si256());
        const __m256i ordered = _mm256_permute4x64_epi64(packed, 0x08);  // quadwords 0 and 2
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + b), _mm256_castsi256_si128(ordered));
        if (b + 16 == n) return;
    }
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#endif

// Whether a blur with the weights w[-size .. size] takes the AVX2 sums: where the
// processor has them and the kernel is symmetric. Decided once for the whole blur.
bool UseAvx2Sums(const int* w, int size) {
#if defined(VELMORA_AVX2_KERNELS)
    if (!HasAvx2()) return false;
    for (int j = 1; j <= size; ++j)
        if (w[j] != w[-j]) return false;
    return true;
#else
    static_cast<void>(w);
    static_cast<void>(size);
    return false;
#endif
}

// One line of either form, with the AVX2 sums when `avx2` (from UseAvx2Sums) allows
// them.
void BlurLineAnyForm(const std::uint8_t* const* taps, std::ptrdiff_t step, std::uint8_t* out, int n, const int* w,
                     int size, std::int32_t* acc, bool avx2) {
#if defined(VELMORA_AVX2_KERNELS)
    if (avx2 && n >= 16) {  // at least one group of sixteen bytes
        // Tap j is weighted by w[j]: the byte step * j before in the row form, the row
        // j above in the column form.
        const std::uint8_t* lines[2 * kMaxKernelHalfWidth + 1];
        const std::uint8_t** line = lines + kMaxKernelHalfWidth;
        for (int j = -size; j <= size; ++j) line[j] = step ? taps[0] - step * j : taps[-j];
        return BlurSymmetricAvx2(line, out, n, w, size);
    }
#else
    static_cast<void>(avx2);
#endif
    if (step)
        BlurLine(taps[0], step, out, n, w, size, acc);
    else
        BlurAcrossRows(taps, out, n, w, size, acc);
}

// Rows of the row pass handed to one thread at a time: enough work to hide the
// hand-over, small enough to keep both cores busy to the end and to stop soon after
// a cancel.
int RowGrain(int width) { return width >= 4096 ? 4 : width >= 1024 ? 16 : 64; }

// Both blur forms: rows top to bottom from src into dst, then columns left to right in
// dst, as the single-threaded passes do, but split over the worker threads: the row
// pass by rows, the column pass by bands of rows computed a row at a time, which gives
// exactly the sums of going down each column through a temporary column.
// With `checkCancel` a cancel of the run stops the work, leaving dst partly blurred; the
// caption and positions go to `progress` as the single-threaded passes report them.
void Blur(const TripleBuffer& src, TripleBuffer& dst, int width, int height, double radius,
          ProgressTargets* progress, bool checkCancel) {
    if (width <= 0 || height <= 0) return;
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (src.size() < n) return;
    if (dst.size() != n) dst.resize(n);  // never the case when dst is src

    TBlurKernel kernel;
    BuildKernel(kernel, radius);
    const auto weights = IntegerWeights(kernel);
    const int* w = weights.data() + kMaxKernelHalfWidth;
    const int size = kernel.Size;
    const bool avx2 = UseAvx2Sums(w, size);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    const auto* in = reinterpret_cast<const std::uint8_t*>(src.data());
    auto* out = reinterpret_cast<std::uint8_t*>(dst.data());

    ReportCaption(progress, "Blur Row");
    StepPositions rowSteps(progress, 0, 0, height - 1);
    ParallelLoop rows;
    rows.Count = height;
    rows.Grain = RowGrain(width);
    rows.StopOnCancel = checkCancel;
    rows.Progress = [&](std::int64_t done) { rowSteps.ReportUpTo(done - 1); };
    const bool rowsDone = ParallelFor(rows, [&](std::int64_t y0, std::int64_t y1) {
        // The line with `size` copies of its first and last pixel on either side, so
        // that every tap reads the clamped neighbour without a test. The copy also
        // lets the result go straight back into the same row.
        std::vector<std::uint8_t> padded(3 * (static_cast<std::size_t>(width) + 2 * size));
        std::vector<std::int32_t> acc(rowBytes);
        for (std::int64_t y = y0; y < y1; ++y) {
            if (checkCancel && Cancelled()) return;
            const std::uint8_t* line = in + static_cast<std::size_t>(y) * rowBytes;
            std::uint8_t* p = padded.data();
            for (int k = 0; k < size; ++k, p += 3) std::copy_n(line, 3, p);
            std::copy_n(line, rowBytes, p);
            p += rowBytes;
            for (int k = 0; k < size; ++k, p += 3) std::copy_n(line + rowBytes - 3, 3, p);
            const std::uint8_t* centre = padded.data() + 3 * size;
            BlurLineAnyForm(&centre, 3, out + static_cast<std::size_t>(y) * rowBytes, static_cast<int>(rowBytes), w,
                            size, acc.data(), avx2);
        }
    });
    if (!rowsDone || (checkCancel && Cancelled())) return;
    ReportStepDone(progress);

    ReportCaption(progress, "Blur Column");
    // The column pass by bands of rows, each band going down its rows a row at a
    // time, which reads memory in order. A band overwrites its rows as it goes, so it
    // keeps the rows it has overwritten (and still needs) in a ring; the rows just
    // outside it belong to the neighbouring bands, which overwrite them at the same
    // time, so every band first keeps copies of those (its halo) before any band
    // starts writing.
    const int bandRows = std::max(32, 4 * size);
    const int bands = (height + bandRows - 1) / bandRows;
    // The halos, at most `size` rows above and below each band and never more rows
    // than the picture has, lie in one block of the engine's pool: together they come
    // to half the picture, and as a new vector per band every page of them cost a
    // fault and a clearing.
    const std::size_t haloBytes = rowBytes * static_cast<std::size_t>(std::min(2 * size, height));
    LargeVector<std::uint8_t> halos(haloBytes * static_cast<std::size_t>(bands));
    auto haloOf = [&](int b) { return halos.data() + haloBytes * static_cast<std::size_t>(b); };
    auto haloFirst = [&](int b) { return std::max(0, b * bandRows - size); };
    ParallelLoop keep;
    keep.Count = bands;
    keep.Grain = 1;
    keep.StopOnCancel = checkCancel;
    if (!ParallelFor(keep, [&](std::int64_t b0, std::int64_t b1) {
            for (std::int64_t b = b0; b < b1; ++b) {
                const int y0 = static_cast<int>(b) * bandRows;
                const int y1 = std::min(height, y0 + bandRows);
                const int above = y0 - haloFirst(static_cast<int>(b));
                const int below = std::min(height, y1 + size) - y1;
                std::uint8_t* halo = haloOf(static_cast<int>(b));
                std::copy_n(out + static_cast<std::size_t>(y0 - above) * rowBytes, rowBytes * above, halo);
                std::copy_n(out + static_cast<std::size_t>(y1) * rowBytes, rowBytes * below, halo + rowBytes * above);
            }
        }) ||
        (checkCancel && Cancelled()))
        return;

    StepPositions colSteps(progress, 0, 0, width - 1);
    ParallelLoop cols;
    cols.Count = bands;
    cols.Grain = 1;
    cols.StopOnCancel = checkCancel;
    cols.Progress = [&](std::int64_t done) {
        // Rows finished stand for the same share of the columns.
        colSteps.ReportUpTo(std::min<std::int64_t>(done * bandRows, height) * width / height - 1);
    };
    const bool colsDone = ParallelFor(cols, [&](std::int64_t b0, std::int64_t b1) {
        const int ring = size + 1;
        std::vector<std::uint8_t> saved(rowBytes * ring);
        std::vector<const std::uint8_t*> taps(static_cast<std::size_t>(2 * size + 1));
        std::vector<std::int32_t> acc(rowBytes);
        for (std::int64_t b = b0; b < b1; ++b) {
            const int y0 = static_cast<int>(b) * bandRows;
            const int y1 = std::min(height, y0 + bandRows);
            const int first = haloFirst(static_cast<int>(b));  // the halo's first row
            const std::uint8_t* halo = haloOf(static_cast<int>(b));
            for (int y = y0; y < y1; ++y) {
                if (checkCancel && Cancelled()) return;
                std::uint8_t* row = out + static_cast<std::size_t>(y) * rowBytes;
                // Row y is still the row pass's result; keep it for the rows below,
                // which read it after it has been overwritten.
                std::copy_n(row, rowBytes, saved.data() + static_cast<std::size_t>(y % ring) * rowBytes);
                for (int j = -size; j <= size; ++j) {
                    int k = y + j;
                    if (k < 0) k = 0;
                    if (k > height - 1) k = height - 1;
                    const std::uint8_t* tap;
                    if (k < y0)
                        tap = halo + static_cast<std::size_t>(k - first) * rowBytes;
                    else if (k >= y1)
                        tap = halo + static_cast<std::size_t>(y0 - first + (k - y1)) * rowBytes;
                    else if (k <= y)
                        tap = saved.data() + static_cast<std::size_t>(k % ring) * rowBytes;
                    else
                        tap = out + static_cast<std::size_t>(k) * rowBytes;
                    taps[static_cast<std::size_t>(j + size)] = tap;
                }
                BlurLineAnyForm(taps.data() + size, 0, row, static_cast<int>(rowBytes), w, size, acc.data(), avx2);
            }
        }
    });
    if (!colsDone || (checkCancel && Cancelled())) return;
    ReportStepDone(progress);
}

}  // namespace

void GaussianBlur(TripleBuffer& buffer, int width, int height, double radius) {
    if (!(radius > 0)) return;
    Blur(buffer, buffer, width, height, radius, nullptr, false);
}

void GaussianBlurProgress(const TripleBuffer& src, TripleBuffer& dst, int width, int height,
                          double radius, ProgressTargets* progress) {
    if (!(radius > 0)) return;
    Blur(src, dst, width, height, radius, progress, true);
}

}  // namespace velmora
