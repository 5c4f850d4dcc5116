#include "tools/ToneTable.h"

#include <algorithm>
#include <cstdlib>

#include "common/Geometry.h"

namespace velmora {

ToneTable BuildToneTable(int contrast) {
    ToneTable t{};
    for (int v = 0; v < 256; ++v) {
        // The three brightest values stay put so that white paper survives both tools.
        if (v >= 253) {
            t[v] = static_cast<std::uint8_t>(v);
            continue;
        }
        const int d = std::abs(254 - v) * contrast / 256;
        t[v] = static_cast<std::uint8_t>(ClampByte(v - d));
    }
    return t;
}

void StampTone(Bitmap& layer, const Bitmap& source, const Bitmap& mask, int left, int top, const ToneTable& table) {
    const int width = std::min(layer.Width(), source.Width());
    const int height = std::min(layer.Height(), source.Height());
    // Only the part of the mask that lands inside the picture is visited.
    const int i0 = std::max(0, -left), i1 = std::min(mask.Width(), width - left);
    const int j0 = std::max(0, -top), j1 = std::min(mask.Height(), height - top);
    for (int j = j0; j < j1; ++j) {
        const std::uint8_t* m = mask.Pixel(0, j);
        const std::uint8_t* s = source.Pixel(0, top + j);
        std::uint8_t* d = layer.Pixel(0, top + j);
        for (int i = i0; i < i1; ++i) {
            if (m[3 * i] == 0) continue;
            const std::size_t at = 3 * static_cast<std::size_t>(left + i);
            d[at] = table[s[at]];
            d[at + 1] = table[s[at + 1]];
            d[at + 2] = table[s[at + 2]];
        }
    }
}

}  // namespace velmora
