#pragma once
// The four tool windows beside the main window: History, Layers, Tools and Tool
// Option. Each has a check item in the Window menu and a tool-bar button; the two
// follow each other and whether the window is shown. All four are placed against the
// desktop together.

#include <QAction>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

#include "app/WindowPlacement.h"

namespace velmora {

enum class ToolWindow { History, Layers, Tools, ToolOption };

class ToolWindowSet : public QObject {
    Q_OBJECT
public:
    // Makes the menu items and buttons, checked; `parent` owns them.
    explicit ToolWindowSet(QObject* parent);

    QAction* MenuItem(ToolWindow which) const { return entry(which).Menu; }
    QAction* Button(ToolWindow which) const { return entry(which).Button; }

    // Adds a window; its caption button's closed() signal unchecks its item and button,
    // and the window shown by other means than they checks them again.
    template <class Window>
    void Add(ToolWindow which, Window* window) {
        entry(which).Window = window;
        connect(window, &Window::closed, this, [this, which] { Closed(which); });
        window->installEventFilter(this);
    }

    // Checks every item and button and shows and raises the windows.
    void ShowAll();
    // Places the windows against the desktop rectangle; the main window's scroll bar
    // width decides where the Layers window meets the Tools window. `screens` are the
    // work areas the desktop is made of, so that no window lands where none shows it.
    // For a while after, the windows the user has not moved are placed again as their
    // frames become known.
    void Place(const QRect& desktop, int scrollBarWidth, const QList<QRect>& screens = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QAction* Menu = nullptr;
        QAction* Button = nullptr;
        QPointer<QWidget> Window;
    };
    Entry& entry(ToolWindow which) { return entries_[static_cast<int>(which)]; }
    const Entry& entry(ToolWindow which) const { return entries_[static_cast<int>(which)]; }
    void ToggleFromMenu(ToolWindow which);
    void ToggleFromButton(ToolWindow which);
    void Closed(ToolWindow which);
    ToolWindowBoxes Frames() const;
    void Apply(const ToolWindowMoves& moves);
    void PlaceAgain();
    void EndPlacing();

    std::array<Entry, 4> entries_;
    std::unique_ptr<StartupStack> startup_;
    QTimer placingEnd_;
    bool placeAgainQueued_ = false;
};

}  // namespace velmora
