#pragma once
// The pictures on the buttons of the tool palette and the Tool Option window, drawn in
// code so that they need no files and stay sharp on any screen.

#include <QIcon>
#include <QPainter>

#include <functional>

namespace velmora {

QIcon ToolGlyph(int toolId);

// An icon of a 16-pixel picture that `draw` paints, drawn at the size in device pixels
// that is asked for, so that a screen scaled by 2 or by a fraction shows it sharp
// rather than enlarged or shrunk.
QIcon GlyphIcon(const std::function<void(QPainter&)>& draw);

}  // namespace velmora
