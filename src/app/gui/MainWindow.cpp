#include "app/gui/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <cmath>
#include <mutex>
#include <new>

#include "adjust/gui/AdjustDialogs.h"
#include "app/ProgramFolder.h"
#include "app/Version.h"
#include "app/WindowPlacement.h"
#include "app/gui/AboutWindow.h"
#include "app/gui/FileDialogs.h"
#include "app/gui/Icons.h"
#include "common/gui/Messages.h"
#include "conversion/Resample.h"
#include "conversion/gui/MoreOptions.h"
#include "conversion/gui/RunConversion.h"
#include "document/gui/LayersWindow.h"
#include "history/HistoryFolder.h"
#include "io/ProjectFile.h"
#include "prefs/gui/OptionsDialog.h"
#include "tools/ToolTable.h"
#include "tools/gui/ToolController.h"
#include "tools/gui/ToolOptionWindow.h"
#include "tools/gui/ToolsWindow.h"
#include "view/gui/CanvasView.h"

namespace velmora {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// Keeps the busy cursor up for a scope, whatever way it is left.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

TFrmMain::TFrmMain(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QString::fromLatin1(kMainCaption));
    setMinimumSize(377, 254);
    setAcceptDrops(true);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateCentralArea();
    resize(412, 270 + menuBar()->sizeHint().height() + ToolBar1->sizeHint().height() +
                     statusBar()->sizeHint().height());
    CreateToolWindows();
}

TFrmMain::~TFrmMain() {
    Destroying = true;
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
}

QAction* TFrmMain::NewAction(const QString& caption, const QKeySequence& shortcut) {
    auto* action = new QAction(caption, this);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    return action;
}

void TFrmMain::CreateActions() {
    MenuItem_Open = NewAction(QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O));
    MenuItem_Open->setIcon(MakeIcon(IconId::Open));
    MenuItem_SaveAs = NewAction(QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    MenuItem_SaveAs->setIcon(MakeIcon(IconId::Save));
    MenuItem_Options = NewAction(QStringLiteral("Preferences"));
    MenuItem_Exit = NewAction(QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    MenuItem_Undo = NewAction(QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    MenuItem_Undo->setIcon(MakeIcon(IconId::Undo));
    MenuItem_Redo = NewAction(QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z));
    MenuItem_Redo->setIcon(MakeIcon(IconId::Redo));
    MenuItem_Copy = NewAction(QStringLiteral("&Copy to Clipboard"), QKeySequence(Qt::CTRL | Qt::Key_C));
    MenuItem_Copy->setIcon(MakeIcon(IconId::Copy));
    MenuItem_Classic = NewAction(QStringLiteral("&Velmora"), QKeySequence(Qt::CTRL | Qt::Key_I));
    MenuItem_Classic->setIcon(MakeIcon(IconId::Convert));
    MenuItem_Cartoon = NewAction(QStringLiteral("Shortcut: Cartoon"));
    MenuItem_Sketch = NewAction(QStringLiteral("Shortcut: Sketch"));
    MenuItem_Linedrawing = NewAction(QStringLiteral("Shortcut: Line Drawing"));
    MenuItem_Canvas = NewAction(QStringLiteral("Shortcut: Canvas"));
    MenuItem_BrightContrast = NewAction(QStringLiteral("Brightness / Contrast"));
    MenuItem_Saturation = NewAction(QStringLiteral("Saturation"));
    MenuItem_ColorBalance = NewAction(QStringLiteral("Color Balance"));
    MenuItem_Blur = NewAction(QStringLiteral("Blur"));
    MenuItem_ZoomIn = NewAction(QStringLiteral("Zoom In"), QKeySequence(Qt::CTRL | Qt::Key_Right));
    MenuItem_ZoomIn->setIcon(MakeIcon(IconId::ZoomIn));
    MenuItem_ZoomOut = NewAction(QStringLiteral("Zoom Out"), QKeySequence(Qt::CTRL | Qt::Key_Left));
    MenuItem_ZoomOut->setIcon(MakeIcon(IconId::ZoomOut));
    MenuItem_ActualPixels = NewAction(QStringLiteral("Actual Pixels"), QKeySequence(Qt::CTRL | Qt::Key_0));
    MenuItem_ActualPixels->setIcon(MakeIcon(IconId::ActualPixels));
    MenuItem_FitInWindow = NewAction(QStringLiteral("Fit in Window"), QKeySequence(Qt::CTRL | Qt::Key_9));
    MenuItem_FitInWindow->setIcon(MakeIcon(IconId::FitInWindow));

    struct Toggle {
        QAction** menu;
        QAction** button;
        const char* caption;
        IconId icon;
        ToolWindow which;
    };
    const Toggle toggles[] = {
        {&MenuItem_History, &Tol_History, "History", IconId::History, ToolWindow::History},
        {&MenuItem_Layers, &Tol_Layers, "Layers", IconId::Layers, ToolWindow::Layers},
        {&MenuItem_Tools, &Tol_Tools, "Tools", IconId::Tools, ToolWindow::Tools},
        {&MenuItem_ToolOption, &Tol_ToolOption, "Tool Option", IconId::ToolOption, ToolWindow::ToolOption},
    };
    for (const Toggle& t : toggles) {
        *t.menu = NewAction(QString::fromLatin1(t.caption));
        *t.button = NewAction(QString::fromLatin1(t.caption));
        for (QAction* a : {*t.menu, *t.button}) {
            a->setCheckable(true);
            a->setChecked(true);
            a->setIcon(MakeIcon(t.icon));
        }
        const ToolWindow which = t.which;
        connect(*t.menu, &QAction::triggered, this, [this, which] { ToggleFromMenu(which); });
        connect(*t.button, &QAction::triggered, this, [this, which] { ToggleFromButton(which); });
    }

    Content1 = NewAction(QStringLiteral("&Content"), QKeySequence(Qt::Key_F1));
    Content1->setIcon(MakeIcon(IconId::Help));
    About1 = NewAction(QStringLiteral("&About"));
    VelmoraHomePage1 = NewAction(QStringLiteral("Velmora Home Page"));

    for (QAction* a : {MenuItem_SaveAs, MenuItem_Undo, MenuItem_Redo, MenuItem_Copy, MenuItem_Classic,
                       MenuItem_Cartoon, MenuItem_Sketch, MenuItem_Linedrawing, MenuItem_Canvas,
                       MenuItem_BrightContrast, MenuItem_Saturation, MenuItem_ColorBalance, MenuItem_Blur,
                       MenuItem_ZoomIn, MenuItem_ZoomOut, MenuItem_ActualPixels, MenuItem_FitInWindow})
        a->setEnabled(false);

    connect(MenuItem_Open, &QAction::triggered, this, &TFrmMain::MenuItem_OpenClick);
    connect(MenuItem_SaveAs, &QAction::triggered, this, &TFrmMain::MenuItem_SaveAsClick);
    connect(MenuItem_Options, &QAction::triggered, this, &TFrmMain::MenuItem_OptionsClick);
    connect(MenuItem_Exit, &QAction::triggered, this, &QWidget::close);
    connect(MenuItem_Undo, &QAction::triggered, this, &TFrmMain::MenuItem_UndoClick);
    connect(MenuItem_Redo, &QAction::triggered, this, &TFrmMain::MenuItem_RedoClick);
    connect(MenuItem_Copy, &QAction::triggered, this, &TFrmMain::MenuItem_CopyClick);
    connect(MenuItem_Classic, &QAction::triggered, this, [this] { RunConversionWith(nullptr); });
    connect(MenuItem_Cartoon, &QAction::triggered, this, [this] { RunConversionWith("cartoon.set"); });
    connect(MenuItem_Sketch, &QAction::triggered, this, [this] { RunConversionWith("sketch.set"); });
    connect(MenuItem_Linedrawing, &QAction::triggered, this, [this] { RunConversionWith("linedrawing.set"); });
    connect(MenuItem_Canvas, &QAction::triggered, this, [this] { RunConversionWith("canvas.set"); });
    connect(MenuItem_BrightContrast, &QAction::triggered, this,
            [this] { ShowAdjustmentDialog(Adjustment::BrightContrast, *this, this); });
    connect(MenuItem_Saturation, &QAction::triggered, this,
            [this] { ShowAdjustmentDialog(Adjustment::Saturation, *this, this); });
    connect(MenuItem_ColorBalance, &QAction::triggered, this,
            [this] { ShowAdjustmentDialog(Adjustment::ColorBalance, *this, this); });
    connect(MenuItem_Blur, &QAction::triggered, this, [this] { ShowAdjustmentDialog(Adjustment::Blur, *this, this); });
    connect(MenuItem_ZoomIn, &QAction::triggered, this, &TFrmMain::MenuItem_ZoomInClick);
    connect(MenuItem_ZoomOut, &QAction::triggered, this, &TFrmMain::MenuItem_ZoomOutClick);
    connect(MenuItem_ActualPixels, &QAction::triggered, this, &TFrmMain::MenuItem_ActualPixelsClick);
    connect(MenuItem_FitInWindow, &QAction::triggered, this, &TFrmMain::MenuItem_FitInWindowClick);
    connect(Content1, &QAction::triggered, this, &TFrmMain::Content1Click);
    connect(About1, &QAction::triggered, this, &TFrmMain::About1Click);
    connect(VelmoraHomePage1, &QAction::triggered, this, &TFrmMain::VelmoraHomePage1Click);
}

void TFrmMain::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(MenuItem_Open);
    file->addAction(MenuItem_SaveAs);
    file->addSeparator();
    file->addAction(MenuItem_Options);
    file->addSeparator();
    file->addAction(MenuItem_Exit);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
    edit->addAction(MenuItem_Undo);
    edit->addAction(MenuItem_Redo);
    edit->addSeparator();
    edit->addAction(MenuItem_Copy);

    QMenu* cartoon = menuBar()->addMenu(QStringLiteral("Cartoon"));
    cartoon->addAction(MenuItem_Classic);
    cartoon->addSeparator();
    cartoon->addAction(MenuItem_Cartoon);
    cartoon->addAction(MenuItem_Sketch);
    cartoon->addAction(MenuItem_Linedrawing);
    cartoon->addAction(MenuItem_Canvas);

    QMenu* adjustments = menuBar()->addMenu(QStringLiteral("Adjustments"));
    adjustments->addAction(MenuItem_BrightContrast);
    adjustments->addAction(MenuItem_Saturation);
    adjustments->addAction(MenuItem_ColorBalance);
    adjustments->addAction(MenuItem_Blur);

    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    view->addAction(MenuItem_ZoomIn);
    view->addAction(MenuItem_ZoomOut);
    view->addAction(MenuItem_ActualPixels);
    view->addAction(MenuItem_FitInWindow);

    QMenu* window = menuBar()->addMenu(QStringLiteral("Window"));
    window->addAction(MenuItem_History);
    window->addAction(MenuItem_Layers);
    window->addAction(MenuItem_Tools);
    window->addAction(MenuItem_ToolOption);

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->addAction(Content1);
    help->addAction(About1);
    help->addSeparator();
    help->addAction(VelmoraHomePage1);
}

void TFrmMain::CreateToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("Tool Bar"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->addAction(MenuItem_Open);
    ToolBar1->addAction(MenuItem_SaveAs);
    ToolBar1->addAction(MenuItem_Copy);
    ToolBar1->addAction(MenuItem_Undo);
    ToolBar1->addAction(MenuItem_Redo);
    ToolBar1->addSeparator();
    ToolBar1->addAction(MenuItem_ZoomIn);
    ToolBar1->addAction(MenuItem_ZoomOut);
    ToolBar1->addAction(MenuItem_ActualPixels);
    ToolBar1->addAction(MenuItem_FitInWindow);
    ToolBar1->addSeparator();
    ToolBar1->addAction(MenuItem_Classic);
    ToolBar1->addSeparator();
    ToolBar1->addAction(Tol_History);
    ToolBar1->addAction(Tol_Layers);
    ToolBar1->addAction(Tol_Tools);
    ToolBar1->addAction(Tol_ToolOption);
    ToolBar1->addSeparator();
    ToolBar1->addAction(Content1);
}

void TFrmMain::CreateCentralArea() {
    auto* central = new QWidget(this);
    PaintBox1 = new CanvasView(central);
    PaintBox1->SetDocument(&doc_);
    HorzScrollBar = new QScrollBar(Qt::Horizontal, central);
    VertScrollBar = new QScrollBar(Qt::Vertical, central);
    for (QScrollBar* bar : {HorzScrollBar, VertScrollBar}) {
        // A hidden scroll bar keeps its room, so showing or hiding one never
        // changes the paint box's size (which would reset the view again).
        QSizePolicy policy = bar->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        bar->setSizePolicy(policy);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setSingleStep(1);
        bar->hide();
        // A click in the trough moves 10 image pixels whatever the page size.
        connect(bar, &QScrollBar::actionTriggered, bar, [bar](int action) {
            if (action == QAbstractSlider::SliderPageStepAdd)
                bar->setSliderPosition(std::min(bar->value() + 10, bar->maximum()));
            else if (action == QAbstractSlider::SliderPageStepSub)
                bar->setSliderPosition(std::max(bar->value() - 10, bar->minimum()));
        });
    }
    HorzScrollBar->setObjectName(QStringLiteral("HorzScrollBar"));
    VertScrollBar->setObjectName(QStringLiteral("VertScrollBar"));
    connect(HorzScrollBar, &QScrollBar::valueChanged, this, &TFrmMain::HorzScrollBarChange);
    connect(VertScrollBar, &QScrollBar::valueChanged, this, &TFrmMain::VertScrollBarChange);

    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(8, 8, 4, 4);
    grid->setSpacing(0);
    grid->addWidget(PaintBox1, 0, 0);
    grid->addWidget(VertScrollBar, 0, 1);
    grid->addWidget(HorzScrollBar, 1, 0);
    setCentralWidget(central);

    connect(PaintBox1, &CanvasView::mousePressed, this, &TFrmMain::PaintBox1MouseDown);
    connect(PaintBox1, &CanvasView::mouseMoved, this, &TFrmMain::PaintBox1MouseMove);
    connect(PaintBox1, &CanvasView::mouseReleased, this, &TFrmMain::PaintBox1MouseUp);
    connect(PaintBox1, &CanvasView::zoomWheel, this, &TFrmMain::ZoomByWheel);
    connect(PaintBox1, &CanvasView::scrollWheel, this, &TFrmMain::ScrollByWheel);
    connect(PaintBox1, &CanvasView::resized, this, &TFrmMain::FormResize);

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
    FrmOptions->SetOptionsPath(InProgramFolder("options.dat"));

    // The two More Options windows keep their values from one conversion to the next.
    CreateMoreOptionWindows(this);

    FrmHistory = new TFrmHistory(*this, this);
    std::string error;
    historyLock_ = HistoryFolderLock::Acquire(::velmora::ProgramFolder(), error);
    if (historyLock_)
        FrmHistory->AdoptFolder(historyLock_->Folder());
    else
        historyLockError_ = Q(error);
    connect(FrmHistory, &TFrmHistory::closed, this, [this] { ToolWindowClosed(ToolWindow::History); });

    FrmAbout = new TFrmAbout(this);

    FrmLayers = new TFrmLayers(this);
    connect(FrmLayers, &TFrmLayers::refreshViewRequested, this, &TFrmMain::RefreshView);
    connect(FrmLayers, &TFrmLayers::refreshToolOverlayRequested, this, &TFrmMain::RefreshToolOverlay);
    connect(FrmLayers, &TFrmLayers::closed, this, [this] { ToolWindowClosed(ToolWindow::Layers); });

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
    connect(FrmTools, &TFrmTools::keyReleased, this, &TFrmMain::FormKeyUp);
    connect(FrmTools, &TFrmTools::closed, this, [this] { ToolWindowClosed(ToolWindow::Tools); });

    connect(FrmToolOption, &TFrmToolOption::optionChanged, this, &TFrmMain::RefreshToolOverlay);
    connect(FrmToolOption, &TFrmToolOption::commitClicked, this, [this] { tools_->CommitShapeEdit(); });
    connect(FrmToolOption, &TFrmToolOption::cancelClicked, this, [this] { tools_->CancelShapeEdit(); });
    connect(FrmToolOption, &TFrmToolOption::keyReleased, this, &TFrmMain::FormKeyUp);
    connect(FrmToolOption, &TFrmToolOption::closed, this, [this] { ToolWindowClosed(ToolWindow::ToolOption); });
    connect(PaintBox1, &CanvasView::mouseLeft, this, [this] { tools_->PointerLeft(); });
}

void TFrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TFrmMain::FormShow() {
    FrmOptions->LoadOptions();
    FrmHistory->SetHistoryStates(FrmOptions->Values().HistoryStates);
    if (!historyLockError_.isEmpty())
        ShowMessage(this, historyLockError_ + QStringLiteral("\nUndo and the history list will not work in this run."));

    for (ToolWindow w : {ToolWindow::History, ToolWindow::Layers, ToolWindow::Tools, ToolWindow::ToolOption}) {
        MenuItemOf(w)->setChecked(true);
        ButtonOf(w)->setChecked(true);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{FrmTools, FrmHistory, FrmLayers, FrmToolOption}) {
        w->show();
        w->raise();
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) PlaceToolWindows(screen->availableVirtualGeometry());
    // Work left by a run that did not end normally is offered once the window is up.
    FrmHistory->OfferRecovery();
}

void TFrmMain::PlaceToolWindows(const QRect& desktop) {
    auto box = [](QWidget* w) {
        const QRect f = w->frameGeometry();
        return WindowBox{f.left(), f.top(), f.width(), f.height()};
    };
    ToolWindowBoxes current;
    current.Tools = box(FrmTools);
    current.History = box(FrmHistory);
    current.Layers = box(FrmLayers);
    current.ToolOption = box(FrmToolOption);
    const int scrollWidth = VertScrollBar->sizeHint().width();
    const ToolWindowBoxes placed =
        velmora::PlaceToolWindows(WindowBox{desktop.left(), desktop.top(), desktop.width(), desktop.height()},
                                  current, scrollWidth);

    // Sizes are given for the whole frame; the frame's own border is kept aside.
    auto apply = [](QWidget* w, const WindowBox& b) {
        const int frameW = w->frameGeometry().width() - w->width();
        w->move(b.Left, b.Top);
        if (b.Width - frameW != w->width()) w->resize(std::max(b.Width - frameW, w->minimumWidth()), w->height());
    };
    apply(FrmTools, placed.Tools);
    apply(FrmHistory, placed.History);
    apply(FrmLayers, placed.Layers);
    apply(FrmToolOption, placed.ToolOption);
}

QAction* TFrmMain::MenuItemOf(ToolWindow which) const {
    switch (which) {
    case ToolWindow::History: return MenuItem_History;
    case ToolWindow::Layers: return MenuItem_Layers;
    case ToolWindow::Tools: return MenuItem_Tools;
    case ToolWindow::ToolOption: return MenuItem_ToolOption;
    }
    return nullptr;
}

QAction* TFrmMain::ButtonOf(ToolWindow which) const {
    switch (which) {
    case ToolWindow::History: return Tol_History;
    case ToolWindow::Layers: return Tol_Layers;
    case ToolWindow::Tools: return Tol_Tools;
    case ToolWindow::ToolOption: return Tol_ToolOption;
    }
    return nullptr;
}

QWidget* TFrmMain::WindowOf(ToolWindow which) const {
    switch (which) {
    case ToolWindow::History: return FrmHistory;
    case ToolWindow::Layers: return FrmLayers;
    case ToolWindow::Tools: return FrmTools;
    case ToolWindow::ToolOption: return FrmToolOption;
    }
    return nullptr;
}

void TFrmMain::ToggleFromMenu(ToolWindow which) {
    // The menu item has already inverted its check mark; the button follows it.
    QAction* item = MenuItemOf(which);
    QAction* button = ButtonOf(which);
    if (button->isChecked() != item->isChecked()) button->setChecked(item->isChecked());
    QWidget* window = WindowOf(which);
    if (item->isChecked()) {
        window->show();
        window->raise();
    } else {
        window->hide();
    }
}

void TFrmMain::ToggleFromButton(ToolWindow which) {
    QAction* item = MenuItemOf(which);
    if (ButtonOf(which)->isChecked() != item->isChecked()) item->trigger();
}

void TFrmMain::ToolWindowClosed(ToolWindow which) {
    MenuItemOf(which)->setChecked(false);
    ButtonOf(which)->setChecked(false);
}

// ---------------------------------------------------------------------------------
// Document

LayerState TFrmMain::GetLayerState() const { return FrmLayers->GetLayerState(); }

void TFrmMain::SetLayerStateQuietly(const LayerState& state) { FrmLayers->SetLayerStateQuietly(state); }

std::string TFrmMain::ProgramFolder() const { return ::velmora::ProgramFolder(); }

Options& TFrmMain::Preferences() { return FrmOptions->Values(); }

void TFrmMain::CompositeRect(const Rect& r) {
    if (r.Empty()) return;
    if (!doc_.ImageLoaded) return;
    doc_.CompositeRect(GetLayerState(), r);
}

void TFrmMain::RefreshView() {
    CompositeRect(doc_.ViewRect);
    PaintView();
}

void TFrmMain::PaintView() { PaintBox1->PaintView(); }

void TFrmMain::PaintImageRect(const Rect& r) { PaintBox1->PaintImageRect(r, HorzPosition(), VertPosition()); }

void TFrmMain::RefreshToolOverlay() {
    // The outline is an overlay of the view, so the recomposite below leaves it alone.
    tools_->RefreshOverlay();
    RefreshView();
}

void TFrmMain::SetOverlay(ViewOverlay overlay) { PaintBox1->SetOverlay(std::move(overlay)); }

void TFrmMain::SetShapeCursor(Qt::CursorShape shape) { PaintBox1->SetShapeCursor(shape); }

bool TFrmMain::CanChangeState() const { return !tools_->Busy(); }

bool TFrmMain::AddState(const std::string& name, const std::string& detail) {
    SetModified(true);
    return FrmHistory->AddState(Q(name), Q(detail));
}

// Snapshots are scratch files that only this run reads back, so they are not flushed
// to the disk: a crash that loses one loses nothing the user saved.
bool TFrmMain::SaveSnapshot(const std::string& path, std::string& error) {
    return SaveD2O(path, doc_.SketchBmp, doc_.ColorBmp, doc_.PhotoBmp, GetLayerState(), &error, false) == 0;
}

struct TFrmMain::SnapshotCopy {
    Bitmap Sketch;
    Bitmap Color;
    Bitmap Photo;
    LayerState State;
};

struct TFrmMain::SnapshotSpare {
    std::mutex Mutex;
    std::unique_ptr<SnapshotCopy> Copy;
};

HistoryDocument::SnapshotWrite TFrmMain::CaptureSnapshot() {
    // The copy is all the user waits for; the write runs on the history's thread.
    if (!snapshotSpare_) snapshotSpare_ = std::make_shared<SnapshotSpare>();
    std::unique_ptr<SnapshotCopy> copy;
    {
        std::lock_guard<std::mutex> lock(snapshotSpare_->Mutex);
        copy = std::move(snapshotSpare_->Copy);
    }
    if (!copy) copy = std::make_unique<SnapshotCopy>();
    copy->Sketch = doc_.SketchBmp;
    copy->Color = doc_.ColorBmp;
    copy->Photo = doc_.PhotoBmp;
    copy->State = GetLayerState();
    // Once written, the copy goes back as the spare (the window may be gone by then).
    std::shared_ptr<SnapshotCopy> held(copy.release(), [spare = snapshotSpare_](SnapshotCopy* done) {
        std::unique_ptr<SnapshotCopy> owned(done);
        std::lock_guard<std::mutex> lock(spare->Mutex);
        if (!spare->Copy) spare->Copy = std::move(owned);
    });
    return [held](const std::string& path, std::string& error) {
        return SaveD2O(path, held->Sketch, held->Color, held->Photo, held->State, &error, false) == 0;
    };
}

std::string TFrmMain::DocumentPath() const { return S(lastOpenedPath_); }

bool TFrmMain::RestoreSnapshot(const std::string& snapshotPath, const std::string& documentPath,
                               std::string& error) {
    if (!LoadSnapshot(snapshotPath, error)) return false;
    FinishOpen(Q(documentPath));
    // As after opening a project, the conversion dialog's size control scales from it.
    CompositeAll();
    StoreSourcePixels(doc_.CompositeBmp);
    // The restored work was never saved; closing must not drop it silently.
    SetModified(true);
    return true;
}

bool TFrmMain::LoadSnapshot(const std::string& path, std::string& error) {
    ProjectData project;
    try {
        if (LoadD2O(path, project, &error) != 0) {
            if (error.empty()) error = path + " could not be read.";
            return false;
        }
        // Everything that can fail is prepared before the document is touched.
        Bitmap composite(project.Sketch.Width(), project.Sketch.Height());
        Bitmap work1 = project.Photo, work2 = project.Photo;
        doc_.SketchBmp.Swap(project.Sketch);
        doc_.ColorBmp.Swap(project.Color);
        doc_.PhotoBmp.Swap(project.Photo);
        if (doc_.CompositeBmp.Width() != composite.Width() || doc_.CompositeBmp.Height() != composite.Height())
            doc_.CompositeBmp.Swap(composite);
        if (doc_.WorkBmp1.Width() != work1.Width() || doc_.WorkBmp1.Height() != work1.Height()) {
            doc_.WorkBmp1.Swap(work1);
            doc_.WorkBmp2.Swap(work2);
        }
    } catch (const std::bad_alloc&) {
        error = path + " could not be loaded: not enough memory.";
        return false;
    }
    SetLayerStateQuietly(project.State);
    SetModified(true);
    doc_.CurrentTool = ToolHand;
    FrmTools->PressHandButton();
    PaintBox1->ClearOverlay();
    UpdateScrollBars();
    RefreshView();
    return true;
}

void TFrmMain::HistoryChanged() { UpdateUndoRedo(); }

void TFrmMain::UpdateUndoRedo() {
    MenuItem_Undo->setEnabled(doc_.ImageLoaded && FrmHistory->CanUndo());
    MenuItem_Redo->setEnabled(doc_.ImageLoaded && FrmHistory->CanRedo());
}

void TFrmMain::ApplyDrawToolsForZoom() {
    // Drawing needs at least one screen pixel per image pixel; below that only the
    // hand is offered, whichever command refreshed the palette.
    if (doc_.Zoom >= 1.0)
        FrmTools->EnableDrawTools();
    else
        FrmTools->DisableDrawTools();
}

void TFrmMain::UpdateCommandStates() {
    if (doc_.ImageLoaded) {
        for (QAction* a : {MenuItem_SaveAs, MenuItem_Copy, MenuItem_Open, MenuItem_History, MenuItem_Classic,
                           MenuItem_Cartoon, MenuItem_Sketch, MenuItem_Linedrawing, MenuItem_Canvas,
                           MenuItem_BrightContrast, MenuItem_Saturation, MenuItem_ColorBalance, MenuItem_Blur,
                           MenuItem_ZoomIn, MenuItem_ZoomOut, MenuItem_ActualPixels, MenuItem_FitInWindow})
            a->setEnabled(true);
        ApplyDrawToolsForZoom();
    } else {
        MenuItem_Open->setEnabled(true);
    }
    FrmHistory->StringGrid1->setEnabled(true);
    UpdateUndoRedo();
}

void TFrmMain::DisableDocumentCommands() {
    // Undo, redo and the history list would swap the layers under the pending edit,
    // whose restore copies would then be stale.
    for (QAction* a : {MenuItem_Open, MenuItem_SaveAs, MenuItem_Classic, MenuItem_Cartoon, MenuItem_Sketch,
                       MenuItem_Linedrawing, MenuItem_Canvas, MenuItem_BrightContrast, MenuItem_Saturation,
                       MenuItem_ColorBalance, MenuItem_Blur, MenuItem_Undo, MenuItem_Redo})
        a->setEnabled(false);
    FrmHistory->StringGrid1->setEnabled(false);
}

// ---------------------------------------------------------------------------------
// View

int TFrmMain::HorzPosition() const { return horzAxis_.Visible ? HorzScrollBar->value() : 0; }
int TFrmMain::VertPosition() const { return vertAxis_.Visible ? VertScrollBar->value() : 0; }

void TFrmMain::FitScrollBar(QScrollBar* bar, ScrollAxis& axis, const ScrollAxis& fitted) {
    axis = fitted;
    const QSignalBlocker block(bar);
    if (!axis.Visible) {
        bar->setValue(0);
        bar->hide();
        return;
    }
    bar->setRange(0, axis.HighestPosition());
    bar->setPageStep(std::max(axis.Page, 1));
    bar->setValue(0);
    bar->show();
}

void TFrmMain::UpdateScrollBars() {
    if (!doc_.ImageLoaded) return;
    const Bitmap& c = doc_.CompositeBmp;
    FitScrollBar(HorzScrollBar, horzAxis_, FitScrollAxis(PaintBox1->width(), doc_.Zoom, c.Width()));
    FitScrollBar(VertScrollBar, vertAxis_, FitScrollAxis(PaintBox1->height(), doc_.Zoom, c.Height()));
    StatusPanels[0]->setText(Q(ImageSizeText(doc_.PhotoBmp.Width(), doc_.PhotoBmp.Height())));
    StatusPanels[1]->setText(Q(ZoomText(doc_.Zoom)));
    UpdateViewRect();
    ShowToolOptionPage();
}

void TFrmMain::UpdateViewRect() {
    doc_.ViewRect = ComputeViewRect(HorzPosition(), VertPosition(), PaintBox1->width(), PaintBox1->height(),
                                    doc_.Zoom, doc_.CompositeBmp.Width(), doc_.CompositeBmp.Height());
}

void TFrmMain::HorzScrollBarChange() {
    horzAxis_.Position = HorzScrollBar->value();
    UpdateViewRect();
    RefreshView();
}

void TFrmMain::VertScrollBarChange() {
    vertAxis_.Position = VertScrollBar->value();
    UpdateViewRect();
    RefreshView();
}

void TFrmMain::FormResize() {
    if (Destroying) return;
    UpdateScrollBars();
    RefreshView();
}

void TFrmMain::ShowToolOptionPage() {
    FrmToolOption->ShowPage(doc_.CurrentTool);
    PaintBox1->SetViewCursor(CursorForTool(doc_.CurrentTool, horzAxis_.Visible || vertAxis_.Visible));
}

void TFrmMain::MenuItem_ZoomInClick() {
    doc_.Zoom = ZoomInStep(doc_.Zoom);
    UpdateScrollBars();
    RefreshView();
    if (doc_.Zoom >= 1.0) FrmTools->EnableDrawTools();
}

void TFrmMain::MenuItem_ZoomOutClick() {
    doc_.Zoom = ZoomOutStep(doc_.Zoom);
    UpdateScrollBars();
    RefreshView();
    if (doc_.Zoom < 1.0) FrmTools->DisableDrawTools();
}

void TFrmMain::MenuItem_ActualPixelsClick() {
    doc_.Zoom = 1.0;
    UpdateScrollBars();
    RefreshView();
    FrmTools->EnableDrawTools();
}

void TFrmMain::ZoomByWheel(int steps, int x, int y) {
    if (!MenuItem_ZoomIn->isEnabled()) return;
    // The picture point under the pointer stays under it, as in every image editor.
    const long double imageX = static_cast<long double>(x) / doc_.Zoom + HorzPosition();
    const long double imageY = static_cast<long double>(y) / doc_.Zoom + VertPosition();
    for (; steps > 0; --steps) MenuItem_ZoomInClick();
    for (; steps < 0; ++steps) MenuItem_ZoomOutClick();
    // Zooming returned the view to the top-left corner; one move per bar brings the
    // point back, each through the bar's own change handler.
    const int h = ScrollToKeep(horzAxis_, imageX, x, doc_.Zoom);
    const int v = ScrollToKeep(vertAxis_, imageY, y, doc_.Zoom);
    if (horzAxis_.Visible && h != HorzScrollBar->value()) HorzScrollBar->setValue(h);
    if (vertAxis_.Visible && v != VertScrollBar->value()) VertScrollBar->setValue(v);
}

void TFrmMain::MenuItem_FitInWindowClick() {
    doc_.Zoom = FitZoom(PaintBox1->width(), PaintBox1->height(), doc_.CompositeBmp.Width(), doc_.CompositeBmp.Height());
    UpdateScrollBars();
    RefreshView();
    ApplyDrawToolsForZoom();
}

void TFrmMain::ScrollByWheel(int verticalDelta, int horizontalDelta) {
    // One notch moves about 40 screen pixels, at least one image pixel.
    auto scroll = [this](QScrollBar* bar, int delta) {
        if (delta == 0 || bar->isHidden()) return;
        long double pixels = -static_cast<long double>(delta) * 40.0L / (120.0L * doc_.Zoom);
        long long step = RoundHalfEven(pixels);
        if (step == 0) step = delta > 0 ? -1 : 1;
        bar->setValue(static_cast<int>(std::clamp<long long>(bar->value() + step, bar->minimum(), bar->maximum())));
    };
    scroll(VertScrollBar, verticalDelta);
    scroll(HorzScrollBar, horizontalDelta);
}

ToolRouting TFrmMain::RouteOf() const {
    const ToolInfo* tool = FindTool(doc_.CurrentTool);
    if (!tool || !doc_.ImageLoaded) return ToolRouting::None;
    // Below 100 % the drawing tools are disabled; a tool that was current when the
    // zoom fell keeps its id but paints nothing until the zoom is back.
    if (tool->Routing == ToolRouting::Tool && doc_.Zoom < 1.0) return ToolRouting::None;
    return tool->Routing;
}

void TFrmMain::PaintBox1MouseDown(int x, int y, const MouseState& state) {
    const int ix = ScreenToImage(x, doc_.Zoom, HorzPosition());
    const int iy = ScreenToImage(y, doc_.Zoom, VertPosition());
    switch (RouteOf()) {
    case ToolRouting::Tool: tools_->ToolMouseDown(ix, iy, state); break;
    case ToolRouting::Hand:
        HandDownX = ix;
        HandDownY = iy;
        break;
    case ToolRouting::None: break;
    }
}

void TFrmMain::PaintBox1MouseMove(int x, int y, const MouseState& state) {
    const int ix = ScreenToImage(x, doc_.Zoom, HorzPosition());
    const int iy = ScreenToImage(y, doc_.Zoom, VertPosition());
    switch (RouteOf()) {
    case ToolRouting::Tool: tools_->ToolMouseMove(ix, iy, state); break;
    case ToolRouting::Hand: HandDrag(ix, iy, state); break;
    case ToolRouting::None: break;
    }
}

void TFrmMain::PaintBox1MouseUp(int x, int y, const MouseState& state) {
    const int ix = ScreenToImage(x, doc_.Zoom, HorzPosition());
    const int iy = ScreenToImage(y, doc_.Zoom, VertPosition());
    if (RouteOf() == ToolRouting::Tool) tools_->ToolMouseUp(ix, iy, state);
}

void TFrmMain::HandDrag(int x, int y, const MouseState& state) {
    if (state.Left) {
        horzAxis_.Position = HorzPosition();
        vertAxis_.Position = VertPosition();
        const int h = HandDragPosition(horzAxis_, HandDownX, x);
        if (h != horzAxis_.Position) HorzScrollBar->setValue(h);
        const int v = HandDragPosition(vertAxis_, HandDownY, y);
        if (v != vertAxis_.Position) VertScrollBar->setValue(v);
    }
    if (FrmToolOption->isVisible()) FrmToolOption->SetInfo(x, y);
}

void TFrmMain::FormKeyUp(int qtKey) {
    if (qtKey != Qt::Key_Delete) return;
    tools_->CancelShapeEdit();
}

void TFrmMain::keyPressEvent(QKeyEvent* event) {
    // Text fields, spin edits and memos take their keys before they reach this window.
    // Held arrow keys keep moving a pending shape; other keys act once per press.
    const int key = event->key();
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (doc_.ImageLoaded && (arrow || !event->isAutoRepeat()) && tools_->HandleKey(key, event->modifiers())) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TFrmMain::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) FormKeyUp(event->key());
    QMainWindow::keyReleaseEvent(event);
}

// ---------------------------------------------------------------------------------
// Files

std::unique_ptr<QFileDialog> TFrmMain::MakeOpenDialog() { return MakePictureOpenDialog(this, lastFolder_); }

std::unique_ptr<QFileDialog> TFrmMain::MakeSaveDialog(const SaveProposal& proposal) {
    return MakePictureSaveDialog(this, lastFolder_, proposal);
}

void TFrmMain::MenuItem_OpenClick() {
    if (tools_->Busy()) return;
    auto dialog = MakeOpenDialog();
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return;
    lastFolder_ = dialog->directory().absolutePath();
    OpenFile(dialog->selectedFiles().front());
}

bool TFrmMain::OpenFile(const QString& path) {
    // A stroke under way keeps working on the layers it started with.
    if (tools_->Busy()) return false;
    OpenedFile opened;
    std::vector<std::string> messages;
    bool ok = false;
    {
        BusyCursor busy;
        try {
            ok = ReadDocumentFile(S(path), opened, messages);
            if (ok) {
                if (opened.Format == FileFormat::Project)
                    InstallProject(opened.Project, path);
                else
                    InstallPicture(opened.Picture, path);
            }
        } catch (const std::bad_alloc&) {
            ok = false;
            messages.assign(1, S(path) + " open failed.\nThere is not enough memory for this picture.");
        }
    }
    if (!ok) {
        for (const std::string& m : messages) ShowMessage(this, Q(m));
        return false;
    }
    FinishOpen(path);
    return true;
}

void TFrmMain::InstallPicture(Bitmap& picture, const QString& path) {
    (void)path;
    // All copies are made before the document is touched, so running out of memory
    // half way leaves it as it was.
    Bitmap photo = picture, color = picture, work1 = picture, work2 = picture;
    Bitmap sketch(picture.Width(), picture.Height());
    FillWhite(sketch);
    SourcePixels source;
    StoreSourcePixels(picture, source);

    doc_.PhotoBmp.Swap(photo);
    doc_.SketchBmp.Swap(sketch);
    doc_.ColorBmp.Swap(color);
    doc_.CompositeBmp.Swap(picture);
    doc_.WorkBmp1.Swap(work1);
    doc_.WorkBmp2.Swap(work2);
    std::swap(SharedSourcePixels(), source);

    // The layers are reset before the "Open" state is recorded, so that going back
    // to that state shows the picture as it is shown now.
    LayerState state = GetLayerState();
    state.SketchVisible = true;
    state.ColorVisible = true;
    state.BlendingMode = 0;
    SetLayerStateQuietly(state);
}

void TFrmMain::InstallProject(ProjectData& project, const QString& path) {
    (void)path;
    Bitmap composite(project.Sketch.Width(), project.Sketch.Height());
    velmora::CompositeRect(composite, project.Sketch, project.Color, project.Photo, project.State,
                  Rect{0, 0, composite.Width() - 1, composite.Height() - 1});
    Bitmap work1 = composite, work2 = composite;
    SourcePixels source;
    StoreSourcePixels(composite, source);

    doc_.SketchBmp.Swap(project.Sketch);
    doc_.ColorBmp.Swap(project.Color);
    doc_.PhotoBmp.Swap(project.Photo);
    doc_.CompositeBmp.Swap(composite);
    doc_.WorkBmp1.Swap(work1);
    doc_.WorkBmp2.Swap(work2);
    std::swap(SharedSourcePixels(), source);
    SetLayerStateQuietly(project.State);
}

void TFrmMain::FinishOpen(const QString& path) {
    doc_.Zoom = 1.0;
    doc_.ImageLoaded = true;
    FrmTools->EnableDrawTools();
    lastOpenedPath_ = path;
    lastFolder_ = QFileInfo(path).absolutePath();
    FrmHistory->AddState(QStringLiteral("Open"), path);
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

void TFrmMain::MenuItem_SaveAsClick() { SaveCommand(); }

void TFrmMain::SetModified(bool modified) {
    modified_ = modified;
    setWindowModified(modified);
}

void TFrmMain::ShowDocumentName(const QString& path) {
    // "[*]" is where the window shows its modified mark.
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral("[*] \u2014 ") + QString::fromLatin1(kMainCaption));
}

bool TFrmMain::SaveCommand() {
    if (!doc_.ImageLoaded) return false;
    // A pending shape is committed first, so that what is saved is what is shown.
    const ToolInfo* tool = FindTool(doc_.CurrentTool);
    if (tool && tool->Family == ToolFamily::Shape && tools_->Busy()) tools_->CommitShapeEdit();
    CompositeAll();
    auto dialog = MakeSaveDialog(ProposeSaveName(S(lastOpenedPath_)));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return false;
    lastFolder_ = dialog->directory().absolutePath();
    return SaveToFile(dialog->selectedFiles().front(), SelectedFilterIndex(*dialog));
}

bool TFrmMain::SaveToFile(const QString& chosenPath, int filterIndex) {
    if (!doc_.ImageLoaded) return false;
    const std::string path = CompleteSaveName(S(chosenPath), filterIndex);
    std::string message;
    bool ok = false;
    {
        BusyCursor busy;
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
    SetModified(false);
    return true;
}

void TFrmMain::MenuItem_CopyClick() {
    if (!doc_.ImageLoaded) return;
    CompositeAll();
    const Bitmap& c = doc_.CompositeBmp;
    const QImage view(c.Data(), c.Width(), c.Height(), static_cast<qsizetype>(c.Stride()), QImage::Format_BGR888);
    // The clipboard keeps its own copy; the composite changes with the next edit.
    QGuiApplication::clipboard()->setImage(view.copy());
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
            OpenFile(url.toLocalFile());
            return;
        }
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
    const QString preset = presetFile ? Q(InProgramFolder(presetFile)) : QString();
    RunConversion(*this, this, preset);
}

void TFrmMain::OpenInViewer(const QUrl& url, const QString& what) {
    if (!QDesktopServices::openUrl(url))
        ShowMessage(this, what + QStringLiteral(" could not be opened: no viewer for it was found on this desktop."));
}

void TFrmMain::Content1Click() {
    const QString help = Q(InProgramFolder(kHelpFileName));
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
    if (modified_ || tools_->Busy()) {
        const SaveAnswer answer = AskSaveChanges(
            this, QStringLiteral("The picture has changed since it was last opened or saved.\n"
                                 "Save the changes before closing Velmora?"));
        // The program closes only once the save has really been written.
        if (answer == SaveAnswer::Cancel || (answer == SaveAnswer::Save && !SaveCommand())) {
            event->ignore();
            return;
        }
    }
    FrmOptions->SaveOptions();
    FrmHistory->EndRun();
    event->accept();
}

}  // namespace velmora
