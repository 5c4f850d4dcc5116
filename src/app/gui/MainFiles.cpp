// The main window's files: opening, saving and copying the picture, and which file
// the picture shown belongs to as the user moves through the history.

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>

#include "app/DocumentFiles.h"
#include "app/Version.h"
#include "app/gui/FileDialogs.h"
#include "app/gui/MainWindow.h"
#include "common/gui/Messages.h"
#include "common/gui/WaitCursor.h"
#include "history/gui/HistoryWindow.h"
#include "tools/ToolTable.h"
#include "tools/gui/ToolController.h"
#include "tools/gui/ToolsWindow.h"
#include "view/gui/CanvasView.h"

namespace velmora {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// The name of a local file as the system spells it. The address spells out each byte
// of a name that is not valid UTF-8, which the file's name as a QString cannot hold.
std::string NameInUrl(const QUrl& url) {
    if (!url.host().isEmpty()) return S(url.toLocalFile());
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

}  // namespace

std::string TFrmMain::DocumentPath() const { return lastOpenedFile_; }

bool TFrmMain::RestoreSnapshot(const std::string& snapshotPath, const std::string& documentPath,
                               std::string& error, bool& wantedMemory) {
    if (!LoadSnapshot(snapshotPath, error, wantedMemory)) return false;
    FinishOpen(Q(documentPath), documentPath);
    // The restored work was never saved; closing must not drop it silently.
    if (shownIsState_) SlotReused(FrmHistory->Ring().CurrentIndex());
    SetModified(true);
    return true;
}

void TFrmMain::StateShown(int slot, const std::string& documentPath) {
    // Undo may bring back a picture of an earlier file: the Save proposal names the
    // file it was opened from, and the title the file that holds it, if one does.
    shownIsState_ = true;
    if (!documentPath.empty()) {
        lastOpenedPath_ = Q(documentPath);
        lastOpenedFile_ = documentPath;
    }
    const QString held = FileHolding(slot);
    const auto recorded = stateFiles_.find(slot);
    ShowDocumentName(!held.isEmpty() ? held : recorded != stateFiles_.end() ? recorded->second : lastOpenedPath_);
    SetModified(held.isEmpty());
}

void TFrmMain::StatesDropped(const std::vector<int>& dropped) {
    shownIsState_ = false;
    // An open or save made while a dropped state was current named its slot, which
    // now holds an earlier picture, perhaps of another file, or no state at all.
    for (int slot : dropped) {
        SlotReused(slot);
        stateFiles_.erase(slot);
    }
}

void TFrmMain::FileHolds(const QString& path, int slot) {
    const QString file = QFileInfo(path).absoluteFilePath();
    const auto same = [&file](const std::pair<QString, int>& held) { return held.first == file; };
    filesHeld_.erase(std::remove_if(filesHeld_.begin(), filesHeld_.end(), same), filesHeld_.end());
    if (slot >= 0) filesHeld_.emplace_back(file, slot);
}

void TFrmMain::SlotReused(int slot) {
    const auto of = [slot](const std::pair<QString, int>& held) { return held.second == slot; };
    filesHeld_.erase(std::remove_if(filesHeld_.begin(), filesHeld_.end(), of), filesHeld_.end());
}

QString TFrmMain::FileHolding(int slot) const {
    for (auto held = filesHeld_.rbegin(); held != filesHeld_.rend(); ++held)
        if (held->second == slot) return held->first;
    return {};
}

void TFrmMain::ChangedOutsideHistory() {
    if (!doc_.ImageLoaded) return;
    shownIsState_ = false;
    SetModified(true);
}

std::unique_ptr<QFileDialog> TFrmMain::MakeOpenDialog() { return MakePictureOpenDialog(this, lastFolder_); }

std::unique_ptr<QFileDialog> TFrmMain::MakeSaveDialog(const SaveProposal& proposal) {
    return MakePictureSaveDialog(this, lastFolder_, proposal, [this](const QString& chosen, int filterIndex) {
        return PathToWrite(chosen, filterIndex);
    });
}

void TFrmMain::MenuItem_OpenClick() {
    if (tools_->Busy()) return;
    auto dialog = MakeOpenDialog();
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return;
    lastFolder_ = dialog->directory().absolutePath();
    OpenFile(dialog->selectedFiles().front());
}

bool TFrmMain::OpenFile(const QString& path) { return OpenFile(path, S(path)); }

bool TFrmMain::OpenFile(const QString& path, const std::string& file) {
    // A stroke under way keeps working on the layers it started with.
    if (tools_->Busy()) return false;
    // Opening leaves the earlier picture only in this run's history, which a normal
    // end deletes: changed work (restored work too) is offered a save first.
    if (modified_ && !SavedOrLetGo(QStringLiteral("opening another picture"))) return false;
    LayerState state = GetLayerState();
    std::vector<std::string> messages;
    bool ok = false;
    {
        WaitCursor busy;
        // The view composites what it shows, and every command that reads the whole
        // picture composites all of it first: a picture much larger than the view is
        // shown sooner, and one converted right away is never composited in full.
        ok = OpenDocumentFile(file, doc_, state, messages, Compositing::Later);
    }
    if (!ok) {
        for (const std::string& m : messages) ShowMessage(this, Q(m));
        return false;
    }
    // The layers are set before the "Open" state is recorded, so that going back to
    // that state shows the picture as it is shown now.
    SetLayerStateQuietly(state);
    FinishOpen(path, file);
    return true;
}

void TFrmMain::FinishOpen(const QString& path, const std::string& file) {
    doc_.Zoom = 1.0;
    FrmTools->EnableDrawTools();
    lastOpenedPath_ = path;
    lastOpenedFile_ = file;
    lastFolder_ = QFileInfo(path).absolutePath();
    shownIsState_ = FrmHistory->AddState(QString::fromLatin1(kOpenStateName), path);
    if (shownIsState_) {
        const int slot = FrmHistory->Ring().CurrentIndex();
        SlotReused(slot);
        stateFiles_[slot] = path;
        FileHolds(path, slot);
    }
    ShowDocumentName(path);
    SetModified(false);
    UpdateCommandStates();
    FrmTools->setEnabled(true);
    doc_.CurrentTool = ToolHand;
    FrmTools->PressHandButton();
    PaintBox1->ClearOverlay();
    UpdateScrollBars();
    RefreshView();
}

void TFrmMain::SetModified(bool modified) {
    modified_ = modified;
    setWindowModified(modified);
}

bool TFrmMain::SavedOrLetGo(const QString& what) {
    const SaveAnswer answer = AskSaveChanges(
        this, QStringLiteral("The picture has changed since it was last opened or saved.\nSave the changes before ") +
                  what + QLatin1Char('?'));
    // Only a save that was really written lets the work go.
    return answer == SaveAnswer::Discard || (answer == SaveAnswer::Save && SaveCommand());
}

void TFrmMain::ShowDocumentName(const QString& path) {
    // "[*]" is where the window shows its modified mark. The same three characters in
    // the file name are doubled, which the title shows as they are written.
    QString name = QFileInfo(path).fileName();
    shownPath_ = path;
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(name + QStringLiteral("[*] \u2014 ") + QString::fromLatin1(kMainCaption));
}

bool TFrmMain::SaveCommand() {
    if (!doc_.ImageLoaded) return false;
    CompositeAll();
    SaveProposal proposal = ProposeSaveName(S(lastOpenedPath_));
    // A folder the dialog cannot show (its name is not valid UTF-8) is left for the
    // nearest one it can; the proposal then names the folder, so that it stays.
    const QString openedFolder = QFileInfo(lastOpenedPath_).absolutePath();
    if (lastOpenedFile_ != S(lastOpenedPath_) && lastFolder_ == openedFolder && !QFileInfo(openedFolder).isDir())
        proposal.FileName = S(openedFolder) + '/' + proposal.FileName;
    auto dialog = MakeSaveDialog(proposal);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return false;
    lastFolder_ = QFileInfo(dialog->selectedFiles().front()).absolutePath();
    // A pending shape is committed before the write, so that what is saved is what is
    // shown; only then: a cancelled dialog leaves the object being edited.
    const ToolInfo* tool = FindTool(doc_.CurrentTool);
    if (tool && tool->Family == ToolFamily::Shape && tools_->Busy()) tools_->CommitShapeEdit();
    return SaveToFile(dialog->selectedFiles().front(), SelectedFilterIndex(*dialog));
}

bool TFrmMain::SaveToFile(const QString& chosenPath, int filterIndex) {
    if (!doc_.ImageLoaded) return false;
    const std::string path = PathToWrite(chosenPath, filterIndex);
    std::string message;
    bool ok = false;
    {
        WaitCursor busy;
        try {
            CompositeAll();
            ok = WriteDocumentFile(path, doc_, GetLayerState(), message);
        } catch (const std::bad_alloc&) {
            message = path + " could not be saved: not enough memory.";
        }
    }
    if (!ok) {
        ShowMessage(this, Q(message));
        return false;
    }
    ShowDocumentName(Q(path));
    // Undo and redo come back to this picture only if a state holds it.
    FileHolds(Q(path), shownIsState_ ? FrmHistory->Ring().CurrentIndex() : -1);
    SetModified(false);
    return true;
}

std::string TFrmMain::FileToWrite(const QString& chosen) const {
    const QFileInfo info(chosen);
    const QFileInfo shown(lastOpenedPath_);
    // Only a name as shown that names nothing stands for the file or folder opened; a
    // file or folder that has the name as shown is that one.
    if (lastOpenedFile_.empty() || lastOpenedFile_ == S(lastOpenedPath_) || info.exists()) return S(chosen);
    std::error_code failed;
    const std::filesystem::path opened = std::filesystem::absolute(lastOpenedFile_, failed);
    if (failed) return S(chosen);
    if (info.absoluteFilePath() == shown.absoluteFilePath()) return opened.string();
    // A name that begins as the open file's name without its extension is shown (the
    // name Save proposes for a picture does) begins with that name's own bytes.
    std::string name = S(info.fileName());
    const std::string stem = opened.stem().string();
    const std::string shownStem = S(Q(stem));
    const bool renamed = shownStem != stem && name.rfind(shownStem, 0) == 0;
    if (renamed) name = stem + name.substr(shownStem.size());
    if (info.absolutePath() == shown.absolutePath() && !QFileInfo(info.absolutePath()).isDir())
        return (opened.parent_path() / name).string();
    return renamed ? (std::filesystem::path(S(info.absolutePath())) / name).string() : S(chosen);
}

void TFrmMain::MenuItem_CopyClick() {
    if (!doc_.ImageLoaded) return;
    // A pending shape's handles are marks of the edit, not part of the picture.
    tools_->ShowAsCommitted();
    CompositeAll();
    const Bitmap& c = doc_.CompositeBmp;
    const QImage view(c.Data(), c.Width(), c.Height(), static_cast<qsizetype>(c.Stride()), QImage::Format_BGR888);
    // The clipboard keeps its own copy; the composite changes with the next edit.
    // Without memory for it the copy is null, and the clipboard keeps what it had.
    const QImage copy = view.copy();
    if (copy.isNull()) {
        ShowMessage(this, QStringLiteral("Not enough memory to copy the picture to the clipboard."));
        return;
    }
    QGuiApplication::clipboard()->setImage(copy);
}

void TFrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!MenuItem_Open->isEnabled() || !event->mimeData()->hasUrls()) return;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
}

void TFrmMain::dropEvent(QDropEvent* event) {
    if (!MenuItem_Open->isEnabled()) return;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            // The program the file came from waits for the drop to end; the open, with
            // any question or message it shows, comes after it, not inside it.
            const QString path = url.toLocalFile();
            const std::string file = NameInUrl(url);
            QMetaObject::invokeMethod(
                this,
                [this, path, file] {
                    if (MenuItem_Open->isEnabled()) OpenFile(path, file);
                },
                Qt::QueuedConnection);
            return;
        }
}

}  // namespace velmora
