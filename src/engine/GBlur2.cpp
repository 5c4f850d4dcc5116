#include "engine/GBlur2.h"

#include <algorithm>
#include <cmath>

#include "common/Geometry.h"
#include "engine/ProgressSteps.h"

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

// One convolution of `count` pixels read through `at(i)` (i already clamped by the
// caller's accessor) into `out`.
template <typename Read>
void Convolve1D(int count, int size, const int* w, Read read, TRGBTriple* out) {
    for (int i = 0; i < count; ++i) {
        int sb = 0, sg = 0, sr = 0;
        for (int j = -size; j <= size; ++j) {
            int k = i - j;
            if (k < 0) k = 0;
            if (k > count - 1) k = count - 1;
            const TRGBTriple& p = read(k);
            const int wj = w[j];
            sb += p.B * wj;
            sg += p.G * wj;
            sr += p.R * wj;
        }
        out[i].B = static_cast<std::uint8_t>(ClampByte(sb / 1024));
        out[i].G = static_cast<std::uint8_t>(ClampByte(sg / 1024));
        out[i].R = static_cast<std::uint8_t>(ClampByte(sr / 1024));
    }
}

// Both blur forms: rows top to bottom from src into dst, then columns left to right
// in dst. With `checkCancel` a set CancelFlag stops before the next row or column;
// the caption and positions go to `progress`.
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

    TripleBuffer line(static_cast<std::size_t>(width > height ? width : height));

    ReportCaption(progress, "Blur Row");
    for (int y = 0; y < height; ++y) {
        if (checkCancel && Cancelled()) return;
        const TRGBTriple* row = src.data() + static_cast<std::size_t>(y) * width;
        Convolve1D(width, kernel.Size, w, [row](int k) -> const TRGBTriple& { return row[k]; },
                   line.data());
        std::copy(line.begin(), line.begin() + width, dst.begin() + static_cast<std::ptrdiff_t>(y) * width);
        ReportStep(progress, y, height - 1);
    }
    ReportStepDone(progress);

    ReportCaption(progress, "Blur Column");
    for (int x = 0; x < width; ++x) {
        if (checkCancel && Cancelled()) return;
        TRGBTriple* col = dst.data() + x;
        Convolve1D(height, kernel.Size, w,
                   [col, width](int k) -> const TRGBTriple& { return col[static_cast<std::size_t>(k) * width]; },
                   line.data());
        for (int y = 0; y < height; ++y) col[static_cast<std::size_t>(y) * width] = line[y];
        ReportStep(progress, x, width - 1);
    }
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
