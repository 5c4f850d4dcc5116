#include "conversion/PreviewLayout.h"

#include <algorithm>

namespace velmora {

namespace {

WindowBox Limit(WindowBox box) {
    box.Width = std::clamp(box.Width, kPreviewMinWidth, kPreviewMaxWidth);
    box.Height = std::clamp(box.Height, kPreviewMinHeight, kPreviewMaxHeight);
    return box;
}

}  // namespace

WindowBox CentredBox(int width, int height, int workLeft, int workTop, int workRight, int workBottom) {
    return {workLeft + (workRight - workLeft - width) / 2, workTop + (workBottom - workTop - height) / 2,
            width, height};
}

WindowBox PlacePreviewWindow(const Options& prefs, WindowBox work, WindowBox designed) {
    const int workRight = work.Left + work.Width;
    const int workBottom = work.Top + work.Height;
    WindowBox box = designed;
    switch (prefs.PreviewSizeMode) {
    case 0:
        // A custom size of 0 or less would give an unusable window; it keeps the design.
        if (prefs.PreviewWidth > 0 && prefs.PreviewHeight > 0 && prefs.PreviewWidth < work.Width &&
            prefs.PreviewHeight < work.Height)
            box = CentredBox(prefs.PreviewWidth, prefs.PreviewHeight, work.Left, work.Top, workRight, workBottom);
        break;
    case 1:
        // Where the window manager then maximizes it: on the work area's own screen.
        box = work;
        break;
    case 2:
        // The box counts only on the work area as it is now: a screen it was left on
        // may be gone, and the work area need not start at the desktop's origin.
        if (prefs.LastPreviewTop >= work.Top && prefs.LastPreviewTop <= workBottom &&
            prefs.LastPreviewLeft >= work.Left && prefs.LastPreviewLeft <= workRight &&
            prefs.LastPreviewWidth >= 1 && prefs.LastPreviewWidth <= work.Width && prefs.LastPreviewHeight >= 1 &&
            prefs.LastPreviewHeight <= work.Height)
            box = {prefs.LastPreviewLeft, prefs.LastPreviewTop, prefs.LastPreviewWidth, prefs.LastPreviewHeight};
        break;
    default:
        break;
    }
    // A box that fits but was left near an edge of a larger screen, or one the size
    // limits made larger, would open with its buttons out of reach.
    return MovedOnto(Limit(box), work);
}

void SetupPanAxis(PanAxis& axis, int pictureSize, int paneSize) {
    axis.Position = 0;
    if (pictureSize > paneSize) {
        axis.Max = pictureSize;
        axis.Page = paneSize;
        axis.Enabled = true;
    } else {
        axis.Enabled = false;
    }
}

bool PanAxisStep(PanAxis& axis, int& last, int mouse) {
    if (!axis.Enabled) return false;
    const int moved = axis.Position + (last - mouse);
    if (moved < 0 || moved > axis.Max - axis.Page) return false;
    const bool changed = moved != axis.Position;
    axis.Position = moved;
    last = mouse;
    return changed;
}

}  // namespace velmora
