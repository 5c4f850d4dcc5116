#include "conversion/gui/PreviewPane.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

#include "common/Bitmap.h"

namespace velmora {

PreviewPane::PreviewPane(const Bitmap& photo, QWidget* parent) : PaintBox(parent), photo_(photo) {
    setObjectName(QStringLiteral("PaintBox1"));
    setMinimumSize(1, 1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(this, &PaintBox::MouseDown, this, [this](int x, int y) { Press(x, y); });
    connect(this, &PaintBox::MouseMove, this, &PreviewPane::Drag);
    connect(this, &PaintBox::MouseUp, this, [this] { emit PanEnded(); });
}

void PreviewPane::PaintRegion(const Bitmap& src, int left, int top, int width, int height) {
    QImage& canvas = Canvas();
    const int w = std::min({width, canvas.width(), src.Width() - left});
    const int h = std::min({height, canvas.height(), src.Height() - top});
    if (w > 0 && h > 0 && left >= 0 && top >= 0) {
        for (int y = 0; y < h; ++y)
            std::memcpy(canvas.scanLine(y), src.Pixel(left, top + y), static_cast<std::size_t>(w) * 3);
    }
    update();
}

void PreviewPane::ShowOriginalRegion() { PaintRegion(photo_, horz_.Position, vert_.Position, width(), height()); }

void PreviewPane::SetupPanning() {
    QImage& canvas = Canvas();
    const QColor face = palette().color(QPalette::Button);
    SetupPanAxis(horz_, photo_.Width(), width());
    if (!horz_.Enabled) {
        QPainter p(&canvas);
        p.fillRect(QRect(photo_.Width(), 0, width() - photo_.Width(), height()), face);
    }
    SetupPanAxis(vert_, photo_.Height(), height());
    if (!vert_.Enabled) {
        QPainter p(&canvas);
        p.fillRect(QRect(0, photo_.Height(), width(), height() - photo_.Height()), face);
    }
    if (horz_.Enabled || vert_.Enabled)
        setCursor(Qt::ClosedHandCursor);
    else
        unsetCursor();
    update();
}

void PreviewPane::Press(int x, int y) {
    panX_ = x;
    panY_ = y;
}

void PreviewPane::Drag(int x, int y, Qt::MouseButtons buttons) {
    if (!(buttons & Qt::LeftButton)) return;
    const bool movedX = PanAxisStep(horz_, panX_, x);
    const bool movedY = PanAxisStep(vert_, panY_, y);
    // While dragging only unprocessed pixels are copied; the effect follows on release.
    if (movedX || movedY) ShowOriginalRegion();
}

}  // namespace velmora
