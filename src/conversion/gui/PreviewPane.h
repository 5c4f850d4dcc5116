#pragma once
// The conversion dialog's preview pane: shows the part of the photograph (or of its
// preview) that fits, and pans over a larger photograph by dragging.

#include "conversion/PreviewLayout.h"
#include "conversion/gui/PaintBox.h"

namespace velmora {

class Bitmap;

class PreviewPane : public PaintBox {
    Q_OBJECT
public:
    // `photo` is the picture panned over; it may change size, not identity.
    PreviewPane(const Bitmap& photo, QWidget* parent);

    // Copies a bitmap region onto the pane at (0, 0).
    void PaintRegion(const Bitmap& src, int left, int top, int width, int height);
    // Shows the unprocessed photograph at the pan position.
    void ShowOriginalRegion();
    // Fits the pan ranges to the photograph and the pane, filling what the picture
    // does not cover.
    void SetupPanning();

    // The scroll state (the position of the shown part's top-left corner).
    const PanAxis& Horz() const { return horz_; }
    const PanAxis& Vert() const { return vert_; }
    // Where the drag last moved each axis from.
    QPoint PanAnchor() const { return {panX_, panY_}; }

signals:
    // A drag ended; the processed preview is due again.
    void PanEnded();

private:
    void Press(int x, int y);
    void Drag(int x, int y, Qt::MouseButtons buttons);

    const Bitmap& photo_;
    PanAxis horz_;
    PanAxis vert_;
    int panX_ = 0;
    int panY_ = 0;
};

}  // namespace velmora
