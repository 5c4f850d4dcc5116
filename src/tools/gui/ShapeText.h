#pragma once
// The lines of text that the rectangle, ellipse, text box and balloons carry: the
// option page's font, one clipped slot per line stacked from the top of a text area.

#include <QFont>
#include <cstdint>

#include "tools/ShapeGeometry.h"
#include "tools/gui/ToolOptionWindow.h"

class QFontMetricsF;
class QPainter;
class QString;

namespace velmora {

// The font of a text style: face, point size, bold, italic and underline.
QFont ShapeFont(const TFrmToolOption::TextStyle& style);

// Draws the style's lines in `color` into `area` of the painter's image: each line
// left-aligned at the area's left, in a slot one text height plus 2 pixels high, cut
// at the area's right edge and lowest bottom; lines that would start at or below the
// lowest bottom are not drawn. Only the glyphs are drawn. A clip already set on the
// painter stays in force as well.
void DrawTextLines(QPainter& painter, const TFrmToolOption::TextStyle& style, const TextArea& area,
                   std::uint32_t color);

// How much of `line` DrawTextLines lays out when it is drawn from x = 0 and nothing at
// or beyond x = `reach` can show: a left-to-right beginning cut between two characters
// well past the last that shows, or the whole line when no such cut is exact.
qsizetype ShownLength(const QString& line, const QFontMetricsF& metrics, qreal reach);

}  // namespace velmora
