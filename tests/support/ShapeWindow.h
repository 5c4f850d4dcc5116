#pragma once
// The window the shape and text tool tests draw in, and how they read what was drawn.

#include <cstdint>

#include "support/ToolTestKit.h"

namespace velmora::test {

constexpr std::uint32_t kRed = 0x0000FF;  // red in the low byte
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr int kPicW = 320, kPicH = 200;

// The gradient open with red in front and green behind.
struct ShapeWindow : PictureWindow {
    ShapeWindow() : PictureWindow(Gradient(kPicW, kPicH)) {
        w.FrmTools->SetFrontColor(kRed);
        w.FrmTools->SetBackColor(kGreen);
    }
};

// The preview goes to (x, y) and a click places it there.
inline void Place(TFrmMain& w, int x, int y) {
    Hover(w, {x, y});
    Stroke(w, {QPoint(x, y)});
}

// The color layer's pixel at (x, y).
inline std::uint32_t At(TFrmMain& w, int x, int y) { return PixelValue(w.Doc().ColorBmp, x, y); }

}  // namespace velmora::test
