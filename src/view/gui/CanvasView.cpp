#include "view/gui/CanvasView.h"

#include <QGuiApplication>
#include <QImage>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

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
    // Whether an input method composes here is asked of inputMethodQuery each time.
    setAttribute(Qt::WA_InputMethodEnabled);
}

void CanvasView::PaintView() { update(); }

void CanvasView::PaintImageRect(const Rect& r, int horzPosition, int vertPosition) {
    if (!doc_) return;
    const ScreenRect s = ImageRectOnScreen(r, horzPosition, vertPosition, doc_->Zoom);
    // One screen pixel more on each side: the rectangle is rounded from the zoom, while
    // the pixels shown follow the pointer's mapping, which may differ by one.
    if (!s.Empty()) update(ToQRect(s).adjusted(-1, -1, 1, 1));
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

namespace {

// The image pixel shown at each screen position from `first` on: the one the pointer
// there maps to, kept inside the view rectangle's span [low, high].
std::vector<int> ShownPixels(int first, int count, double zoom, int scroll, int low, int high) {
    std::vector<int> shown(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        shown[static_cast<std::size_t>(i)] = std::clamp(ScreenToImage(first + i, zoom, scroll), low, high);
    return shown;
}

// The positions in `shown` (which never decreases) that show image pixel p.
std::pair<int, int> SpanOf(const std::vector<int>& shown, int p) {
    const auto [lo, hi] = std::equal_range(shown.begin(), shown.end(), p);
    return {static_cast<int>(lo - shown.begin()), static_cast<int>(hi - shown.begin())};
}

}  // namespace

void CanvasView::PaintPicture(QPainter& painter, const QRect& area, const Rect& v) {
    // Every screen pixel shows the image pixel that the pointer there picks or paints.
    // A stretched draw rounds its scale instead, and its samples shift with the area
    // repainted, so blocks on screen would disagree with the pointer and leave seams.
    const Bitmap& bmp = doc_->CompositeBmp;
    const double zoom = doc_->Zoom;
    const std::vector<int> cols = ShownPixels(area.left(), area.width(), zoom, v.Left, v.Left, v.Right);
    const std::vector<int> rows = ShownPixels(area.top(), area.height(), zoom, v.Top, v.Top, v.Bottom);
    // Built in the screen's own format, so that drawing it is a plain copy.
    QImage part(area.size(), QImage::Format_RGB32);
    const auto rgb = [](const std::uint8_t* p) {
        return 0xFF000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
    };
    for (int j = 0; j < area.height(); ++j) {
        const std::uint8_t* src = bmp.Row(rows[static_cast<std::size_t>(j)]);
        auto* dst = reinterpret_cast<std::uint32_t*>(part.scanLine(j));
        for (int i = 0; i < area.width(); ++i) dst[i] = rgb(src + 3 * cols[static_cast<std::size_t>(i)]);
    }
    // The tool's outline: the inverse of what is under it, or black.
    for (const Point& p : overlay_.Pixels) {
        const auto [x0, x1] = SpanOf(cols, p.X);
        const auto [y0, y1] = SpanOf(rows, p.Y);
        if (x0 == x1 || y0 == y1) continue;
        const std::uint32_t ink = overlay_.Black ? 0xFF000000u : (rgb(bmp.Pixel(p.X, p.Y)) ^ 0x00FFFFFFu);
        for (int y = y0; y < y1; ++y)
            std::fill_n(reinterpret_cast<std::uint32_t*>(part.scanLine(y)) + x0, x1 - x0, ink);
    }
    painter.drawImage(area.topLeft(), part);
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
    if (v.Right < v.Left || v.Bottom < v.Top || v.Left < 0 || v.Top < 0 || layout.Image.Empty()) {
        painter.fillRect(rect(), face);
        return;
    }
    const QRect area = event->region().boundingRect() & ToQRect(layout.Image);
    if (!area.isEmpty()) PaintPicture(painter, area, v);
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
    // A click may have placed a text box or ended one: an input method that keeps what
    // it was told learns whether to compose here now.
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

void CanvasView::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) emit textComposed(event->commitString());
    event->accept();
}

QVariant CanvasView::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImEnabled) return takesText_ && takesText_();
    return QWidget::inputMethodQuery(query);
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
