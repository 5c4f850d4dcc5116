#pragma once
// The Cartoon menu's commands: the conversion dialog, the full conversion behind the
// progress dialog, and installing its layers in the document.

#include <QString>
#include <string>

#include "engine/EffectParams.h"

class QWidget;

namespace velmora {

class DocumentHost;

// presetPath empty: the dialog starts from "default.set"; otherwise that preset is
// loaded after it.
void RunConversion(DocumentHost& host, QWidget* parent, const QString& presetPath);

// The part after a confirmed conversion dialog: runs the full conversion of the
// dialog's record over PhotoBmp behind the progress dialog and installs the result.
// A record the engine rejects, a cancel or a failure leaves the document as it was
// before the dialog (the photograph comes back from WorkBmp1, where the dialog kept
// it). Returns whether the layers were installed.
bool RunFullConversion(DocumentHost& host, QWidget* parent, const TEffectParams& dialogRecord);

// Records the history state of a conversion with the detail text built from the
// record. Returns what AddState returns.
bool AddConversionState(DocumentHost& host, const std::string& name, const TEffectParams& params);

}  // namespace velmora
