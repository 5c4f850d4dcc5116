#pragma once
// Identifies a picture by its size and a 128-bit hash of its visible pixels, so that
// work done on a photograph can be reused exactly when the same pixels come again,
// whether or not they sit in the same bitmap object (the conversion dialog resamples
// into the same photograph object, so the object alone says nothing about its
// pixels).

#include <cstdint>

namespace velmora {

class Bitmap;

struct ContentKey {
    int Width = -1;  // -1: no picture identified
    int Height = -1;
    std::uint64_t Hash1 = 0;
    std::uint64_t Hash2 = 0;

    bool Known() const { return Width >= 0; }
    friend bool operator==(const ContentKey&, const ContentKey&) = default;
};

// Hashes every visible byte of the bitmap (row padding is ignored), split over the
// worker threads; the result does not depend on how many there are.
ContentKey KeyOfPicture(const Bitmap& picture);

}  // namespace velmora
