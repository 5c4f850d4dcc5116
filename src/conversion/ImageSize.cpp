#include "conversion/ImageSize.h"

#include <cstdint>

namespace velmora {

// Products are formed in 64 bits: a 30000-pixel side times another does not fit in 32.
namespace {
int MulDiv(int a, int b, int c) {
    if (c == 0) return 0;
    return static_cast<int>(static_cast<std::int64_t>(a) * b / c);
}
}  // namespace

PictureSize ScaledSize(int percent, PictureSize original) {
    return {MulDiv(percent, original.Width, 100), MulDiv(percent, original.Height, 100)};
}

int HeightForWidth(int width, PictureSize original) { return MulDiv(width, original.Height, original.Width); }

int WidthForHeight(int height, PictureSize original) { return MulDiv(height, original.Width, original.Height); }

int ScaleForWidth(int width, PictureSize original) { return MulDiv(width, 100, original.Width); }

}  // namespace velmora
