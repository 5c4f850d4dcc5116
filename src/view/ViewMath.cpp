#include "view/ViewMath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velmora {

namespace {
constexpr double kLargestZoom = 100.0;
constexpr double kSmallestZoom = 0.01;
}  // namespace

double ZoomInStep(double zoom) { return zoom / 0.75; }
double ZoomOutStep(double zoom) { return zoom * 0.75; }
bool CanZoomIn(double zoom) { return ZoomInStep(zoom) <= kLargestZoom; }
bool CanZoomOut(double zoom) { return ZoomOutStep(zoom) >= kSmallestZoom; }

namespace {

void StripTrailingZeros(std::string& s) {
    const auto dot = s.find('.');
    if (dot == std::string::npos) return;
    auto end = s.find_last_not_of('0');
    if (end == dot) --end;
    s.erase(end + 1);
}

}  // namespace

std::string FormatGeneral(double value, int digits) {
    if (digits < 1) digits = 1;
    if (value == 0.0) return "0";
    if (!std::isfinite(value)) return value > 0 ? "INF" : (value < 0 ? "-INF" : "NAN");
    // The exponent after rounding to `digits` significant digits decides the notation,
    // so 9999.5 at four digits becomes 1E4 rather than "10000".
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, value);
    std::string sci(buf);
    const auto epos = sci.find('e');
    const int exponent = std::atoi(sci.c_str() + epos + 1);
    if (exponent < digits && std::fabs(value) >= 0.00001) {
        const int decimals = std::max(digits - 1 - exponent, 0);
        std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
        std::string fixed(buf);
        StripTrailingZeros(fixed);
        return fixed;
    }
    std::string mantissa = sci.substr(0, epos);
    StripTrailingZeros(mantissa);
    return mantissa + "E" + std::to_string(exponent);
}

std::string ZoomText(double zoom) { return FormatGeneral(zoom * 100.0, 4) + "%"; }

std::string ImageSizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

ScrollAxis FitScrollAxis(int paintExtent, double zoom, int imageExtent) {
    ScrollAxis axis;
    const long double visible = static_cast<long double>(paintExtent) / zoom;
    if (visible >= imageExtent) return axis;
    axis.Visible = true;
    axis.Max = imageExtent;
    axis.Page = static_cast<int>(RoundHalfEven(visible));
    return axis;
}

namespace {

// Last visible column (or row) from the scroll position: the image's last one when
// the paint box reaches past the image, else the one the paint box's edge cuts through.
// Even a sliver of it is shown, since the pointer over the sliver reaches that pixel;
// rounding it away would leave the face color there and paint a pixel out of sight.
int LastVisible(int position, int paintExtent, double zoom, int imageExtent) {
    const long double edge = static_cast<long double>(paintExtent) / zoom + position;
    if (edge > imageExtent) return imageExtent - 1;
    return static_cast<int>(std::ceil(edge)) - 1;
}

int RoundScaled(long double v, double zoom) { return static_cast<int>(RoundHalfEven(v * zoom)); }

// The screen pixels, from the view's left (top) edge, on which the pointer reaches one of
// the first `count` visible image pixels. The picture covers exactly these: rounding
// count * zoom instead gave the face color to a screen pixel where the pointer still
// reaches the last column (below 100 %), or showed the picture where the pointer is
// already past it (at an exact half above 100 %). Never less than one pixel, so that a
// picture thinner than half a screen pixel is still shown.
int ScreenExtent(int count, double zoom) {
    if (count <= 0) return 0;
    int w = std::max(RoundScaled(count, zoom), 1);
    while (w > 1 && ScreenToImage(w - 1, zoom, 0) >= count) --w;
    while (ScreenToImage(w, zoom, 0) < count) ++w;
    return w;
}

}  // namespace

Rect ComputeViewRect(int horzPosition, int vertPosition, int paintWidth, int paintHeight,
                     double zoom, int imageWidth, int imageHeight) {
    Rect r;
    r.Left = horzPosition;
    r.Top = vertPosition;
    r.Right = LastVisible(horzPosition, paintWidth, zoom, imageWidth);
    r.Bottom = LastVisible(vertPosition, paintHeight, zoom, imageHeight);
    return r;
}

ViewLayout ComputeViewLayout(const Rect& viewRect, double zoom, int paintWidth, int paintHeight) {
    ViewLayout layout;
    const int w = ScreenExtent(viewRect.Right - viewRect.Left + 1, zoom);
    const int h = ScreenExtent(viewRect.Bottom - viewRect.Top + 1, zoom);
    layout.Image = ScreenRect{0, 0, w, h};
    if (paintWidth > w) layout.RightStrip = ScreenRect{w, 0, paintWidth - w, std::min(paintHeight, h)};
    if (paintHeight > h) layout.BottomStrip = ScreenRect{0, h, paintWidth, paintHeight - h};
    return layout;
}

ScreenRect ImageRectOnScreen(const Rect& r, int horzPosition, int vertPosition, double zoom) {
    return ScreenRect{RoundScaled(static_cast<long double>(r.Left) - horzPosition, zoom),
                      RoundScaled(static_cast<long double>(r.Top) - vertPosition, zoom),
                      RoundScaled(r.Right - r.Left + 1, zoom), RoundScaled(r.Bottom - r.Top + 1, zoom)};
}

int ScreenToImage(int screen, double zoom, int scrollPosition) {
    if (zoom >= 1.0) {
        // Each image pixel covers a block of screen pixels; the one under the pointer is
        // the block holding the screen pixel's centre. Rounding instead would hand the
        // right half of every block to the neighbour.
        const long double v = (static_cast<long double>(screen) + 0.5L) / zoom;
        return static_cast<int>(std::floor(v)) + scrollPosition;
    }
    const long double v = static_cast<long double>(screen) / zoom + scrollPosition;
    return static_cast<int>(RoundHalfEven(v));
}

int ScrollToKeep(const ScrollAxis& axis, long double imageCoord, int screen, double zoom) {
    if (!axis.Visible) return 0;
    const long long p = RoundHalfEven(imageCoord - static_cast<long double>(screen) / zoom);
    return static_cast<int>(std::clamp<long long>(p, 0, axis.HighestPosition()));
}

double FitZoom(int paintWidth, int paintHeight, int imageWidth, int imageHeight) {
    if (paintWidth <= 0 || paintHeight <= 0 || imageWidth <= 0 || imageHeight <= 0) return 1.0;
    double zoom =
        std::min(static_cast<double>(paintWidth) / imageWidth, static_cast<double>(paintHeight) / imageHeight);
    // A tiny picture stops where zooming in does: beyond, the view goes blank.
    zoom = std::min(zoom, kLargestZoom);
    // Step below any rounding that would leave a scroll bar a fraction short, by the
    // very test that shows the bars.
    while (FitScrollAxis(paintWidth, zoom, imageWidth).Visible || FitScrollAxis(paintHeight, zoom, imageHeight).Visible)
        zoom = std::nextafter(zoom, 0.0);
    return zoom;
}

int HandDragPosition(const ScrollAxis& axis, int downCoord, int coord) {
    if (!axis.Visible) return axis.Position;
    const long long p = static_cast<long long>(axis.Position) + downCoord - coord;
    if (p >= 0 && p <= static_cast<long long>(axis.Max) - axis.Page) return static_cast<int>(p);
    return axis.Position;
}

}  // namespace velmora
