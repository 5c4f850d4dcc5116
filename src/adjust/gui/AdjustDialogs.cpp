#include "adjust/gui/AdjustDialogs.h"

#include <QMessageBox>

namespace velmora {

// Placeholder until the adjustment dialogs land; it says so instead of pretending.
void ShowAdjustmentDialog(Adjustment, DocumentHost&, QWidget* parent) {
    QMessageBox::information(parent, QStringLiteral("Velmora"),
                             QStringLiteral("Adjustments are not available in this build yet."));
}

}  // namespace velmora
