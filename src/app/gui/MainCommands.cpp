// The main window's commands from one table: caption, shortcut, icon, when each is
// enabled and what it runs; then the menus and the tool bar that show them.

#include <QMenuBar>
#include <QTableWidget>
#include <QToolBar>
#include <optional>
#include <vector>

#include "adjust/gui/AdjustDialogs.h"
#include "app/gui/Icons.h"
#include "app/gui/MainWindow.h"
#include "app/gui/ToolWindowSet.h"
#include "history/gui/HistoryWindow.h"
#include "tools/gui/ToolController.h"
#include "tools/gui/ToolsWindow.h"

namespace velmora {

namespace {

// When a command is enabled.
enum class Needs {
    Nothing,   // always
    Picture,   // once a picture is open
    UndoStep,  // a picture is open and the history has a state before this one
    RedoStep,  // a picture is open and the history has a state after this one
};

struct Command {
    QAction* TFrmMain::*Action;
    const char* Name;
    const char* Caption;
    QKeySequence Shortcut;
    std::optional<IconId> Icon;
    Needs Rule;
    // Disabled while a tool's edit is pending: these would replace or swap the layers
    // under it, whose restore copies would then be stale.
    bool HeldByEdit;
    void (*Run)(TFrmMain&);
};

const std::vector<Command>& Commands() {
    using W = TFrmMain;
    static const std::vector<Command> table{
        {&W::MenuItem_Open, "MenuItem_Open", "&Open", QKeySequence(Qt::CTRL | Qt::Key_O), IconId::Open, Needs::Nothing,
         true, [](W& w) { w.MenuItem_OpenClick(); }},
        {&W::MenuItem_SaveAs, "MenuItem_SaveAs", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S), IconId::Save,
         Needs::Picture, true, [](W& w) { w.SaveCommand(); }},
        {&W::MenuItem_Options, "MenuItem_Options", "Preferences", {}, {}, Needs::Nothing, false,
         [](W& w) { w.MenuItem_OptionsClick(); }},
        {&W::MenuItem_Exit, "MenuItem_Exit", "E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q), {}, Needs::Nothing, false,
         [](W& w) { w.close(); }},
        {&W::MenuItem_Undo, "MenuItem_Undo", "Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), IconId::Undo, Needs::UndoStep,
         true, [](W& w) { w.MenuItem_UndoClick(); }},
        {&W::MenuItem_Redo, "MenuItem_Redo", "Redo", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z), IconId::Redo,
         Needs::RedoStep, true, [](W& w) { w.MenuItem_RedoClick(); }},
        {&W::MenuItem_Copy, "MenuItem_Copy", "&Copy to Clipboard", QKeySequence(Qt::CTRL | Qt::Key_C), IconId::Copy,
         Needs::Picture, false, [](W& w) { w.MenuItem_CopyClick(); }},
        {&W::MenuItem_Classic, "MenuItem_Classic", "&Velmora", QKeySequence(Qt::CTRL | Qt::Key_I), IconId::Convert,
         Needs::Picture, true, [](W& w) { w.RunConversionWith(nullptr); }},
        {&W::MenuItem_Cartoon, "MenuItem_Cartoon", "Shortcut: Cartoon", {}, {}, Needs::Picture, true,
         [](W& w) { w.RunConversionWith("cartoon.set"); }},
        {&W::MenuItem_Sketch, "MenuItem_Sketch", "Shortcut: Sketch", {}, {}, Needs::Picture, true,
         [](W& w) { w.RunConversionWith("sketch.set"); }},
        {&W::MenuItem_Linedrawing, "MenuItem_Linedrawing", "Shortcut: Line Drawing", {}, {}, Needs::Picture, true,
         [](W& w) { w.RunConversionWith("linedrawing.set"); }},
        {&W::MenuItem_Canvas, "MenuItem_Canvas", "Shortcut: Canvas", {}, {}, Needs::Picture, true,
         [](W& w) { w.RunConversionWith("canvas.set"); }},
        {&W::MenuItem_BrightContrast, "MenuItem_BrightContrast", "Brightness / Contrast", {}, {}, Needs::Picture, true,
         [](W& w) { ShowAdjustmentDialog(Adjustment::BrightContrast, w, &w); }},
        {&W::MenuItem_Saturation, "MenuItem_Saturation", "Saturation", {}, {}, Needs::Picture, true,
         [](W& w) { ShowAdjustmentDialog(Adjustment::Saturation, w, &w); }},
        {&W::MenuItem_ColorBalance, "MenuItem_ColorBalance", "Color Balance", {}, {}, Needs::Picture, true,
         [](W& w) { ShowAdjustmentDialog(Adjustment::ColorBalance, w, &w); }},
        {&W::MenuItem_Blur, "MenuItem_Blur", "Blur", {}, {}, Needs::Picture, true,
         [](W& w) { ShowAdjustmentDialog(Adjustment::Blur, w, &w); }},
        {&W::MenuItem_ZoomIn, "MenuItem_ZoomIn", "Zoom In", QKeySequence(Qt::CTRL | Qt::Key_Right), IconId::ZoomIn,
         Needs::Picture, false, [](W& w) { w.MenuItem_ZoomInClick(); }},
        {&W::MenuItem_ZoomOut, "MenuItem_ZoomOut", "Zoom Out", QKeySequence(Qt::CTRL | Qt::Key_Left), IconId::ZoomOut,
         Needs::Picture, false, [](W& w) { w.MenuItem_ZoomOutClick(); }},
        {&W::MenuItem_ActualPixels, "MenuItem_ActualPixels", "Actual Pixels", QKeySequence(Qt::CTRL | Qt::Key_0),
         IconId::ActualPixels, Needs::Picture, false, [](W& w) { w.MenuItem_ActualPixelsClick(); }},
        {&W::MenuItem_FitInWindow, "MenuItem_FitInWindow", "Fit in Window", QKeySequence(Qt::CTRL | Qt::Key_9),
         IconId::FitInWindow, Needs::Picture, false, [](W& w) { w.MenuItem_FitInWindowClick(); }},
        {&W::Content1, "Content1", "&Content", QKeySequence(Qt::Key_F1), IconId::Help, Needs::Nothing, false,
         [](W& w) { w.Content1Click(); }},
        {&W::About1, "About1", "&About", {}, {}, Needs::Nothing, false, [](W& w) { w.About1Click(); }},
        {&W::VelmoraHomePage1, "VelmoraHomePage1", "Velmora Home Page", {}, {}, Needs::Nothing, false,
         [](W& w) { w.VelmoraHomePage1Click(); }},
    };
    return table;
}

// A menu or the tool bar, item by item; a null entry is a separator.
struct Bar {
    const char* Title;
    std::vector<QAction* TFrmMain::*> Items;
};

const std::vector<Bar>& Menus() {
    using W = TFrmMain;
    static const std::vector<Bar> menus{
        {"File", {&W::MenuItem_Open, &W::MenuItem_SaveAs, nullptr, &W::MenuItem_Options, nullptr, &W::MenuItem_Exit}},
        {"Edit", {&W::MenuItem_Undo, &W::MenuItem_Redo, nullptr, &W::MenuItem_Copy}},
        {"Cartoon",
         {&W::MenuItem_Classic, nullptr, &W::MenuItem_Cartoon, &W::MenuItem_Sketch, &W::MenuItem_Linedrawing,
          &W::MenuItem_Canvas}},
        {"Adjustments",
         {&W::MenuItem_BrightContrast, &W::MenuItem_Saturation, &W::MenuItem_ColorBalance, &W::MenuItem_Blur}},
        {"View", {&W::MenuItem_ZoomIn, &W::MenuItem_ZoomOut, &W::MenuItem_ActualPixels, &W::MenuItem_FitInWindow}},
        {"Window", {&W::MenuItem_History, &W::MenuItem_Layers, &W::MenuItem_Tools, &W::MenuItem_ToolOption}},
        {"Help", {&W::Content1, &W::About1, nullptr, &W::VelmoraHomePage1}},
    };
    return menus;
}

const Bar& ToolBarItems() {
    using W = TFrmMain;
    static const Bar bar{"Tool Bar",
                         {&W::MenuItem_Open, &W::MenuItem_SaveAs, &W::MenuItem_Copy, &W::MenuItem_Undo,
                          &W::MenuItem_Redo, nullptr, &W::MenuItem_ZoomIn, &W::MenuItem_ZoomOut,
                          &W::MenuItem_ActualPixels, &W::MenuItem_FitInWindow, nullptr, &W::MenuItem_Classic,
                          nullptr, &W::Tol_History, &W::Tol_Layers, &W::Tol_Tools, &W::Tol_ToolOption, nullptr,
                          &W::Content1}};
    return bar;
}

}  // namespace

void TFrmMain::CreateCommands() {
    for (const Command& c : Commands()) {
        auto* action = new QAction(QString::fromLatin1(c.Caption), this);
        action->setObjectName(QString::fromLatin1(c.Name));
        if (!c.Shortcut.isEmpty()) action->setShortcut(c.Shortcut);
        if (c.Icon) action->setIcon(MakeIcon(*c.Icon));
        action->setEnabled(c.Rule == Needs::Nothing);
        const auto run = c.Run;
        // No command runs under a mouse button held on the picture: it could replace
        // the layers the stroke works on, or open a window that takes the mouse and so
        // the stroke's release. A button that is up in fact lost its release to another
        // window; its stroke ends first, so that the command need not wait for the
        // pointer to cross the picture again.
        connect(action, &QAction::triggered, this, [this, run] {
            FinishLostPresses();
            if (!tools_ || !tools_->MouseHeld()) run(*this);
        });
        this->*c.Action = action;
    }

    toolWindows_ = new ToolWindowSet(this);
    MenuItem_History = toolWindows_->MenuItem(ToolWindow::History);
    MenuItem_Layers = toolWindows_->MenuItem(ToolWindow::Layers);
    MenuItem_Tools = toolWindows_->MenuItem(ToolWindow::Tools);
    MenuItem_ToolOption = toolWindows_->MenuItem(ToolWindow::ToolOption);
    Tol_History = toolWindows_->Button(ToolWindow::History);
    Tol_Layers = toolWindows_->Button(ToolWindow::Layers);
    Tol_Tools = toolWindows_->Button(ToolWindow::Tools);
    Tol_ToolOption = toolWindows_->Button(ToolWindow::ToolOption);

    for (const Bar& m : Menus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(m.Title));
        for (QAction* TFrmMain::*item : m.Items) {
            if (item)
                menu->addAction(this->*item);
            else
                menu->addSeparator();
        }
    }
    const Bar& bar = ToolBarItems();
    ToolBar1 = addToolBar(QString::fromLatin1(bar.Title));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(24, 24));
    for (QAction* TFrmMain::*item : bar.Items) {
        if (item)
            ToolBar1->addAction(this->*item);
        else
            ToolBar1->addSeparator();
    }
}

void TFrmMain::ApplyCommandRules(bool historyOnly) {
    // A history change that arrives during an edit (a background write that failed)
    // must not bring back the commands the edit holds.
    const bool held = tools_ && tools_->Busy();
    for (const Command& c : Commands()) {
        if (held && c.HeldByEdit) continue;
        bool enabled = true;
        switch (c.Rule) {
        case Needs::Nothing: if (historyOnly) continue; break;
        case Needs::Picture: if (historyOnly) continue; enabled = doc_.ImageLoaded; break;
        case Needs::UndoStep: enabled = doc_.ImageLoaded && FrmHistory->CanUndo(); break;
        case Needs::RedoStep: enabled = doc_.ImageLoaded && FrmHistory->CanRedo(); break;
        }
        (this->*c.Action)->setEnabled(enabled);
    }
}

void TFrmMain::UpdateCommandStates() {
    ApplyCommandRules(false);
    if (doc_.ImageLoaded) ApplyZoomStates();
    FrmHistory->StringGrid1->setEnabled(true);
}

void TFrmMain::HistoryChanged() { ApplyCommandRules(true); }

void TFrmMain::DisableDocumentCommands() {
    for (const Command& c : Commands())
        if (c.HeldByEdit) (this->*c.Action)->setEnabled(false);
    FrmHistory->StringGrid1->setEnabled(false);
}

}  // namespace velmora
