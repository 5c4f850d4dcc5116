#include "tools/gui/ShapeText.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <vector>

#include "tools/gui/LayerPainter.h"

namespace velmora {

namespace {

// Whether the bidirectional algorithm leaves every character of `text` at the level of
// a left-to-right paragraph, whatever text follows: no right-to-left letter, no Arabic
// digit and no explicit direction mark. Such text is laid out left to right in the
// order it was typed.
bool StaysLeftToRight(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirL: case QChar::DirEN: case QChar::DirES: case QChar::DirET: case QChar::DirCS:
        case QChar::DirNSM: case QChar::DirBN: case QChar::DirB: case QChar::DirS: case QChar::DirWS:
        case QChar::DirON: break;
        default: return false;
        }
    }
    return true;
}

// The first boundary between user-perceived characters at or after `pos`, so that a
// cut there keeps every combining mark with its base.
qsizetype CharacterEnd(QStringView line, qsizetype pos) {
    if (pos >= line.size()) return line.size();
    // Only the text up to a little beyond `pos` is examined; a character that runs on
    // past that window widens it.
    for (qsizetype window = 64;; window *= 2) {
        const qsizetype stop = std::min(line.size(), pos + window);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line.first(stop));
        finder.setPosition(pos);
        if (finder.isAtBoundary()) return pos;
        const qsizetype next = finder.toNextBoundary();
        if (next < stop || stop == line.size()) return next;
    }
}

}  // namespace

// Laying out a line costs time in proportion to its length, and a line pasted or
// typed by holding a key can hold a million characters of which a few dozen show. The
// part returned is laid out exactly as within the whole line: it is a left-to-right
// text cut between two characters, well beyond the last that shows, so that kerning,
// ligatures and marks across the cut are out of sight. Anything else (right-to-left
// text, whose order on screen depends on what follows) is drawn whole.
qsizetype ShownLength(const QString& line, const QFontMetricsF& metrics, qreal reach) {
    qsizetype end = 64;
    // Once half the line is needed, measuring further would cost more than drawing it all.
    while (end * 2 < line.size()) {
        if (metrics.horizontalAdvance(line.left(end)) >= reach) {
            end = CharacterEnd(line, end);
            return StaysLeftToRight(QStringView(line).first(end)) ? end : line.size();
        }
        end *= 2;
    }
    return line.size();
}

QFont ShapeFont(const TFrmToolOption::TextStyle& style) {
    QFont font;
    if (!style.FontName.isEmpty()) font.setFamily(style.FontName);
    font.setPointSize(style.PointSize > 0 ? style.PointSize : 12);
    font.setBold(style.Bold);
    font.setItalic(style.Italic);
    font.setUnderline(style.Underline);
    // The glyphs go into the picture's own pixels, whatever the screen's scale. Left to
    // its default, the hinting is turned off on a scaled screen, which blurs the text.
    font.setHintingPreference(QFont::PreferVerticalHinting);
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
    // Nothing shows right of the text area or of the image. A glyph may reach left of
    // where its character starts (italics, kerning, a mark placed on the character
    // before), never by several text heights.
    const int shownRight = std::min(area.Right, painter.device()->width());
    const qreal reach = shownRight - area.Left + 4.0 * metrics.height();
    const QFontMetricsF measure(font, painter.device());
    const Qt::LayoutDirection direction = painter.layoutDirection();
    for (std::size_t i = 0; i < lineSlots.size(); ++i) {
        const LineSlot& lineSlot = lineSlots[i];
        const QRect clip(area.Left, lineSlot.Top, area.Right - area.Left, lineSlot.Bottom - lineSlot.Top);
        const QString& line = style.Lines[static_cast<qsizetype>(i)];
        // A line's direction follows its first letter unless the painter sets one.
        const bool leftToRight = direction == Qt::LeftToRight ||
                                 (direction == Qt::LayoutDirectionAuto && !QStringView(line).isRightToLeft());
        const qsizetype shown = leftToRight ? ShownLength(line, measure, reach) : line.size();
        painter.save();
        painter.setClipRect(clip, outerClip ? Qt::IntersectClip : Qt::ReplaceClip);
        painter.drawText(QPoint(area.Left, lineSlot.Top + metrics.ascent()),
                         shown < line.size() ? line.left(shown) : line);
        painter.restore();
    }
    painter.restore();
}

}  // namespace velmora
