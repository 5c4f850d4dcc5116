#pragma once
// Pictures and helpers for comparing the engine with its reference: each picture
// stresses a different fast path (huge regions, tiny ones, thin lines, odd sizes).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/Bitmap.h"
#include "engine/EngineTestUtil.h"
#include "engine/Pixels.h"
#include "engine/Progress.h"
#include "support/Images.h"

namespace velmora::test {

struct NamedPicture {
    std::string name;
    Bitmap bitmap;
};

// A rectangle of a picture: left, top, width, height.
struct Area {
    int left, top, w, h;
};

inline Bitmap GradientPicture(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Put(b, x, y,
                Rgb(x * 255 / (w > 1 ? w - 1 : 1), y * 255 / (h > 1 ? h - 1 : 1),
                    (x + y) * 255 / (w + h > 2 ? w + h - 2 : 1)));
    return b;
}

// White paper with dark lines one pixel thick: horizontal, vertical and diagonal.
inline Bitmap ThinLinesPicture(int w, int h) {
    Bitmap b = FilledBitmap(w, h, Rgb(250, 248, 245));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (y % 9 == 4) Put(b, x, y, Rgb(20, 30, 40));
            if (x % 11 == 5) Put(b, x, y, Rgb(120, 10, 60));
            if ((x + 2 * y) % 23 == 0) Put(b, x, y, Rgb(0, 0, 0));
        }
    return b;
}

// Large flat patches in a few colors with a band of noise: a handful of huge regions
// that wrap around each other, next to many tiny ones.
inline Bitmap PatchesPicture(int w, int h, unsigned seed) {
    Bitmap b(w, h);
    unsigned s = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int ring = static_cast<int>(std::hypot(x - w * 0.6, y - h * 0.4)) / 7 % 3;
            TRGBTriple c = ring == 0 ? Rgb(200, 40, 30) : ring == 1 ? Rgb(30, 160, 220) : Rgb(240, 240, 200);
            if (y > h / 2 && y < h / 2 + 5) {
                s = s * 1103515245u + 12345u;
                c = Rgb(static_cast<int>(s >> 24), static_cast<int>((s >> 16) & 255), 128);
            }
            Put(b, x, y, c);
        }
    return b;
}

// Few levels per channel: flat areas of a handful of colors with sharp borders.
inline Bitmap Posterized(const Bitmap& b) {
    Bitmap p = b;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const TRGBTriple c = At(b, x, y);
            Put(p, x, y, Rgb(c.R / 64 * 64, c.G / 128 * 128, c.B / 96 * 96));
        }
    return p;
}

// Every picture the equivalence tests run on, from degenerate sizes to the sample
// photograph.
inline std::vector<NamedPicture> VariedPictures() {
    std::vector<NamedPicture> v;
    v.push_back({"uniform 40x30", FilledBitmap(40, 30, Rgb(90, 140, 200))});
    v.push_back({"noise 61x47", Noise(61, 47, 7)});
    v.push_back({"gradient 70x33", GradientPicture(70, 33)});
    v.push_back({"thin lines 57x41", ThinLinesPicture(57, 41)});
    v.push_back({"patches 83x64", PatchesPicture(83, 64, 3)});
    v.push_back({"textured 37x23", TexturedPhoto(37, 23, 5)});
    v.push_back({"one pixel", FilledBitmap(1, 1, Rgb(10, 200, 30))});
    v.push_back({"one column 1x29", TexturedPhoto(1, 29, 2)});
    v.push_back({"one row 31x1", TexturedPhoto(31, 1, 4)});
    v.push_back({"two rows 19x2", Noise(19, 2, 9)});
    v.push_back({"three by three", Noise(3, 3, 11)});
    v.push_back({"wide 301x7", TexturedPhoto(301, 7, 6)});
    v.push_back({"sample crop 131x97", Crop(SamplePhoto(), 200, 150, 131, 97)});
    return v;
}

// Index of the first difference, or -1; shorter than a full dump when a test fails.
template <typename T, typename U>
long long FirstDifference(const T& a, const U& b) {
    if (a.size() != b.size()) return static_cast<long long>(std::min(a.size(), b.size()));
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i])) return static_cast<long long>(i);
    return -1;
}

// Fails at the first pixel where two buffers of a picture `w` pixels wide differ.
template <typename T, typename U>
void ExpectSamePixels(const T& fast, const U& slow, int w, const std::string& what) {
    const long long at = FirstDifference(fast, slow);
    w = std::max(1, w);
    ASSERT_EQ(at, -1) << what << ": pixel " << (at < 0 ? 0 : at % w) << "," << (at < 0 ? 0 : at / w);
}

// Every progress call in order, as one comparable list of strings.
struct ProgressTrace : ProgressTargets {
    std::vector<std::string> events;
    void SetCaption(const char* caption) override { events.push_back(std::string("caption ") + caption); }
    void SetStepPosition(int position) override { events.push_back("step " + std::to_string(position)); }
    void SetTotalMaximum(int m) override { events.push_back("maximum " + std::to_string(m)); }
    void AdvanceTotal() override { events.push_back("advance"); }
};

}  // namespace velmora::test
