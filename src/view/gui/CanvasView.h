#pragma once
// The paint box of the main window: shows the visible part of the document's
// composite at the document's zoom, nearest neighbour, from the top-left corner, with
// the button-face color where the image does not reach. Mouse and wheel input is
// passed on as signals in paint-box pixels; the main window maps and routes it.

#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "common/Geometry.h"
#include "tools/ToolTable.h"
#include "view/ToolRouting.h"

namespace velmora {

struct Document;

// A tool's outline cursor, shown over the picture on screen only: every listed image
// pixel shows the bitwise inverse of the composite pixel under it, or black when
// Black is set (a one-pixel footprint). It never reaches the composite, so nothing
// saved, copied or picked can contain it.
struct ViewOverlay {
    std::vector<Point> Pixels;
    bool Black = false;
    Rect Bounds = kEmptyRect;  // holds every pixel; what a change repaints
};

class CanvasView : public QWidget {
    Q_OBJECT
public:
    explicit CanvasView(QWidget* parent = nullptr);

    // The document whose CompositeBmp, ViewRect and Zoom are painted; may be null.
    void SetDocument(const Document* doc) { doc_ = doc; }

    // Repaints the whole paint box.
    void PaintView();
    // Repaints only the place of the image rectangle r (inclusive) at the given scroll
    // positions.
    void PaintImageRect(const Rect& r, int horzPosition, int vertPosition);

    void SetViewCursor(ToolCursor cursor);
    // Shows a cursor shape of Qt's own (the handles of a pending shape); the tool
    // cursor returns with the next SetViewCursor.
    void SetShapeCursor(Qt::CursorShape shape);

    // Replaces the outline overlay and repaints where the old and new ones lie.
    void SetOverlay(ViewOverlay overlay);
    void ClearOverlay() { SetOverlay(ViewOverlay{}); }
    const ViewOverlay& Overlay() const { return overlay_; }

    // Whether the paint box takes text from an input method now: asked each time one
    // wants to know, so that it composes only while there is text to write and leaves
    // the single tool keys alone otherwise.
    void SetTakesText(std::function<bool()> takesText) { takesText_ = std::move(takesText); }
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void mousePressed(int x, int y, const velmora::MouseState& state);
    void mouseMoved(int x, int y, const velmora::MouseState& state);
    void mouseReleased(int x, int y, const velmora::MouseState& state);
    // Ctrl with the wheel over paint-box pixel (x, y): positive steps zoom in,
    // negative zoom out.
    void zoomWheel(int steps, int x, int y);
    // The wheel without Ctrl (Shift turns it sideways): angle deltas in eighths of a
    // degree, 120 per notch, positive towards the top or the left.
    void scrollWheel(int verticalDelta, int horizontalDelta);
    void resized();
    // The pointer left the paint box.
    void mouseLeft();
    // Text that an input method composed over the paint box (a dead key and the letter
    // after it, say), which comes as no key of its own.
    void textComposed(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void PaintPicture(QPainter& painter, const QRect& area, const Rect& viewRect);
    void UpdateImageRect(const Rect& r);

    const Document* doc_ = nullptr;
    ToolCursor cursor_ = ToolCursor::Arrow;
    ViewOverlay overlay_;
    int wheelAccumulator_ = 0;
    std::function<bool()> takesText_;
};

}  // namespace velmora
