#include "conversion/gui/RunConversion.h"

#include <QMessageBox>

namespace velmora {

// Placeholder until the conversion dialog lands; it says so instead of pretending.
void RunConversion(DocumentHost&, QWidget* parent, const QString&) {
    QMessageBox::information(parent, QStringLiteral("Velmora"),
                             QStringLiteral("The conversion is not available in this build yet."));
}

}  // namespace velmora
