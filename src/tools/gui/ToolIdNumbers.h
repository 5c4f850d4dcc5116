#pragma once
// The palette's own names for the tool ids that Document::CurrentTool holds, kept in a
// namespace of their own so that they never clash with the view's tool enumeration.

namespace velmora::tool_id {

constexpr int None = 0;
constexpr int Pencil = 1;
constexpr int Brush = 2;
constexpr int Eraser = 3;
constexpr int PaintBucket = 4;
constexpr int Lighten = 5;
constexpr int Darken = 6;
constexpr int Rectangle = 23;
constexpr int Ellipse = 24;
constexpr int Text = 27;
constexpr int BalloonA = 28;
constexpr int BalloonB = 29;
constexpr int BalloonC = 30;
constexpr int Hand = 41;
constexpr int Eyedropper = 42;

}  // namespace velmora::tool_id
