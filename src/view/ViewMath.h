#pragma once
// The arithmetic of the canvas view, kept free of any window so it can be tested on
// its own: zoom steps and their status texts, scroll-bar fitting in image pixels,
// the visible rectangle, where the image lands on screen, mouse mapping and the
// hand tool's panning.

#include <algorithm>
#include <string>

#include "common/Geometry.h"

namespace velmora {

// Zoom In divides by 0.75 and Zoom Out multiplies by it; one step in and one step
// out return exactly to the starting value for 1.0.
double ZoomInStep(double zoom);
double ZoomOutStep(double zoom);
// Whether a step stays within 1 % to 10,000 %. Far beyond, the picture's screen
// coordinates no longer fit an int and the view goes blank, and steps out end at a
// zoom of zero that no step in leaves.
bool CanZoomIn(double zoom);
bool CanZoomOut(double zoom);

// The status bar's zoom panel: zoom * 100 with four significant digits, then "%"
// (1.0 gives "100%", 0.5625 gives "56.25%", 4/3 gives "133.3%").
std::string ZoomText(double zoom);
// General floating format with `digits` significant digits: fixed notation while the
// integer part has at most `digits` digits and the value is at least 0.00001,
// trailing zeros dropped; otherwise scientific with a bare exponent ("1.776E4").
std::string FormatGeneral(double value, int digits);
// The status bar's size panel, "640 x 480".
std::string ImageSizeText(int width, int height);

// One scroll bar in image pixels. Positions run from 0 to Max - Page + 1, the range a
// scroll bar with this page size allows, but never past the last pixel; the hand tool
// stops at Max - Page.
struct ScrollAxis {
    bool Visible = false;
    int Position = 0;
    int Max = 0;
    int Page = 0;

    // A page of one pixel or less (a paint box a pixel or so high, zoomed far in) would
    // let the bar's end put the view past the last pixel and show nothing at all.
    int HighestPosition() const { return std::max(std::min(Max - Page + 1, Max - 1), 0); }
};

// Fits a scroll bar to the paint box's extent (screen pixels), the zoom and the
// image's extent (image pixels). The position returns to 0.
ScrollAxis FitScrollAxis(int paintExtent, double zoom, int imageExtent);

// The visible part of the image, all four sides inclusive, from the scroll positions.
Rect ComputeViewRect(int horzPosition, int vertPosition, int paintWidth, int paintHeight,
                     double zoom, int imageWidth, int imageHeight);

// A rectangle on screen given by its left, top, width and height.
struct ScreenRect {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;

    bool Empty() const { return Width <= 0 || Height <= 0; }
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Where the view paints: the visible rectangle stretched from the paint box's
// top-left corner over the screen pixels on which the pointer reaches it, and the
// strips to the right and below that the image does not reach, which get the
// button-face color.
struct ViewLayout {
    ScreenRect Image;
    ScreenRect RightStrip;
    ScreenRect BottomStrip;
};
ViewLayout ComputeViewLayout(const Rect& viewRect, double zoom, int paintWidth, int paintHeight);

// The place on screen of the image rectangle r (inclusive) at the given scroll
// positions; what a tool's touched rectangle repaints.
ScreenRect ImageRectOnScreen(const Rect& r, int horzPosition, int vertPosition, double zoom);

// Image coordinate of a paint-box coordinate, not clipped to the image. From 100 % up it
// is the pixel under the pointer; below, Round(screen / zoom + scroll position), halves
// to even, in extended precision.
int ScreenToImage(int screen, double zoom, int scrollPosition);

// The scroll position that shows image coordinate `imageCoord` (fractional) at
// paint-box pixel `screen` at the given zoom, kept within the axis's range; 0 for a
// hidden axis. What zooming at the pointer keeps in place.
int ScrollToKeep(const ScrollAxis& axis, long double imageCoord, int screen, double zoom);

// The largest zoom, up to the 10,000 % that zooming in reaches, at which the whole
// image fits the paint box, so that neither scroll bar is shown.
double FitZoom(int paintWidth, int paintHeight, int imageWidth, int imageHeight);

// The hand tool: the scroll position that keeps the grabbed image point (downCoord)
// under the mouse at image coordinate `coord`. A hidden axis, or a move that would
// pass either end, keeps the current position.
int HandDragPosition(const ScrollAxis& axis, int downCoord, int coord);

}  // namespace velmora
