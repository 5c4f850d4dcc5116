#pragma once
// Separable Gaussian blur over flat triple buffers. The kernel is computed in floating
// point, cut to the taps that matter at 8-bit precision, and applied with 10-bit
// integer weights; borders repeat the edge pixel.

#include <array>

#include "engine/Pixels.h"
#include "engine/Progress.h"

namespace velmora {

constexpr int kMaxKernelHalfWidth = 100;

struct TBlurKernel {
    int Size = 1;  // half-width actually used, 1..100
    // Weights[j + 100] is the weight of tap j, j = -100..100.
    std::array<float, 2 * kMaxKernelHalfWidth + 1> Weights{};

    float& W(int j) { return Weights[static_cast<std::size_t>(j + kMaxKernelHalfWidth)]; }
    float W(int j) const { return Weights[static_cast<std::size_t>(j + kMaxKernelHalfWidth)]; }
};

// Every caller passes maxData = 255 and granularity = 1. Radius must be > 0.
void BuildKernel(TBlurKernel& kernel, double radius, double maxData = 255.0, double granularity = 1.0);

// The kernel's weights times 1024, rounded half to even; index j + 100.
std::array<int, 2 * kMaxKernelHalfWidth + 1> IntegerWeights(const TBlurKernel& kernel);

// Blurs a width x height buffer in place; no progress and no cancel checks.
// A radius of 0 or less leaves the buffer as it is.
void GaussianBlur(TripleBuffer& buffer, int width, int height, double radius);

// The same blur from src into dst (which may be the same buffer), reporting "Blur Row"
// and "Blur Column" to `progress` (may be null) and stopping when the run is
// cancelled (Cancelled()), in which case dst is left partly blurred. dst is sized to width x height.
void GaussianBlurProgress(const TripleBuffer& src, TripleBuffer& dst, int width, int height,
                          double radius, ProgressTargets* progress);

}  // namespace velmora
