#include "app/gui/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <new>

#include "app/ProgramFolder.h"
#include "app/Version.h"
#include "app/gui/AboutWindow.h"
#include "app/gui/FileDialogs.h"
#include "app/gui/ToolWindowSet.h"
#include "common/gui/Messages.h"
#include "conversion/gui/RunConversion.h"
#include "document/gui/LayersWindow.h"
#include "history/HistoryFolder.h"
#include "history/LayerSnapshot.h"
#include "io/ProjectFile.h"
#include "prefs/gui/OptionsDialog.h"
#include "tools/ToolTable.h"
#include "tools/gui/ToolController.h"
#include "tools/gui/ToolOptionWindow.h"
#include "tools/gui/ToolsWindow.h"
#include "view/gui/CanvasView.h"
#include "view/gui/Viewport.h"

namespace velmora {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TFrmMain::TFrmMain(std::string programFolder, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)) {
    setWindowTitle(QString::fromLatin1(kMainCaption));
    setMinimumSize(377, 254);
    setAcceptDrops(true);

    CreateCommands();
    CreateCentralArea();
    resize(412, 270 + menuBar()->sizeHint().height() + ToolBar1->sizeHint().height() +
                     statusBar()->sizeHint().height());
    CreateToolWindows();
}

TFrmMain::~TFrmMain() {
    Destroying = true;
    // A tool window that goes away loses the focus, and a number typed into one of its
    // boxes is taken then and redraws the tool's outline or object. The windows are
    // hidden first, while the tools they report to are still there.
    for (QWidget* window : {static_cast<QWidget*>(FrmToolOption), static_cast<QWidget*>(FrmTools),
                            static_cast<QWidget*>(FrmLayers), static_cast<QWidget*>(FrmHistory)})
        window->hide();
    // The tool windows hold references to the document and to this window; they go
    // first, while both are still whole.
    tools_.reset();
    // A normal end: the run's snapshots go before the folder's lock is released.
    FrmHistory->EndRun();
    delete FrmToolOption;
    delete FrmTools;
    delete FrmLayers;
    delete FrmAbout;
    delete FrmHistory;
    delete FrmOptions;
    PaintBox1->SetDocument(nullptr);
    historyLock_.reset();
    keptRunLocks_.clear();
}

void TFrmMain::CreateCentralArea() {
    viewport_ = new Viewport(doc_, this);
    PaintBox1 = viewport_->Canvas();
    HorzScrollBar = viewport_->HorzBar();
    VertScrollBar = viewport_->VertBar();
    setCentralWidget(viewport_);
    connect(viewport_, &Viewport::scrolled, this, &TFrmMain::RefreshView);
    connect(viewport_, &Viewport::scrolled, this, &TFrmMain::PictureMovedUnderPointer);
    connect(viewport_, &Viewport::imagePressed, this, &TFrmMain::ImagePressed);
    connect(viewport_, &Viewport::imageMoved, this, &TFrmMain::ImageMoved);
    connect(viewport_, &Viewport::imageReleased, this, [this](int x, int y, const MouseState& state) {
        // A press the tool took is finished even when the zoom fell below 100 % in
        // between; otherwise the stroke would go unrecorded and keep undo blocked.
        const bool routed = RouteOf() == ToolRouting::Tool;
        if (routed || tools_->MouseHeld()) tools_->ToolMouseUp(x, y, state);
        if (!routed) tools_->PointerLeft();
    });
    connect(PaintBox1, &CanvasView::resized, this, &TFrmMain::FormResize);
    // Each notch goes as far as the zoom commands would.
    viewport_->SetZoomCommands([this] { return MenuItem_ActualPixels->isEnabled(); },
                               [this](bool in) {
                                   if (!(in ? MenuItem_ZoomIn : MenuItem_ZoomOut)->isEnabled()) return;
                                   in ? MenuItem_ZoomInClick() : MenuItem_ZoomOutClick();
                               });

    const int widths[3] = {100, 50, 50};
    for (int i = 0; i < 3; ++i) {
        StatusPanels[i] = new QLabel(this);
        StatusPanels[i]->setMinimumWidth(widths[i]);
        StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
        StatusPanels[i]->setFrameShadow(QFrame::Sunken);
        statusBar()->addWidget(StatusPanels[i]);
    }
}

void TFrmMain::CreateToolWindows() {
    // The order in which the program's long-lived windows come into being.
    FrmOptions = new TFrmOptions(this);
    FrmOptions->SetOptionsPath(FileInFolder(programFolder_, "options.dat"));
    FrmOptions->LoadOptions();

    FrmHistory = new TFrmHistory(*this, this);
    std::string error;
    historyLock_ = HistoryFolderLock::Acquire(programFolder_, error);
    if (!historyLock_) {
        // A folder another copy may be using would mix the two runs' undo states.
        std::string privateError;
        historyLock_ = HistoryFolderLock::Private(programFolder_, privateError);
        historyLockError_ =
            historyLock_ ? Q(error + "\nThis run keeps its undo states in " + historyLock_->Folder() +
                             ", which is not offered again after a crash.")
                         : Q(error + "\n" + privateError + "\nUndo and the history list will not work in this run.");
    }
    // Without a folder the history is off for this run, which the message says once,
    // rather than every step failing in a folder that cannot be written.
    if (historyLock_) FrmHistory->AdoptFolder(historyLock_->Folder());
    toolWindows_->Add(ToolWindow::History, FrmHistory);
    FrmHistory->StringGrid1->viewport()->installEventFilter(this);
    FrmHistory->StringGrid1->installEventFilter(this);

    FrmAbout = new TFrmAbout(this);

    FrmLayers = new TFrmLayers(this);
    connect(FrmLayers, &TFrmLayers::refreshViewRequested, this, &TFrmMain::RefreshView);
    // Every save writes the layer state.
    connect(FrmLayers, &TFrmLayers::refreshViewRequested, this, &TFrmMain::ChangedOutsideHistory);
    connect(FrmLayers, &TFrmLayers::refreshToolOverlayRequested, this, &TFrmMain::ChangedOutsideHistory);
    connect(FrmLayers, &TFrmLayers::refreshToolOverlayRequested, this, &TFrmMain::RefreshToolOverlay);
    toolWindows_->Add(ToolWindow::Layers, FrmLayers);

    FrmTools = new TFrmTools(doc_, this);
    FrmToolOption = new TFrmToolOption(this);
    tools_ = std::make_unique<ToolController>(*this, *FrmTools, *FrmToolOption);

    // Choosing a tool: the tool being left finishes first, then the new id, its page
    // and cursor, then its own start.
    connect(FrmTools, &TFrmTools::toolLeaving, this, [this] { tools_->LeaveTool(); });
    connect(FrmTools, &TFrmTools::toolSelected, this, [this](int) {
        ShowToolOptionPage();
        tools_->StartTool();
    });
    connect(FrmTools, &TFrmTools::colorsChanged, this, &TFrmMain::RefreshToolOverlay);
    connect(FrmTools, &TFrmTools::keyPressed, this, &TFrmMain::FormKeyDown);
    connect(FrmTools, &TFrmTools::keyReleased, this, &TFrmMain::FormKeyUp);
    toolWindows_->Add(ToolWindow::Tools, FrmTools);

    connect(FrmToolOption, &TFrmToolOption::optionChanged, this, &TFrmMain::RefreshToolOverlay);
    connect(FrmToolOption, &TFrmToolOption::commitClicked, this, [this] { tools_->CommitShapeEdit(); });
    connect(FrmToolOption, &TFrmToolOption::cancelClicked, this, [this] { tools_->CancelShapeEdit(); });
    connect(FrmToolOption, &TFrmToolOption::keyPressed, this, &TFrmMain::FormKeyDown);
    connect(FrmToolOption, &TFrmToolOption::keyReleased, this, &TFrmMain::FormKeyUp);
    toolWindows_->Add(ToolWindow::ToolOption, FrmToolOption);
    connect(PaintBox1, &CanvasView::mouseLeft, this, [this] { tools_->PointerLeft(); });
    PaintBox1->SetTakesText([this] { return doc_.ImageLoaded && tools_ && tools_->TakesText(); });
    connect(PaintBox1, &CanvasView::textComposed, this, [this](const QString& text) {
        if (doc_.ImageLoaded) tools_->TypeIntoText(text);
    });
}

void TFrmMain::setVisible(bool visible) {
    QMainWindow::setVisible(visible);
    // Only now is the window itself on the screen: during its show event it is not yet.
    // A window manager keeps the tool windows above this one only when they come after
    // it, and a question asked at start needs the window it belongs to.
    if (visible && isVisible() && !shown_) {
        shown_ = true;
        FormShow();
    }
}

void TFrmMain::FormShow() {
    FrmOptions->LoadOptions();
    FrmHistory->SetHistoryStates(FrmOptions->Values().HistoryStates);
    if (!historyLockError_.isEmpty()) ShowMessage(this, historyLockError_);

    toolWindows_->ShowAll();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        QList<QRect> screens;
        for (const QScreen* s : screen->virtualSiblings()) screens << s->availableGeometry();
        PlaceToolWindows(screen->availableVirtualGeometry(), screens);
    }
    // Work left by a run that did not end normally is offered once the window is up.
    // Work that cannot be restored now keeps its folder, locked until this run ends,
    // and this run takes another; that one may hold a crashed run's work in turn.
    const auto moveThisRun = [this] {
        std::string error;
        std::unique_ptr<HistoryFolderLock> other = HistoryFolderLock::Acquire(programFolder_, error);
        if (!other) other = HistoryFolderLock::Private(programFolder_, error);
        if (!other) return false;
        keptRunLocks_.push_back(std::move(historyLock_));
        historyLock_ = std::move(other);
        FrmHistory->AdoptFolder(historyLock_->Folder());
        return true;
    };
    while (FrmHistory->OfferRecovery(moveThisRun)) {
    }
}

void TFrmMain::PlaceToolWindows(const QRect& desktop, const QList<QRect>& screens) {
    toolWindows_->Place(desktop, VertScrollBar->sizeHint().width(), screens);
}

// ---------------------------------------------------------------------------------
// Document

LayerState TFrmMain::GetLayerState() const { return FrmLayers->GetLayerState(); }

void TFrmMain::SetLayerStateQuietly(const LayerState& state) { FrmLayers->SetLayerStateQuietly(state); }

std::string TFrmMain::ProgramFolder() const { return programFolder_; }

Options& TFrmMain::Preferences() { return FrmOptions->Values(); }

void TFrmMain::CompositeRect(const Rect& r) {
    if (r.Empty()) return;
    if (!doc_.ImageLoaded) return;
    doc_.CompositeRect(GetLayerState(), r);
}

void TFrmMain::RefreshView() {
    if (viewPreview_ && !previewing_) {
        // A copy: the preview may end itself (when memory runs out) while it runs.
        const std::function<void()> preview = viewPreview_;
        const QScopedValueRollback<bool> computing(previewing_, true);
        preview();
        return;
    }
    CompositeRect(doc_.ViewRect);
    PaintView();
}

void TFrmMain::PaintView() { PaintBox1->PaintView(); }

void TFrmMain::PaintImageRect(const Rect& r) { viewport_->PaintImageRect(r); }

void TFrmMain::RefreshToolOverlay() {
    // The outline is an overlay of the view, so the recomposite below leaves it alone.
    tools_->RefreshOverlay();
    // A pending shape takes the new settings at any zoom, but below 100 % a freehand
    // tool rests, and the outline just drawn for its new size must not show.
    if (RouteOf() != ToolRouting::Tool) tools_->PointerLeft();
    RefreshView();
}

void TFrmMain::SetOverlay(ViewOverlay overlay) { PaintBox1->SetOverlay(std::move(overlay)); }

void TFrmMain::SetShapeCursor(Qt::CursorShape shape) { PaintBox1->SetShapeCursor(shape); }

bool TFrmMain::CanChangeState() const { return !tools_->Busy(); }

bool TFrmMain::HoldsHistoryFolder(bool remake, std::string& error) {
    error.clear();
    if (!historyLock_) return true;
    if (remake) return historyLock_->Reclaim(error);
    if (historyLock_->Holds()) return true;
    error = historyLock_->Folder() + " is no longer this run's.";
    return false;
}

bool TFrmMain::AddState(const std::string& name, const std::string& detail) {
    SetModified(true);
    const bool added = FrmHistory->AddState(Q(name), Q(detail));
    // The new state may have taken the slot of a saved one, which the ring dropped.
    if (added) {
        const int slot = FrmHistory->Ring().CurrentIndex();
        SlotReused(slot);
        stateFiles_[slot] = shownPath_;
    }
    shownIsState_ = added;
    // A step that was not recorded can still be undone, by going back to the current state.
    if (!added) HistoryChanged();
    return added;
}

// Snapshots are scratch files that only this run reads back, so they are not flushed
// to the disk: a crash that loses one loses nothing the user saved.
bool TFrmMain::SaveSnapshot(const std::string& path, std::string& error) {
    return SaveD2O(path, doc_.SketchBmp, doc_.ColorBmp, doc_.PhotoBmp, GetLayerState(), &error, false) == 0;
}

HistoryDocument::SnapshotWrite TFrmMain::CaptureSnapshot() {
    // The layers are copied on a thread of their own and written on the history's;
    // a change to a layer before the copy is complete waits for it.
    std::shared_ptr<LayerSnapshot> snapshot =
        LayerSnapshot::Take(doc_.SketchBmp, doc_.ColorBmp, doc_.PhotoBmp, GetLayerState(), snapshotSpare_);
    return [snapshot](const std::string& path, std::string& error) { return snapshot->Write(path, error); };
}

bool TFrmMain::LoadSnapshot(const std::string& path, std::string& error) {
    bool wantedMemory = false;
    return LoadSnapshot(path, error, wantedMemory);
}

bool TFrmMain::LoadSnapshot(const std::string& path, std::string& error, bool& wantedMemory) {
    ProjectData project;
    try {
        if (LoadD2O(path, project, &error, &wantedMemory) != 0) {
            if (error.empty()) error = path + " could not be read.";
            return false;
        }
        LayerState state = GetLayerState();
        InstallProject(std::move(project), doc_, state);
        SetLayerStateQuietly(state);
    } catch (const std::bad_alloc&) {
        wantedMemory = true;
        error = path + " could not be loaded: not enough memory.";
        return false;
    }
    SetModified(true);
    doc_.CurrentTool = ToolHand;
    FrmTools->PressHandButton();
    PaintBox1->ClearOverlay();
    UpdateScrollBars();
    RefreshView();
    return true;
}

void TFrmMain::ApplyZoomStates() {
    // Drawing needs at least one screen pixel per image pixel; below that only the
    // hand is offered, whichever command refreshed the palette.
    if (doc_.Zoom >= 1.0)
        FrmTools->EnableDrawTools();
    else
        FrmTools->DisableDrawTools();
    MenuItem_ZoomIn->setEnabled(CanZoomIn(doc_.Zoom));
    MenuItem_ZoomOut->setEnabled(CanZoomOut(doc_.Zoom));
}

// ---------------------------------------------------------------------------------
// View

int TFrmMain::HorzPosition() const { return viewport_->HorzPosition(); }

int TFrmMain::VertPosition() const { return viewport_->VertPosition(); }

void TFrmMain::UpdateScrollBars() {
    if (!doc_.ImageLoaded) return;
    viewport_->FitScrollBars();
    // The size of the picture shown: the conversion dialog resizes the photograph it
    // works on while it is open, and the window may be redrawn meanwhile.
    StatusPanels[0]->setText(Q(ImageSizeText(doc_.CompositeBmp.Width(), doc_.CompositeBmp.Height())));
    StatusPanels[1]->setText(Q(ZoomText(doc_.Zoom)));
    ShowToolOptionPage();
    PictureMovedUnderPointer();
}

void TFrmMain::FormResize() {
    if (Destroying) return;
    UpdateScrollBars();
    RefreshView();
}

void TFrmMain::ShowToolOptionPage() {
    FrmToolOption->ShowPage(doc_.CurrentTool);
    PaintBox1->SetViewCursor(CursorForTool(doc_.CurrentTool, viewport_->Scrollable()));
}

void TFrmMain::SetZoom(double zoom) {
    doc_.Zoom = zoom;
    UpdateScrollBars();
    RefreshView();
    ApplyZoomStates();
    // Below 100 % the tool rests, so its outline must not stay on the picture.
    if (tools_ && RouteOf() != ToolRouting::Tool) tools_->PointerLeft();
}

void TFrmMain::MenuItem_ZoomInClick() { SetZoom(ZoomInStep(doc_.Zoom)); }
void TFrmMain::MenuItem_ZoomOutClick() { SetZoom(ZoomOutStep(doc_.Zoom)); }
void TFrmMain::MenuItem_ActualPixelsClick() { SetZoom(1.0); }
void TFrmMain::MenuItem_FitInWindowClick() { SetZoom(viewport_->FitZoom()); }

ToolRouting TFrmMain::RouteOf() const {
    const ToolInfo* tool = FindTool(doc_.CurrentTool);
    if (!tool || !doc_.ImageLoaded) return ToolRouting::None;
    // Below 100 % the drawing tools are disabled; a tool that was current when the
    // zoom fell keeps its id but paints nothing until the zoom is back.
    if (tool->Routing == ToolRouting::Tool && doc_.Zoom < 1.0) return ToolRouting::None;
    return tool->Routing;
}

void TFrmMain::ImagePressed(int x, int y, const MouseState& state) {
    switch (RouteOf()) {
    case ToolRouting::Tool: tools_->ToolMouseDown(x, y, state); break;
    case ToolRouting::Hand: viewport_->HandDown(x, y); break;
    case ToolRouting::None: break;
    }
}

void TFrmMain::ImageMoved(int x, int y, const MouseState& state) {
    switch (RouteOf()) {
    case ToolRouting::Tool: tools_->ToolMouseMove(x, y, state); break;
    case ToolRouting::Hand:
        if (state.Left) viewport_->HandDrag(x, y);
        if (FrmToolOption->isVisible()) FrmToolOption->SetInfo(x, y);
        break;
    case ToolRouting::None: break;
    }
}

void TFrmMain::FinishLostPresses(Qt::MouseButtons pressedElsewhere) {
    if (tools_) tools_->SettleButtons(QGuiApplication::mouseButtons() & ~pressedElsewhere);
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* event) {
    // A click in the History list: a stroke whose release went astray is recorded
    // first, so that the list goes to the state clicked instead of refusing to move
    // under a stroke that will never see its release.
    if (event->type() == QEvent::MouseButtonPress && FrmHistory && watched == FrmHistory->StringGrid1->viewport()) {
        const int oldest = FrmHistory->Ring().FirstIndex();
        FinishLostPresses(static_cast<QMouseEvent*>(event)->button());
        // A full list dropped its oldest state for the stroke's, and the rows moved up
        // under the pointer: the click would take the state after the one clicked.
        if (FrmHistory->Ring().FirstIndex() != oldest) return true;
    }
    // A key in the list (an arrow, say) moves from the current state, which the
    // stroke's own state then is.
    if (event->type() == QEvent::KeyPress && FrmHistory && watched == FrmHistory->StringGrid1) {
        FinishLostPresses();
        // The list has no use for letters, which it does not search by, nor for [ and ]:
        // they are the tool keys, which a click in the list must not cost the user.
        auto* key = static_cast<QKeyEvent*>(event);
        const int k = key->key();
        if ((k >= Qt::Key_A && k <= Qt::Key_Z) || k == Qt::Key_BracketLeft || k == Qt::Key_BracketRight) {
            key->ignore();
            FormKeyDown(key);
            if (key->isAccepted()) return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFrmMain::PictureMovedUnderPointer() {
    int x = 0, y = 0;
    if (tools_ && RouteOf() == ToolRouting::Tool && viewport_->PointerPixel(x, y)) tools_->PictureMoved(x, y);
}

void TFrmMain::FormKeyUp(int qtKey) {
    // Like the tool shortcuts, Delete does not switch tools under a held button: the
    // stroke would end unrecorded. Nor before a picture is open, when no tool is chosen.
    if (qtKey == Qt::Key_Delete) FinishLostPresses();
    if (qtKey != Qt::Key_Delete || !doc_.ImageLoaded || tools_->MouseHeld()) return;
    tools_->CancelShapeEdit();
}

void TFrmMain::FormKeyDown(QKeyEvent* event) {
    // Text fields, spin edits and memos take their keys before they reach this window.
    // Held arrow keys keep moving a pending shape; other keys act once per press. A key
    // need not wait for the pointer to cross the picture again to end a stroke whose
    // release went astray.
    FinishLostPresses();
    const int key = event->key();
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (doc_.ImageLoaded && (arrow || !event->isAutoRepeat()) &&
        tools_->HandleKey(key, event->modifiers(), event->text()))
        event->accept();
}

void TFrmMain::keyPressEvent(QKeyEvent* event) {
    event->ignore();
    FormKeyDown(event);
    if (!event->isAccepted()) QMainWindow::keyPressEvent(event);
}

void TFrmMain::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) FormKeyUp(event->key());
    QMainWindow::keyReleaseEvent(event);
}

// ---------------------------------------------------------------------------------
// Other commands

void TFrmMain::MenuItem_OptionsClick() { FrmOptions->exec(); }

void TFrmMain::MenuItem_UndoClick() {
    if (tools_->Busy()) return;
    FrmHistory->Undo();
    UpdateCommandStates();
}

void TFrmMain::MenuItem_RedoClick() {
    if (tools_->Busy()) return;
    FrmHistory->Redo();
    UpdateCommandStates();
}

void TFrmMain::RunConversionWith(const char* presetFile) {
    const QString preset = presetFile ? Q(FileInFolder(programFolder_, presetFile)) : QString();
    RunConversion(*this, this, preset);
}

void TFrmMain::OpenInViewer(const QUrl& url, const QString& what) {
    if (!QDesktopServices::openUrl(url))
        ShowMessage(this, what + QStringLiteral(" could not be opened: no viewer for it was found on this desktop."));
}

void TFrmMain::Content1Click() {
    const QString help = Q(FileInFolder(programFolder_, kHelpFileName));
    if (!QFileInfo::exists(help)) {
        ShowMessage(this, help + QStringLiteral(" was not found."));
        return;
    }
    OpenInViewer(QUrl::fromLocalFile(help), help);
}

void TFrmMain::About1Click() { FrmAbout->exec(); }

void TFrmMain::VelmoraHomePage1Click() {
    OpenInViewer(QUrl(QString::fromLatin1(kHomePageAddress)), QString::fromLatin1(kHomePageAddress));
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    // A shape still being placed is unsaved work too.
    if ((modified_ || tools_->Busy()) && !SavedOrLetGo(QStringLiteral("closing Velmora"))) {
        event->ignore();
        return;
    }
    FrmOptions->SaveOptions();
    FrmHistory->EndRun();
    event->accept();
}

}  // namespace velmora
