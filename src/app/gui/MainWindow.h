#pragma once
// The main window: the host of the document. It owns the document and the windows
// around it, and carries the menus and tool bar through which every command starts.
// The commands come from one table (MainCommands.cpp), the central area is a
// Viewport, and the four tool windows are kept by a ToolWindowSet.

#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/DocumentFiles.h"
#include "document/Document.h"
#include "document/DocumentHost.h"
#include "history/LayerSnapshot.h"
#include "history/gui/HistoryWindow.h"
#include "tools/gui/ToolHost.h"
#include "view/ToolRouting.h"
#include "view/ViewMath.h"

class QAction;
class QFileDialog;
class QLabel;
class QScrollBar;
class QToolBar;

namespace velmora {

class CanvasView;
class HistoryFolderLock;
class TFrmAbout;
class TFrmLayers;
class TFrmOptions;
class TFrmToolOption;
class TFrmTools;
class ToolController;
class ToolWindowSet;
class Viewport;

class TFrmMain : public QMainWindow, public DocumentHost, public HistoryDocument, public ToolHost {
    Q_OBJECT
public:
    // `programFolder` holds the presets, options, help and history of this run.
    explicit TFrmMain(std::string programFolder, QWidget* parent = nullptr);
    ~TFrmMain() override;
    void setVisible(bool visible) override;

    // DocumentHost
    Document& Doc() override { return doc_; }
    LayerState GetLayerState() const override;
    void SetLayerStateQuietly(const LayerState& state) override;
    void RefreshView() override;
    void SetViewPreview(std::function<void()> preview) override { viewPreview_ = std::move(preview); }
    void UpdateScrollBars() override;
    void UpdateCommandStates() override;
    bool AddState(const std::string& name, const std::string& detail) override;
    std::string ProgramFolder() const override;
    Options& Preferences() override;

    // HistoryDocument
    bool SaveSnapshot(const std::string& path, std::string& error) override;
    SnapshotWrite CaptureSnapshot() override;
    bool LoadSnapshot(const std::string& path, std::string& error) override;
    // The same, telling whether it failed for want of memory rather than a damaged file.
    bool LoadSnapshot(const std::string& path, std::string& error, bool& wantedMemory);
    void HistoryChanged() override;
    bool CanChangeState() const override;
    bool HoldsHistoryFolder(bool remake, std::string& error) override;
    std::string DocumentPath() const override;
    bool RestoreSnapshot(const std::string& snapshotPath, const std::string& documentPath,
                         std::string& error, bool& wantedMemory) override;
    void StateShown(int slot, const std::string& documentPath) override;
    void StatesDropped(const std::vector<int>& dropped) override;

    // ToolHost, and the document and view operations used by the dialogs.
    void CompositeRect(const Rect& r) override;
    void CompositeAll() override { DocumentHost::CompositeAll(); }
    void PaintView() override;
    void PaintImageRect(const Rect& r) override;
    void RefreshToolOverlay();
    void ShowToolOptionPage() override;
    void DisableDocumentCommands() override;
    void SetOverlay(ViewOverlay overlay) override;
    void SetShapeCursor(Qt::CursorShape shape) override;
    // The key handlers the Tools and Tool Option windows pass their keys to. A press
    // that was a tool key is accepted.
    void FormKeyDown(QKeyEvent* event);
    void FormKeyUp(int qtKey);
    // The drawing tools behind the paint box.
    ToolController& Tools() { return *tools_; }

    // File, Open after its dialog; also the command line and dropped files. Changed
    // work is offered a save first. True when the document was replaced; otherwise
    // the user was told or declined, and nothing changed.
    bool OpenFile(const QString& path);
    // The same for a file named as the system spells it, `file`, shown as `path`: a
    // name that is not valid UTF-8 has no exact QString (the command line gives such).
    bool OpenFile(const QString& path, const std::string& file);
    // File, Save after its dialog: completes the extension by the filter index and
    // writes. True when written; otherwise the user was told.
    bool SaveToFile(const QString& chosenPath, int filterIndex);
    // The two dialogs as the commands configure them (Qt's own, never native).
    std::unique_ptr<QFileDialog> MakeOpenDialog();
    std::unique_ptr<QFileDialog> MakeSaveDialog(const SaveProposal& proposal);
    // Places the four tool windows against the given desktop rectangle, made up of
    // the work areas `screens` (none: one screen that is the whole desktop).
    void PlaceToolWindows(const QRect& desktop, const QList<QRect>& screens = {});

    // Changed since it was last opened or saved (closing asks before discarding).
    bool Modified() const { return modified_; }
    const QString& LastOpenedPath() const { return lastOpenedPath_; }
    // The paint box with its scroll bars.
    Viewport& View() const { return *viewport_; }
    int HorzPosition() const;
    int VertPosition() const;

    // Commands.
    void MenuItem_OpenClick();
    // The Save command: its dialog, then the write. True when the picture was saved.
    bool SaveCommand();
    void MenuItem_OptionsClick();
    void MenuItem_UndoClick();
    void MenuItem_RedoClick();
    void MenuItem_CopyClick();
    void MenuItem_ZoomInClick();
    void MenuItem_ZoomOutClick();
    void MenuItem_ActualPixelsClick();
    // The largest zoom at which the whole picture fits the view.
    void MenuItem_FitInWindowClick();
    void Content1Click();
    void About1Click();
    void VelmoraHomePage1Click();
    // A conversion, with the named preset from the program folder loaded (none: the
    // dialog's own values).
    void RunConversionWith(const char* presetFile);

    // Controls, named as the rest of the program knows them. Tool-bar buttons that
    // are bound to a menu command share its action.
    QAction* MenuItem_Open = nullptr;
    QAction* MenuItem_SaveAs = nullptr;
    QAction* MenuItem_Options = nullptr;
    QAction* MenuItem_Exit = nullptr;
    QAction* MenuItem_Undo = nullptr;
    QAction* MenuItem_Redo = nullptr;
    QAction* MenuItem_Copy = nullptr;
    QAction* MenuItem_Classic = nullptr;
    QAction* MenuItem_Cartoon = nullptr;
    QAction* MenuItem_Sketch = nullptr;
    QAction* MenuItem_Linedrawing = nullptr;
    QAction* MenuItem_Canvas = nullptr;
    QAction* MenuItem_BrightContrast = nullptr;
    QAction* MenuItem_Saturation = nullptr;
    QAction* MenuItem_ColorBalance = nullptr;
    QAction* MenuItem_Blur = nullptr;
    QAction* MenuItem_ZoomIn = nullptr;
    QAction* MenuItem_ZoomOut = nullptr;
    QAction* MenuItem_ActualPixels = nullptr;
    QAction* MenuItem_FitInWindow = nullptr;
    QAction* MenuItem_History = nullptr;
    QAction* MenuItem_Layers = nullptr;
    QAction* MenuItem_Tools = nullptr;
    QAction* MenuItem_ToolOption = nullptr;
    QAction* Content1 = nullptr;
    QAction* About1 = nullptr;
    QAction* VelmoraHomePage1 = nullptr;
    QAction* Tol_History = nullptr;
    QAction* Tol_Layers = nullptr;
    QAction* Tol_Tools = nullptr;
    QAction* Tol_ToolOption = nullptr;

    QToolBar* ToolBar1 = nullptr;
    CanvasView* PaintBox1 = nullptr;
    QScrollBar* HorzScrollBar = nullptr;
    QScrollBar* VertScrollBar = nullptr;
    QLabel* StatusPanels[3] = {nullptr, nullptr, nullptr};

    TFrmOptions* FrmOptions = nullptr;
    TFrmHistory* FrmHistory = nullptr;
    TFrmAbout* FrmAbout = nullptr;
    TFrmLayers* FrmLayers = nullptr;
    TFrmTools* FrmTools = nullptr;
    TFrmToolOption* FrmToolOption = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // MainCommands.cpp: the actions, menus and tool bar from the command table, and
    // each command's enabled state by its rule (only undo and redo when historyOnly).
    void CreateCommands();
    void ApplyCommandRules(bool historyOnly);
    void CreateCentralArea();
    void CreateToolWindows();
    void FormShow();
    void FormResize();

    // MainFiles.cpp: opening, saving, copying, and which file the picture shown is.
    // `path` is the file as shown, `file` as the system spells it.
    void FinishOpen(const QString& path, const std::string& file);
    // The file a path chosen in the save dialog names. The dialog shows a folder or
    // file name that is not valid UTF-8 with replacement characters; the folder and the
    // file that are open, chosen as shown, are the ones written, not new ones, and a
    // name that begins with the open file's name as shown begins with its real name.
    std::string FileToWrite(const QString& chosen) const;
    // That file with the extension of the type chosen (1-based filter index) added:
    // what Save writes, and what the save dialog asks about replacing.
    std::string PathToWrite(const QString& chosen, int filterIndex) const {
        return CompleteSaveName(FileToWrite(chosen), filterIndex);
    }
    // Changed since the last open or save: the close question and the title's mark.
    void SetModified(bool modified);
    // Asks whether to save changed work before `what` ("closing Velmora"); true when
    // the work was saved or the user let it go.
    bool SavedOrLetGo(const QString& what);
    // The title names the document: "photo.jpg[*] — Velmora Professional Edition".
    void ShowDocumentName(const QString& path);
    void SetZoom(double zoom);
    void ApplyZoomStates();
    // Where the paint box's mouse events go for the current tool and zoom.
    ToolRouting RouteOf() const;
    void ImagePressed(int x, int y, const MouseState& state);
    void ImageMoved(int x, int y, const MouseState& state);
    // A press on the picture whose button is up in fact lost its release to another
    // window; it ends here, as its release would end it. `pressedElsewhere` is a button
    // just pressed off the picture, so up before that press whatever the system says now.
    void FinishLostPresses(Qt::MouseButtons pressedElsewhere = Qt::NoButton);
    // A zoom or a scroll has put other pixels under a pointer resting on the picture:
    // the tool finds what is under it now, as a move of the mouse would.
    void PictureMovedUnderPointer();
    void OpenInViewer(const QUrl& url, const QString& what);

    Document doc_;
    // The preview of the dialog open over the view, and whether it is being computed.
    std::function<void()> viewPreview_;
    bool previewing_ = false;
    bool Destroying = false;
    bool shown_ = false;
    bool modified_ = false;
    // The files opened or saved in this run, each with the history state whose picture
    // it holds, the latest last: undo or redo back to such a state leaves nothing to
    // save, and the title names the file that holds it.
    std::vector<std::pair<QString, int>> filesHeld_;
    // For each state, the file the title named when it was recorded: the file that work
    // was on, which the title names again when undo or redo comes back to it unsaved.
    std::map<int, QString> stateFiles_;
    // The file the title names now.
    QString shownPath_;
    // `path` now holds the picture of state `slot` (-1: of no state).
    void FileHolds(const QString& path, int slot);
    // The state in `slot` is gone, or its slot holds another state now.
    void SlotReused(int slot);
    // The file written last that holds state `slot`; empty if none does.
    QString FileHolding(int slot) const;
    // Whether the picture shown is the current history state exactly: not after a
    // dropped snapshot write or a Layers window change, which record no state.
    bool shownIsState_ = false;
    // A change of the picture that records no state.
    void ChangedOutsideHistory();
    QString lastOpenedPath_;
    // The same file as the system spells it, which may not be valid UTF-8.
    std::string lastOpenedFile_;
    QString lastFolder_;
    Viewport* viewport_ = nullptr;
    ToolWindowSet* toolWindows_ = nullptr;
    std::unique_ptr<ToolController> tools_;
    const std::string programFolder_;
    std::unique_ptr<HistoryFolderLock> historyLock_;
    // Folders of earlier runs whose work could not be restored, held for the next start.
    std::vector<std::unique_ptr<HistoryFolderLock>> keptRunLocks_;
    QString historyLockError_;
    // The copy of the layers a snapshot write finished with, kept so that the next
    // snapshot copies into memory that is already mapped instead of fresh pages.
    std::shared_ptr<LayerSnapshot::Spare> snapshotSpare_ = std::make_shared<LayerSnapshot::Spare>();
};

}  // namespace velmora
