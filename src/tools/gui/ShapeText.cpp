#include "tools/gui/ShapeText.h"

#include <QFontMetrics>
#include <QPainter>

#include <vector>

#include "tools/gui/LayerPainter.h"

namespace velmora {

QFont ShapeFont(const TFrmToolOption::TextStyle& style) {
    QFont font;
    if (!style.FontName.isEmpty()) font.setFamily(style.FontName);
    font.setPointSize(style.PointSize > 0 ? style.PointSize : 12);
    font.setBold(style.Bold);
    font.setItalic(style.Italic);
    font.setUnderline(style.Underline);
    return font;
}

void DrawTextLines(QPainter& painter, const TFrmToolOption::TextStyle& style, const TextArea& area,
                   std::uint32_t color) {
    if (style.Lines.isEmpty() || area.Right <= area.Left) return;
    const QFont font = ShapeFont(style);
    // Measured against the image being drawn on, so that the point size maps to
    // pixels at the image's own resolution.
    const QFontMetrics metrics(font, painter.device());
    // Every line of one font has the same text height; an empty line keeps its slot
    // so that blank memo lines space the text as the user typed them.
    const std::vector<int> heights(static_cast<std::size_t>(style.Lines.size()), metrics.height());
    const std::vector<LineSlot> lineSlots = LayoutTextLines(heights, area.Top, area.LowestBottom);

    painter.save();
    // Text is smoothed. Every line lands on a fill that is already part of the object
    // image (its back color, or the border where a box is small), never on the
    // picture itself, so the smoothed edges blend into a known color and the masked
    // combination of ellipses and balloons stays exact. Unsmoothed glyphs at the
    // usual point sizes are much harder to read.
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(font);
    painter.setPen(ToQColor(color));
    painter.setBrush(Qt::NoBrush);
    const bool outerClip = painter.hasClipping();
    for (std::size_t i = 0; i < lineSlots.size(); ++i) {
        const LineSlot& lineSlot = lineSlots[i];
        const QRect clip(area.Left, lineSlot.Top, area.Right - area.Left, lineSlot.Bottom - lineSlot.Top);
        painter.save();
        painter.setClipRect(clip, outerClip ? Qt::IntersectClip : Qt::ReplaceClip);
        painter.drawText(QPoint(area.Left, lineSlot.Top + metrics.ascent()), style.Lines[static_cast<qsizetype>(i)]);
        painter.restore();
    }
    painter.restore();
}

}  // namespace velmora
