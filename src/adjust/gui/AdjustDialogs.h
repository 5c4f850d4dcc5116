#pragma once
// The Adjustments menu's dialogs, each created, shown modally and freed by its command.

#include "adjust/Adjustment.h"

class QWidget;

namespace velmora {

class DocumentHost;

void ShowAdjustmentDialog(Adjustment which, DocumentHost& host, QWidget* parent);

}  // namespace velmora
