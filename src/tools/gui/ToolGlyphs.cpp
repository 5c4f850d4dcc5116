#include "tools/gui/ToolGlyphs.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <utility>

#include "tools/ToolIds.h"

namespace velmora {

namespace {

constexpr int kSize = 16;

// A speech balloon of the given body with a tail towards the lower left.
void DrawBalloon(QPainter& p, int kind) {
    QPainterPath body;
    const QRectF box(1.5, 1.5, 13, 9);
    if (kind == 0)
        body.addRect(box);
    else if (kind == 1)
        body.addRoundedRect(box, 3, 3);
    else
        body.addEllipse(box);
    QPainterPath tail;
    tail.moveTo(4, 9);
    tail.lineTo(2.5, 14.5);
    tail.lineTo(8, 9.5);
    p.setBrush(Qt::white);
    p.drawPath(body.united(tail));
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(4.5, 5), QPointF(11.5, 5));
    p.drawLine(QPointF(4.5, 7), QPointF(9.5, 7));
}

void Draw(QPainter& p, int toolId) {
    const QPen outline(Qt::black, 1);
    p.setPen(outline);
    switch (toolId) {
        case ToolPencil: {
            QPolygonF body{{3, 11}, {11, 3}, {13, 5}, {5, 13}};
            p.setBrush(QColor(230, 190, 60));
            p.drawPolygon(body);
            QPolygonF tip{{3, 11}, {5, 13}, {1.5, 14.5}};
            p.setBrush(Qt::black);
            p.drawPolygon(tip);
            break;
        }
        case ToolBrush: {
            p.setPen(QPen(QColor(120, 70, 30), 2));
            p.drawLine(QPointF(14, 2), QPointF(7, 9));
            p.setPen(outline);
            p.setBrush(Qt::black);
            QPainterPath tuft;
            tuft.moveTo(7, 8);
            tuft.cubicTo(3, 8, 4, 13, 1.5, 14.5);
            tuft.cubicTo(6, 14, 9, 12, 8, 9);
            p.drawPath(tuft);
            break;
        }
        case ToolEraser: {
            p.setBrush(QColor(240, 150, 170));
            p.drawPolygon(QPolygonF{{6, 4}, {10, 0.5}, {15, 5}, {11, 9}});
            p.setBrush(Qt::white);
            p.drawPolygon(QPolygonF{{1, 10}, {6, 4}, {11, 9}, {6, 14.5}});
            break;
        }
        case ToolPaintBucket: {
            p.setBrush(QColor(200, 200, 200));
            p.drawPolygon(QPolygonF{{2, 6}, {8, 1}, {13, 7}, {7, 13}});
            p.setBrush(QColor(40, 90, 220));
            p.drawEllipse(QRectF(11.5, 9.5, 3.5, 5));
            break;
        }
        case ToolLighten: {
            p.setBrush(QColor(255, 230, 80));
            p.drawEllipse(QRectF(4.5, 4.5, 7, 7));
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.translate(8, 8);
                p.rotate(45.0 * i);
                p.drawLine(QPointF(0, 5), QPointF(0, 7));
                p.restore();
            }
            break;
        }
        case ToolDarken: {
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
            p.setBrush(QColor(60, 60, 60));
            p.drawPie(QRectF(2.5, 2.5, 11, 11), 90 * 16, 180 * 16);
            break;
        }
        case ToolRectangle:
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(2.5, 3.5, 11, 9));
            break;
        case ToolEllipse:
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(1.5, 3.5, 13, 9));
            break;
        case ToolText:
            p.setBrush(Qt::black);
            p.drawRect(QRectF(3, 2, 10, 2));
            p.drawRect(QRectF(7, 2, 2, 12));
            break;
        case ToolBalloonA: DrawBalloon(p, 0); break;
        case ToolBalloonB: DrawBalloon(p, 1); break;
        case ToolBalloonC: DrawBalloon(p, 2); break;
        case ToolHand: {
            p.setBrush(QColor(250, 220, 190));
            for (int i = 0; i < 4; ++i)
                p.drawRoundedRect(QRectF(3.5 + 2.5 * i, 2.5 + (i == 0 || i == 3 ? 1 : 0), 2.5, 8), 1.2, 1.2);
            p.drawRoundedRect(QRectF(3.5, 7.5, 10, 7), 2.5, 2.5);
            p.drawLine(QPointF(3.5, 10), QPointF(1.5, 7.5));
            break;
        }
        case ToolEyedropper: {
            p.setPen(QPen(Qt::black, 2));
            p.drawLine(QPointF(2, 14), QPointF(9, 7));
            p.setPen(outline);
            p.setBrush(QColor(60, 60, 60));
            p.drawEllipse(QRectF(9, 2, 5, 5));
            p.drawLine(QPointF(7.5, 5.5), QPointF(10.5, 8.5));
            break;
        }
        default: break;
    }
}

// Draws the glyph afresh at each device size asked for. A set of fixed pictures would
// be resampled on a screen scaled by a fraction (24 pixels at 1.5), which blurs it.
class GlyphEngine : public QIconEngine {
public:
    explicit GlyphEngine(std::function<void(QPainter&)> draw) : draw_(std::move(draw)) {}

    QIconEngine* clone() const override { return new GlyphEngine(draw_); }

    // The glyph is square: in a space of another shape it takes the largest square
    // there, as an icon made of pictures keeps their shape, instead of being stretched.
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::max(0, std::min(size.width(), size.height()));
        return {side, side};
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const QSize square = actualSize(size, mode, state);
        if (square.isEmpty()) return QPixmap();
        QPixmap pixmap(square);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(square.width() / qreal(kSize), square.height() / qreal(kSize));
        draw_(painter);
        painter.end();
        if (mode == QIcon::Normal) return pixmap;
        // The disabled, active and selected looks come from the style, as for any icon
        // made of pictures.
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        const QPixmap styled = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
        return styled.isNull() ? pixmap : styled;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        // A painter that was never begun has no device, and nothing to draw on.
        const QPaintDevice* device = painter->device();
        if (!device) return;
        const qreal ratio = device->devicePixelRatio();
        const QSize square = actualSize(rect.size(), mode, state);
        const QRect target(rect.x() + (rect.width() - square.width()) / 2,
                           rect.y() + (rect.height() - square.height()) / 2, square.width(), square.height());
        painter->drawPixmap(target, pixmap(square * ratio, mode, state));
    }

private:
    std::function<void(QPainter&)> draw_;
};

}  // namespace

QIcon GlyphIcon(const std::function<void(QPainter&)>& draw) { return QIcon(new GlyphEngine(draw)); }

QIcon ToolGlyph(int toolId) {
    return GlyphIcon([toolId](QPainter& painter) { Draw(painter, toolId); });
}

}  // namespace velmora
