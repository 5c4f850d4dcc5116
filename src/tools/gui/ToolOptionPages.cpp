// The pages of the Tool Option window and the wiring of their controls.

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "conversion/gui/ControlKit.h"
#include "tools/gui/ToolGlyphs.h"
#include "tools/gui/ToolOptionWindow.h"

namespace velmora {

namespace {

struct PageEntry {
    const char* name;
    const char* caption;
};

const PageEntry kPages[] = {
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

constexpr int kButtonSide = 24;

QLabel* NamedLabel(QWidget* page, const QString& name, const char* text) {
    auto* label = new QLabel(QString::fromLatin1(text), page);
    label->setObjectName(name);
    return label;
}

QLabel* InfoLabel(QWidget* page, const char* name, const char* text, int top) {
    QLabel* label = NamedLabel(page, QString::fromLatin1(name), text);
    label->setGeometry(16, top, 180, 16);
    return label;
}

// A spin edit takes typed digits as one number: keyboard tracking is off, so the value
// changes only when typing pauses, on Enter or when the box loses focus, while the
// arrows and the wheel change it at once. Typing 250 therefore moves the paired track
// bar once instead of through 2 and 25, and an emptied box changes nothing.
QSpinBox* NumberBox(QWidget* page, const QString& name, int min, int max, int start) {
    auto* spin = new QSpinBox(page);
    spin->setObjectName(name);
    spin->setRange(min, max);
    spin->setValue(start);
    spin->setKeyboardTracking(false);
    auto* pause = new QTimer(spin);
    pause->setSingleShot(true);
    pause->setInterval(TFrmToolOption::kTypingPauseMs);
    if (auto* edit = spin->findChild<QLineEdit*>())
        QObject::connect(edit, &QLineEdit::textEdited, pause, qOverload<>(&QTimer::start));
    QObject::connect(spin, &QAbstractSpinBox::editingFinished, pause, &QTimer::stop);
    QObject::connect(pause, &QTimer::timeout, spin, [spin] {
        // An empty or unfinished number (0 in a box that starts at 6) waits for more keys.
        if (HasText(spin) && spin->hasAcceptableInput()) spin->interpretText();
    });
    return spin;
}

// The commit mark (a green tick) and the cancel mark (a red cross).
QIcon MarkGlyph(bool commit) {
    return GlyphIcon([commit](QPainter& painter) {
        painter.setPen(QPen(commit ? QColor(0, 128, 0) : QColor(192, 0, 0), 2.5, Qt::SolidLine, Qt::RoundCap,
                            Qt::RoundJoin));
        if (commit) {
            QPainterPath tick;
            tick.moveTo(3, 8.5);
            tick.lineTo(6.5, 12);
            tick.lineTo(13, 4);
            painter.drawPath(tick);
        } else {
            painter.drawLine(QPointF(4, 4), QPointF(12, 12));
            painter.drawLine(QPointF(12, 4), QPointF(4, 12));
        }
    });
}

QToolButton* MarkButton(QWidget* page, const QString& name, bool commit) {
    auto* button = new QToolButton(page);
    button->setObjectName(name);
    button->setIcon(MarkGlyph(commit));
    button->setText(commit ? QStringLiteral("Commit") : QStringLiteral("Cancel"));
    button->setToolTip(button->text());
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAutoRaise(true);
    button->setFixedSize(kButtonSide, kButtonSide);
    return button;
}

// A letter drawn in the style it switches: a bold B, an italic I, an underlined U.
QToolButton* StyleButton(QWidget* page, const QString& name, const char* letter, const char* tip) {
    auto* button = new QToolButton(page);
    button->setObjectName(name);
    button->setText(QString::fromLatin1(letter));
    button->setToolTip(QString::fromLatin1(tip));
    button->setCheckable(true);
    button->setMinimumSize(kButtonSide, kButtonSide);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QFont font = button->font();
    font.setBold(letter[0] == 'B');
    font.setItalic(letter[0] == 'I');
    font.setUnderline(letter[0] == 'U');
    button->setFont(font);
    return button;
}

QGridLayout* PageGrid(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    return grid;
}

}  // namespace

void TFrmToolOption::BuildPageControl() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    for (const PageEntry& entry : kPages) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(entry.name));
        PageControl1->addTab(page, QString::fromLatin1(entry.caption));
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 3, 2, 3);
    layout->addWidget(PageControl1);
    // Only the current tool's page may show. The keys that page through a tab widget
    // (Ctrl+Tab, Ctrl+PageDown, the arrows on the tab) pass over hidden tabs too, and
    // would let the user set another tool's options while this one draws on.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (current_.isEmpty() || index < 0 || PageControl1->widget(index)->objectName() == current_) return;
        if (QWidget* page = Page(current_)) PageControl1->setCurrentWidget(page);
    });
    // A click in the window leaves the keyboard on the tab, whose own arrow keys would
    // only page through the hidden tabs; the window passes them on instead.
    PageControl1->tabBar()->installEventFilter(this);
}

QSlider* TFrmToolOption::AddTrackRow(QGridLayout* grid, int row, const char* caption, const QString& role, int min,
                                     int max, int start, QSpinBox** spin) {
    QWidget* page = grid->parentWidget();
    auto* track = new QSlider(Qt::Horizontal, page);
    track->setObjectName(QStringLiteral("Trc") + role);
    track->setRange(min, max);
    track->setValue(start);
    track->setPageStep(std::max(1, (max - min) / 10));
    track->setMinimumWidth(60);
    *spin = NumberBox(page, QStringLiteral("Spn") + role, min, max, start);
    grid->addWidget(NamedLabel(page, QStringLiteral("Lbl") + role, caption), row, 0);
    grid->addWidget(track, row, 1);
    grid->addWidget(*spin, row, 2);
    return track;
}

void TFrmToolOption::BuildFreehandPages() {
    auto grid = [this](const char* name) { return PageGrid(Page(QString::fromLatin1(name))); };
    auto finish = [](QGridLayout* layout, int rows) {
        layout->setColumnStretch(1, 1);
        layout->setRowStretch(rows, 1);
    };

    QGridLayout* pencil = grid("TsPencil");
    TrcPencilSize = AddTrackRow(pencil, 0, "Size:", QStringLiteral("PencilSize"), 1, 100, 1, &SpnPencilSize);
    finish(pencil, 1);

    QGridLayout* brush = grid("TsBrush");
    TrcBrushSize = AddTrackRow(brush, 0, "Size:", QStringLiteral("BrushSize"), 1, 100, 20, &SpnBrushSize);
    TrcBrushContent = AddTrackRow(brush, 1, "Content:", QStringLiteral("BrushContent"), 1, 6, 3, &SpnBrushContent);
    TrcBrushOpacity = AddTrackRow(brush, 2, "Opacity:", QStringLiteral("BrushOpacity"), 1, 8, 8, &SpnBrushOpacity);
    finish(brush, 3);

    QGridLayout* eraser = grid("TsEraser");
    TrcEraserSize = AddTrackRow(eraser, 0, "Size:", QStringLiteral("EraserSize"), 1, 100, 30, &SpnEraserSize);
    finish(eraser, 1);

    QGridLayout* bucket = grid("TsPaintBucket");
    TrcTolerance = AddTrackRow(bucket, 0, "Tolerance:", QStringLiteral("Tolerance"), 0, 128, 32, &SpnTolerance);
    finish(bucket, 1);

    QGridLayout* lighten = grid("TsLightenTool");
    TrcLightenSize = AddTrackRow(lighten, 0, "Size:", QStringLiteral("LightenSize"), 1, 100, 10, &SpnLightenSize);
    TrcLightenContrast =
        AddTrackRow(lighten, 1, "Contrast:", QStringLiteral("LightenContrast"), 0, 255, 128, &SpnLightenContrast);
    finish(lighten, 2);

    QGridLayout* darken = grid("TsDarkenTool");
    TrcDarkenSize = AddTrackRow(darken, 0, "Size:", QStringLiteral("DarkenSize"), 1, 100, 10, &SpnDarkenSize);
    TrcDarkenContrast =
        AddTrackRow(darken, 1, "Contrast:", QStringLiteral("DarkenContrast"), 0, 255, 128, &SpnDarkenContrast);
    finish(darken, 2);
}

// One text page: border width and the two edit buttons on top, then the font and its
// size, the style toggles and the memo that takes the rest of the page.
TFrmToolOption::ShapePage TFrmToolOption::BuildShapePage(QWidget* page, const QString& role, bool withBorder) {
    ShapePage controls;
    QGridLayout* grid = PageGrid(page);

    auto* top = new QHBoxLayout;
    top->setSpacing(4);
    if (withBorder) {
        top->addWidget(NamedLabel(page, QStringLiteral("Lbl") + role + QStringLiteral("BorderW"), "Border Width:"));
        controls.borderWidth = NumberBox(page, QStringLiteral("Spn") + role + QStringLiteral("BorderW"), 1, 10, 1);
        top->addWidget(controls.borderWidth);
    }
    top->addStretch(1);
    controls.cancel = MarkButton(page, QStringLiteral("Btn") + role + QStringLiteral("Cancel"), false);
    controls.commit = MarkButton(page, QStringLiteral("Btn") + role + QStringLiteral("Commit"), true);
    top->addWidget(controls.cancel);
    top->addWidget(controls.commit);
    grid->addLayout(top, 0, 0, 1, 2);

    controls.fontName = new QComboBox(page);
    controls.fontName->setObjectName(QStringLiteral("Cmb") + role + QStringLiteral("FontName"));
    controls.fontName->setMaxVisibleItems(10);
    controls.fontName->setToolTip(QStringLiteral("Font Name"));
    controls.fontName->setStatusTip(QStringLiteral("Select font name"));
    // Long family names must not widen the window; the list itself shows them in full.
    controls.fontName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    controls.fontName->setMinimumContentsLength(8);
    controls.fontName->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    controls.fontSize = NumberBox(page, QStringLiteral("Spn") + role + QStringLiteral("FontSize"), 6, 1000, 12);
    controls.fontSize->setToolTip(QStringLiteral("Font Size"));
    grid->addWidget(controls.fontName, 1, 0);
    grid->addWidget(controls.fontSize, 1, 1);

    auto* styles = new QHBoxLayout;
    styles->setSpacing(2);
    controls.bold = StyleButton(page, QStringLiteral("Btn") + role + QStringLiteral("Bold"), "B", "Bold");
    controls.italic = StyleButton(page, QStringLiteral("Btn") + role + QStringLiteral("Italic"), "I", "Italic");
    controls.underline =
        StyleButton(page, QStringLiteral("Btn") + role + QStringLiteral("Underline"), "U", "Underline");
    styles->addWidget(controls.bold);
    styles->addWidget(controls.italic);
    styles->addWidget(controls.underline);
    styles->addStretch(1);
    grid->addLayout(styles, 2, 0, 1, 2);

    controls.memo = new QPlainTextEdit(page);
    controls.memo->setObjectName(QStringLiteral("Mem") + role + QStringLiteral("Text"));
    controls.memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    controls.memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    controls.memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    controls.memo->setMinimumHeight(65);
    grid->addWidget(controls.memo, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(3, 1);
    return controls;
}

void TFrmToolOption::BuildShapePages() {
    struct PageLayout {
        ShapePageIndex index;
        const char* page;
        const char* role;
        bool withBorder;
    };
    const PageLayout layouts[] = {
        {kBalloonPage, "TsBalloonA", "Balloon", true},
        {kRectPage, "TsRectangle", "Rect", true},
        {kEllipsePage, "TsEllipse", "Ellipse", true},
        {kTextPage, "TsText", "Text", false},
    };
    for (const PageLayout& layout : layouts)
        shapePages_[layout.index] =
            BuildShapePage(Page(QString::fromLatin1(layout.page)), QString::fromLatin1(layout.role), layout.withBorder);

    const ShapePage& balloon = shapePages_[kBalloonPage];
    SpnBalloonBorderW = balloon.borderWidth;
    CmbBalloonFontName = balloon.fontName;
    SpnBalloonFontSize = balloon.fontSize;
    BtnBalloonBold = balloon.bold;
    BtnBalloonItalic = balloon.italic;
    BtnBalloonUnderline = balloon.underline;
    BtnBalloonCommit = balloon.commit;
    BtnBalloonCancel = balloon.cancel;
    MemBalloonText = balloon.memo;

    const ShapePage& rect = shapePages_[kRectPage];
    SpnRectBorderW = rect.borderWidth;
    CmbRectFontName = rect.fontName;
    SpnRectFontSize = rect.fontSize;
    BtnRectBold = rect.bold;
    BtnRectItalic = rect.italic;
    BtnRectUnderline = rect.underline;
    BtnRectCommit = rect.commit;
    BtnRectCancel = rect.cancel;
    MemRectText = rect.memo;

    const ShapePage& ellipse = shapePages_[kEllipsePage];
    SpnEllipseBorderW = ellipse.borderWidth;
    CmbEllipseFontName = ellipse.fontName;
    SpnEllipseFontSize = ellipse.fontSize;
    BtnEllipseBold = ellipse.bold;
    BtnEllipseItalic = ellipse.italic;
    BtnEllipseUnderline = ellipse.underline;
    BtnEllipseCommit = ellipse.commit;
    BtnEllipseCancel = ellipse.cancel;
    MemEllipseText = ellipse.memo;

    const ShapePage& text = shapePages_[kTextPage];
    CmbTextFontName = text.fontName;
    SpnTextFontSize = text.fontSize;
    BtnTextBold = text.bold;
    BtnTextItalic = text.italic;
    BtnTextUnderline = text.underline;
    BtnTextCommit = text.commit;
    BtnTextCancel = text.cancel;
    MemTextText = text.memo;
}

void TFrmToolOption::BuildDropperPage() {
    QWidget* page = Page(QStringLiteral("TsDropper"));
    QGridLayout* grid = PageGrid(page);
    LabDropperX = NamedLabel(page, QStringLiteral("LabDropperX"), "X:");
    LabDropperY = NamedLabel(page, QStringLiteral("LabDropperY"), "Y:");
    LabDropperR = NamedLabel(page, QStringLiteral("LabDropperR"), "R:");
    LabDropperG = NamedLabel(page, QStringLiteral("LabDropperG"), "G:");
    LabDropperB = NamedLabel(page, QStringLiteral("LabDropperB"), "B:");
    int row = 0;
    for (QLabel* label : {LabDropperX, LabDropperY, LabDropperR, LabDropperG, LabDropperB})
        grid->addWidget(label, row++, 0);

    ShpColor = new QFrame(page);
    ShpColor->setObjectName(QStringLiteral("ShpColor"));
    ShpColor->setFixedSize(90, 90);
    ShpColor->setFrameShape(QFrame::Box);
    ShpColor->setAutoFillBackground(true);
    QPalette palette = ShpColor->palette();
    palette.setColor(QPalette::Window, Qt::white);
    ShpColor->setPalette(palette);
    grid->addWidget(ShpColor, 0, 1, 5, 1, Qt::AlignTop | Qt::AlignRight);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(5, 1);
}

void TFrmToolOption::BuildInfoPage() {
    QWidget* info = Page(QStringLiteral("TsNormal"));
    LabInfoX = InfoLabel(info, "LabInfoX", "X:", 16);
    LabInfoY = InfoLabel(info, "LabInfoY", "Y:", 40);
    LabInfoR = InfoLabel(info, "LabInfoR", "R:", 64);
    LabInfoG = InfoLabel(info, "LabInfoG", "G:", 88);
    LabInfoB = InfoLabel(info, "LabInfoB", "B:", 112);
    LabInfoR->hide();
    LabInfoG->hide();
    LabInfoB->hide();
}

// Every family the platform offers, sorted without regard to case, in all four lists;
// each starts on the application's own font so that text is drawn in a real font from
// the first shape on.
void TFrmToolOption::FillFontLists() {
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family) && !families.contains(family)) families << family;
    std::stable_sort(families.begin(), families.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });

    const QFont font = QApplication::font();
    int wanted = -1;
    for (const QString& name : {font.family(), QFontInfo(font).family()}) {
        if (wanted >= 0) break;
        for (int i = 0; i < families.size() && wanted < 0; ++i)
            if (families[i].compare(name, Qt::CaseInsensitive) == 0) wanted = i;
    }
    if (wanted < 0 && !families.isEmpty()) wanted = 0;

    for (ShapePage& page : shapePages_) {
        page.fontName->addItems(families);
        page.fontName->setCurrentIndex(wanted);
    }
}

void TFrmToolOption::ConnectControls() {
    const struct {
        QSlider* track;
        void (TFrmToolOption::*trackChange)();
        QSpinBox* spin;
        void (TFrmToolOption::*spinChange)();
    } pairs[] = {
        {TrcPencilSize, &TFrmToolOption::TrcPencilSizeChange, SpnPencilSize, &TFrmToolOption::SpnPencilSizeChange},
        {TrcBrushSize, &TFrmToolOption::TrcBrushSizeChange, SpnBrushSize, &TFrmToolOption::SpnBrushSizeChange},
        {TrcBrushContent, &TFrmToolOption::TrcBrushContentChange, SpnBrushContent,
         &TFrmToolOption::SpnBrushContentChange},
        {TrcBrushOpacity, &TFrmToolOption::TrcBrushOpacityChange, SpnBrushOpacity,
         &TFrmToolOption::SpnBrushOpacityChange},
        {TrcEraserSize, &TFrmToolOption::TrcEraserSizeChange, SpnEraserSize, &TFrmToolOption::SpnEraserSizeChange},
        {TrcTolerance, &TFrmToolOption::TrcToleranceChange, SpnTolerance, &TFrmToolOption::SpnToleranceChange},
        {TrcLightenSize, &TFrmToolOption::TrcLightenSizeChange, SpnLightenSize,
         &TFrmToolOption::SpnLightenSizeChange},
        {TrcLightenContrast, &TFrmToolOption::TrcLightenContrastChange, SpnLightenContrast,
         &TFrmToolOption::SpnLightenContrastChange},
        {TrcDarkenSize, &TFrmToolOption::TrcDarkenSizeChange, SpnDarkenSize, &TFrmToolOption::SpnDarkenSizeChange},
        {TrcDarkenContrast, &TFrmToolOption::TrcDarkenContrastChange, SpnDarkenContrast,
         &TFrmToolOption::SpnDarkenContrastChange},
    };
    for (const auto& pair : pairs) {
        connect(pair.track, &QSlider::valueChanged, this, pair.trackChange);
        connect(pair.spin, &QSpinBox::valueChanged, this, pair.spinChange);
    }
    // The track bar may have moved (by the wheel) while the brush box was empty; once
    // the box is left, it shows the size the brush paints with again.
    connect(SpnBrushSize, &QAbstractSpinBox::editingFinished, this, [this] {
        if (SpnBrushSize->value() != TrcBrushSize->value()) SpnBrushSize->setValue(TrcBrushSize->value());
        TrcBrushSizeChange();
    });
    for (const ShapePage& page : shapePages_) ConnectShapePage(page);
}

void TFrmToolOption::ConnectShapePage(const ShapePage& page) {
    connect(page.memo, &QPlainTextEdit::textChanged, this, &TFrmToolOption::MemBalloonTextChange);
    connect(page.fontName, &QComboBox::currentIndexChanged, this, &TFrmToolOption::CmbBalloonFontNameChange);
    connect(page.fontSize, &QSpinBox::valueChanged, this, &TFrmToolOption::SpnBalloonFontSizeChange);
    connect(page.bold, &QToolButton::toggled, this, &TFrmToolOption::BtnBalloonBoldClick);
    connect(page.italic, &QToolButton::toggled, this, &TFrmToolOption::BtnBalloonItalicClick);
    connect(page.underline, &QToolButton::toggled, this, &TFrmToolOption::BtnBalloonUnderlineClick);
    if (page.borderWidth)
        connect(page.borderWidth, &QSpinBox::valueChanged, this, &TFrmToolOption::SpnBalloonBorderWChange);
    connect(page.commit, &QToolButton::clicked, this, &TFrmToolOption::BtnBalloonCommitClick);
    connect(page.cancel, &QToolButton::clicked, this, &TFrmToolOption::BtnBalloonCancelClick);
}

}  // namespace velmora
