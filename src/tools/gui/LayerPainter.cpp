#include "tools/gui/LayerPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace velmora {

QImage WrapBitmap(Bitmap& bmp) {
    return QImage(bmp.Data(), bmp.Width(), bmp.Height(), static_cast<qsizetype>(bmp.Stride()),
                  QImage::Format_BGR888);
}

QColor ToQColor(std::uint32_t color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

std::uint32_t ToColorValue(const QColor& color) {
    const QColor c = color.toRgb();
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

void DrawCubicSegment(Bitmap& layer, Point from, Point c1, Point c2, Point to, int width, std::uint32_t color) {
    if (layer.Empty()) return;
    QImage image = WrapBitmap(layer);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(ToQColor(color));
    pen.setWidth(width < 1 ? 1 : width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // A one-pixel pen paints the pixels its points name; a wider one is an outline
    // filled by pixel centres. An odd width has a middle pixel, so its points go to the
    // centres; an even one has none and covers width div 2 pixels before the point and
    // as many from it on, as the footprint of the press and the outline cursor do.
    const double centre = width > 1 && width % 2 == 1 ? 0.5 : 0.0;
    auto at = [centre](Point p) { return QPointF(p.X + centre, p.Y + centre); };
    QPainterPath path(at(from));
    path.cubicTo(at(c1), at(c2), at(to));
    painter.drawPath(path);
}

}  // namespace velmora
