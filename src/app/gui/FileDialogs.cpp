#include "app/gui/FileDialogs.h"

#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace velmora {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Qt reads a filter's patterns from its last parenthesis and separates them by
// blanks. The texts the dialogs show keep their own spelling (hidden details show
// the part before that last parenthesis). The patterns stay plain: the dialog matches
// them in any letter case already, and when the user picks another type it puts the
// first pattern's extension in place of the typed one.
QString QtFilter(const DialogFilter& f) {
    QStringList patterns = Q(f.Patterns).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns)
        if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    return Q(f.Text) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QStringList QtFilters(const std::vector<DialogFilter>& filters) {
    QStringList out;
    for (const DialogFilter& f : filters) out << QtFilter(f);
    return out;
}

// Qt's dialog asks before it replaces an existing file, but about the name as typed,
// while a name without extension (the one Save proposes, say) is written with the
// chosen type's. That extension is added before the dialog looks, so that the file
// it asks about is the one written. (The dialog adds none to a folder's name.)
// A name that is not valid UTF-8 is shown with replacement characters, and no file
// has the name shown: the file really written is asked about here, as Qt would.
class PictureSaveDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    WrittenFile written;

    void accept() override {
        const int index = SelectedFilterIndex(*this);
        setDefaultSuffix(Q(SaveExtension(index)).mid(1));
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && !QFileInfo::exists(files.front())) {
            std::error_code failed;
            const auto status = std::filesystem::status(written(files.front(), index), failed);
            if (!failed && std::filesystem::exists(status) && !std::filesystem::is_directory(status) &&
                QMessageBox::warning(this, windowTitle(),
                                     tr("%1 already exists.\nDo you want to replace it?")
                                         .arg(QFileInfo(files.front()).fileName()),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
                return;
        }
        QFileDialog::accept();
    }
};

template <class Dialog = QFileDialog>
std::unique_ptr<QFileDialog> MakeDialog(QWidget* parent, const QString& caption, const QString& folder) {
    auto dialog = std::make_unique<Dialog>(parent, caption, folder);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setSizeGripEnabled(true);
    return dialog;
}

}  // namespace

std::unique_ptr<QFileDialog> MakePictureOpenDialog(QWidget* parent, const QString& folder) {
    auto dialog = MakeDialog(parent, QStringLiteral("Open"), folder);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(QtFilters(OpenDialogFilters()));
    dialog->selectNameFilter(QtFilter(OpenDialogFilters().front()));
    return dialog;
}

std::unique_ptr<QFileDialog> MakePictureSaveDialog(QWidget* parent, const QString& folder,
                                                   const SaveProposal& proposal, WrittenFile written) {
    auto dialog = MakeDialog<PictureSaveDialog>(parent, QStringLiteral("Save"), folder);
    static_cast<PictureSaveDialog&>(*dialog).written = std::move(written);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    const QStringList filters = QtFilters(SaveDialogFilters());
    dialog->setNameFilters(filters);
    const int index = std::clamp(proposal.FilterIndex, 1, static_cast<int>(filters.size()));
    dialog->selectNameFilter(filters[index - 1]);
    dialog->selectFile(Q(proposal.FileName));
    return dialog;
}

int SelectedFilterIndex(const QFileDialog& dialog) {
    const QString chosen = dialog.selectedNameFilter();
    const QStringList filters = dialog.nameFilters();
    const int exact = static_cast<int>(filters.indexOf(chosen));
    if (exact >= 0) return exact + 1;
    // With the details hidden, the chosen filter comes back as its text alone: the
    // filter whose text is followed by its patterns is the one.
    for (int i = 0; i < filters.size(); ++i)
        if (filters[i].startsWith(chosen + QStringLiteral(" ("))) return i + 1;
    return 0;
}

}  // namespace velmora
