#include "adjust/gui/AdjustDialogs.h"

#include "adjust/gui/AdjustmentForms.h"

namespace velmora {

// Every command gets a fresh dialog, so each use starts from the defaults.
void ShowAdjustmentDialog(Adjustment which, DocumentHost& host, QWidget* parent) {
    std::unique_ptr<TFrmAdjustment> dialog = CreateAdjustmentDialog(which, host, parent);
    if (dialog) dialog->exec();
}

}  // namespace velmora
