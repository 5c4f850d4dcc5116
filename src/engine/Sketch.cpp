#include "engine/Sketch.h"

#include "common/Geometry.h"
#include "engine/GBlur2.h"
#include "engine/ProgressSteps.h"

namespace velmora {

void TSketch::LoadRegion(const Bitmap& source, int left, int top, int width, int height) {
    Width = width;
    Height = height;
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    Inverted.assign(n, TRGBTriple{});
    Result.assign(n, 0);
    auto abandon = [this] {
        Inverted.clear();
        Result.clear();
    };
    for (int y = 0; y < height; ++y) {
        if (Cancelled()) return abandon();
        const std::uint8_t* s = source.Pixel(left, top + y);
        TRGBTriple* d = Inverted.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x, s += 3) {
            d[x].B = static_cast<std::uint8_t>(255 - s[0]);
            d[x].G = static_cast<std::uint8_t>(255 - s[1]);
            d[x].R = static_cast<std::uint8_t>(255 - s[2]);
        }
    }
    if (Cancelled()) return abandon();
}

int TSketch::SharpenAmount(int c, int p, int q, double sharpness) {
    // Formed in extended precision in this order: in double, for example 1 * 0.4 * 5 / 20
    // rounds to exactly 0.5 and then to 0, while extended precision keeps it just
    // above one half.
    long double v = static_cast<long double>(2 * c - p - q);
    v = v * static_cast<long double>(sharpness);
    v = v * 5.0L;
    v = v / 20.0L;
    return static_cast<int>(RoundHalfEven(v));
}

int TSketch::MapEdge(std::int32_t e, const TRGBTriple& inv, int sketchType, int detail, int darkness,
                     int thresholdLevel, int remainThreshold, int remainDarkness, bool remainDark) {
    // The gain is an unsigned 32-bit product shifted right by 5.
    const std::uint32_t product = static_cast<std::uint32_t>(e) * static_cast<std::uint32_t>(darkness);
    long long v = static_cast<long long>(product >> 5) - detail;
    if (remainDark) {
        const int limit = 255 - remainThreshold;
        if (inv.R > limit && inv.G > limit && inv.B > limit && v < 255 - remainDarkness)
            v = 255 - remainDarkness;
    }
    if (v > 255) v = 255;
    if (v < 0) v = 0;
    int g = static_cast<int>(v);
    if (sketchType == 1) {
        g = g < 16 ? 255 : 0;
    } else if (sketchType == 2) {
        g = 255 - g;
        if (g > thresholdLevel) g = 255;
    }
    return g;
}

void TSketch::RenderSketch(int sketchType, int detail, int darkness, int thresholdLevel,
                           int remainThreshold, int remainDarkness, bool remainDark, double radius,
                           double sharpness, std::uint8_t /*reserved*/) {
    const int W = Width;
    const int H = Height;
    if (Inverted.size() != static_cast<std::size_t>(W) * static_cast<std::size_t>(H) ||
        Result.size() != Inverted.size())
        return;  // LoadRegion was cancelled

    if (radius > 0) GaussianBlurProgress(Inverted, Inverted, W, H, radius, Progress);
    ReportCaption(Progress, "Draw Sketch");

    const TRGBTriple* in = Inverted.data();
    for (int y = 1; y <= H - 2; ++y) {
        if (Cancelled()) return;
        for (int x = 1; x <= W - 2; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * W + x;
            const TRGBTriple& C = in[i];
            const TRGBTriple& L = in[i - 1];
            const TRGBTriple& U = in[i - W];
            // Each difference goes to the darker pixel of the pair (the larger inverted
            // value); equal values add nothing either way.
            const int cc[3] = {C.R, C.G, C.B};
            const int lc[3] = {L.R, L.G, L.B};
            const int uc[3] = {U.R, U.G, U.B};
            for (int c = 0; c < 3; ++c) {
                if (lc[c] < cc[c])
                    AddEdge(x, y, cc[c] - lc[c]);
                else
                    AddEdge(x - 1, y, lc[c] - cc[c]);
            }
            for (int c = 0; c < 3; ++c) {
                if (uc[c] < cc[c])
                    AddEdge(x, y, cc[c] - uc[c]);
                else
                    AddEdge(x, y - 1, uc[c] - cc[c]);
            }
            if (sharpness > 0) {
                // Lines through the centre: horizontal, vertical, diagonal, anti-diagonal.
                const TRGBTriple* ends[4][2] = {{&in[i - 1], &in[i + 1]},
                                                {&in[i - W], &in[i + W]},
                                                {&in[i - W - 1], &in[i + W + 1]},
                                                {&in[i - W + 1], &in[i + W - 1]}};
                for (int c = 0; c < 3; ++c) {
                    for (const auto& line : ends) {
                        const TRGBTriple& P = *line[0];
                        const TRGBTriple& Q = *line[1];
                        const int pc = c == 0 ? P.R : c == 1 ? P.G : P.B;
                        const int qc = c == 0 ? Q.R : c == 1 ? Q.G : Q.B;
                        if (cc[c] - pc > 0 && qc - cc[c] < 0)
                            AddEdge(x, y, SharpenAmount(cc[c], pc, qc, sharpness));
                    }
                }
            }
        }
        ReportStep(Progress, y, H - 2);
    }

    for (int y = 0; y < H; ++y) {
        if (Cancelled()) return;
        for (int x = 0; x < W; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * W + x;
            Result[i] = MapEdge(Result[i], in[i], sketchType, detail, darkness, thresholdLevel,
                                remainThreshold, remainDarkness, remainDark);
        }
    }
    ReportStepDone(Progress);
}

}  // namespace velmora
