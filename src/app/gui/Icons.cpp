#include "app/gui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velmora {

namespace {

constexpr int kSize = 24;

const QColor kInk(40, 44, 52);
const QColor kBlue(52, 120, 198);
const QColor kPaper(250, 250, 246);
const QColor kGold(232, 170, 48);
const QColor kGreen(70, 160, 90);
const QColor kRed(204, 72, 64);

QPen Pen(const QColor& c, qreal w = 1.6) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void Arrow(QPainter& p, bool toLeft) {
    QPainterPath path;
    if (toLeft) {
        path.moveTo(18, 18);
        path.cubicTo(20, 9, 12, 5, 6, 10);
    } else {
        path.moveTo(6, 18);
        path.cubicTo(4, 9, 12, 5, 18, 10);
    }
    p.setPen(Pen(kBlue, 2.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    QPolygonF head;
    if (toLeft)
        head << QPointF(3, 9) << QPointF(10, 5.5) << QPointF(9, 13.5);
    else
        head << QPointF(21, 9) << QPointF(14, 5.5) << QPointF(15, 13.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPolygon(head);
}

void Magnifier(QPainter& p, int sign) {
    p.setPen(Pen(kInk, 2));
    p.setBrush(kPaper);
    p.drawEllipse(QRectF(3, 3, 13, 13));
    p.setPen(Pen(kInk, 3.2));
    p.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
    p.setPen(Pen(kBlue, 2));
    p.drawLine(QPointF(6.5, 9.5), QPointF(12.5, 9.5));
    if (sign > 0) p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12.5));
}

void Draw(QPainter& p, IconId id) {
    switch (id) {
    case IconId::Open:
        p.setPen(Pen(kInk));
        p.setBrush(kGold.darker(115));
        p.drawRect(QRectF(2.5, 6.5, 17, 13));
        p.setBrush(kGold);
        p.drawPolygon(QPolygonF() << QPointF(5, 10.5) << QPointF(22, 10.5) << QPointF(19.5, 19.5)
                                  << QPointF(2.5, 19.5));
        break;
    case IconId::Save:
        p.setPen(Pen(kInk));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(3.5, 3.5, 17, 17), 2, 2);
        p.setBrush(kPaper);
        p.drawRect(QRectF(7, 3.5, 10, 7));
        p.drawRect(QRectF(6.5, 14, 11, 6.5));
        break;
    case IconId::Copy:
        p.setPen(Pen(kInk));
        p.setBrush(kPaper.darker(108));
        p.drawRect(QRectF(3.5, 3.5, 11, 13));
        p.setBrush(kPaper);
        p.drawRect(QRectF(9.5, 7.5, 11, 13));
        p.setPen(Pen(kBlue, 1.2));
        for (int y = 11; y <= 17; y += 3) p.drawLine(QPointF(12, y), QPointF(18, y));
        break;
    case IconId::Undo: Arrow(p, true); break;
    case IconId::Redo: Arrow(p, false); break;
    case IconId::Convert: {
        // A photograph turning into a drawing: a sun and hill, with a pencil stroke.
        p.setPen(Pen(kInk));
        p.setBrush(kPaper);
        p.drawRect(QRectF(2.5, 4.5, 19, 15));
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawEllipse(QRectF(14, 7, 5, 5));
        p.setBrush(kGreen);
        p.drawPolygon(QPolygonF() << QPointF(3, 19) << QPointF(9, 10) << QPointF(15, 19));
        p.setPen(Pen(kInk, 2));
        p.drawLine(QPointF(3, 19), QPointF(9, 10));
        p.drawLine(QPointF(9, 10), QPointF(15, 19));
        break;
    }
    case IconId::ZoomIn: Magnifier(p, 1); break;
    case IconId::ZoomOut: Magnifier(p, -1); break;
    case IconId::ActualPixels: {
        p.setPen(Pen(kInk));
        p.setBrush(kPaper);
        p.drawRect(QRectF(2.5, 4.5, 19, 15));
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(10);
        f.setBold(true);
        p.setFont(f);
        p.setPen(kBlue);
        p.drawText(QRectF(2.5, 4.5, 19, 15), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    }
    case IconId::FitInWindow: {
        // A frame with four arrows pointing into its corners.
        p.setPen(Pen(kInk));
        p.setBrush(kPaper);
        p.drawRect(QRectF(2.5, 4.5, 19, 15));
        p.setPen(Pen(kBlue, 1.6));
        const QPointF c(12, 12);
        for (const QPointF corner : {QPointF(5, 7), QPointF(19, 7), QPointF(5, 17), QPointF(19, 17)}) {
            p.drawLine(c + (corner - c) * 0.3, corner);
            p.drawLine(corner, corner + QPointF((c.x() - corner.x()) * 0.35, 0));
            p.drawLine(corner, corner + QPointF(0, (c.y() - corner.y()) * 0.5));
        }
        break;
    }
    case IconId::History:
        p.setPen(Pen(kInk, 1.8));
        p.setBrush(kPaper);
        p.drawEllipse(QRectF(3, 3, 18, 18));
        p.setPen(Pen(kBlue, 2));
        p.drawLine(QPointF(12, 12), QPointF(12, 6.5));
        p.drawLine(QPointF(12, 12), QPointF(16, 14));
        break;
    case IconId::Layers:
        for (int i = 2; i >= 0; --i) {
            const qreal y = 4 + i * 5;
            p.setPen(Pen(kInk, 1.2));
            p.setBrush(i == 0 ? kBlue : (i == 1 ? kGold : kGreen));
            p.drawPolygon(QPolygonF() << QPointF(12, y) << QPointF(21, y + 4) << QPointF(12, y + 8)
                                      << QPointF(3, y + 4));
        }
        break;
    case IconId::Tools:
        // A brush.
        p.setPen(Pen(kInk, 1.2));
        p.setBrush(kGold.darker(120));
        p.drawPolygon(QPolygonF() << QPointF(13, 11) << QPointF(20, 3) << QPointF(21.5, 4.5) << QPointF(14.5, 12.5));
        p.setBrush(kRed);
        p.drawPolygon(QPolygonF() << QPointF(13, 11) << QPointF(14.5, 12.5) << QPointF(11, 18) << QPointF(4, 21)
                                  << QPointF(7, 14));
        break;
    case IconId::ToolOption:
        p.setPen(Pen(kInk, 1.6));
        for (int i = 0; i < 3; ++i) p.drawLine(QPointF(3, 6 + 6 * i), QPointF(21, 6 + 6 * i));
        p.setBrush(kBlue);
        p.drawRect(QRectF(6, 4, 4, 4));
        p.drawRect(QRectF(14, 10, 4, 4));
        p.drawRect(QRectF(9, 16, 4, 4));
        break;
    case IconId::Help: {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(15);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case IconId::Program: {
        // A round face in ink lines over flat color: what the program makes.
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        p.setPen(Pen(kInk, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
        p.setBrush(kInk);
        p.drawEllipse(QRectF(8, 8, 2, 3));
        p.drawEllipse(QRectF(14, 8, 2, 3));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(7, 9, 10, 8), 200 * 16, 140 * 16);
        break;
    }
    }
}

}  // namespace

QIcon MakeIcon(IconId id) {
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(kSize * scale, kSize * scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        Draw(p, id);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace velmora
