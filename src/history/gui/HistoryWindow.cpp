#include "history/gui/HistoryWindow.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <new>

#include "common/gui/Messages.h"
#include "history/HistoryIndex.h"

namespace velmora {

namespace {

constexpr int kRowHeight = 18;
constexpr int kNameColumn = 1;
constexpr int kDetailColumn = 2;

// The fixed column at the left of each row, drawn like a header and never selected.
QTableWidgetItem* FixedCell(const QPalette& palette) {
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::NoItemFlags);
    item->setBackground(palette.button());
    return item;
}

// A failure message that names the snapshot file once, says what went wrong and what
// it means for the user.
QString SnapshotMessage(const std::string& path, const std::string& error, const char* failure,
                        const char* consequence) {
    QString text;
    if (error.empty() || error.find(path) == std::string::npos)
        text = QString::fromStdString(path) + QString::fromLatin1(failure);
    if (!error.empty()) text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromStdString(error);
    return text + QLatin1Char('\n') + QString::fromLatin1(consequence);
}

// The list of states. Selecting a row loads its state, so a letter typed into the list
// must not select the first state whose name starts with it, as a list's type-ahead
// search would: the letter is more likely a tool key meant for the picture, and the
// document would silently go back to an earlier state, whose next edit drops the later
// ones. The arrow keys still move through the list.
class StateGrid : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    void keyboardSearch(const QString&) override {}
};

QTableWidgetItem* TextCell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

TFrmHistory::TFrmHistory(HistoryDocument& doc, QWidget* parent)
    : QWidget(parent, Qt::Tool), doc_(doc), ring_(HistoryRing::kDefaultCapacity) {
    setWindowTitle(QStringLiteral("History"));
    setObjectName(QStringLiteral("FrmHistory"));
    resize(243, 214);

    StringGrid1 = new StateGrid(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setColumnCount(3);
    StringGrid1->setHorizontalHeaderLabels({QString(), QStringLiteral("Operate"), QString()});
    QHeaderView* header = StringGrid1->horizontalHeader();
    header->setMinimumSectionSize(1);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setFixedHeight(kRowHeight);
    StringGrid1->setColumnWidth(0, 11);
    StringGrid1->setColumnWidth(kNameColumn, 172);
    StringGrid1->setColumnWidth(kDetailColumn, 368);
    StringGrid1->verticalHeader()->setVisible(false);
    StringGrid1->verticalHeader()->setMinimumSectionSize(1);
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setWordWrap(false);
    StringGrid1->setShowGrid(true);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(StringGrid1);
    layout->addWidget(StatusBar1);

    ResetGrid();
    // The writer thread only wakes the window; the results are handled here, on the
    // user-interface thread. A wake-up still queued when the window goes is dropped
    // with it.
    writer_ = std::make_unique<SnapshotWriter>(
        [this] { QMetaObject::invokeMethod(this, [this] { CollectWrites(); }, Qt::QueuedConnection); });
    connect(StringGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid()) StringGrid1SelectCell(current.row());
            });
    // A press on the row that is already current moves no selection, so only this
    // sees it. After a step that could not be recorded, that row's state is not what
    // the picture shows, and the press takes the step back, as Undo does.
    connect(StringGrid1, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        if (!shownIsCurrent_ && index.isValid() && index.row() == ring_.CurrentRow() - 1)
            MoveTo(ring_.CurrentIndex());
    });
}

TFrmHistory::~TFrmHistory() {
    // The writer's jobs hold their own copies of the document, so they can finish
    // after the document is gone; the thread must be stopped before the window is.
    writer_.reset();
}

void TFrmHistory::ResetGrid() {
    // One empty row under the header, as before the first state.
    SelectingRow = true;
    StringGrid1->clearContents();
    StringGrid1->setRowCount(1);
    StringGrid1->setItem(0, 0, FixedCell(palette()));
    SelectingRow = false;
}

void TFrmHistory::SetHistoryFolder(const std::string& folder) { folder_ = folder; }

void TFrmHistory::AdoptFolder(const std::string& folder) {
    folder_ = folder;
    ownFolder_ = true;
    unfinished_ = FindUnfinishedRun(folder);
    // Snapshots without a usable index (an older program's, or a damaged index's) can
    // never be restored; they would only take up room.
    if (!unfinished_) {
        std::string ignored;
        RemoveRunFiles(folder, ignored);
    }
}

bool TFrmHistory::OfferRecovery(const std::function<bool()>& moveThisRun) {
    if (!unfinished_) return false;
    const UnfinishedRun run = std::move(*unfinished_);
    unfinished_.reset();
    // This run's own snapshots may have replaced some of the earlier run's; what is
    // left of it can no longer be trusted and goes at the end of this run.
    if (wroteThisRun_) return false;
    FinishWrites();

    const QString when = QLocale().toString(QDateTime::fromSecsSinceEpoch(run.SavedAt), QLocale::ShortFormat);
    const QString text = QStringLiteral("Velmora did not close properly. Restore the work from %1 (%2, state \"%3\")?")
                             .arg(when, QString::fromStdString(run.DocumentName()),
                                  QString::fromStdString(run.Restorable.front().Name));
    QWidget* owner = parentWidget() ? parentWidget() : this;
    if (AskYesNo(owner, text, QStringLiteral("Restore work"))) {
        // Only the newest snapshot's damage is told, with the state that came back instead.
        const UnfinishedRun::State& newest = run.Restorable.front();
        std::string newestError;
        for (const UnfinishedRun::State& state : run.Restorable) {
            std::string error;
            bool wantedMemory = false;
            if (doc_.RestoreSnapshot(state.SnapshotPath, run.Index.DocumentPath, error, wantedMemory)) {
                if (&state != &newest) {
                    const std::string restored = "The work was restored as it was at state \"" + state.Name + "\".";
                    ShowMessage(owner, SnapshotMessage(newest.SnapshotPath, newestError, " could not be read.",
                                                       restored.c_str()));
                }
                break;
            }
            // Too little memory now may pass, and these files are the only copy of that
            // work: they stay untouched while this run works elsewhere.
            if (wantedMemory && moveThisRun && moveThisRun()) {
                ShowMessage(owner, SnapshotMessage(state.SnapshotPath, error, " could not be read.",
                                                   "The earlier work could not be restored now. It is kept, "
                                                   "and offered again at the next start."));
                return true;
            }
            if (&state == &newest) newestError = error;
            // A damaged snapshot would fail again at every start; the state before it,
            // written earlier, is more likely to have reached the disk whole.
            if (wantedMemory || &state == &run.Restorable.back()) {
                ShowMessage(owner, SnapshotMessage(wantedMemory ? state.SnapshotPath : newest.SnapshotPath,
                                                   wantedMemory ? error : newestError, " could not be read.",
                                                   "The earlier work could not be restored."));
                break;
            }
        }
    }
    // The restored state was written anew as this run's first state (which may reuse
    // the very slot it came from); everything else of the earlier run goes, once that
    // write is finished.
    FinishWrites();
    std::string ignored;
    if (!wroteThisRun_) {
        RemoveRunFiles(HistoryFolder(), ignored);
    } else if (ring_.Count() > 0) {
        RemoveSnapshotsOutside(HistoryFolder(), ring_, ignored);
    } else {
        // That write failed (and said so): the earlier run's snapshot is still the only
        // copy of the work on disk, so it stays, under its own index, for the next start
        // should this run end badly too.
        WriteHistoryIndex(HistoryFolder(), run.Index, ignored);
    }
    return false;
}

void TFrmHistory::EndRun() {
    if (!ownFolder_) return;
    // A write still running would leave its file (and an index) behind the removal.
    FinishWrites();
    pending_.clear();
    unfinished_.reset();
    std::string ignored;
    // A folder that another copy took after this run's was removed holds its files.
    if (doc_.HoldsHistoryFolder(false, ignored)) RemoveRunFiles(HistoryFolder(), ignored);
    // The ring must not point at files that are gone, should the window live on.
    ring_.Reset(ring_.Capacity());
    shownIsCurrent_ = true;
    wroteThisRun_ = false;
    ResetGrid();
}

HistoryIndex TFrmHistory::IndexNow() const { return IndexOfRing(ring_, ring_.Document(ring_.CurrentIndex())); }

void TFrmHistory::SaveIndex(bool afterNewSnapshot) {
    std::string ignored;
    if (!ownFolder_ || !doc_.HoldsHistoryFolder(false, ignored)) return;
    if (!WriteHistoryIndex(HistoryFolder(), IndexNow(), ignored))
        DropStaleIndex(HistoryFolder(), afterNewSnapshot);
}

void TFrmHistory::DropStaleIndex(const std::string& folder, bool afterNewSnapshot) {
    // An index that could not be rewritten (a full disk) stays after a move or a
    // dropped state: they write over no snapshot, so the state it names as current is
    // still whole, and restoring it beats losing the work to a crash. A new snapshot
    // may have taken the very slot it names, perhaps with another document's picture,
    // so after one no index is the safer loss.
    if (!afterNewSnapshot) return;
    std::error_code ignored;
    std::filesystem::remove(HistoryIndexPath(folder), ignored);
}

std::string TFrmHistory::HistoryFolder() const { return folder_; }

std::string TFrmHistory::SlotPath(int slot) const { return HistoryRing::SlotPath(HistoryFolder(), slot); }

void TFrmHistory::SetHistoryStates(int historyStates) {
    FinishWrites();
    pending_.clear();
    ring_.Reset(HistoryRing::CapacityForStates(historyStates));
    shownIsCurrent_ = true;
    ResetGrid();
}

bool TFrmHistory::CanUndo() const { return UndoSlot() >= 0; }

int TFrmHistory::UndoSlot() const {
    if (!shownIsCurrent_ && ring_.IsValidSlot(ring_.CurrentIndex())) return ring_.CurrentIndex();
    return ring_.UndoTarget();
}

bool TFrmHistory::CanRedo() const { return ring_.CanRedo(); }

bool TFrmHistory::AddState(const QString& name, const QString& detail) {
    // Without a folder this run records nothing, as the user was told at its start;
    // snapshots must not land in whatever the current folder happens to be.
    if (HistoryFolder().empty()) return false;
    // A failure collected now may still move the slot this state goes to.
    CollectWrites();
    std::string folderError;
    if (ownFolder_ && !doc_.HoldsHistoryFolder(true, folderError)) {
        // Writing there would overwrite, and at the end delete, another copy's states.
        shownIsCurrent_ = false;
        ShowMessage(this, QString::fromStdString(folderError) +
                              QStringLiteral("\nThis step was not recorded in the history."));
        return false;
    }
    std::error_code ignored;
    std::filesystem::create_directories(HistoryFolder(), ignored);
    HistoryDocument::SnapshotWrite write;
    try {
        write = doc_.CaptureSnapshot();
    } catch (const std::bad_alloc&) {
        // No room for a copy: the state is written from the document itself, now.
        write = {};
    }
    if (!write) {
        // Written here, in order after any queued write. The slot is only claimed once
        // its snapshot is on disk, so a failed write leaves every index, name and file
        // of the ring as it was. A queued write that failed has just moved the ring
        // back, so the slot is chosen only now.
        FinishWrites();
        const std::string path = SlotPath(ring_.NextSlot());
        std::string error;
        if (!doc_.SaveSnapshot(path, error)) {
            shownIsCurrent_ = false;
            ShowMessage(this, SnapshotMessage(path, error, " could not be written.",
                                              "This step was not recorded in the history."));
            return false;
        }
        ring_.CommitAdd(name.toStdString(), detail.toStdString(), doc_.DocumentPath());
        shownIsCurrent_ = true;
        wroteThisRun_ = true;
        SaveIndex(true);
        RefreshList();
        doc_.HistoryChanged();
        return true;
    }

    const int slot = ring_.NextSlot();
    const std::string path = SlotPath(slot);
    PendingState pending{0, slot, path, ring_};
    ring_.CommitAdd(name.toStdString(), detail.toStdString(), doc_.DocumentPath());
    shownIsCurrent_ = true;
    wroteThisRun_ = true;
    SnapshotWriter::Job job;
    if (ownFolder_) {
        // The index is written right after the snapshot, so that it only ever names
        // states whose files are complete.
        job = [write = std::move(write), path, folder = HistoryFolder(),
               index = IndexNow()](std::string& error) {
            if (!write(path, error)) return false;
            std::string ignored;
            if (!WriteHistoryIndex(folder, index, ignored)) DropStaleIndex(folder, true);
            return true;
        };
    } else {
        job = [write = std::move(write), path](std::string& error) { return write(path, error); };
    }
    pending.Id = writer_->Enqueue(std::move(job));
    pending_.push_back(std::move(pending));
    RefreshList();
    doc_.HistoryChanged();
    return true;
}

void TFrmHistory::FinishWrites() {
    if (!writer_) return;
    writer_->WaitAll();
    CollectWrites();
}

bool TFrmHistory::WritesPending() const { return writer_ && writer_->Busy(); }

void TFrmHistory::CollectWrites() {
    if (!writer_) return;
    std::vector<int> dropped;
    for (const SnapshotWriter::Result& result : writer_->TakeResults()) {
        // Results of states already dropped with an earlier failure match nothing.
        if (pending_.empty() || pending_.front().Id != result.Id) continue;
        PendingState state = std::move(pending_.front());
        pending_.pop_front();
        if (result.What == SnapshotWriter::Outcome::Written) continue;
        // Every later state was recorded on top of this one and was not written.
        ring_ = std::move(state.Before);
        shownIsCurrent_ = false;
        dropped.push_back(state.Slot);
        for (const PendingState& later : pending_) dropped.push_back(later.Slot);
        pending_.clear();
        if (result.What == SnapshotWriter::Outcome::Failed)
            ShowMessage(this, SnapshotMessage(state.Path, result.Error, " could not be written.",
                                              "This step was not recorded in the history."));
    }
    if (dropped.empty()) return;
    ++drops_;
    doc_.StatesDropped(dropped);
    SaveIndex();
    // An emptied ring shows the single blank row, as before the first state.
    if (ring_.FirstIndex() == ring_.LastIndex())
        ResetGrid();
    else
        RefreshList();
    doc_.HistoryChanged();
}

bool TFrmHistory::LoadSlot(int slot) {
    const std::string path = SlotPath(slot);
    std::string error;
    if (doc_.LoadSnapshot(path, error)) return true;
    ShowMessage(this, SnapshotMessage(path, error, " could not be read.", "The picture stays as it was."));
    return false;
}

void TFrmHistory::MoveTo(int slot) {
    FinishWrites();
    if (!doc_.CanChangeState()) {
        RefreshList();
        return;
    }
    // The document only changes when the snapshot was read in full, so on failure the
    // current index must stay on the state the document still shows.
    if (ring_.IsValidSlot(slot) && LoadSlot(slot)) {
        ring_.SetCurrent(slot);
        shownIsCurrent_ = true;
        doc_.StateShown(slot, ring_.Document(slot));
        SaveIndex();
    }
    RefreshList();
    doc_.HistoryChanged();
}

void TFrmHistory::Undo() {
    // The target may be a state whose snapshot is still being written, or one that a
    // failed write is about to drop.
    FinishWrites();
    const int target = UndoSlot();
    if (target < 0) {
        RefreshList();
        return;
    }
    MoveTo(target);
}

void TFrmHistory::Redo() {
    FinishWrites();
    const int target = ring_.RedoTarget();
    if (target < 0) {
        RefreshList();
        return;
    }
    MoveTo(target);
}

void TFrmHistory::LoadState(int slot) {
    FinishWrites();
    if (!ring_.IsValidSlot(slot)) return;
    MoveTo(slot);
}

void TFrmHistory::RefreshList() {
    if (ring_.FirstIndex() == ring_.LastIndex()) return;
    const int count = ring_.Count();
    SelectingRow = true;
    StringGrid1->setRowCount(count);
    const QColor redoText(128, 128, 128);
    for (int row = 1; row <= count; ++row) {
        const int slot = ring_.SlotOfRow(row);
        const int gridRow = row - 1;
        if (!StringGrid1->item(gridRow, 0)) StringGrid1->setItem(gridRow, 0, FixedCell(palette()));
        QTableWidgetItem* name = TextCell(QString::fromStdString(ring_.Name(slot)));
        QTableWidgetItem* detail = TextCell(QString::fromStdString(ring_.Detail(slot)));
        // States that Redo would bring back: gray text on white from the cell's corner.
        if (ring_.IsRedoRow(row)) {
            for (QTableWidgetItem* item : {name, detail}) {
                item->setForeground(redoText);
                item->setBackground(Qt::white);
                item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
            }
        }
        StringGrid1->setItem(gridRow, kNameColumn, name);
        StringGrid1->setItem(gridRow, kDetailColumn, detail);
    }
    // Current cell and selection both go to the current state's row; a click that
    // could not be followed may have left them apart.
    const int currentGridRow = ring_.CurrentRow() - 1;
    if (currentGridRow >= 0) {
        StringGrid1->selectionModel()->setCurrentIndex(
            StringGrid1->model()->index(currentGridRow, kNameColumn),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    SelectingRow = false;
}

void TFrmHistory::StringGrid1SelectCell(int gridRow) {
    if (SelectingRow || ring_.FirstIndex() == ring_.LastIndex()) return;
    // The row stands for a state of the list as it was clicked. A queued write that
    // fails takes its state and the later ones out, and the rows then stand for other
    // states: such a click is not followed.
    const std::uint64_t drops = drops_;
    FinishWrites();
    if (drops == drops_) {
        const int slot = ring_.SlotOfRow(gridRow + 1);
        if (slot < 0 || slot == ring_.CurrentIndex()) return;
        MoveTo(slot);
        if (ring_.CurrentIndex() == slot) return;
    }
    // The click that started this goes on to select the clicked row after this
    // handler returns; put the selection back on the current state afterwards.
    QMetaObject::invokeMethod(this, &TFrmHistory::RefreshList, Qt::QueuedConnection);
}

void TFrmHistory::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    RefreshList();
}

void TFrmHistory::closeEvent(QCloseEvent* event) {
    SelectingRow = false;
    QWidget::closeEvent(event);
    emit closed();
}

}  // namespace velmora
