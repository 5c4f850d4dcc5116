#pragma once
// Pictures shared by the core and the window tests. Nothing here uses Qt or the test
// framework, so both kinds of test executable can include it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "common/Bitmap.h"
#include "io/Jpeg.h"

namespace velmora::test {

// A picture whose pixels tell where they are: blue = x, green = y, red = x + y (mod 256).
inline Bitmap Gradient(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.Pixel(x, y);
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x + y);
        }
    return b;
}

// A picture whose every byte differs from its neighbours, so swapped channels, rows
// or columns show.
inline Bitmap Noise(int w, int h, unsigned seed) {
    Bitmap bmp(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) bmp.Pixel(x, y)[c] = static_cast<std::uint8_t>(rng());
    return bmp;
}

// A gray picture of one value.
inline Bitmap Flat(int w, int h, std::uint8_t value) {
    Bitmap b(w, h);
    b.Fill(value, value, value);
    return b;
}

// The photograph shipped in the program folder. Every test that uses it depends on
// it, so a missing or unreadable file ends the run instead of failing later.
inline Bitmap SamplePhoto() {
    Bitmap b;
    std::string error;
    const std::string path = std::string(VELMORA_PROGRAM_DIR) + "/sample.jpg";
    if (!ReadJpegFile(path, b, error)) {
        std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), error.c_str());
        std::abort();
    }
    return b;
}

}  // namespace velmora::test
