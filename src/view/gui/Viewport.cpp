#include "view/gui/Viewport.h"

#include <QGridLayout>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <utility>

#include "document/Document.h"

namespace velmora {

Viewport::Viewport(Document& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    canvas_ = new CanvasView(this);
    canvas_->SetDocument(&doc_);
    horzBar_ = new QScrollBar(Qt::Horizontal, this);
    vertBar_ = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {horzBar_, vertBar_}) {
        // A hidden scroll bar keeps its room, so showing or hiding one never
        // changes the paint box's size (which would reset the view again).
        QSizePolicy policy = bar->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        bar->setSizePolicy(policy);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setSingleStep(1);
        bar->hide();
        // A click in the trough moves 10 image pixels whatever the page size.
        connect(bar, &QScrollBar::actionTriggered, bar, [bar](int action) {
            if (action == QAbstractSlider::SliderPageStepAdd)
                bar->setSliderPosition(std::min(bar->value() + 10, bar->maximum()));
            else if (action == QAbstractSlider::SliderPageStepSub)
                bar->setSliderPosition(std::max(bar->value() - 10, bar->minimum()));
        });
    }
    horzBar_->setObjectName(QStringLiteral("HorzScrollBar"));
    vertBar_->setObjectName(QStringLiteral("VertScrollBar"));
    connect(horzBar_, &QScrollBar::valueChanged, this, [this] { BarMoved(horzBar_, horz_); });
    connect(vertBar_, &QScrollBar::valueChanged, this, [this] { BarMoved(vertBar_, vert_); });

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 4, 4);
    grid->setSpacing(0);
    grid->addWidget(canvas_, 0, 0);
    grid->addWidget(vertBar_, 0, 1);
    grid->addWidget(horzBar_, 1, 0);

    // A zoom or a scroll puts other pixels under a pointer that rests, so where it rests
    // is kept in paint-box pixels.
    const auto seen = [this](int x, int y) {
        pointer_ = QPoint(x, y);
        pointerOnCanvas_ = canvas_->rect().contains(pointer_);
    };
    connect(canvas_, &CanvasView::mousePressed, this, [this, seen](int x, int y, const MouseState& s) {
        seen(x, y);
        emit imagePressed(ImageX(x), ImageY(y), s);
    });
    connect(canvas_, &CanvasView::mouseMoved, this, [this, seen](int x, int y, const MouseState& s) {
        seen(x, y);
        emit imageMoved(ImageX(x), ImageY(y), s);
    });
    connect(canvas_, &CanvasView::mouseReleased, this, [this, seen](int x, int y, const MouseState& s) {
        seen(x, y);
        emit imageReleased(ImageX(x), ImageY(y), s);
    });
    connect(canvas_, &CanvasView::mouseLeft, this, [this] { pointerOnCanvas_ = false; });
    connect(canvas_, &CanvasView::zoomWheel, this, &Viewport::ZoomByWheel);
    connect(canvas_, &CanvasView::scrollWheel, this, &Viewport::ScrollByWheel);
}

int Viewport::HorzPosition() const { return horz_.Visible ? horzBar_->value() : 0; }
int Viewport::VertPosition() const { return vert_.Visible ? vertBar_->value() : 0; }
int Viewport::ImageX(int x) const { return ScreenToImage(x, doc_.Zoom, HorzPosition()); }
int Viewport::ImageY(int y) const { return ScreenToImage(y, doc_.Zoom, VertPosition()); }

void Viewport::FitScrollBar(QScrollBar* bar, ScrollAxis& axis, const ScrollAxis& fitted) {
    axis = fitted;
    const QSignalBlocker block(bar);
    if (!axis.Visible) {
        bar->setValue(0);
        bar->hide();
        return;
    }
    bar->setRange(0, axis.HighestPosition());
    bar->setPageStep(std::max(axis.Page, 1));
    bar->setValue(0);
    bar->show();
}

void Viewport::FitScrollBars() {
    // A new zoom or size moves the picture under the pointer.
    canvas_->ClearOverlay();
    const Bitmap& c = doc_.CompositeBmp;
    FitScrollBar(horzBar_, horz_, FitScrollAxis(canvas_->width(), doc_.Zoom, c.Width()));
    FitScrollBar(vertBar_, vert_, FitScrollAxis(canvas_->height(), doc_.Zoom, c.Height()));
    UpdateViewRect();
}

void Viewport::UpdateViewRect() {
    doc_.ViewRect = ComputeViewRect(HorzPosition(), VertPosition(), canvas_->width(), canvas_->height(), doc_.Zoom,
                                    doc_.CompositeBmp.Width(), doc_.CompositeBmp.Height());
}

double Viewport::FitZoom() const {
    return velmora::FitZoom(canvas_->width(), canvas_->height(), doc_.CompositeBmp.Width(),
                            doc_.CompositeBmp.Height());
}

void Viewport::PaintImageRect(const Rect& r) { canvas_->PaintImageRect(r, HorzPosition(), VertPosition()); }

bool Viewport::PointerPixel(int& x, int& y) const {
    if (!pointerOnCanvas_) return false;
    x = ImageX(pointer_.x());
    y = ImageY(pointer_.y());
    return true;
}

void Viewport::BarMoved(QScrollBar* bar, ScrollAxis& axis) {
    // A tool's outline marks the pixels under the pointer; once the picture scrolls,
    // other pixels are there, so it goes until the next mouse move draws it again.
    canvas_->ClearOverlay();
    axis.Position = bar->value();
    UpdateViewRect();
    emit scrolled();
}

void Viewport::HandDown(int imageX, int imageY) {
    handDownX_ = imageX;
    handDownY_ = imageY;
}

void Viewport::HandDrag(int imageX, int imageY) {
    horz_.Position = HorzPosition();
    vert_.Position = VertPosition();
    const int h = HandDragPosition(horz_, handDownX_, imageX);
    if (h != horz_.Position) horzBar_->setValue(h);
    const int v = HandDragPosition(vert_, handDownY_, imageY);
    if (v != vert_.Position) vertBar_->setValue(v);
}

void Viewport::SetZoomCommands(std::function<bool()> available, std::function<void(bool)> step) {
    zoomAvailable_ = std::move(available);
    zoomStep_ = std::move(step);
}

void Viewport::ZoomByWheel(int steps, int x, int y) {
    if (!zoomAvailable_ || !zoomStep_ || !zoomAvailable_()) return;
    // The picture point under the pointer stays under it, as in every image editor.
    const long double imageX = static_cast<long double>(x) / doc_.Zoom + HorzPosition();
    const long double imageY = static_cast<long double>(y) / doc_.Zoom + VertPosition();
    for (; steps > 0; --steps) zoomStep_(true);
    for (; steps < 0; ++steps) zoomStep_(false);
    // Zooming returned the view to the top-left corner; one move per bar brings the
    // point back, each through the bar's own change handler.
    const int h = ScrollToKeep(horz_, imageX, x, doc_.Zoom);
    const int v = ScrollToKeep(vert_, imageY, y, doc_.Zoom);
    if (horz_.Visible && h != horzBar_->value()) horzBar_->setValue(h);
    if (vert_.Visible && v != vertBar_->value()) vertBar_->setValue(v);
}

void Viewport::ScrollByWheel(int verticalDelta, int horizontalDelta) {
    // One notch moves about 40 screen pixels, at least one image pixel.
    auto scroll = [this](QScrollBar* bar, int delta) {
        if (delta == 0 || bar->isHidden()) return;
        const long double pixels = -static_cast<long double>(delta) * 40.0L / (120.0L * doc_.Zoom);
        long long step = RoundHalfEven(pixels);
        if (step == 0) step = delta > 0 ? -1 : 1;
        bar->setValue(static_cast<int>(std::clamp<long long>(bar->value() + step, bar->minimum(), bar->maximum())));
    };
    // A picture that scrolls only sideways takes the plain wheel sideways, or the wheel
    // would do nothing at all over it.
    if (vertBar_->isHidden() && horizontalDelta == 0) std::swap(verticalDelta, horizontalDelta);
    scroll(vertBar_, verticalDelta);
    scroll(horzBar_, horizontalDelta);
}

}  // namespace velmora
