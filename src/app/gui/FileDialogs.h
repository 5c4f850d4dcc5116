#pragma once
// The picture open and save dialogs: Qt's own (never native, so they behave the same
// everywhere and tests never block), with the program's filter lists.

#include <QFileDialog>
#include <QString>
#include <memory>

#include "app/DocumentFiles.h"

namespace velmora {

std::unique_ptr<QFileDialog> MakePictureOpenDialog(QWidget* parent, const QString& folder);
std::unique_ptr<QFileDialog> MakePictureSaveDialog(QWidget* parent, const QString& folder,
                                                   const SaveProposal& proposal);

// The 1-based index of the filter chosen in the dialog's type list, 0 when none
// matches. The dialog reports the chosen filter as it shows it, without its
// patterns, so a plain lookup in its own list would miss.
int SelectedFilterIndex(const QFileDialog& dialog);

}  // namespace velmora
