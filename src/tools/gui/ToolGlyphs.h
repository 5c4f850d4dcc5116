#pragma once
// The pictures on the tool palette's buttons, drawn in code so that they need no files
// and stay sharp on any screen.

#include <QIcon>

namespace velmora {

QIcon ToolGlyph(int toolId);

}  // namespace velmora
