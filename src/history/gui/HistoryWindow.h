#pragma once
// The History window: the list of recorded states, undo, redo and jumps between states.
// Each state is a snapshot file in the history folder; the ring arithmetic is
// HistoryRing's, this window adds the files, the messages and the list.

#include <QString>
#include <QWidget>
#include <string>

#include "history/History.h"

class QStatusBar;
class QTableWidget;

namespace velmora {

class HistoryDocument {  // implemented by the main window
public:
    virtual ~HistoryDocument() = default;
    // Writes the document (SketchBmp, ColorBmp, PhotoBmp, layer state) as a project file.
    virtual bool SaveSnapshot(const std::string& path, std::string& error) = 0;
    // Reads the snapshot; on success installs the three layers and the layer state
    // quietly, sizes CompositeBmp and the scratch bitmaps, CurrentTool := 41 and presses
    // the hand button, UpdateScrollBars, RefreshView. On failure the document is
    // untouched and false is returned.
    virtual bool LoadSnapshot(const std::string& path, std::string& error) = 0;
    // Called after any change of the ring (add, undo, redo, jump): the main window
    // refreshes its Undo/Redo enabled states.
    virtual void HistoryChanged() = 0;
    // False while a tool's stroke or pending edit holds copies of the layers: moving
    // to another state then would leave the tool working on stale pixels.
    virtual bool CanChangeState() const { return true; }
};

class TFrmHistory : public QWidget {  // tool window, caption "History"
    Q_OBJECT
public:
    explicit TFrmHistory(HistoryDocument& doc, QWidget* parent = nullptr);

    // The folder of the snapshot files; until it is set, "history" in the program folder.
    void SetHistoryFolder(const std::string& folder);
    // capacity := max(states, 0) + 1, once at start-up; empties the ring.
    void SetHistoryStates(int historyStates);

    // Records the document as the state after the current one. False when the snapshot
    // could not be written: the user was told (naming the file) and the ring is exactly
    // as before.
    bool AddState(const QString& name, const QString& detail);
    // Step back or forward one state. When the snapshot cannot be read the user is told
    // and the current state stays the one the document shows.
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
    // Loads `slot` and makes it current on success; then the list and the main window's
    // commands are brought up to date.
    void MoveTo(int slot);
    void StringGrid1SelectCell(int gridRow);
    void ResetGrid();

    HistoryDocument& doc_;
    HistoryRing ring_;
    std::string folder_;
    bool SelectingRow = false;
};

}  // namespace velmora
