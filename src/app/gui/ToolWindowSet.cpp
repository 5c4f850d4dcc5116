#include "app/gui/ToolWindowSet.h"

#include <QEvent>
#include <QWindow>
#include <algorithm>
#include <utility>
#include <vector>

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
    placingEnd_.setSingleShot(true);
    connect(&placingEnd_, &QTimer::timeout, this, &ToolWindowSet::EndPlacing);
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

namespace {

// The order of the boxes in ToolWindowBoxes and ToolWindowMoves.
constexpr ToolWindow kBoxOrder[] = {ToolWindow::Tools, ToolWindow::History, ToolWindow::Layers, ToolWindow::ToolOption};

// How long after the placement the windows follow their frames at most. A window
// manager frames them within a moment; past that, a window the user resizes leaves the
// others where they are.
constexpr int kPlacingMs = 10000;

}  // namespace

void ToolWindowSet::Place(const QRect& desktop, int scrollBarWidth, const QList<QRect>& screens) {
    std::vector<WindowBox> areas;
    for (const QRect& s : screens) areas.push_back(WindowBox{s.left(), s.top(), s.width(), s.height()});
    const WindowBox whole{desktop.left(), desktop.top(), desktop.width(), desktop.height()};
    startup_ = std::make_unique<StartupStack>(whole, scrollBarWidth, std::move(areas));
    Apply(startup_->Stack(Frames()));

    // Under a window manager the frames come later than the windows: only their
    // arrival, seen as the windows are mapped or moved into them, tells their size.
    for (Entry& e : entries_) {
        if (QWindow* handle = e.Window->windowHandle()) {
            handle->removeEventFilter(this);
            handle->installEventFilter(this);
        }
    }
    placingEnd_.start(kPlacingMs);
}

bool ToolWindowSet::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // A window shown by other means than its menu item and button (typing into a closed
    // Tool Option window) checks them again.
    if (type == QEvent::Show && !event->spontaneous())
        for (Entry& e : entries_)
            if (e.Window == watched) {
                e.Menu->setChecked(true);
                e.Button->setChecked(true);
            }
    if (startup_ && !placeAgainQueued_ && (type == QEvent::Expose || type == QEvent::Move || type == QEvent::Resize)) {
        // The window system reports one window at a time; the stack is looked at once
        // all reports waiting have been handled.
        placeAgainQueued_ = true;
        QMetaObject::invokeMethod(this, &ToolWindowSet::PlaceAgain, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

ToolWindowBoxes ToolWindowSet::Frames() const {
    ToolWindowBoxes frames;
    WindowBox* boxes[] = {&frames.Tools, &frames.History, &frames.Layers, &frames.ToolOption};
    for (int i = 0; i < 4; ++i) {
        const QWidget* w = entry(kBoxOrder[i]).Window;
        // The window's own frame margins are asked afresh; the widget's copy of them
        // is brought up to date only when the widget moves or is resized.
        const QRect f = w->windowHandle() ? w->windowHandle()->frameGeometry() : w->frameGeometry();
        *boxes[i] = WindowBox{f.left(), f.top(), f.width(), f.height()};
    }
    return frames;
}

void ToolWindowSet::Apply(const ToolWindowMoves& moves) {
    for (int i = 0; i < 4; ++i) {
        if (!moves[i]) continue;
        const WindowBox& b = *moves[i];
        QWidget* w = entry(kBoxOrder[i]).Window;
        QWindow* handle = w->windowHandle();
        // Sizes are given for the whole frame; the frame's own border is kept aside.
        const QMargins frame = handle ? handle->frameMargins() : QMargins();
        const int width = std::max(b.Width - frame.left() - frame.right(), w->minimumWidth());
        if (width != w->width()) w->resize(width, w->height());
        // The frame's corner is what is placed, so that a window manager that adds a
        // frame later keeps that corner where it was asked to be.
        if (handle)
            handle->setFramePosition(QPoint(b.Left, b.Top));
        else
            w->move(b.Left, b.Top);
    }
}

void ToolWindowSet::PlaceAgain() {
    placeAgainQueued_ = false;
    if (!startup_) return;
    const bool gone = std::any_of(entries_.begin(), entries_.end(),
                                  [](const Entry& e) { return !e.Window || !e.Window->windowHandle(); });
    if (gone) {
        EndPlacing();
        return;
    }
    const ToolWindowBoxes frames = Frames();
    const ToolWindowMoves moves = startup_->Stack(frames);
    if (std::any_of(moves.begin(), moves.end(), [](const auto& m) { return m.has_value(); })) {
        Apply(moves);
        return;
    }
    // Once every frame is known and every window stands where it was put, nothing is
    // left to wait for.
    const bool framed = std::none_of(entries_.begin(), entries_.end(),
                                     [](const Entry& e) { return e.Window->windowHandle()->frameMargins().isNull(); });
    if (framed && startup_->Settled(frames)) EndPlacing();
}

void ToolWindowSet::EndPlacing() {
    placingEnd_.stop();
    startup_.reset();
    for (Entry& e : entries_) {
        if (e.Window && e.Window->windowHandle()) e.Window->windowHandle()->removeEventFilter(this);
    }
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
