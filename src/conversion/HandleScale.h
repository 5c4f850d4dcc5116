#pragma once
// Geometry of the Custom color reducer's handle scale: up to five handles A to E on
// a 0..255 scale drawn across a box, each a marker 14 pixels wide whose left edge
// sits at the value's position. Kept free of any toolkit so it can be tested alone.

#include <cstdint>

namespace velmora {

inline constexpr int kHandleMarkerWidth = 14;
inline constexpr int kMaxHandles = 5;

// Left edge of the marker of a handle with value v on a box `boxWidth` wide.
int HandlePosition(int value, int boxWidth);

// The handle a press at (x, y) grabs: the last one in the order A..E whose marker
// spans x, provided the press is on the marker row (y >= boxHeight - 18); -1 for none.
int HandleAt(int x, int y, int boxWidth, int boxHeight, const std::uint8_t* values, int count);

// The value a dragged handle takes at mouse x, before the spin edit clamps it to
// 0..255 (so it may lie outside that range).
int HandleValueAt(int x, int boxWidth);

}  // namespace velmora
