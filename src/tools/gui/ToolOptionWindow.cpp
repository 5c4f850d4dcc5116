#include "tools/gui/ToolOptionWindow.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QToolButton>

#include <algorithm>

#include "conversion/gui/ControlKit.h"
#include "tools/ToolIds.h"
#include "tools/ToolTable.h"

namespace velmora {

namespace {

// Controls that take typed keys for themselves. A key released in one of them is part of
// editing (Delete removes a character there) and must not reach the main window's key
// handler, where Delete would cancel the pending shape.
bool EditsText(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QComboBox*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
}

// The number a box shows, typed or not: a box takes typed digits only after a pause, but
// what the user sees there is what is drawn. False while the box holds no number within
// its range (empty, or 0 in a box that starts at 6). The box writes the number in the
// digits of its locale, which need not be ASCII.
bool ShownNumber(const QSpinBox* spin, int& value) {
    const QString shown = spin->cleanText().trimmed();
    bool isNumber = false;
    int typed = spin->locale().toInt(shown, &isNumber);
    if (!isNumber) typed = shown.toInt(&isNumber);
    if (!isNumber || typed < spin->minimum() || typed > spin->maximum()) return false;
    value = typed;
    return true;
}

}  // namespace

TFrmToolOption::TFrmToolOption(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("FrmToolOption"));
    setWindowTitle(QStringLiteral("Tool Option"));
    setFocusPolicy(Qt::StrongFocus);
    lastSeen_.fill(kNeverSeen);

    BuildPageControl();
    BuildFreehandPages();
    BuildShapePages();
    BuildDropperPage();
    BuildInfoPage();
    FillFontLists();
    ConnectControls();

    // The page stack is as large as its largest page whatever page is shown, so the
    // window keeps one size and never grows over its neighbours when the tool changes.
    resize(QSize(250, 230).expandedTo(minimumSizeHint()));
    ShowPage(ToolNone);
}

QWidget* TFrmToolOption::Page(const QString& name) const {
    for (int i = 0; i < PageControl1->count(); ++i)
        if (PageControl1->widget(i)->objectName() == name) return PageControl1->widget(i);
    return nullptr;
}

void TFrmToolOption::ShowPage(int toolId) {
    const ToolInfo* tool = FindTool(toolId);
    const QString wanted = tool ? QString::fromLatin1(tool->Page) : QString();
    // A control of the page going away that has the keyboard would hand it on to the
    // next control, often a number box of the new page, which keeps the tool keys to
    // itself. The tab takes it instead, as after a click in the window.
    const QWidget* shown = PageControl1->currentWidget();
    if (shown && shown->objectName() != wanted && focusWidget() && shown->isAncestorOf(focusWidget()))
        PageControl1->tabBar()->setFocus();
    current_.clear();
    // Show the wanted tab before hiding the others, so the tab bar never has to pick a
    // stand-in page in between.
    for (int i = 0; i < PageControl1->count(); ++i) {
        if (PageControl1->widget(i)->objectName() == wanted) {
            PageControl1->setTabVisible(i, true);
            PageControl1->setCurrentIndex(i);
            current_ = wanted;
        }
    }
    for (int i = 0; i < PageControl1->count(); ++i)
        if (PageControl1->widget(i)->objectName() != wanted) PageControl1->setTabVisible(i, false);
}

QString TFrmToolOption::CurrentPageName() const { return current_; }

void TFrmToolOption::SetInfo(int x, int y) {
    LabInfoX->setText(QStringLiteral("X: ") + QString::number(x));
    LabInfoY->setText(QStringLiteral("Y: ") + QString::number(y));
}

void TFrmToolOption::SetDropperReadout(int x, int y, std::uint32_t color) {
    const int red = static_cast<int>(color & 0xFF);
    const int green = static_cast<int>((color >> 8) & 0xFF);
    const int blue = static_cast<int>((color >> 16) & 0xFF);
    LabDropperX->setText(QStringLiteral("X: ") + QString::number(x));
    LabDropperY->setText(QStringLiteral("Y: ") + QString::number(y));
    LabDropperR->setText(QStringLiteral("R: ") + QString::number(red));
    LabDropperG->setText(QStringLiteral("G: ") + QString::number(green));
    LabDropperB->setText(QStringLiteral("B: ") + QString::number(blue));
    QPalette palette = ShpColor->palette();
    palette.setColor(QPalette::Window, QColor(red, green, blue));
    ShpColor->setPalette(palette);
}

// ---------------------------------------------------------------------------------
// Values the tools read

TFrmToolOption::ShapePage* TFrmToolOption::ShapePageOf(int toolId) {
    switch (toolId) {
    case ToolRectangle: return &shapePages_[kRectPage];
    case ToolEllipse: return &shapePages_[kEllipsePage];
    case ToolText: return &shapePages_[kTextPage];
    case ToolBalloonA:
    case ToolBalloonB:
    case ToolBalloonC: return &shapePages_[kBalloonPage];
    default: return nullptr;
    }
}

TFrmToolOption::TextStyle TFrmToolOption::ShapeTextStyle(int toolId) {
    TextStyle style;
    ShapePage* page = ShapePageOf(toolId);
    if (!page) return style;

    style.FontName = page->fontName->currentText();
    // A box being retyped (empty, or a number the box cannot hold yet such as 0) keeps
    // the size the text was last drawn with.
    int typed = 0;
    if (ShownNumber(page->fontSize, typed) && typed > 0) page->lastSize = typed;
    style.PointSize = page->lastSize;

    style.Bold = page->bold->isChecked();
    style.Italic = page->italic->isChecked();
    style.Underline = page->underline->isChecked();

    // A memo's last line break ends a line rather than starting an empty one, so an
    // empty memo has no lines and "a\n" has one.
    const QString text = page->memo->toPlainText();
    if (!text.isEmpty()) {
        style.Lines = text.split(QLatin1Char('\n'));
        if (style.Lines.last().isEmpty()) style.Lines.removeLast();
    }
    // A border width typed just before the object is committed (by the commit button
    // beside the box, say) is the one the commit draws.
    style.BorderWidth = 0;
    if (page->borderWidth && !ShownNumber(page->borderWidth, style.BorderWidth))
        style.BorderWidth = page->borderWidth->value();
    return style;
}

QSlider* TFrmToolOption::SizeTrackOf(int toolId) const {
    switch (toolId) {
    case ToolPencil: return TrcPencilSize;
    case ToolBrush: return TrcBrushSize;
    case ToolEraser: return TrcEraserSize;
    case ToolLighten: return TrcLightenSize;
    case ToolDarken: return TrcDarkenSize;
    default: return nullptr;
    }
}

QSpinBox* TFrmToolOption::SizeSpinOf(int toolId) const {
    switch (toolId) {
    case ToolPencil: return SpnPencilSize;
    case ToolBrush: return SpnBrushSize;
    case ToolEraser: return SpnEraserSize;
    case ToolLighten: return SpnLightenSize;
    case ToolDarken: return SpnDarkenSize;
    default: return nullptr;
    }
}

int TFrmToolOption::ToolSize(int toolId) const {
    const QSlider* track = SizeTrackOf(toolId);
    return track ? track->value() : 0;
}

bool TFrmToolOption::StepToolSize(int toolId, bool larger) {
    QSlider* track = SizeTrackOf(toolId);
    QSpinBox* spin = SizeSpinOf(toolId);
    if (!track || !spin) return false;
    const int current = track->value();
    const int step = std::max(1, current / 10);
    const int next = std::clamp(larger ? current + step : current - step, track->minimum(), track->maximum());
    // Going through the spin edit refills it if the user had emptied it, so the track
    // bar's handler (which waits for a number there) passes the change on.
    spin->setValue(next);
    if (track->value() != next) track->setValue(next);
    return true;
}

bool TFrmToolOption::TypeIntoMemo(int toolId, const QString& text) {
    ShapePage* page = ShapePageOf(toolId);
    if (!page) return false;
    // A closed or minimised window comes back: its memo is the only place the text can
    // go, and the letters taken for tool keys would commit the object just placed, still
    // empty.
    if (isMinimized()) {
        showNormal();
        raise();
    } else if (!isVisible()) {
        show();
        raise();
    }
    if (!page->memo->isVisible()) return false;
    // The window takes the keyboard too, so that the keys that follow go straight to the
    // memo rather than to the picture.
    activateWindow();
    page->memo->setFocus(Qt::OtherFocusReason);
    page->memo->moveCursor(QTextCursor::End);
    page->memo->insertPlainText(text);
    return true;
}

// ---------------------------------------------------------------------------------
// Paired track bars and spin edits

void TFrmToolOption::TrackChanged(Remembered which, QSlider* track, QSpinBox* spin) {
    const int position = track->value();
    if (position == lastSeen_[which]) return;
    if (spin->value() != position) spin->setValue(position);
    lastSeen_[which] = position;
    emit optionChanged();
}

void TFrmToolOption::SpinChanged(QSpinBox* spin, QSlider* track) {
    if (HasText(spin) && spin->value() != track->value()) track->setValue(spin->value());
}

void TFrmToolOption::TrcPencilSizeChange() { TrackChanged(kPencilSize, TrcPencilSize, SpnPencilSize); }
void TFrmToolOption::TrcBrushSizeChange() {
    // While the user retypes the brush size its box is empty; the track bar then waits.
    if (HasText(SpnBrushSize)) TrackChanged(kBrushSize, TrcBrushSize, SpnBrushSize);
}
void TFrmToolOption::TrcBrushContentChange() { TrackChanged(kBrushContent, TrcBrushContent, SpnBrushContent); }
void TFrmToolOption::TrcBrushOpacityChange() { TrackChanged(kBrushOpacity, TrcBrushOpacity, SpnBrushOpacity); }
void TFrmToolOption::TrcEraserSizeChange() { TrackChanged(kEraserSize, TrcEraserSize, SpnEraserSize); }
void TFrmToolOption::TrcLightenSizeChange() { TrackChanged(kLightenSize, TrcLightenSize, SpnLightenSize); }
void TFrmToolOption::TrcLightenContrastChange() {
    TrackChanged(kLightenContrast, TrcLightenContrast, SpnLightenContrast);
}
void TFrmToolOption::TrcDarkenSizeChange() { TrackChanged(kDarkenSize, TrcDarkenSize, SpnDarkenSize); }
void TFrmToolOption::TrcDarkenContrastChange() { TrackChanged(kDarkenContrast, TrcDarkenContrast, SpnDarkenContrast); }

// The paint bucket reads its tolerance only when it fills, so there is nothing to redraw.
void TFrmToolOption::TrcToleranceChange() {
    if (SpnTolerance->value() != TrcTolerance->value()) SpnTolerance->setValue(TrcTolerance->value());
}

void TFrmToolOption::SpnPencilSizeChange() {
    if (SpnPencilSize->value() != TrcPencilSize->value()) TrcPencilSize->setValue(SpnPencilSize->value());
}
void TFrmToolOption::SpnBrushSizeChange() { SpinChanged(SpnBrushSize, TrcBrushSize); }
void TFrmToolOption::SpnBrushContentChange() { SpinChanged(SpnBrushContent, TrcBrushContent); }
void TFrmToolOption::SpnBrushOpacityChange() { SpinChanged(SpnBrushOpacity, TrcBrushOpacity); }
void TFrmToolOption::SpnEraserSizeChange() { SpinChanged(SpnEraserSize, TrcEraserSize); }
void TFrmToolOption::SpnToleranceChange() { SpinChanged(SpnTolerance, TrcTolerance); }
void TFrmToolOption::SpnLightenSizeChange() { SpinChanged(SpnLightenSize, TrcLightenSize); }
void TFrmToolOption::SpnLightenContrastChange() { SpinChanged(SpnLightenContrast, TrcLightenContrast); }
void TFrmToolOption::SpnDarkenSizeChange() { SpinChanged(SpnDarkenSize, TrcDarkenSize); }
void TFrmToolOption::SpnDarkenContrastChange() { SpinChanged(SpnDarkenContrast, TrcDarkenContrast); }

// ---------------------------------------------------------------------------------
// Text pages: every change redraws the pending shape

void TFrmToolOption::MemBalloonTextChange() { emit optionChanged(); }
void TFrmToolOption::CmbBalloonFontNameChange() { emit optionChanged(); }
void TFrmToolOption::SpnBalloonFontSizeChange() { emit optionChanged(); }
void TFrmToolOption::BtnBalloonBoldClick() { emit optionChanged(); }
void TFrmToolOption::BtnBalloonItalicClick() { emit optionChanged(); }
void TFrmToolOption::BtnBalloonUnderlineClick() { emit optionChanged(); }
void TFrmToolOption::SpnBalloonBorderWChange() { emit optionChanged(); }
void TFrmToolOption::BtnBalloonCommitClick() { emit commitClicked(); }
void TFrmToolOption::BtnBalloonCancelClick() { emit cancelClicked(); }

// ---------------------------------------------------------------------------------
// Window events

bool TFrmToolOption::EditingText() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && isAncestorOf(focus) && EditsText(focus);
}

void TFrmToolOption::keyPressEvent(QKeyEvent* event) {
    event->ignore();
    if (!EditingText()) emit keyPressed(event);
    if (!event->isAccepted()) QWidget::keyPressEvent(event);
}

bool TFrmToolOption::eventFilter(QObject* watched, QEvent* event) {
    // Only the current tool's tab is ever shown, so Left and Right have nothing to do on
    // the tab. Left unaccepted, they go on to this window as the keys the tab ignores do,
    // and from there to the main window, where they move a pending object.
    if (event->type() == QEvent::KeyPress && watched == PageControl1->tabBar()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            event->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFrmToolOption::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat() && !EditingText()) emit keyReleased(event->key());
    QWidget::keyReleaseEvent(event);
}

void TFrmToolOption::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

}  // namespace velmora
