#include "app/gui/ToolWindowSet.h"

#include <algorithm>
#include <vector>

#include "app/WindowPlacement.h"
#include "app/gui/Icons.h"

namespace velmora {

ToolWindowSet::ToolWindowSet(QObject* parent) : QObject(parent) {
    struct Spec {
        ToolWindow Which;
        const char* Caption;
        const char* MenuName;
        const char* ButtonName;
        IconId Icon;
    };
    static const Spec specs[] = {
        {ToolWindow::History, "History", "MenuItem_History", "Tol_History", IconId::History},
        {ToolWindow::Layers, "Layers", "MenuItem_Layers", "Tol_Layers", IconId::Layers},
        {ToolWindow::Tools, "Tools", "MenuItem_Tools", "Tol_Tools", IconId::Tools},
        {ToolWindow::ToolOption, "Tool Option", "MenuItem_ToolOption", "Tol_ToolOption", IconId::ToolOption},
    };
    for (const Spec& s : specs) {
        Entry& e = entry(s.Which);
        e.Menu = new QAction(QString::fromLatin1(s.Caption), parent);
        e.Button = new QAction(QString::fromLatin1(s.Caption), parent);
        e.Menu->setObjectName(QString::fromLatin1(s.MenuName));
        e.Button->setObjectName(QString::fromLatin1(s.ButtonName));
        for (QAction* a : {e.Menu, e.Button}) {
            a->setCheckable(true);
            a->setChecked(true);
            a->setIcon(MakeIcon(s.Icon));
        }
        const ToolWindow which = s.Which;
        connect(e.Menu, &QAction::triggered, this, [this, which] { ToggleFromMenu(which); });
        connect(e.Button, &QAction::triggered, this, [this, which] { ToggleFromButton(which); });
    }
}

void ToolWindowSet::ShowAll() {
    for (Entry& e : entries_) {
        e.Menu->setChecked(true);
        e.Button->setChecked(true);
    }
    // The Tools window comes up first, as the program always has shown them.
    for (ToolWindow w : {ToolWindow::Tools, ToolWindow::History, ToolWindow::Layers, ToolWindow::ToolOption}) {
        entry(w).Window->show();
        entry(w).Window->raise();
    }
}

void ToolWindowSet::Place(const QRect& desktop, int scrollBarWidth, const QList<QRect>& screens) {
    auto box = [this](ToolWindow w) {
        const QRect f = entry(w).Window->frameGeometry();
        return WindowBox{f.left(), f.top(), f.width(), f.height()};
    };
    ToolWindowBoxes current;
    current.Tools = box(ToolWindow::Tools);
    current.History = box(ToolWindow::History);
    current.Layers = box(ToolWindow::Layers);
    current.ToolOption = box(ToolWindow::ToolOption);
    std::vector<WindowBox> areas;
    for (const QRect& s : screens) areas.push_back(WindowBox{s.left(), s.top(), s.width(), s.height()});
    const ToolWindowBoxes placed = PlaceToolWindows(
        WindowBox{desktop.left(), desktop.top(), desktop.width(), desktop.height()}, current, scrollBarWidth, areas);

    // Sizes are given for the whole frame; the frame's own border is kept aside.
    auto apply = [this](ToolWindow which, const WindowBox& b) {
        QWidget* w = entry(which).Window;
        const int frameW = w->frameGeometry().width() - w->width();
        w->move(b.Left, b.Top);
        if (b.Width - frameW != w->width()) w->resize(std::max(b.Width - frameW, w->minimumWidth()), w->height());
    };
    apply(ToolWindow::Tools, placed.Tools);
    apply(ToolWindow::History, placed.History);
    apply(ToolWindow::Layers, placed.Layers);
    apply(ToolWindow::ToolOption, placed.ToolOption);
}

void ToolWindowSet::ToggleFromMenu(ToolWindow which) {
    // The menu item has already inverted its check mark; the button follows it.
    Entry& e = entry(which);
    if (e.Button->isChecked() != e.Menu->isChecked()) e.Button->setChecked(e.Menu->isChecked());
    if (e.Menu->isChecked()) {
        e.Window->show();
        e.Window->raise();
    } else {
        e.Window->hide();
    }
}

void ToolWindowSet::ToggleFromButton(ToolWindow which) {
    Entry& e = entry(which);
    if (e.Button->isChecked() != e.Menu->isChecked()) e.Menu->trigger();
}

void ToolWindowSet::Closed(ToolWindow which) {
    entry(which).Menu->setChecked(false);
    entry(which).Button->setChecked(false);
}

}  // namespace velmora
