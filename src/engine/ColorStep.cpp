#include "engine/ColorStep.h"

#include <algorithm>
#include <cstdlib>

#include "engine/GBlur2.h"
#include "engine/ProgressSteps.h"

namespace velmora {

namespace {

constexpr TRGBTriple Rgb(int r, int g, int b) {
    return TRGBTriple{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r)};
}

// All combinations of the levels 0, 85, 170 and 255; the order decides ties.
constexpr std::array<TRGBTriple, 64> kPalette = {
    Rgb(0, 0, 0),       Rgb(255, 0, 0),     Rgb(0, 255, 0),     Rgb(0, 0, 255),
    Rgb(255, 255, 0),   Rgb(0, 255, 255),   Rgb(255, 0, 255),   Rgb(170, 170, 170),
    Rgb(170, 0, 0),     Rgb(0, 170, 0),     Rgb(0, 0, 170),     Rgb(170, 170, 0),
    Rgb(0, 170, 170),   Rgb(170, 0, 170),   Rgb(255, 170, 170), Rgb(170, 255, 170),
    Rgb(170, 170, 255), Rgb(170, 255, 255), Rgb(255, 170, 255), Rgb(255, 255, 170),
    Rgb(0, 170, 255),   Rgb(0, 255, 170),   Rgb(170, 0, 255),   Rgb(170, 255, 0),
    Rgb(255, 0, 170),   Rgb(255, 170, 0),   Rgb(85, 0, 0),      Rgb(0, 85, 0),
    Rgb(0, 0, 85),      Rgb(85, 170, 170),  Rgb(170, 85, 170),  Rgb(170, 170, 85),
    Rgb(85, 255, 255),  Rgb(255, 85, 255),  Rgb(255, 255, 85),  Rgb(0, 85, 85),
    Rgb(85, 0, 85),     Rgb(85, 85, 0),     Rgb(170, 85, 85),   Rgb(85, 170, 85),
    Rgb(85, 85, 170),   Rgb(255, 85, 85),   Rgb(85, 255, 85),   Rgb(85, 85, 255),
    Rgb(85, 85, 85),    Rgb(0, 85, 170),    Rgb(0, 170, 85),    Rgb(0, 85, 255),
    Rgb(0, 255, 85),    Rgb(85, 0, 170),    Rgb(85, 170, 0),    Rgb(85, 0, 255),
    Rgb(85, 255, 0),    Rgb(170, 0, 85),    Rgb(170, 85, 0),    Rgb(170, 85, 255),
    Rgb(170, 255, 85),  Rgb(255, 0, 85),    Rgb(255, 85, 0),    Rgb(255, 85, 170),
    Rgb(255, 170, 85),  Rgb(85, 170, 255),  Rgb(85, 255, 170),  Rgb(255, 255, 255),
};

std::size_t Area(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

}  // namespace

TColorStep::TColorStep() : Palette(kPalette) {}

void TColorStep::LoadRegion(const Bitmap& source, int left, int top, int width, int height) {
    Width = width;
    Height = height;
    Left = left;
    Top = top;
    SrcWidth = source.Width();
    SrcHeight = source.Height();
    Right = left + width;
    Bottom = top + height;

    const std::size_t n = Area(width, height);
    FullImage.assign(Area(SrcWidth, SrcHeight), TRGBTriple{});
    Reduced.assign(n, TRGBTriple{});
    Smoothed.assign(n, TRGBTriple{});
    Blurred.assign(n, TRGBTriple{});
    Final.assign(n, TRGBTriple{});

    for (int y = 0; y < SrcHeight; ++y) {
        if (Cancelled()) {
            for (TripleBuffer* b : {&FullImage, &Reduced, &Smoothed, &Blurred, &Final}) b->clear();
            return;
        }
        const std::uint8_t* s = source.Row(y);
        TRGBTriple* d = FullImage.data() + Area(SrcWidth, y);
        for (int x = 0; x < SrcWidth; ++x, s += 3) d[x] = TRGBTriple{s[0], s[1], s[2]};
    }
}

int TColorStep::ColorClass(int v) const {
    if (reducerType_ != 1) return v / colorReducer_;
    for (int i = 0; i <= levelCount_; ++i)
        if (Levels[i] < v && v <= Levels[i + 1]) return i;
    return levelCount_;  // not reached: Levels[0] = -1 and Levels[n + 1] = 256
}

TRGBTriple TColorStep::NearestPaletteColor(TRGBTriple a) const {
    int best = -1;
    int bestDistance = 0;
    for (int i = 0; i < 64; ++i) {
        const TRGBTriple& p = Palette[i];
        // Only entries with a similar balance between the channels are candidates.
        if (std::abs((p.R - p.G) - (a.R - a.G)) >= 80) continue;
        if (std::abs((p.R - p.B) - (a.R - a.B)) >= 80) continue;
        const int d = std::abs(p.R - a.R) + std::abs(p.G - a.G) + std::abs(p.B - a.B);
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return Palette[best < 0 ? 0 : best];
}

void TColorStep::ReduceColors(int colorReducer, int reducerType, int coloringMode, int handleCount,
                              const std::array<std::uint8_t, 5>& handles) {
    ReportCaption(Progress, "Color Reducing");
    // A damaged record is refused before a run; this keeps a direct call from
    // dividing by zero or reading past the five handles all the same.
    if (colorReducer < 1 || handleCount < 0 || handleCount > 5) return;
    if (FullImage.size() != Area(SrcWidth, SrcHeight) || Reduced.size() != Area(Width, Height)) return;

    reducerType_ = reducerType;
    colorReducer_ = colorReducer;
    levelCount_ = handleCount;
    std::array<std::uint8_t, 5> sorted = handles;  // the record itself stays as it is
    std::sort(sorted.begin(), sorted.begin() + handleCount);
    Levels.fill(0);
    Levels[0] = -1;
    for (int i = 0; i < handleCount; ++i) Levels[i + 1] = sorted[i];
    Levels[handleCount + 1] = 256;

    std::array<int, 256> cls{};
    for (int v = 0; v < 256; ++v) cls[v] = ColorClass(v);

    const int SW = SrcWidth;
    const int SH = SrcHeight;
    Visited.assign(Area(SW, SH), 0);
    Segment.assign(Area(SW, SH), SegmentPoint{});
    auto release = [this] {
        Visited = {};
        Segment = {};
    };

    const TRGBTriple* img = FullImage.data();
    auto at = [&](int x, int y) -> const TRGBTriple& { return img[Area(SW, y) + x]; };
    auto inRect = [&](int x, int y) { return Left <= x && x < Right && Top <= y && y < Bottom; };
    static constexpr int kDx[8] = {0, 0, -1, 1, -1, 1, -1, 1};
    static constexpr int kDy[8] = {1, -1, 0, 0, -1, -1, 1, 1};

    for (int sy = 0; sy < Bottom; ++sy) {
        for (int sx = 0; sx < Right; ++sx) {
            if (Cancelled()) return release();
            if (Visited[Area(SW, sy) + sx]) continue;

            // Grow one segment breadth first from this seed. The seed is not marked, so
            // it joins the segment in the second round exactly when it has an alike
            // neighbour. Each round's frontier is the run of Segment the previous round
            // appended (the first round's frontier is the seed alone).
            const TRGBTriple& seed = at(sx, sy);
            const int c0 = cls[seed.R], c1 = cls[seed.G], c2 = cls[seed.B];
            SegmentCount = 0;
            bool touches = false;
            std::size_t frontBegin = 0, frontEnd = 0;
            bool firstRound = true;
            for (;;) {
                const std::size_t takenBefore = static_cast<std::size_t>(SegmentCount);
                const std::size_t frontSize = firstRound ? 1 : frontEnd - frontBegin;
                for (std::size_t f = 0; f < frontSize; ++f) {
                    const int x = firstRound ? sx : Segment[frontBegin + f].X;
                    const int y = firstRound ? sy : Segment[frontBegin + f].Y;
                    for (int k = 0; k < 8; ++k) {
                        const int nx = x + kDx[k];
                        const int ny = y + kDy[k];
                        if (nx < 0 || nx >= SW || ny < 0 || ny >= SH) continue;
                        std::uint8_t& mark = Visited[Area(SW, ny) + nx];
                        if (mark) continue;
                        const TRGBTriple& p = at(nx, ny);
                        if (cls[p.R] != c0 || cls[p.G] != c1 || cls[p.B] != c2) continue;
                        mark = 1;
                        Segment[static_cast<std::size_t>(SegmentCount++)] = SegmentPoint{nx, ny};
                        if (inRect(nx, ny)) touches = true;
                    }
                }
                if (static_cast<std::size_t>(SegmentCount) == takenBefore) break;
                frontBegin = takenBefore;
                frontEnd = static_cast<std::size_t>(SegmentCount);
                firstRound = false;
            }

            if (SegmentCount > 0 && touches) {
                // A running halving average of pairs taken from both ends towards the
                // middle; it leans towards the last pairs and is not the mean.
                const int n = SegmentCount;
                const SegmentPoint& mid = Segment[static_cast<std::size_t>(n / 2)];
                int r = at(mid.X, mid.Y).R, g = at(mid.X, mid.Y).G, b = at(mid.X, mid.Y).B;
                for (int i = 0; i <= (n - 1) / 2; ++i) {
                    const SegmentPoint& pa = Segment[static_cast<std::size_t>(i)];
                    const SegmentPoint& pb = Segment[static_cast<std::size_t>(n - 1 - i)];
                    const TRGBTriple& a = at(pa.X, pa.Y);
                    const TRGBTriple& bb = at(pb.X, pb.Y);
                    r = (((a.R + bb.R) >> 1) + r) >> 1;
                    g = (((a.G + bb.G) >> 1) + g) >> 1;
                    b = (((a.B + bb.B) >> 1) + b) >> 1;
                }
                SegmentColor = TRGBTriple{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                                          static_cast<std::uint8_t>(r)};
                if (coloringMode == 0) SegmentColor = NearestPaletteColor(SegmentColor);
                for (int i = 0; i < n; ++i) {
                    const SegmentPoint& p = Segment[static_cast<std::size_t>(i)];
                    if (inRect(p.X, p.Y)) Reduced[Area(Width, p.Y - Top) + (p.X - Left)] = SegmentColor;
                }
            } else if (inRect(sx, sy)) {
                Reduced[Area(Width, sy - Top) + (sx - Left)] = seed;
            }
        }
        ReportStep(Progress, sy - Top, Height - 1);
    }
    release();
    ReportStepDone(Progress);
}

void TColorStep::ColorSmooth(int radius, int smoothType) {
    ReportCaption(Progress, "Color Smooth");
    const int W = Width;
    const int H = Height;
    if (Final.size() != Area(W, H)) return;
    Smoothed.resize(Area(W, H));
    for (int y = 0; y < H; ++y) {
        if (Cancelled()) return;
        std::copy_n(Final.begin() + static_cast<std::ptrdiff_t>(Area(W, y)), W,
                    Smoothed.begin() + static_cast<std::ptrdiff_t>(Area(W, y)));
    }

    const int r = radius;
    // Only when a full window fits somewhere; otherwise no pixel is far enough from
    // every border and nothing changes.
    if (r > 0 && 2LL * r + 1 <= W && 2LL * r + 1 <= H) {
        const int k = 2 * r + 1;
        const std::size_t k2 = Area(k, k);
        const std::size_t rank = (k2 - 1) / 2;
        // Packed as R * 65536 + G * 256 + B, so colors compare by red, then green,
        // then blue.
        auto pack = [](const TRGBTriple& p) { return (p.R << 16) | (p.G << 8) | p.B; };
        std::vector<int> window(k2);
        std::vector<int> scratch(k2);
        for (int x = r; x <= W - 1 - r; ++x) {
            if (Cancelled()) return;
            // The window is a ring of k rows of k values; `oldest` is the row to replace.
            for (int row = 0; row < k; ++row)
                for (int i = 0; i < k; ++i)
                    window[Area(k, row) + i] = pack(Final[Area(W, row) + (x - r + i)]);
            int oldest = 0;
            for (int y = r; y <= H - 1 - r; ++y) {
                int v;
                if (smoothType == 1) {
                    v = *std::max_element(window.begin(), window.end());
                } else {
                    scratch = window;
                    std::nth_element(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(rank),
                                     scratch.end());
                    v = scratch[rank];
                }
                Smoothed[Area(W, y) + x] = TRGBTriple{static_cast<std::uint8_t>(v & 255),
                                                      static_cast<std::uint8_t>((v >> 8) & 255),
                                                      static_cast<std::uint8_t>((v >> 16) & 255)};
                if (y + r + 1 < H) {
                    for (int i = 0; i < k; ++i)
                        window[Area(k, oldest) + i] = pack(Final[Area(W, y + r + 1) + (x - r + i)]);
                    oldest = (oldest + 1) % k;
                }
            }
            ReportStep(Progress, x - r, W - 1 - 2 * r);
        }
    }
    ReportStepDone(Progress);
}

void TColorStep::BorderBlur(double radius) {
    const std::size_t n = Area(Width, Height);
    if (Smoothed.size() != n) return;
    if (radius > 0) {
        GaussianBlurProgress(Smoothed, Blurred, Width, Height, radius, Progress);
        return;
    }
    Blurred.resize(n);
    for (int y = 0; y < Height; ++y) {
        if (Cancelled()) return;
        std::copy_n(Smoothed.begin() + static_cast<std::ptrdiff_t>(Area(Width, y)), Width,
                    Blurred.begin() + static_cast<std::ptrdiff_t>(Area(Width, y)));
    }
}

}  // namespace velmora
