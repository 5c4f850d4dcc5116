#pragma once
// The menu and tool-bar pictures, drawn at start-up so the program needs no image
// files for them.

#include <QIcon>

namespace velmora {

enum class IconId {
    Open, Save, Copy, Undo, Redo, Convert, ZoomIn, ZoomOut, ActualPixels, FitInWindow,
    History, Layers, Tools, ToolOption, Help, Program
};

QIcon MakeIcon(IconId id);

}  // namespace velmora
