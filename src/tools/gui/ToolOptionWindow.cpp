#include "tools/gui/ToolOptionWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>

#include "tools/ToolPages.h"
#include "tools/ToolIds.h"

namespace velmora {

namespace {

struct PageSpec {
    const char* name;
    const char* caption;
};

const PageSpec kPages[] = {
    {"TsPencil", "Pencil"},
    {"TsBrush", "Brush"},
    {"TsEraser", "Eraser"},
    {"TsPaintBucket", "Paint Bucket"},
    {"TsLightenTool", "Lighten Tool"},
    {"TsDarkenTool", "Darken Tool"},
    {"TsBalloonA", "Text Ballon"},
    {"TsRectangle", "Rectangle"},
    {"TsEllipse", "Ellipse"},
    {"TsText", "Text"},
    {"TsDropper", "Color Dropper"},
    {"TsNormal", "Info"},
};

QLabel* InfoLabel(QWidget* page, const char* name, const char* text, int top) {
    auto* label = new QLabel(QString::fromLatin1(text), page);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(16, top, 180, 16);
    return label;
}

}  // namespace

TFrmToolOption::TFrmToolOption(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("FrmToolOption"));
    setWindowTitle(QStringLiteral("Tool Option"));
    setFocusPolicy(Qt::StrongFocus);
    resize(235, 176);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(2, 3, 230, 170);
    for (const PageSpec& entry : kPages) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(entry.name));
        PageControl1->addTab(page, QString::fromLatin1(entry.caption));
    }

    QWidget* info = Page(QStringLiteral("TsNormal"));
    LabInfoX = InfoLabel(info, "LabInfoX", "X:", 16);
    LabInfoY = InfoLabel(info, "LabInfoY", "Y:", 40);
    LabInfoR = InfoLabel(info, "LabInfoR", "R:", 64);
    LabInfoG = InfoLabel(info, "LabInfoG", "G:", 88);
    LabInfoB = InfoLabel(info, "LabInfoB", "B:", 112);
    LabInfoR->hide();
    LabInfoG->hide();
    LabInfoB->hide();

    ShowPage(ToolNone);
}

QWidget* TFrmToolOption::Page(const QString& name) const {
    for (int i = 0; i < PageControl1->count(); ++i)
        if (PageControl1->widget(i)->objectName() == name) return PageControl1->widget(i);
    return nullptr;
}

void TFrmToolOption::ShowPage(int toolId) {
    const char* pageName = ToolOptionPageName(toolId);
    const QString wanted = pageName ? QString::fromLatin1(pageName) : QString();
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

void TFrmToolOption::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) emit keyReleased(event->key());
    QWidget::keyReleaseEvent(event);
}

void TFrmToolOption::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

}  // namespace velmora
