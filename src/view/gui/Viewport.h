#pragma once
// The main window's central area: the paint box and its two scroll bars. It keeps the
// scroll positions and the document's view rectangle in step with the zoom, turns the
// wheel into scrolling or zoom steps, scrolls for the hand tool, and hands on the
// paint box's mouse events in image pixels.

#include <QWidget>
#include <functional>

#include "view/ViewMath.h"
#include "view/gui/CanvasView.h"

class QScrollBar;

namespace velmora {

struct Document;

class Viewport : public QWidget {
    Q_OBJECT
public:
    explicit Viewport(Document& doc, QWidget* parent = nullptr);

    CanvasView* Canvas() const { return canvas_; }
    QScrollBar* HorzBar() const { return horzBar_; }
    QScrollBar* VertBar() const { return vertBar_; }

    // The image pixel at the paint box's left (top) edge; 0 while the bar is hidden.
    int HorzPosition() const;
    int VertPosition() const;
    const ScrollAxis& HorzAxis() const { return horz_; }
    const ScrollAxis& VertAxis() const { return vert_; }
    bool Scrollable() const { return horz_.Visible || vert_.Visible; }

    // Fits both bars to the zoom and the composite's size, back at the top-left
    // corner, and recomputes the view rectangle. Nothing is painted.
    void FitScrollBars();
    void UpdateViewRect();
    // The largest zoom at which the whole picture fits the paint box.
    double FitZoom() const;
    // Repaints the place of the image rectangle r (inclusive) at the scroll positions.
    void PaintImageRect(const Rect& r);
    // The image pixel under the pointer at the zoom and scroll positions of now, while
    // the pointer rests on the paint box; false while it is elsewhere.
    bool PointerPixel(int& x, int& y) const;

    // The hand tool: the image pixel pressed, then drags that scroll it back under
    // the pointer.
    void HandDown(int imageX, int imageY);
    void HandDrag(int imageX, int imageY);
    int HandDownX() const { return handDownX_; }
    int HandDownY() const { return handDownY_; }

    // How Ctrl with the wheel zooms: `available` says whether zooming is offered now,
    // `step` zooms one step in (true) or out and refreshes as the zoom commands do.
    void SetZoomCommands(std::function<bool()> available, std::function<void(bool in)> step);

signals:
    // A scroll bar moved the view; the view rectangle has followed, the paint has not.
    void scrolled();
    // The paint box's mouse events, in image pixels at the zoom and scroll positions.
    void imagePressed(int x, int y, const velmora::MouseState& state);
    void imageMoved(int x, int y, const velmora::MouseState& state);
    void imageReleased(int x, int y, const velmora::MouseState& state);

private:
    void FitScrollBar(QScrollBar* bar, ScrollAxis& axis, const ScrollAxis& fitted);
    void BarMoved(QScrollBar* bar, ScrollAxis& axis);
    void ZoomByWheel(int steps, int x, int y);
    void ScrollByWheel(int verticalDelta, int horizontalDelta);
    int ImageX(int x) const;
    int ImageY(int y) const;

    Document& doc_;
    CanvasView* canvas_ = nullptr;
    QScrollBar* horzBar_ = nullptr;
    QScrollBar* vertBar_ = nullptr;
    ScrollAxis horz_;
    ScrollAxis vert_;
    int handDownX_ = 0;
    int handDownY_ = 0;
    // Where the paint box last saw the pointer, and whether it is still over it.
    QPoint pointer_;
    bool pointerOnCanvas_ = false;
    std::function<bool()> zoomAvailable_;
    std::function<void(bool)> zoomStep_;
};

}  // namespace velmora
