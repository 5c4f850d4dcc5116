#pragma once
// Window placement and panning of the conversion dialog, without any toolkit: where
// the dialog opens (from the preferences and the desktop's work area), and how the
// preview pane's scroll position follows a drag.

#include "prefs/Options.h"

#include "common/Geometry.h"

namespace velmora {

// The dialog's designed size and its size limits.
inline constexpr int kPreviewDefaultWidth = 516;
inline constexpr int kPreviewDefaultHeight = 438;
inline constexpr int kPreviewMinWidth = 453;
inline constexpr int kPreviewMaxWidth = 1600;
inline constexpr int kPreviewMinHeight = 400;
inline constexpr int kPreviewMaxHeight = 1200;

// Where the dialog opens. `designed` is its default box (centred on the desktop);
// `work` is the primary screen's work area, which need not start at the desktop's
// origin (a screen to its left, a panel along its left edge). The preferences' mode
// picks a custom size centred on the work area, the whole work area, or the box the
// dialog had when it last closed; values that do not fit keep the designed box. The
// size limits apply on top, and the result is moved onto the work area where it would
// reach past its edges.
WindowBox PlacePreviewWindow(const Options& prefs, WindowBox work, WindowBox designed);

// The designed box centred on the work area.
WindowBox CentredBox(int width, int height, int workLeft, int workTop, int workRight, int workBottom);

// One axis of the preview's scroll state: an invisible scroll bar that holds the
// position of the pane's left (or top) edge in the picture.
struct PanAxis {
    bool Enabled = false;
    int Position = 0;
    int Max = 0;
    int Page = 0;
};

// Sets up an axis for a picture `pictureSize` long in a pane `paneSize` long: the
// position returns to 0, and the axis can scroll only when the picture is longer.
void SetupPanAxis(PanAxis& axis, int pictureSize, int paneSize);

// One drag step to mouse coordinate `mouse` with `last` the previous one. A step
// that would leave 0..Max-Page is ignored for the axis (position and `last` stay);
// returns whether the position changed.
bool PanAxisStep(PanAxis& axis, int& last, int mouse);

}  // namespace velmora
