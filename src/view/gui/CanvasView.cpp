#include "view/gui/CanvasView.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "document/Document.h"
#include "view/ViewMath.h"

namespace velmora {

namespace {

MouseState StateOf(const QMouseEvent* e) {
    MouseState s;
    const Qt::MouseButtons b = e->buttons();
    s.Left = b & Qt::LeftButton;
    s.Right = b & Qt::RightButton;
    s.Middle = b & Qt::MiddleButton;
    const Qt::KeyboardModifiers m = e->modifiers();
    s.Shift = m & Qt::ShiftModifier;
    s.Ctrl = m & Qt::ControlModifier;
    s.Alt = m & Qt::AltModifier;
    return s;
}

// Whole paint-box pixels, as the platform reports positions to a paint box.
int Pixel(qreal v) { return static_cast<int>(std::floor(v)); }

QRect ToQRect(const ScreenRect& r) { return QRect(r.X, r.Y, r.Width, r.Height); }

}  // namespace

CanvasView::CanvasView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PaintBox1"));
    setMouseTracking(true);
    // Every pixel is painted in paintEvent, so Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

void CanvasView::PaintView() { update(); }

void CanvasView::PaintImageRect(const Rect& r, int horzPosition, int vertPosition) {
    if (!doc_) return;
    const ScreenRect s = ImageRectOnScreen(r, horzPosition, vertPosition, doc_->Zoom);
    if (!s.Empty()) update(ToQRect(s));
}

void CanvasView::SetViewCursor(ViewCursor cursor) {
    cursor_ = cursor;
    switch (cursor) {
    case ViewCursor::Arrow: unsetCursor(); break;
    case ViewCursor::Cross: setCursor(Qt::CrossCursor); break;
    case ViewCursor::GrabHand: setCursor(Qt::OpenHandCursor); break;
    }
}

void CanvasView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    const QColor face = palette().color(QPalette::Button);
    if (!doc_ || !doc_->ImageLoaded || doc_->CompositeBmp.Empty()) {
        painter.fillRect(rect(), face);
        return;
    }
    const Bitmap& bmp = doc_->CompositeBmp;
    Rect v = doc_->ViewRect;
    // Stay inside the bitmap even if a caller has not yet refitted the view.
    v.Right = std::min(v.Right, bmp.Width() - 1);
    v.Bottom = std::min(v.Bottom, bmp.Height() - 1);
    const ViewLayout layout = ComputeViewLayout(v, doc_->Zoom, width(), height());
    if (v.Right >= v.Left && v.Bottom >= v.Top && v.Left >= 0 && v.Top >= 0 && !layout.Image.Empty()) {
        // The bitmap's own memory, stride and all: no copy is made.
        const QImage image(bmp.Data(), bmp.Width(), bmp.Height(), static_cast<qsizetype>(bmp.Stride()),
                           QImage::Format_BGR888);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(ToQRect(layout.Image), image, QRect(v.Left, v.Top, v.Width(), v.Height()));
    } else {
        painter.fillRect(rect(), face);
        return;
    }
    if (!layout.RightStrip.Empty()) painter.fillRect(ToQRect(layout.RightStrip), face);
    if (!layout.BottomStrip.Empty()) painter.fillRect(ToQRect(layout.BottomStrip), face);
}

void CanvasView::mousePressEvent(QMouseEvent* event) {
    if (cursor_ == ViewCursor::GrabHand && event->button() == Qt::LeftButton) setCursor(Qt::ClosedHandCursor);
    emit mousePressed(Pixel(event->position().x()), Pixel(event->position().y()), StateOf(event));
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(Pixel(event->position().x()), Pixel(event->position().y()), StateOf(event));
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (cursor_ == ViewCursor::GrabHand && event->button() == Qt::LeftButton) setCursor(Qt::OpenHandCursor);
    emit mouseReleased(Pixel(event->position().x()), Pixel(event->position().y()), StateOf(event));
}

void CanvasView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

void CanvasView::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        // Touchpads send small deltas; one zoom step per full notch of 120.
        wheelAccumulator_ += delta.y() != 0 ? delta.y() : delta.x();
        const int steps = wheelAccumulator_ / 120;
        wheelAccumulator_ -= steps * 120;
        if (steps != 0) emit zoomWheel(steps);
    } else {
        int vertical = delta.y(), horizontal = delta.x();
        if (event->modifiers() & Qt::ShiftModifier) std::swap(vertical, horizontal);
        emit scrollWheel(vertical, horizontal);
    }
    event->accept();
}

}  // namespace velmora
