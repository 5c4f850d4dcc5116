#pragma once
// The History window: the list of recorded states, undo, redo and jumps between states.
// Each state is a snapshot file in the history folder; the ring arithmetic is
// HistoryRing's, this window adds the files, the messages and the list. In the folder
// the run holds locked it also keeps an index, so that a start after a crash can offer
// the unfinished work, and it deletes its files when the run ends normally.

#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/History.h"
#include "history/HistoryRecovery.h"
#include "history/SnapshotWriter.h"

class QStatusBar;
class QTableWidget;

namespace velmora {

class HistoryDocument {  // implemented by the main window
public:
    virtual ~HistoryDocument() = default;
    // Writes the document (SketchBmp, ColorBmp, PhotoBmp, layer state) as a project file.
    virtual bool SaveSnapshot(const std::string& path, std::string& error) = 0;
    // Writes the document as it was taken earlier; runs on the history's writer thread.
    using SnapshotWrite = std::function<bool(const std::string& path, std::string& error)>;
    // Takes the document as it is now and returns the write of what was taken, which
    // runs while the user goes on working: it must save the document as it was when
    // taken, whatever changes it afterwards. An empty function makes the history call
    // SaveSnapshot on the calling thread instead.
    virtual SnapshotWrite CaptureSnapshot() { return {}; }
    // Reads the snapshot; on success installs the three layers and the layer state
    // quietly, sizes CompositeBmp and the scratch bitmaps, CurrentTool := 41 and presses
    // the hand button, UpdateScrollBars, RefreshView. On failure the document is
    // untouched and false is returned.
    virtual bool LoadSnapshot(const std::string& path, std::string& error) = 0;
    // Called after any change of the ring (add, undo, redo, jump): the main window
    // refreshes its Undo/Redo enabled states.
    virtual void HistoryChanged() = 0;
    // After undo, redo or a jump has loaded the state in `slot`, whose picture came
    // from the file `documentPath` (as DocumentPath() gave it when it was recorded).
    virtual void StateShown(int slot, const std::string& documentPath) {
        (void)slot;
        (void)documentPath;
    }
    // States whose snapshots could not be written were dropped: the document now
    // shows a picture that no state of the ring holds. `dropped` are the slots they
    // were recorded in, which hold what they held before, or nothing of this run.
    virtual void StatesDropped(const std::vector<int>& dropped) { (void)dropped; }
    // False while a tool's stroke or pending edit holds copies of the layers: moving
    // to another state then would leave the tool working on stale pixels.
    virtual bool CanChangeState() const { return true; }
    // Whether the folder adopted (AdoptFolder) is still this run's. One removed while
    // the run goes on may have been made again by another copy, whose files must be
    // left alone. With `remake`, a folder that is gone is made again for this run.
    // False with a message when it is not (or no longer) this run's.
    virtual bool HoldsHistoryFolder(bool remake, std::string& error) {
        (void)remake;
        error.clear();
        return true;
    }
    // The full name of the file the document was opened from, kept in the history's
    // index so that restored work gets its name back.
    virtual std::string DocumentPath() const { return {}; }
    // Opens a snapshot left by an earlier run as the document, as if `documentPath`
    // had just been opened (its name in the title and in the Save proposal) with the
    // snapshot's layers and layer state, and records it as a state; the document then
    // counts as changed. On failure the document is untouched and false is returned;
    // `wantedMemory` then tells a sound snapshot that memory could not hold from a
    // damaged one.
    virtual bool RestoreSnapshot(const std::string& snapshotPath, const std::string& documentPath,
                                 std::string& error, bool& wantedMemory) {
        (void)snapshotPath;
        (void)documentPath;
        wantedMemory = false;
        error = "Restoring earlier work is not possible here.";
        return false;
    }
};

class TFrmHistory : public QWidget {  // tool window, caption "History"
    Q_OBJECT
public:
    explicit TFrmHistory(HistoryDocument& doc, QWidget* parent = nullptr);
    // Finishes the snapshot writes still queued.
    ~TFrmHistory() override;

    // The folder of the snapshot files when this run holds no lock on one (see AdoptFolder).
    // Without any, AddState records nothing and says nothing.
    void SetHistoryFolder(const std::string& folder);
    // Makes `folder` the snapshot folder that this run holds locked. Only such a folder
    // gets an index after every change, is looked at for unfinished work and is emptied
    // at the end of the run. What an earlier run left there is judged now, before this
    // run writes anything: an unfinished run is kept for OfferRecovery, anything else is
    // deleted.
    void AdoptFolder(const std::string& folder);
    // At start-up, after SetHistoryStates: when AdoptFolder found an unfinished run,
    // asks whether to restore it; Yes opens its current state through
    // HistoryDocument::RestoreSnapshot, or the newest state before it whose snapshot
    // reads back whole when that one does not (and says so). Either way the earlier
    // run's files are then removed, leaving only what this run recorded, unless the
    // restore failed (short of memory, say) and `moveThisRun` found this run another
    // folder (adopted through AdoptFolder): then they stay where they are, for the
    // next start to offer again.
    // True when that happened; the new folder may hold an unfinished run of its own.
    bool OfferRecovery(const std::function<bool()>& moveThisRun = {});
    // The normal end of the run: deletes its snapshots and index and empties the ring.
    // A run that is killed never gets here, which is what leaves its work behind.
    void EndRun();
    // capacity := max(states, 0) + 1, once at start-up; empties the ring.
    void SetHistoryStates(int historyStates);

    // Records the document as the state after the current one. When the document can
    // be copied (CaptureSnapshot), the state is recorded at once and its snapshot is
    // written in the background; should that write fail, the user is told (naming the
    // file) once the failure is collected, and the ring goes back to what it was before
    // this state, dropping as well the states recorded after it. Otherwise the snapshot
    // is written here, and false means it could not be: the user was told and the ring
    // is exactly as before.
    bool AddState(const QString& name, const QString& detail);
    // Blocks until every queued snapshot is on disk (or failed), then handles the
    // results. Undo, redo, jumps and the end of the run call it first.
    void FinishWrites();
    // True while a snapshot write is queued or running.
    bool WritesPending() const;
    // Step back or forward one state. When the snapshot cannot be read the user is told
    // and the current state stays the one the document shows. After a step whose
    // snapshot could not be written, the document shows no state: Undo then takes back
    // that step alone, by loading the current state.
    void Undo();
    void Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    // Loads a listed state into the document and makes it current; slots that hold no
    // state of this run are ignored.
    void LoadState(int slot);
    // Rebuilds the list and selects the current state's row.
    void RefreshList();

    const HistoryRing& Ring() const { return ring_; }
    std::string HistoryFolder() const;
    std::string SlotPath(int slot) const;

    QTableWidget* StringGrid1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

signals:
    void closed();  // closed by its caption button: the main window unchecks MenuItem_History

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Reads a slot's snapshot into the document; tells the user when it cannot.
    bool LoadSlot(int slot);
    // The slot Undo loads: the current state when the document shows a step that
    // could not be recorded, else the state before it; -1 when there is none.
    int UndoSlot() const;
    // Loads `slot` and makes it current on success; then the list and the main window's
    // commands are brought up to date.
    void MoveTo(int slot);
    void StringGrid1SelectCell(int gridRow);
    void ResetGrid();
    // Rewrites the index of an adopted folder after the ring changed; `afterNewSnapshot`
    // when that change wrote a snapshot (see DropStaleIndex).
    void SaveIndex(bool afterNewSnapshot = false);
    // What becomes of the index in `folder` when it could not be rewritten.
    static void DropStaleIndex(const std::string& folder, bool afterNewSnapshot);
    // The ring as an index, under the document of its current state.
    HistoryIndex IndexNow() const;
    // Handles the writes that have finished: a failure drops its state (and the states
    // after it) and tells the user.
    void CollectWrites();

    // A state recorded before its snapshot was written, with the ring as it was before.
    struct PendingState {
        std::uint64_t Id = 0;
        int Slot = 0;
        std::string Path;
        HistoryRing Before;
    };

    HistoryDocument& doc_;
    HistoryRing ring_;
    std::string folder_;
    bool SelectingRow = false;
    bool ownFolder_ = false;
    // False while the document shows a step that could not be recorded, which the
    // current state does not hold.
    bool shownIsCurrent_ = true;
    // Set once this run has written a snapshot; an earlier run's files may then have
    // been overwritten, so they are no longer offered.
    bool wroteThisRun_ = false;
    std::optional<UnfinishedRun> unfinished_;
    std::deque<PendingState> pending_;
    // Counts the collected failures that took states out of the ring.
    std::uint64_t drops_ = 0;
    std::unique_ptr<SnapshotWriter> writer_;
};

}  // namespace velmora
