#pragma once
// Helpers shared by the engine tests: small bitmaps and buffers, and a progress
// recorder.

#include <functional>
#include <string>
#include <vector>

#include "common/Bitmap.h"
#include "engine/Pixels.h"
#include "engine/Progress.h"

namespace velmora::test {

inline TRGBTriple Rgb(int r, int g, int b) {
    return TRGBTriple{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r)};
}

inline Bitmap FilledBitmap(int w, int h, TRGBTriple c) {
    Bitmap b(w, h);
    b.Fill(c.B, c.G, c.R);
    return b;
}

inline TRGBTriple At(const Bitmap& b, int x, int y) {
    const std::uint8_t* p = b.Pixel(x, y);
    return TRGBTriple{p[0], p[1], p[2]};
}

inline void Put(Bitmap& b, int x, int y, TRGBTriple c) {
    std::uint8_t* p = b.Pixel(x, y);
    p[0] = c.B;
    p[1] = c.G;
    p[2] = c.R;
}

// A photograph with texture everywhere: smooth gradients, a few hard edges and
// noise, so every stage has work to do.
inline Bitmap TexturedPhoto(int w, int h, unsigned seed = 1) {
    Bitmap b(w, h);
    unsigned s = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1103515245u + 12345u;
            const int noise = static_cast<int>((s >> 16) & 15) - 8;
            const int band = ((x / 7) + (y / 5)) % 3 == 0 ? 60 : 0;
            auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
            Put(b, x, y,
                TRGBTriple{clamp(x * 255 / (w > 1 ? w - 1 : 1) / 2 + band + noise),
                           clamp(y * 255 / (h > 1 ? h - 1 : 1) / 2 + noise),
                           clamp(200 - band + noise)});
        }
    return b;
}

struct ProgressLog : ProgressTargets {
    std::vector<std::string> captions;
    std::vector<int> positions;
    int maximum = -1;
    int advances = 0;
    std::function<void(const char*)> onCaption;

    void SetCaption(const char* caption) override {
        captions.emplace_back(caption);
        if (onCaption) onCaption(caption);
    }
    void SetStepPosition(int position) override { positions.push_back(position); }
    void SetTotalMaximum(int m) override { maximum = m; }
    void AdvanceTotal() override { ++advances; }
};

// Leaves CancelFlag cleared however a test ends.
struct CancelGuard {
    CancelGuard() { CancelFlag = false; }
    ~CancelGuard() { CancelFlag = false; }
};

}  // namespace velmora::test
