#include "engine/ColorStep.h"

#include "engine/Buffers.h"
#include "engine/ColorSegmentation.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/GBlur2.h"
#include "engine/Parallel.h"
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

void TColorStep::SetRectangle(const Bitmap& source, int left, int top, int width, int height) {
    Width = width;
    Height = height;
    Left = left;
    Top = top;
    SrcWidth = source.Width();
    SrcHeight = source.Height();
    Right = left + width;
    Bottom = top + height;
    // Every element of these is written by the step that makes it before anything
    // reads it, so only a change of size needs new memory. A single run makes only
    // the first; each later step takes over the buffer of the one before.
    const std::size_t n = Area(width, height);
    for (TripleBuffer* b : {&Smoothed, &Blurred, &Final})
        if (SingleRun) TripleBuffer().swap(*b);
        else SizeBuffer(*b, n);
    SizeBuffer(Reduced, n);
}

bool TColorStep::CopyPhotograph(const Bitmap& source) {
    const std::size_t n = Area(SrcWidth, SrcHeight);
    SizeBuffer(FullImage, n);
    const int grain = SrcWidth >= 2048 ? 16 : 64;
    const bool done = ParallelFor(SrcHeight, grain, [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = y0; y < y1; ++y) {
            if (Cancelled()) return;
            std::memcpy(FullImage.data() + Area(SrcWidth, static_cast<int>(y)), source.Row(static_cast<int>(y)),
                        Area(SrcWidth, 1) * sizeof(TRGBTriple));
        }
    });
    return done && !Cancelled();
}

void TColorStep::LoadRegion(const Bitmap& source, int left, int top, int width, int height) {
    ForgetPhotograph();
    SetRectangle(source, left, top, width, height);
    if (!CopyPhotograph(source))
        for (TripleBuffer* b : {&FullImage, &Reduced, &Smoothed, &Blurred, &Final}) b->clear();
}

void TColorStep::LoadRegion(const Bitmap& source, const ContentKey& content, int left, int top, int width,
                            int height) {
    if (!(content_ == content)) ForgetPhotograph();
    SetRectangle(source, left, top, width, height);
    TripleBuffer().swap(FullImage);
    if (Cancelled()) {
        ForgetPhotograph();
        for (TripleBuffer* b : {&Reduced, &Smoothed, &Blurred, &Final}) b->clear();
        return;
    }
    content_ = content;
    photo_ = &source;
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

void TColorStep::BorderBlur(double radius) {
    const std::size_t n = Area(Width, Height);
    if (Smoothed.size() != n) return;
    if (SingleRun) {
        if (radius > 0) GaussianBlurProgress(Smoothed, Smoothed, Width, Height, radius, Progress);
        Blurred.swap(Smoothed);
        TripleBuffer().swap(Smoothed);
        return;
    }
    if (radius > 0) {
        GaussianBlurProgress(Smoothed, Blurred, Width, Height, radius, Progress);
        return;
    }
    Blurred.resize(n);
    ParallelFor(Height, Width >= 2048 ? 32 : 256, [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = y0; y < y1; ++y) {
            if (Cancelled()) return;
            std::copy_n(Smoothed.begin() + static_cast<std::ptrdiff_t>(Area(Width, static_cast<int>(y))), Width,
                        Blurred.begin() + static_cast<std::ptrdiff_t>(Area(Width, static_cast<int>(y))));
        }
    });
}

}  // namespace velmora
