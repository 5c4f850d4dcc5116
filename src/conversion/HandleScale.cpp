#include "conversion/HandleScale.h"

namespace velmora {

namespace {
// The usable scale: the marker's width is left free at the right end so that a
// handle at 255 still fits inside the box.
int ScaleSpan(int boxWidth) { return boxWidth - kHandleMarkerWidth; }
}  // namespace

int HandlePosition(int value, int boxWidth) { return value * ScaleSpan(boxWidth) / 255; }

int HandleAt(int x, int y, int boxWidth, int boxHeight, const std::uint8_t* values, int count) {
    int selected = -1;
    if (count > kMaxHandles) count = kMaxHandles;
    for (int i = 0; i < count; ++i) {
        const int p = HandlePosition(values[i], boxWidth);
        if (p <= x && x <= p + kHandleMarkerWidth && y >= boxHeight - 18) selected = i;
    }
    return selected;
}

int HandleValueAt(int x, int boxWidth) {
    const int span = ScaleSpan(boxWidth);
    if (span <= 0) return 0;  // a box too narrow to hold a scale
    return (x - kHandleMarkerWidth / 2) * 255 / span;
}

}  // namespace velmora
