// The conversion dialog's window: the preview pane, the buttons and the five pages
// of controls.

#include <QByteArray>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <initializer_list>

#include "conversion/gui/ControlKit.h"
#include "conversion/gui/HandleEditor.h"
#include "conversion/gui/PreviewDialog.h"
#include "conversion/gui/PreviewPane.h"
#include "document/DocumentHost.h"

namespace velmora {

namespace {

QLabel* MakeLabel(const char* text, const char* name, QWidget* parent) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

}  // namespace

// A labelled row of a page: its label and the track bar and spin edit of one control.
struct TFrmPreview::SliderRow {
    QLabel*& label;
    const char* text;
    const char* labelName;
    int slot;
    QSlider*& trc;
    QSpinBox*& spn;
};

// Makes the rows' controls and lays them out from `firstRow` on, the track bars
// taking the spare width and the space below the rows the spare height.
void TFrmPreview::AddSliderRows(QGridLayout* grid, int firstRow, std::initializer_list<SliderRow> rows) {
    QWidget* page = grid->parentWidget();
    int row = firstRow;
    for (const SliderRow& r : rows) {
        r.label = MakeLabel(r.text, r.labelName, page);
        MakePair(r.slot, r.trc, r.spn, page);
        grid->addWidget(r.label, row, 0);
        grid->addWidget(r.trc, row, 1);
        grid->addWidget(r.spn, row, 2);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
}

void TFrmPreview::MakePair(int slot, QSlider*& trc, QSpinBox*& spn, QWidget* page) {
    const IntControl& c = *kPageParams[slot].Control;
    // Each track bar's spin edit is named after it: Trc_Detail goes with Spn_Detail.
    const QByteArray spnName = "Spn_" + QByteArray(c.Name).mid(4);
    trc = MakeTrackBar(c, c.Name, page);
    spn = MakeSpinEdit(c, spnName.constData(), page);
    pairs_[slot] = {trc, spn};
}

void TFrmPreview::BuildControls() {
    PaintBox1 = new PreviewPane(host_.Doc().PhotoBmp, this);

    Btn_Ok = new QPushButton(QStringLiteral("&OK"), this);
    Btn_Ok->setObjectName(QStringLiteral("Btn_Ok"));
    Btn_Cancle = new QPushButton(QStringLiteral("&Cancel"), this);
    Btn_Cancle->setObjectName(QStringLiteral("Btn_Cancle"));
    Btn_Load = new QPushButton(QStringLiteral("&Load"), this);
    Btn_Load->setObjectName(QStringLiteral("Btn_Load"));
    Btn_Save = new QPushButton(QStringLiteral("&Save"), this);
    Btn_Save->setObjectName(QStringLiteral("Btn_Save"));
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {Btn_Ok, Btn_Cancle, Btn_Load, Btn_Save}) {
        // Enter is handled by the dialog's own key rules, never by a default button.
        b->setAutoDefault(false);
        b->setDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(PaintBox1, 1);
    top->addLayout(buttons);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet4 = BuildImageSizePage();
    TabSheet1 = BuildSketchPage();
    TabSheet5 = BuildColorStep1Page();
    TabSheet2 = BuildColorStep2Page();
    TabSheet3 = BuildColorStep3Page();
    PageControl1->addTab(TabSheet4, QStringLiteral("Image Size"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Sketch"));
    PageControl1->addTab(TabSheet5, QStringLiteral("Coloring Step 1"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Coloring Step 2"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Coloring Step 3"));
    PageControl1->setCurrentWidget(TabSheet4);
    // All five tabs fit the narrowest window without scroll arrows.
    PageControl1->setUsesScrollButtons(false);
    PageControl1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 5px; }"));
    PageControl1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(4, 4, 4, 0);
    main->setSpacing(4);
    main->addLayout(top, 1);
    main->addWidget(PageControl1);
    main->addWidget(StatusBar1);

    // Everything on the three Coloring pages but "Draw Color" waits for that check box.
    colorControls_ = {Lab_Color1, RB_Equality, RB_Custom, Lab_ColorReducer, Trc_ColorReducer, Spn_ColorReducer,
                      Grp_ColorHandles, Lab_Color6, Trc_Saturation, Spn_Saturation, Lab_Color5, Trc_Contrast,
                      Spn_Contrast, Lab_Color4, Trc_Brightness, Spn_Brightness, Lab_Color2, Trc_ColorSmooth,
                      Spn_ColorSmooth, Lab_Color3, Trc_BorderBlur, Spn_BorderBlur, Btn_ColorMore, Lab_Color7,
                      Trc_Red, Spn_Red, Lab_Color8, Trc_Green, Spn_Green, Lab_Color9, Trc_Blue, Spn_Blue};
    for (QWidget* w : colorControls_) w->setEnabled(false);

}

QWidget* TFrmPreview::BuildImageSizePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet4"));
    Lbl_Original = MakeLabel("", "Lbl_Original", page);
    Spn_Width = new QSpinBox(page);
    Spn_Width->setObjectName(QStringLiteral("Spn_Width"));
    Spn_Width->setRange(0, 0);
    Spn_Height = new QSpinBox(page);
    Spn_Height->setObjectName(QStringLiteral("Spn_Height"));
    Spn_Height->setRange(0, 0);
    Trc_ImageSize = MakeTrackBar(kImageScale, kImageScale.Name, page);

    auto* grid = new QGridLayout(page);
    grid->addWidget(Lbl_Original, 0, 0, 1, 3);
    grid->addWidget(MakeLabel("Width:", "Lab_Width", page), 1, 0);
    grid->addWidget(Spn_Width, 1, 1);
    grid->addWidget(MakeLabel("Height:", "Lab_Height", page), 2, 0);
    grid->addWidget(Spn_Height, 2, 1);
    grid->addWidget(MakeLabel("Scale:", "Lab_Scale", page), 3, 0);
    grid->addWidget(Trc_ImageSize, 3, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(4, 1);
    return page;
}

QWidget* TFrmPreview::BuildSketchPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    Chk_DrawSketch = new QCheckBox(QStringLiteral("Draw Sketch"), page);
    Chk_DrawSketch->setObjectName(QStringLiteral("Chk_DrawSketch"));
    Chk_DrawSketch->setChecked(true);
    Btn_SketchMore = new QPushButton(QStringLiteral("More >>"), page);
    Btn_SketchMore->setObjectName(QStringLiteral("Btn_SketchMore"));
    Btn_SketchMore->setAutoDefault(false);

    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(2);
    grid->addWidget(Chk_DrawSketch, 0, 0, 1, 2);
    grid->addWidget(Btn_SketchMore, 0, 2);
    // The first two rows carry each other's names on purpose: the row of the value
    // subtracted from every edge reads "Darkness:", the row of the gain "Detail:".
    AddSliderRows(grid, 1, {{Lab_Sketch2, "Darkness:", "Lab_Sketch2", kSlotDetail, Trc_Detail, Spn_Detail},
                            {Lab_Sketch1, "Detail:", "Lab_Sketch1", kSlotDarkness, Trc_Darkness, Spn_Darkness},
                            {Lab_Sketch3, "Smooth:", "Lab_Sketch3", kSlotSketchSmooth, Trc_SketchSmooth,
                             Spn_SketchSmooth},
                            {Lab_Sketch4, "Threshold:", "Lab_Sketch4", kSlotThreshold, Trc_Threshold, Spn_Threshold}});
    return page;
}

QWidget* TFrmPreview::BuildColorStep1Page() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet5"));
    Chk_DrawColor = new QCheckBox(QStringLiteral("Draw Color"), page);
    Chk_DrawColor->setObjectName(QStringLiteral("Chk_DrawColor"));
    Lab_Color1 = MakeLabel("Color Reducer Type:", "Lab_Color1", page);
    RB_Equality = new QRadioButton(QStringLiteral("Equality"), page);
    RB_Equality->setObjectName(QStringLiteral("RB_Equality"));
    RB_Custom = new QRadioButton(QStringLiteral("Custom"), page);
    RB_Custom->setObjectName(QStringLiteral("RB_Custom"));
    RB_Equality->setChecked(true);

    Lab_ColorReducer = MakeLabel("Color Reducer:", "Lab_ColorReducer", page);
    MakePair(kSlotColorReducer, Trc_ColorReducer, Spn_ColorReducer, page);

    Grp_ColorHandles = new HandleEditor(params_, page);

    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(2);
    grid->addWidget(Chk_DrawColor, 0, 0, 1, 3);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(Lab_Color1);
    typeRow->addWidget(RB_Equality);
    typeRow->addWidget(RB_Custom);
    typeRow->addStretch(1);
    grid->addLayout(typeRow, 1, 0, 1, 3);
    // The reducer row and the handle editor share the space below; one of them is shown.
    grid->addWidget(Lab_ColorReducer, 2, 0);
    grid->addWidget(Trc_ColorReducer, 2, 1);
    grid->addWidget(Spn_ColorReducer, 2, 2);
    grid->addWidget(Grp_ColorHandles, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    return page;
}

QWidget* TFrmPreview::BuildColorStep2Page() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet2"));
    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(0);
    AddSliderRows(grid, 0,
                  {{Lab_Color6, "Saturation:", "Lab_Color6", kSlotSaturation, Trc_Saturation, Spn_Saturation},
                   {Lab_Color5, "Contrast:", "Lab_Color5", kSlotContrast, Trc_Contrast, Spn_Contrast},
                   {Lab_Color4, "Brightness:", "Lab_Color4", kSlotBrightness, Trc_Brightness, Spn_Brightness},
                   {Lab_Color2, "Smooth:", "Lab_Color2", kSlotColorSmooth, Trc_ColorSmooth, Spn_ColorSmooth},
                   {Lab_Color3, "Border Blur:", "Lab_Color3", kSlotBorderBlur, Trc_BorderBlur, Spn_BorderBlur}});
    return page;
}

QWidget* TFrmPreview::BuildColorStep3Page() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet3"));
    Btn_ColorMore = new QPushButton(QStringLiteral("More >>"), page);
    Btn_ColorMore->setObjectName(QStringLiteral("Btn_ColorMore"));
    Btn_ColorMore->setAutoDefault(false);
    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(2);
    grid->addWidget(Btn_ColorMore, 0, 2);
    AddSliderRows(grid, 1, {{Lab_Color7, "Red:", "Lab_Color7", kSlotRed, Trc_Red, Spn_Red},
                            {Lab_Color8, "Green:", "Lab_Color8", kSlotGreen, Trc_Green, Spn_Green},
                            {Lab_Color9, "Blue:", "Lab_Color9", kSlotBlue, Trc_Blue, Spn_Blue}});
    return page;
}

}  // namespace velmora
