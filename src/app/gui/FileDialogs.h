#pragma once
// The picture open and save dialogs: Qt's own (never native, so they behave the same
// everywhere and tests never block), with the program's filter lists.

#include <QFileDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/DocumentFiles.h"

namespace velmora {

std::unique_ptr<QFileDialog> MakePictureOpenDialog(QWidget* parent, const QString& folder);
// The file really written for a name chosen in the save dialog (with the chosen
// filter's 1-based index), as the system spells it.
using WrittenFile = std::function<std::string(const QString& chosen, int filterIndex)>;

// The dialog asks before it replaces the file `written` names, also when the name it
// shows (with replacement characters for bytes that are not valid UTF-8) names none.
std::unique_ptr<QFileDialog> MakePictureSaveDialog(QWidget* parent, const QString& folder,
                                                   const SaveProposal& proposal, WrittenFile written);

// The 1-based index of the filter chosen in the dialog's type list, 0 when none
// matches. The dialog reports the chosen filter as it shows it, without its
// patterns, so a plain lookup in its own list would miss.
int SelectedFilterIndex(const QFileDialog& dialog);

}  // namespace velmora
