#include "tools/gui/ToolsWindow.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QColorDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

#include "common/gui/Messages.h"
#include "tools/ToolTable.h"
#include "tools/gui/LayerPainter.h"
#include "tools/gui/ToolGlyphs.h"

namespace velmora {

namespace {

constexpr int kButtonSize = 24;
constexpr int kLeftColumn = 5;
constexpr int kRightColumn = 30;


QFrame* Bevel(QWidget* parent, int y) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Raised);
    line->setGeometry(3, y, 53, 2);
    return line;
}

}  // namespace

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {}

void ColorSwatch::SetColor(const QColor& color) {
    color_ = color;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
    // The frame is filled, not stroked: a pen centred on the edge pixels would put the
    // right and bottom lines a screen pixel inside on a scaled screen.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.fillRect(rect().adjusted(1, 1, -1, -1), color_);
}

void ColorSwatch::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit pressed();
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    // Keeps the release from reaching the palette frame, which would take it for a
    // click on the frame.
    event->accept();
}

TFrmTools::TFrmTools(Document& doc, QWidget* parent) : QWidget(parent, Qt::Tool), doc_(doc) {
    setObjectName(QStringLiteral("FrmTools"));
    setWindowTitle(QStringLiteral("Tools"));
    setFocusPolicy(Qt::StrongFocus);
    resize(66, 278);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(3, 0, 59, 277);
    // Clicks on the frame and on disabled buttons explain why the tools cannot be used.
    // Disabled buttons swallow their clicks, so each button is watched as well.
    GroupBox1->installEventFilter(this);

    buttons_ = new QButtonGroup(this);
    buttons_->setExclusive(true);
    const int rowTop[7] = {14, 46, 70, 94, 126, 150, 174};
    int i = 0;
    for (const ToolInfo& tool : PaletteTools()) {
        auto* button = new QToolButton(GroupBox1);
        button->setObjectName(QString::fromLatin1(tool.Button));
        button->setToolTip(QString::fromStdString(ToolTooltip(tool)));
        button->setIcon(ToolGlyph(tool.Id));
        button->setIconSize(QSize(16, 16));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setEnabled(false);
        button->installEventFilter(this);
        button->setGeometry(i % 2 == 0 ? kLeftColumn : kRightColumn, rowTop[i / 2], kButtonSize, kButtonSize);
        buttons_->addButton(button, tool.Id);
        ++i;
    }
    BtnGrabber = static_cast<QToolButton*>(buttons_->button(ToolHand));
    BtnGrabber->setChecked(true);
    connect(buttons_, &QButtonGroup::idClicked, this, &TFrmTools::SelectTool);

    Bevel(GroupBox1, 10);
    Bevel(GroupBox1, 41);
    Bevel(GroupBox1, 121);
    Bevel(GroupBox1, 201);

    // The back swatch first, so that the front one is drawn over its corner.
    BackSwatch = new ColorSwatch(GroupBox1);
    BackSwatch->setObjectName(QStringLiteral("BackColor"));
    BackSwatch->setGeometry(16, 222, 40, 41);
    BackSwatch->SetColor(Qt::white);
    FrontSwatch = new ColorSwatch(GroupBox1);
    FrontSwatch->setObjectName(QStringLiteral("FrontColor"));
    FrontSwatch->setGeometry(4, 208, 41, 41);
    FrontSwatch->SetColor(Qt::black);
    connect(FrontSwatch, &ColorSwatch::pressed, this, [this] { ChooseColor(FrontSwatch); });
    connect(BackSwatch, &ColorSwatch::pressed, this, [this] { ChooseColor(BackSwatch); });
}

void TFrmTools::EnableDrawTools() {
    for (QAbstractButton* button : buttons_->buttons()) button->setEnabled(true);
    paletteState_ = 2;
}

void TFrmTools::DisableDrawTools() {
    for (QAbstractButton* button : buttons_->buttons()) button->setEnabled(button == BtnGrabber);
    paletteState_ = 1;
}

int TFrmTools::PaletteState() const { return paletteState_; }

void TFrmTools::PressHandButton() { BtnGrabber->setChecked(true); }

std::uint32_t TFrmTools::FrontColor() const { return ToColorValue(FrontSwatch->Color()); }

std::uint32_t TFrmTools::BackColor() const { return ToColorValue(BackSwatch->Color()); }

void TFrmTools::SetFrontColor(std::uint32_t color) { FrontSwatch->SetColor(ToQColor(color)); }

void TFrmTools::SetBackColor(std::uint32_t color) { BackSwatch->SetColor(ToQColor(color)); }

QAbstractButton* TFrmTools::ToolButton(int toolId) const { return buttons_->button(toolId); }

void TFrmTools::SelectTool(int toolId) {
    emit toolLeaving();
    doc_.CurrentTool = toolId;
    emit toolSelected(toolId);
}

void TFrmTools::GroupBox1Click() {
    if (paletteState_ == 0)
        ShowMessage(this, QStringLiteral("You haven't opened a picture."));
    else if (paletteState_ == 1)
        ShowMessage(this, QStringLiteral("When the Zoom Rate < 100%, you can not use draw tools."));
}

void TFrmTools::ChooseColor(ColorSwatch* swatch) {
    QColorDialog dialog(swatch->Color(), this);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(swatch == FrontSwatch ? QStringLiteral("Front Color") : QStringLiteral("Back Color"));
    if (dialog.exec() != QDialog::Accepted) return;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid()) return;
    swatch->SetColor(chosen.toRgb());
    emit colorsChanged();
}

bool TFrmTools::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease) return QWidget::eventFilter(watched, event);
    QWidget* target = nullptr;
    if (watched == GroupBox1) {
        target = GroupBox1;
    } else if (auto* button = qobject_cast<QAbstractButton*>(watched);
               button && !button->isEnabled() && buttons_->id(button) != -1) {
        target = button;
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (target && mouse->button() == Qt::LeftButton && target->rect().contains(mouse->position().toPoint())) {
        GroupBox1Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFrmTools::keyPressEvent(QKeyEvent* event) {
    event->ignore();
    emit keyPressed(event);
    if (!event->isAccepted()) QWidget::keyPressEvent(event);
}

void TFrmTools::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) emit keyReleased(event->key());
    QWidget::keyReleaseEvent(event);
}

void TFrmTools::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

}  // namespace velmora
