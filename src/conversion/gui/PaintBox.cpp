#include "conversion/gui/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace velmora {

namespace {

// The whole pixel under the pointer. A scaled screen reports positions between pixels
// (10.5 on the right half of pixel 10); rounding them would act on the next pixel.
QPoint PixelOf(const QMouseEvent* e) {
    return QPoint(static_cast<int>(std::floor(e->position().x())), static_cast<int>(std::floor(e->position().y())));
}

}  // namespace

PaintBox::PaintBox(QWidget* parent) : QWidget(parent), background_(palette().color(QPalette::Button)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintBox::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.drawImage(e->rect(), Canvas(), e->rect());
}

QImage& PaintBox::Canvas() {
    // A widget that has not been shown yet may not have had its resize event.
    if (canvas_.size() != size()) {
        QImage fresh(size(), QImage::Format_BGR888);
        fresh.fill(background_);
        if (!canvas_.isNull()) {
            // Keep what was drawn so that a resize alone does not blank the surface.
            QPainter p(&fresh);
            p.drawImage(0, 0, canvas_);
        }
        canvas_ = fresh;
    }
    return canvas_;
}

void PaintBox::resizeEvent(QResizeEvent*) {
    Canvas();
    emit Resized();
}

void PaintBox::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = PixelOf(e);
    emit MouseDown(pos.x(), pos.y(), e->button());
}

void PaintBox::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = PixelOf(e);
    emit MouseMove(pos.x(), pos.y(), e->buttons());
}

void PaintBox::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint pos = PixelOf(e);
    emit MouseUp(pos.x(), pos.y(), e->button());
}

}  // namespace velmora
