#include "conversion/gui/PreviewDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <exception>
#include <tuple>
#include <vector>

#include "common/gui/Messages.h"
#include "conversion/HandleScale.h"
#include "conversion/ImageSize.h"
#include "conversion/ParamControls.h"
#include "conversion/Preset.h"
#include "conversion/Resample.h"
#include "conversion/gui/ControlKit.h"
#include "conversion/gui/MoreOptions.h"
#include "conversion/gui/PaintBox.h"
#include "conversion/gui/RadioGroup.h"
#include "document/DocumentHost.h"
#include "engine/DrawEffect.h"

namespace velmora {

namespace {

TFrmPreview*& CurrentDialog() {
    static TFrmPreview* dialog = nullptr;
    return dialog;
}

// A position no track bar can take, so that the first change of each one counts.
constexpr int kUnseenPosition = 65536;

// The slots of the thirteen parameter track bars in LastSeenPositions.
enum Slot {
    kSlotDetail,
    kSlotDarkness,
    kSlotThreshold,
    kSlotSketchSmooth,
    kSlotColorReducer,
    kSlotColorSmooth,
    kSlotBorderBlur,
    kSlotBrightness,
    kSlotContrast,
    kSlotSaturation,
    kSlotRed,
    kSlotGreen,
    kSlotBlue,
};

QLabel* MakeLabel(const char* text, const char* name, QWidget* parent) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

void SetPair(QSlider* trc, QSpinBox* spn, int value) {
    trc->setValue(value);
    spn->setValue(value);
}

// Paths are compared as the user would: the same file reached through "." or ".."
// or a doubled separator is the same file.
QString NormalPath(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

}  // namespace

TFrmPreview* FrmPreview() { return CurrentDialog(); }

TFrmPreview::TFrmPreview(DocumentHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    CurrentDialog() = this;
    setObjectName(QStringLiteral("FrmPreview"));
    setWindowTitle(QStringLiteral("Velmora Preview"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    setMinimumSize(kPreviewMinWidth, kPreviewMinHeight);
    setMaximumSize(kPreviewMaxWidth, kPreviewMaxHeight);
    LastSeenPositions.fill(kUnseenPosition);

    BuildControls();
    ConnectHandlers();
    PlaceWindow();

    LoadPreset(PresetPath("default.set"));
    Accepted = false;
    Closing = false;
}

TFrmPreview::~TFrmPreview() {
    if (CurrentDialog() == this) CurrentDialog() = nullptr;
}

QString TFrmPreview::PresetPath(const char* name) const {
    return QDir(QString::fromStdString(host_.ProgramFolder())).filePath(QString::fromLatin1(name));
}

// ---------------------------------------------------------------------------------
// Building the window

void TFrmPreview::MakePair(const IntControl& c, QSlider*& trc, QSpinBox*& spn, const char* spnName,
                           QWidget* page) {
    trc = MakeTrackBar(c, c.Name, page);
    spn = MakeSpinEdit(c, spnName, page);
}

void TFrmPreview::BuildControls() {
    PaintBox1 = new PaintBox(this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setMinimumSize(1, 1);
    PaintBox1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

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

    pairs_[kSlotDetail] = {Trc_Detail, Spn_Detail};
    pairs_[kSlotDarkness] = {Trc_Darkness, Spn_Darkness};
    pairs_[kSlotThreshold] = {Trc_Threshold, Spn_Threshold};
    pairs_[kSlotSketchSmooth] = {Trc_SketchSmooth, Spn_SketchSmooth};
    pairs_[kSlotColorReducer] = {Trc_ColorReducer, Spn_ColorReducer};
    pairs_[kSlotColorSmooth] = {Trc_ColorSmooth, Spn_ColorSmooth};
    pairs_[kSlotBorderBlur] = {Trc_BorderBlur, Spn_BorderBlur};
    pairs_[kSlotBrightness] = {Trc_Brightness, Spn_Brightness};
    pairs_[kSlotContrast] = {Trc_Contrast, Spn_Contrast};
    pairs_[kSlotSaturation] = {Trc_Saturation, Spn_Saturation};
    pairs_[kSlotRed] = {Trc_Red, Spn_Red};
    pairs_[kSlotGreen] = {Trc_Green, Spn_Green};
    pairs_[kSlotBlue] = {Trc_Blue, Spn_Blue};
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

    // The first two rows carry each other's names on purpose: the row of the value
    // subtracted from every edge reads "Darkness:", the row of the gain "Detail:".
    Lab_Sketch2 = MakeLabel("Darkness:", "Lab_Sketch2", page);
    Lab_Sketch1 = MakeLabel("Detail:", "Lab_Sketch1", page);
    Lab_Sketch3 = MakeLabel("Smooth:", "Lab_Sketch3", page);
    Lab_Sketch4 = MakeLabel("Threshold:", "Lab_Sketch4", page);
    MakePair(kDetail, Trc_Detail, Spn_Detail, "Spn_Detail", page);
    MakePair(kDarkness, Trc_Darkness, Spn_Darkness, "Spn_Darkness", page);
    MakePair(kSketchSmooth, Trc_SketchSmooth, Spn_SketchSmooth, "Spn_SketchSmooth", page);
    MakePair(kSketchThreshold, Trc_Threshold, Spn_Threshold, "Spn_Threshold", page);

    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(2);
    grid->addWidget(Chk_DrawSketch, 0, 0, 1, 2);
    grid->addWidget(Btn_SketchMore, 0, 2);
    int row = 1;
    for (auto [lab, trc, spn] : {std::tuple{Lab_Sketch2, Trc_Detail, Spn_Detail},
                                 std::tuple{Lab_Sketch1, Trc_Darkness, Spn_Darkness},
                                 std::tuple{Lab_Sketch3, Trc_SketchSmooth, Spn_SketchSmooth},
                                 std::tuple{Lab_Sketch4, Trc_Threshold, Spn_Threshold}}) {
        grid->addWidget(lab, row, 0);
        grid->addWidget(trc, row, 1);
        grid->addWidget(spn, row, 2);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
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
    MakePair(kColorReducer, Trc_ColorReducer, Spn_ColorReducer, "Spn_ColorReducer", page);

    Grp_ColorHandles = new QGroupBox(QStringLiteral(" Color Reducer "), page);
    Grp_ColorHandles->setObjectName(QStringLiteral("Grp_ColorHandles"));
    Lbl_HandleCount = MakeLabel("Handle Count:", "Lbl_HandleCount", Grp_ColorHandles);
    Cb_HandleCount = new QComboBox(Grp_ColorHandles);
    Cb_HandleCount->setObjectName(QStringLiteral("Cb_HandleCount"));
    Cb_HandleCount->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                              QStringLiteral("5")});
    Cb_HandleCount->setCurrentIndex(-1);
    auto* handleRow = new QHBoxLayout;
    handleRow->setSpacing(2);
    static const char* const kLabelNames[] = {"Lbl_A", "Lbl_B", "Lbl_C", "Lbl_D", "Lbl_E"};
    static const char* const kSpinNames[] = {"Spn_A", "Spn_B", "Spn_C", "Spn_D", "Spn_E"};
    for (int i = 0; i < kMaxHandles; ++i) {
        const QString letter = QString(QChar('A' + i)) + QLatin1Char(':');
        Lbl_Handle[i] = new QLabel(letter, Grp_ColorHandles);
        Lbl_Handle[i]->setObjectName(QString::fromLatin1(kLabelNames[i]));
        Spn_Handle[i] = MakeSpinEdit(kHandle, kSpinNames[i], Grp_ColorHandles);
        Spn_Handle[i]->setMinimumWidth(56);
        handleRow->addWidget(Lbl_Handle[i]);
        handleRow->addWidget(Spn_Handle[i]);
        if (i > 0) {
            Lbl_Handle[i]->hide();
            Spn_Handle[i]->hide();
        }
    }
    handleRow->addStretch(1);
    PB_Handles = new PaintBox(Grp_ColorHandles);
    PB_Handles->setObjectName(QStringLiteral("PB_Handles"));
    PB_Handles->SetBackground(Qt::white);
    PB_Handles->setFixedSize(401, 33);
    auto* grpLayout = new QGridLayout(Grp_ColorHandles);
    grpLayout->setContentsMargins(6, 2, 6, 4);
    grpLayout->setVerticalSpacing(2);
    grpLayout->addWidget(Lbl_HandleCount, 0, 0);
    grpLayout->addWidget(Cb_HandleCount, 0, 1);
    grpLayout->addLayout(handleRow, 1, 0, 1, 3);
    grpLayout->addWidget(PB_Handles, 2, 0, 1, 3, Qt::AlignLeft);
    grpLayout->setColumnStretch(2, 1);
    Grp_ColorHandles->hide();

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
    Lab_Color6 = MakeLabel("Saturation:", "Lab_Color6", page);
    Lab_Color5 = MakeLabel("Contrast:", "Lab_Color5", page);
    Lab_Color4 = MakeLabel("Brightness:", "Lab_Color4", page);
    Lab_Color2 = MakeLabel("Smooth:", "Lab_Color2", page);
    Lab_Color3 = MakeLabel("Border Blur:", "Lab_Color3", page);
    MakePair(kSaturation, Trc_Saturation, Spn_Saturation, "Spn_Saturation", page);
    MakePair(kContrast, Trc_Contrast, Spn_Contrast, "Spn_Contrast", page);
    MakePair(kBrightness, Trc_Brightness, Spn_Brightness, "Spn_Brightness", page);
    MakePair(kColorSmooth, Trc_ColorSmooth, Spn_ColorSmooth, "Spn_ColorSmooth", page);
    MakePair(kBorderBlur, Trc_BorderBlur, Spn_BorderBlur, "Spn_BorderBlur", page);
    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(0);
    int row = 0;
    for (auto [lab, trc, spn] : {std::tuple{Lab_Color6, Trc_Saturation, Spn_Saturation},
                                 std::tuple{Lab_Color5, Trc_Contrast, Spn_Contrast},
                                 std::tuple{Lab_Color4, Trc_Brightness, Spn_Brightness},
                                 std::tuple{Lab_Color2, Trc_ColorSmooth, Spn_ColorSmooth},
                                 std::tuple{Lab_Color3, Trc_BorderBlur, Spn_BorderBlur}}) {
        grid->addWidget(lab, row, 0);
        grid->addWidget(trc, row, 1);
        grid->addWidget(spn, row, 2);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* TFrmPreview::BuildColorStep3Page() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet3"));
    Btn_ColorMore = new QPushButton(QStringLiteral("More >>"), page);
    Btn_ColorMore->setObjectName(QStringLiteral("Btn_ColorMore"));
    Btn_ColorMore->setAutoDefault(false);
    Lab_Color7 = MakeLabel("Red:", "Lab_Color7", page);
    Lab_Color8 = MakeLabel("Green:", "Lab_Color8", page);
    Lab_Color9 = MakeLabel("Blue:", "Lab_Color9", page);
    MakePair(kRed, Trc_Red, Spn_Red, "Spn_Red", page);
    MakePair(kGreen, Trc_Green, Spn_Green, "Spn_Green", page);
    MakePair(kBlue, Trc_Blue, Spn_Blue, "Spn_Blue", page);
    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(2);
    grid->addWidget(Btn_ColorMore, 0, 2);
    int row = 1;
    for (auto [lab, trc, spn] : {std::tuple{Lab_Color7, Trc_Red, Spn_Red}, std::tuple{Lab_Color8, Trc_Green, Spn_Green},
                                 std::tuple{Lab_Color9, Trc_Blue, Spn_Blue}}) {
        grid->addWidget(lab, row, 0);
        grid->addWidget(trc, row, 1);
        grid->addWidget(spn, row, 2);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

void TFrmPreview::ConnectHandlers() {
    for (int slot = 0; slot < kTrackBars; ++slot) {
        connect(pairs_[slot].Trc, &QSlider::valueChanged, this, [this, slot] { TrcChange(slot); });
        connect(pairs_[slot].Spn, &QSpinBox::valueChanged, this, [this, slot] { SpnChange(slot); });
    }
    connect(Chk_DrawSketch, &QCheckBox::toggled, this, [this] { UpdateSketchControls(); });
    connect(Chk_DrawColor, &QCheckBox::toggled, this, [this] { UpdateColorControls(); });
    for (QRadioButton* rb : {RB_Equality, RB_Custom})
        connect(rb, &QRadioButton::toggled, this, [this](bool on) {
            if (on) UpdateColorControls();
        });
    // Only a choice of the user counts; the program sets the list without effect.
    connect(Cb_HandleCount, &QComboBox::activated, this, [this] {
        UpdateHandleCount();
        HandlesChanged();
    });
    for (QSpinBox* s : Spn_Handle) connect(s, &QSpinBox::valueChanged, this, [this] { HandlesChanged(); });
    connect(PB_Handles, &PaintBox::MouseDown, this, &TFrmPreview::PB_HandlesMouseDown);
    connect(PB_Handles, &PaintBox::MouseMove, this, &TFrmPreview::PB_HandlesMouseMove);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (PageControl1->currentWidget() == TabSheet5 && Chk_DrawColor->isChecked() &&
            !Grp_ColorHandles->isHidden())
            PaintHandles();
    });

    connect(PaintBox1, &PaintBox::MouseDown, this, &TFrmPreview::PaintBox1MouseDown);
    connect(PaintBox1, &PaintBox::MouseMove, this, &TFrmPreview::PaintBox1MouseMove);
    connect(PaintBox1, &PaintBox::MouseUp, this, [this] { PaintBox1MouseUp(); });
    connect(PaintBox1, &PaintBox::Resized, this, [this] { FormResize(); });

    connect(Trc_ImageSize, &QSlider::valueChanged, this, [this] { Trc_ImageSizeChange(); });
    connect(Spn_Width, &QSpinBox::valueChanged, this, [this] { Spn_WidthChange(); });
    connect(Spn_Height, &QSpinBox::valueChanged, this, [this] { Spn_HeightChange(); });

    connect(Btn_Ok, &QPushButton::clicked, this, [this] { Btn_OkClick(); });
    connect(Btn_Cancle, &QPushButton::clicked, this, [this] { reject(); });
    connect(Btn_Load, &QPushButton::clicked, this, [this] { Btn_LoadClick(); });
    connect(Btn_Save, &QPushButton::clicked, this, [this] { Btn_SaveClick(); });
    connect(Btn_SketchMore, &QPushButton::clicked, this, [this] { Btn_SketchMoreClick(); });
    connect(Btn_ColorMore, &QPushButton::clicked, this, [this] { Btn_ColorMoreClick(); });

    for (QWidget* w : {static_cast<QWidget*>(Btn_Ok), static_cast<QWidget*>(Btn_Cancle),
                       static_cast<QWidget*>(Btn_Load)})
        w->installEventFilter(this);
    for (const Pair& p : pairs_) p.Trc->installEventFilter(this);
}

void TFrmPreview::PlaceWindow() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        resize(kPreviewDefaultWidth, kPreviewDefaultHeight);
        return;
    }
    const QRect work = screen->availableGeometry();
    const int right = work.x() + work.width();
    const int bottom = work.y() + work.height();
    const WindowBox designed =
        CentredBox(kPreviewDefaultWidth, kPreviewDefaultHeight, work.x(), work.y(), right, bottom);
    const WindowBox box = PlacePreviewWindow(host_.Preferences(), right, bottom, designed);
    move(box.Left, box.Top);
    resize(box.Width, box.Height);
}

// ---------------------------------------------------------------------------------
// Showing and closing

void TFrmPreview::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous() || shown_) return;
    shown_ = true;
    try {
        FormShow();
    } catch (const std::exception&) {
        // Copies of a very large picture may not fit in memory; the dialog then
        // closes again as cancelled, which puts the photograph back if it was kept.
        ShowMessage(this, QStringLiteral("There is not enough memory to convert a picture of this size."));
        QMetaObject::invokeMethod(this, [this] { reject(); }, Qt::QueuedConnection);
    }
}

void TFrmPreview::FormShow() {
    Document& doc = host_.Doc();
    {
        // Kept for Cancel; copied aside first so that running out of memory leaves
        // the scratch bitmap whole.
        Bitmap kept(doc.PhotoBmp);
        doc.WorkBmp1.Swap(kept);
    }
    photoKept_ = true;
    WaitCursor wait;
    LastSeenPositions.fill(kUnseenPosition);
    for (int slot : {kSlotDetail, kSlotDarkness, kSlotSketchSmooth, kSlotColorReducer, kSlotColorSmooth,
                     kSlotBorderBlur, kSlotBrightness, kSlotContrast, kSlotSaturation})
        pairs_[slot].Spn->setValue(pairs_[slot].Trc->value());
    engine_ = std::make_unique<TDrawEffect>();
    engine_->SetCancelToken(&previewCancel_);
    previewBmp_ = std::make_unique<Bitmap>();
    SetupPanning();
    Accepted = false;

    *previewBmp_ = doc.CompositeBmp;
    StoreSourcePixels(doc.CompositeBmp);
    OriginalWidth = doc.CompositeBmp.Width();
    OriginalHeight = doc.CompositeBmp.Height();
    Lbl_Original->setText(QStringLiteral("Original Size: %1 * %2").arg(OriginalWidth).arg(OriginalHeight));
    Spn_Width->setRange(0, OriginalWidth);
    Spn_Height->setRange(0, OriginalHeight);
    // The width handler sees CurrentWidth 0 and makes PhotoBmp a same-size copy of
    // the picture as displayed.
    Spn_Width->setValue(OriginalWidth);
    Spn_Height->setValue(OriginalHeight);
    UpdatePreview();
}

void TFrmPreview::done(int result) {
    if (result != QDialog::Accepted) {
        Accepted = false;
        // Every way of cancelling leaves the photograph as it was before the dialog.
        // The scratch bitmap takes the discarded picture; swapping needs no memory.
        if (photoKept_) host_.Doc().PhotoBmp.Swap(host_.Doc().WorkBmp1);
    }
    FormClose();
    QDialog::done(result);
}

void TFrmPreview::FormClose() {
    if (Closing) return;
    previewBmp_.reset();
    engine_.reset();
    Closing = true;
    Options& prefs = host_.Preferences();
    const QRect frame = frameGeometry();
    prefs.LastPreviewTop = frame.top();
    prefs.LastPreviewLeft = frame.left();
    prefs.LastPreviewWidth = width();
    prefs.LastPreviewHeight = height();
}

void TFrmPreview::FormResize() {
    if (Closing) return;
    SetupPanning();
    UpdatePreview();
}

void TFrmPreview::Btn_OkClick() {
    SavePreset(PresetPath("last.set"));
    Accepted = true;
    accept();
}

void TFrmPreview::DialogKeyPress(int key) {
    if (key == 13 || key == 10)
        Btn_Ok->click();
    else if (key == 27)
        reject();
}

bool TFrmPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        // A focused Cancel or Load button does what it says rather than accepting.
        if (!ctrl && (watched == Btn_Cancle || watched == Btn_Load)) {
            static_cast<QPushButton*>(watched)->click();
            return true;
        }
        DialogKeyPress(ctrl ? 10 : 13);
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        DialogKeyPress(27);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------
// The preview

void TFrmPreview::PaintRegion(const Bitmap& src, int left, int top, int width, int height) {
    QImage& canvas = PaintBox1->Canvas();
    const int w = std::min({width, canvas.width(), src.Width() - left});
    const int h = std::min({height, canvas.height(), src.Height() - top});
    if (w > 0 && h > 0 && left >= 0 && top >= 0) {
        for (int y = 0; y < h; ++y)
            std::memcpy(canvas.scanLine(y), src.Pixel(left, top + y), static_cast<std::size_t>(w) * 3);
    }
    PaintBox1->update();
}

void TFrmPreview::ShowOriginalRegion() {
    PaintRegion(host_.Doc().PhotoBmp, horz_.Position, vert_.Position, PaintBox1->width(), PaintBox1->height());
}

void TFrmPreview::SetupPanning() {
    const Bitmap& photo = host_.Doc().PhotoBmp;
    QImage& canvas = PaintBox1->Canvas();
    const QColor face = palette().color(QPalette::Button);
    SetupPanAxis(horz_, photo.Width(), PaintBox1->width());
    if (!horz_.Enabled) {
        QPainter p(&canvas);
        p.fillRect(QRect(photo.Width(), 0, PaintBox1->width() - photo.Width(), PaintBox1->height()), face);
    }
    SetupPanAxis(vert_, photo.Height(), PaintBox1->height());
    if (!vert_.Enabled) {
        QPainter p(&canvas);
        p.fillRect(QRect(0, photo.Height(), PaintBox1->width(), PaintBox1->height() - photo.Height()), face);
    }
    if (horz_.Enabled || vert_.Enabled)
        PaintBox1->setCursor(Qt::ClosedHandCursor);
    else
        PaintBox1->unsetCursor();
    PaintBox1->update();
}

void TFrmPreview::TakeControlFields() {
    TFrmSketchMoreOption& sketch = FrmSketchMoreOption();
    TFrm_ColorMoreOption& color = Frm_ColorMoreOption();
    TEffectParams& p = params_;
    p.SketchType = sketch.RG_SketchType->ItemIndex() + 1;
    p.Detail = Trc_Detail->value();
    p.Darkness = Trc_Darkness->value();
    p.SketchSmooth = Trc_SketchSmooth->value();
    p.Sharper = sketch.Trc_Sharper->value();
    p.RemainDark = sketch.Chk_Remain->isChecked();
    p.RemainThreshold = sketch.Trc_Threshold->value();
    p.RemainDarkness = sketch.Trc_Darkness->value();
    p.SmoothType = color.RG_SmoothType->ItemIndex();
    p.ColorSmooth = Trc_ColorSmooth->value();
    p.BorderBlur = Trc_BorderBlur->value();
    p.Brightness = Trc_Brightness->value();
    p.Contrast = Trc_Contrast->value();
    p.Saturation = Trc_Saturation->value();
    p.Red = Trc_Red->value();
    p.Green = Trc_Green->value();
    p.Blue = Trc_Blue->value();
    p.DrawSketch = Chk_DrawSketch->isChecked();
    p.DrawColor = Chk_DrawColor->isChecked();
    p.BlendMode = color.RB_Multiply->isChecked() ? 1 : 2;
    p.Opacity = color.Trc_Opeaity->value();
    p.ColorReducer = Trc_ColorReducer->value();
    p.ColoringMode = color.RG_ColoringMode->ItemIndex();
}

void TFrmPreview::CopyHandlesToRecord() {
    params_.HandleCount = Cb_HandleCount->currentIndex() + 1;
    for (int i = 0; i < kMaxHandles; ++i) params_.Handles[i] = static_cast<std::uint8_t>(Spn_Handle[i]->value());
}

void TFrmPreview::UpdatePreview() {
    if (!isVisible() || !engine_ || !previewBmp_ || loading_) return;
    if (!Chk_DrawSketch->isChecked() && !Chk_DrawColor->isChecked()) {
        StatusBar1->clearMessage();
        ShowOriginalRegion();
        return;
    }
    const Bitmap& photo = host_.Doc().PhotoBmp;
    params_.SourceBitmap = &photo;
    params_.Left = horz_.Position;
    params_.Top = vert_.Position;
    params_.Width = std::min(photo.Width(), PaintBox1->width());
    params_.Height = std::min(photo.Height(), PaintBox1->height());
    TakeControlFields();
    params_.ThresholdLevel = 255 - Trc_Threshold->value();
    params_.ReducerType = RB_Custom->isChecked() ? 1 : 0;
    CopyHandlesToRecord();

    // A record the engine cannot run (a damaged preset the controls could not
    // mend) shows the picture unprocessed and says why in the status bar.
    const std::string problem = ValidateParams(params_, photo.Width(), photo.Height());
    if (!problem.empty()) {
        StatusBar1->showMessage(QStringLiteral("No preview: %1").arg(QString::fromStdString(problem)));
        ShowOriginalRegion();
        return;
    }
    // The engine reports running out of memory by leaving no result; a preview
    // bitmap that cannot be sized throws. Either way the picture shows unprocessed.
    bool done = false;
    try {
        engine_->SetParams(params_);
        engine_->Execute();
        if (engine_->HasResult()) {
            engine_->ComposePreview(*previewBmp_);
            done = true;
        }
    } catch (const std::exception&) {
        previewBmp_ = std::make_unique<Bitmap>();
    }
    if (!done) {
        StatusBar1->showMessage(QStringLiteral("Not enough memory for the preview"));
        ShowOriginalRegion();
        return;
    }
    ++previewCount_;
    StatusBar1->clearMessage();
    PaintRegion(*previewBmp_, 0, 0, previewBmp_->Width(), previewBmp_->Height());
}

// ---------------------------------------------------------------------------------
// Panning

void TFrmPreview::PaintBox1MouseDown(int x, int y, Qt::MouseButton) {
    PanX = x;
    PanY = y;
}

void TFrmPreview::PaintBox1MouseMove(int x, int y, Qt::MouseButtons buttons) {
    if (!(buttons & Qt::LeftButton)) return;
    const bool movedX = PanAxisStep(horz_, PanX, x);
    const bool movedY = PanAxisStep(vert_, PanY, y);
    // While dragging only unprocessed pixels are copied; the effect follows on release.
    if (movedX || movedY) ShowOriginalRegion();
}

void TFrmPreview::PaintBox1MouseUp() { UpdatePreview(); }

// ---------------------------------------------------------------------------------
// Parameter pairs and enabled states

void TFrmPreview::TrcChange(int slot) {
    const int position = pairs_[slot].Trc->value();
    if (position == LastSeenPositions[slot]) return;
    pairs_[slot].Spn->setValue(position);
    UpdatePreview();
    LastSeenPositions[slot] = position;
}

void TFrmPreview::SpnChange(int slot) {
    QSpinBox* spn = pairs_[slot].Spn;
    if (HasText(spn) && spn->value() != pairs_[slot].Trc->value()) pairs_[slot].Trc->setValue(spn->value());
}

void TFrmPreview::UpdateSketchControls() {
    const bool on = Chk_DrawSketch->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{Lab_Sketch1, Lab_Sketch2, Lab_Sketch3, Lab_Sketch4, Trc_Detail,
                                                      Spn_Detail, Trc_Darkness, Spn_Darkness, Trc_SketchSmooth,
                                                      Spn_SketchSmooth, Trc_Threshold, Spn_Threshold, Btn_SketchMore})
        w->setEnabled(on);
    UpdatePreview();
}

void TFrmPreview::UpdateColorControls() {
    const bool equality = RB_Equality->isChecked();
    Lab_ColorReducer->setVisible(equality);
    Spn_ColorReducer->setVisible(equality);
    Trc_ColorReducer->setVisible(equality);
    Grp_ColorHandles->setVisible(!equality);
    UpdateHandleCount();
    PaintHandles();
    const bool on = Chk_DrawColor->isChecked();
    for (QWidget* w : colorControls_) w->setEnabled(on);
    if (on) PaintHandles();
    UpdatePreview();
}

// ---------------------------------------------------------------------------------
// The handle editor

void TFrmPreview::UpdateHandleCount() {
    const int index = Cb_HandleCount->currentIndex();
    if (index < 0) return;
    for (int i = 1; i < kMaxHandles; ++i) {
        Lbl_Handle[i]->setVisible(i <= index);
        Spn_Handle[i]->setVisible(i <= index);
    }
}

void TFrmPreview::PaintHandles() {
    if (Grp_ColorHandles->isHidden()) return;
    const int count = Cb_HandleCount->currentIndex() + 1;
    for (int i = 0; i < count; ++i)
        if (!HasText(Spn_Handle[i])) return;

    QImage& canvas = PB_Handles->Canvas();
    const int W = canvas.width();
    const int H = canvas.height();
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setPen(QPen(Qt::black, 0));
    const QPoint frame[] = {{7, 4}, {7, H - 22}, {W - 7, H - 22}, {W - 7, 4}, {7, 4}};
    p.drawPolyline(frame, 5);
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    p.setFont(font);
    CopyHandlesToRecord();
    for (int i = 0; i < count; ++i) {
        const int x = HandlePosition(params_.Handles[i], W);
        // Lines and boxes leave out their last pixel, as the scale was designed.
        p.drawLine(x + 7, 2, x + 7, H - 21);
        p.drawRect(x, H - 20, kHandleMarkerWidth - 1, 17);
        p.drawText(QRect(x + 2, H - 19, 12, 17), Qt::AlignLeft | Qt::AlignTop, QString(QChar('A' + i)));
    }
    p.end();
    PB_Handles->update();
}

void TFrmPreview::HandlesChanged() {
    PaintHandles();
    if (isVisible()) {
        WaitCursor wait;
        UpdatePreview();
    }
}

void TFrmPreview::PB_HandlesMouseDown(int x, int y, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    SelectedHandle = -1;
    CopyHandlesToRecord();
    SelectedHandle = HandleAt(x, y, PB_Handles->width(), PB_Handles->height(), params_.Handles.data(),
                              params_.HandleCount);
}

void TFrmPreview::PB_HandlesMouseMove(int x, int, Qt::MouseButtons buttons) {
    if (!(buttons & Qt::LeftButton)) return;
    if (SelectedHandle < 0 || SelectedHandle >= params_.HandleCount) return;
    // The spin edit clamps the value and its own handler recomputes.
    Spn_Handle[SelectedHandle]->setValue(HandleValueAt(x, PB_Handles->width()));
}

// ---------------------------------------------------------------------------------
// Image size

void TFrmPreview::ResizePicture(int width, int height) {
    try {
        ResampleSourcePixels(SharedSourcePixels(), width, height, host_.Doc().PhotoBmp);
    } catch (const std::exception&) {
        StatusBar1->showMessage(QStringLiteral("Not enough memory to resize the picture"));
    }
    SetupPanning();
    UpdatePreview();
}

void TFrmPreview::Trc_ImageSizeChange() {
    if (SizeEchoPending) {
        SizeEchoPending = false;
        return;
    }
    const int position = Trc_ImageSize->value();
    if (position >= 100) return;
    const PictureSize size = ScaledSize(position, {OriginalWidth, OriginalHeight});
    Spn_Width->setValue(size.Width);
    Spn_Height->setValue(size.Height);
    ResizePicture(size.Width, size.Height);
}

void TFrmPreview::Spn_WidthChange() {
    if (!HasText(Spn_Width) || Spn_Width->value() <= 0 || Spn_Width->value() == CurrentWidth) return;
    const PictureSize original{OriginalWidth, OriginalHeight};
    CurrentWidth = Spn_Width->value();
    CurrentHeight = HeightForWidth(CurrentWidth, original);
    Spn_Height->setValue(CurrentHeight);
    ResizePicture(CurrentWidth, CurrentHeight);
    SizeEchoPending = true;
    Trc_ImageSize->setValue(ScaleForWidth(CurrentWidth, original));
    SizeEchoPending = false;
}

void TFrmPreview::Spn_HeightChange() {
    if (!HasText(Spn_Height) || Spn_Height->value() <= 0 || Spn_Height->value() == CurrentHeight) return;
    const PictureSize original{OriginalWidth, OriginalHeight};
    CurrentHeight = Spn_Height->value();
    CurrentWidth = WidthForHeight(CurrentHeight, original);
    Spn_Width->setValue(CurrentWidth);
    ResizePicture(CurrentWidth, CurrentHeight);
    SizeEchoPending = true;
    Trc_ImageSize->setValue(ScaleForWidth(CurrentWidth, original));
    SizeEchoPending = false;
}

// ---------------------------------------------------------------------------------
// More Options

void TFrmPreview::ShowMoreOptions(QDialog& window) {
    // Windows without an owner would open in the middle of the screen; they belong
    // over the main window (or this dialog when there is none).
    if (!window.parentWidget()) {
        const QWidget* anchor = parentWidget() ? parentWidget()->window() : this;
        window.move(anchor->frameGeometry().center() - QPoint(window.width() / 2, window.height() / 2));
    }
    window.exec();
}

void TFrmPreview::Btn_SketchMoreClick() { ShowMoreOptions(FrmSketchMoreOption()); }

void TFrmPreview::Btn_ColorMoreClick() { ShowMoreOptions(Frm_ColorMoreOption()); }

// ---------------------------------------------------------------------------------
// Presets

bool TFrmPreview::LoadPreset(const QString& fileName, bool reportProblems) {
    TEffectParams read = params_;
    std::string error;
    bool shortFile = false;
    const bool ok = ReadPresetFile(fileName.toStdString(), read, error, &shortFile);
    if (ok) {
        params_ = read;
        if (shortFile && reportProblems)
            ShowMessage(this, QStringLiteral("%1 is shorter than a preset file (%2 bytes); only the part it "
                                             "holds was loaded.")
                                  .arg(fileName)
                                  .arg(kEffectParamsSize));
    } else if (reportProblems) {
        // The user asked for this file: say so, and keep the controls as they are.
        ShowMessage(this, QString::fromStdString(error));
        return false;
    }
    // A copy: the handle editor's handlers, which stay attached, write the handle
    // count and values into the record while the controls are being set, and must
    // not change what is applied.
    const TEffectParams p = params_;
    TFrmSketchMoreOption& sketch = FrmSketchMoreOption();
    // Setting the controls would recompute the preview several times over; whoever
    // loads computes it once afterwards.
    const bool wasLoading = loading_;
    loading_ = true;
    TFrm_ColorMoreOption& color = Frm_ColorMoreOption();
    {
        std::vector<std::unique_ptr<QSignalBlocker>> blockers;
        for (const Pair& pair : pairs_) {
            if (pair.Trc == Trc_Threshold) continue;  // the Sketch page's threshold keeps its value
            blockers.push_back(std::make_unique<QSignalBlocker>(pair.Trc));
            blockers.push_back(std::make_unique<QSignalBlocker>(pair.Spn));
        }
        blockers.push_back(std::make_unique<QSignalBlocker>(Chk_DrawSketch));
        blockers.push_back(std::make_unique<QSignalBlocker>(Chk_DrawColor));

        SetPair(Trc_Detail, Spn_Detail, p.Detail);
        SetPair(Trc_Darkness, Spn_Darkness, p.Darkness);
        SetPair(Trc_SketchSmooth, Spn_SketchSmooth, p.SketchSmooth);
        SetPair(Trc_ColorReducer, Spn_ColorReducer, p.ColorReducer);
        SetPair(Trc_ColorSmooth, Spn_ColorSmooth, p.ColorSmooth);
        SetPair(Trc_BorderBlur, Spn_BorderBlur, p.BorderBlur);
        SetPair(Trc_Brightness, Spn_Brightness, p.Brightness);
        SetPair(Trc_Contrast, Spn_Contrast, p.Contrast);
        SetPair(Trc_Saturation, Spn_Saturation, p.Saturation);
        SetPair(Trc_Red, Spn_Red, p.Red);
        SetPair(Trc_Green, Spn_Green, p.Green);
        SetPair(Trc_Blue, Spn_Blue, p.Blue);
        Chk_DrawSketch->setChecked(p.DrawSketch);
        Chk_DrawColor->setChecked(p.DrawColor);

        // The More Options windows ignore these changes while they are hidden.
        sketch.Chk_Remain->setChecked(p.RemainDark);
        SetPair(sketch.Trc_Threshold, sketch.Spn_Threshold, p.RemainThreshold);
        SetPair(sketch.Trc_Darkness, sketch.Spn_Darkness, p.RemainDarkness);
        SetPair(sketch.Trc_Sharper, sketch.Spn_Sharper, p.Sharper);
        sketch.RG_SketchType->SetItemIndex(RadioGroupIndex(std::int64_t(p.SketchType) - 1, 2));
        SetPair(color.Trc_Opeaity, color.Spn_Opeaity, p.Opacity);
        color.RG_SmoothType->SetItemIndex(RadioGroupIndex(p.SmoothType, 2));
        color.RG_ColoringMode->SetItemIndex(RadioGroupIndex(p.ColoringMode, 2));

        if (p.ReducerType == 1)
            RB_Custom->setChecked(true);
        else
            RB_Equality->setChecked(true);
        Cb_HandleCount->setCurrentIndex(ComboIndex(std::int64_t(p.HandleCount) - 1, kHandleCountItems));
        for (int i = 0; i < kMaxHandles; ++i) Spn_Handle[i]->setValue(p.Handles[i]);
        if (p.BlendMode == 1)
            color.RB_Multiply->setChecked(true);
        else
            color.RB_Overlay->setChecked(true);

        UpdateSketchControls();
        UpdateColorControls();
        sketch.UpdateRemainControls();
        color.UpdateBlendControls();
    }
    loading_ = wasLoading;
    // The track bars were set behind their handlers' backs; a later move back to a
    // position seen before the load must still count as a change.
    LastSeenPositions.fill(kUnseenPosition);
    return ok;
}

bool TFrmPreview::SavePreset(const QString& fileName, bool reportProblems) {
    TakeControlFields();
    std::string error;
    if (WritePresetFile(fileName.toStdString(), params_, error)) return true;
    if (reportProblems) ShowMessage(this, QString::fromStdString(error));
    return false;
}

void TFrmPreview::Btn_LoadClick() {
    QFileDialog dialog(this, QStringLiteral("Open"), QString::fromStdString(host_.ProgramFolder()),
                       QStringLiteral("Velmora Config File(*.set)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    LoadPreset(dialog.selectedFiles().first(), true);
    UpdatePreview();
}

void TFrmPreview::Btn_SaveClick() {
    QFileDialog dialog(this, QStringLiteral("Save As"), QString::fromStdString(host_.ProgramFolder()),
                       QStringLiteral("Velmora Config File(*.set)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The only overwrite question is the one about the default preset below.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("set"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString file = dialog.selectedFiles().first();
    if (NormalPath(file) == NormalPath(PresetPath("default.set")) &&
        !ConfirmOkCancel(this, QStringLiteral("Are you sure you want to overwrite the default configration file?"),
                         QStringLiteral("Warning")))
        return;
    SavePreset(file, true);
}

}  // namespace velmora
