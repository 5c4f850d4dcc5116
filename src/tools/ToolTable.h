#pragma once
// One row per tool: everything the palette, the option window, the view's routing and
// the history need to know about a tool, so that none of them keeps a list of its own.

#include <span>
#include <string>

#include "tools/ToolIds.h"

namespace velmora {

// The paint-box cursor a tool shows while nothing is under the mouse.
enum class ToolCursor { Arrow, Cross, GrabHand };

// How the view hands mouse events over: to the tool, to its own panning, or nowhere.
enum class ToolRouting { None, Tool, Hand };

// What kind of editing a tool does; decides its start operation and what leaving it means.
enum class ToolFamily { None, Freehand, Fill, Picker, Shape, Hand };

struct ToolInfo {
    int Id;
    const char* Button;         // the palette button's object name
    const char* Name;           // the tooltip's name and the tool's name in messages
    const char* Key;            // the single key that chooses it ("" for none)
    const char* Page;           // the Tool Option page's object name
    ToolCursor Cursor;
    ToolRouting Routing;
    ToolFamily Family;
    const char* HistoryName;    // the history state a finished edit records; nullptr: none
    const char* HistoryDetail;
};

// The fourteen palette tools in palette order (two to a row): the view tools, the
// freehand tools, the shapes.
std::span<const ToolInfo> PaletteTools();
// The row of a tool id, the state before a picture is open for 0; nullptr for an
// unknown id.
const ToolInfo* FindTool(int toolId);

// The paint-box cursor of a tool: the hand grabs only when there is something to pan.
ToolCursor CursorForTool(int toolId, bool anyScrollBarVisible);

// The palette button's tooltip: the name and its key, "Pencil (N)".
std::string ToolTooltip(const ToolInfo& tool);

}  // namespace velmora
