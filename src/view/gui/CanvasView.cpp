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
    switch (e->button()) {
    case Qt::LeftButton: s.Button = MouseState::Which::Left; break;
    case Qt::RightButton: s.Button = MouseState::Which::Right; break;
    case Qt::MiddleButton: s.Button = MouseState::Which::Middle; break;
    default: break;
    }
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

void CanvasView::UpdateImageRect(const Rect& r) {
    // The view rectangle starts at the scroll positions.
    if (doc_ && !r.Empty()) PaintImageRect(r, doc_->ViewRect.Left, doc_->ViewRect.Top);
}

void CanvasView::SetViewCursor(ToolCursor cursor) {
    cursor_ = cursor;
    switch (cursor) {
    case ToolCursor::Arrow: unsetCursor(); break;
    case ToolCursor::Cross: setCursor(Qt::CrossCursor); break;
    case ToolCursor::GrabHand: setCursor(Qt::OpenHandCursor); break;
    }
}

void CanvasView::SetShapeCursor(Qt::CursorShape shape) {
    if (shape == Qt::ArrowCursor)
        unsetCursor();
    else
        setCursor(shape);
}

void CanvasView::SetOverlay(ViewOverlay overlay) {
    if (overlay.Pixels.empty() && overlay_.Pixels.empty()) return;
    UpdateImageRect(overlay_.Bounds);
    overlay_ = std::move(overlay);
    UpdateImageRect(overlay_.Bounds);
}

void CanvasView::PaintOverlay(QPainter& painter) {
    const Bitmap& bmp = doc_->CompositeBmp;
    const Rect& v = doc_->ViewRect;
    for (const Point& p : overlay_.Pixels) {
        if (p.X < v.Left || p.X > v.Right || p.Y < v.Top || p.Y > v.Bottom) continue;
        if (p.X >= bmp.Width() || p.Y >= bmp.Height()) continue;
        QColor c(Qt::black);
        if (!overlay_.Black) {
            const std::uint8_t* px = bmp.Pixel(p.X, p.Y);
            c = QColor(255 - px[2], 255 - px[1], 255 - px[0]);
        }
        const ScreenRect s = ImageRectOnScreen(Rect{p.X, p.Y, p.X, p.Y}, v.Left, v.Top, doc_->Zoom);
        if (!s.Empty()) painter.fillRect(ToQRect(s), c);
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
        if (!overlay_.Pixels.empty()) PaintOverlay(painter);
    } else {
        painter.fillRect(rect(), face);
        return;
    }
    if (!layout.RightStrip.Empty()) painter.fillRect(ToQRect(layout.RightStrip), face);
    if (!layout.BottomStrip.Empty()) painter.fillRect(ToQRect(layout.BottomStrip), face);
}

void CanvasView::mousePressEvent(QMouseEvent* event) {
    if (cursor_ == ToolCursor::GrabHand && event->button() == Qt::LeftButton) setCursor(Qt::ClosedHandCursor);
    emit mousePressed(Pixel(event->position().x()), Pixel(event->position().y()), StateOf(event));
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(Pixel(event->position().x()), Pixel(event->position().y()), StateOf(event));
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (cursor_ == ToolCursor::GrabHand && event->button() == Qt::LeftButton) setCursor(Qt::OpenHandCursor);
    emit mouseReleased(Pixel(event->position().x()), Pixel(event->position().y()), StateOf(event));
}

void CanvasView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit mouseLeft();
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
        if (steps != 0) emit zoomWheel(steps, Pixel(event->position().x()), Pixel(event->position().y()));
    } else {
        int vertical = delta.y(), horizontal = delta.x();
        if (event->modifiers() & Qt::ShiftModifier) std::swap(vertical, horizontal);
        emit scrollWheel(vertical, horizontal);
    }
    event->accept();
}

}  // namespace velmora
