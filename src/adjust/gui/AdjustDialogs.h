#pragma once
// The Adjustments menu's dialogs, each created, shown modally and freed by its command.

class QWidget;

namespace velmora {

class DocumentHost;

enum class Adjustment { BrightContrast, Saturation, ColorBalance, Blur };

void ShowAdjustmentDialog(Adjustment which, DocumentHost& host, QWidget* parent);

}  // namespace velmora
