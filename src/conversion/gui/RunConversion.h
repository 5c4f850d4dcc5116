#pragma once
// The Cartoon menu's commands: the conversion dialog, the full conversion behind the
// progress dialog, and installing its layers in the document.

#include <QString>

class QWidget;

namespace velmora {

class DocumentHost;

// presetPath empty: the dialog starts from "default.set"; otherwise that preset is
// loaded after it.
void RunConversion(DocumentHost& host, QWidget* parent, const QString& presetPath);

}  // namespace velmora
