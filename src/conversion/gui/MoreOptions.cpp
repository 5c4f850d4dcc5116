#include "conversion/gui/MoreOptions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "conversion/ParamControls.h"
#include "common/gui/WaitCursor.h"
#include "conversion/gui/ControlKit.h"
#include "conversion/gui/RadioGroup.h"

namespace velmora {

namespace {

// A track bar and spin edit pair of a More Options window. Both handlers act only
// while the window is shown, and each change computes one preview.
void ConnectPair(QDialog* window, QSlider* trc, QSpinBox* spn, const std::function<void()>& preview) {
    QObject::connect(trc, &QSlider::valueChanged, window, [window, trc, spn, preview] {
        if (!window->isVisible()) return;
        if (spn->value() != trc->value()) {
            spn->setValue(trc->value());
            preview();
        }
    });
    QObject::connect(spn, &QSpinBox::valueChanged, window, [window, trc, spn, preview] {
        if (!window->isVisible()) return;
        if (HasText(spn) && spn->value() != trc->value()) {
            trc->setValue(spn->value());
            preview();
        }
    });
}

void SetPair(QSlider* trc, QSpinBox* spn, int value) {
    const QSignalBlocker b1(trc), b2(spn);
    trc->setValue(value);
    spn->setValue(value);
}

QHBoxLayout* ButtonRow(QPushButton* ok, QPushButton* cancel) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

}  // namespace

MoreOptionsWindow::MoreOptionsWindow(MoreOptionsTarget target, QWidget* parent)
    : QDialog(parent), target_(std::move(target)) {}

void MoreOptionsWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) Snapshot = *target_.Record;
}

void MoreOptionsWindow::reject() {
    {
        WaitCursor wait;
        Apply(Snapshot);
        UpdateDependentControls();
        *target_.Record = Snapshot;
        target_.Preview();
    }
    QDialog::reject();
}

// ---------------------------------------------------------------------------------
// Sketch - More Options

TFrmSketchMoreOption::TFrmSketchMoreOption(MoreOptionsTarget target, QWidget* parent)
    : MoreOptionsWindow(std::move(target), parent) {
    setObjectName(QStringLiteral("FrmSketchMoreOption"));
    setWindowTitle(QStringLiteral("Sketch - More Options"));
    setFixedSize(418, 332);

    RG_SketchType = new RadioGroup(QStringLiteral(" Sketch Type "),
                                   {QStringLiteral("Black && White"), QStringLiteral("Gray")}, 2, this);
    RG_SketchType->setObjectName(QStringLiteral("RG_SketchType"));
    RG_SketchType->SetItemIndex(kDefaultSketchTypeIndex);

    GroupBox2 = new QGroupBox(QStringLiteral(" Line  Sharper "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    Label1 = new QLabel(QStringLiteral("Strength:"), GroupBox2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Trc_Sharper = MakeTrackBar(kSharper, "Trc_Sharper", GroupBox2);
    Spn_Sharper = MakeSpinEdit(kSharper, "Spn_Sharper", GroupBox2);
    auto* sharperRow = new QHBoxLayout(GroupBox2);
    sharperRow->addWidget(Label1);
    sharperRow->addWidget(Trc_Sharper, 1);
    sharperRow->addWidget(Spn_Sharper);

    GroupBox1 = new QGroupBox(QStringLiteral(" Remain Dark Area "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Chk_Remain = new QCheckBox(QStringLiteral("Remain Dark Area"), GroupBox1);
    Chk_Remain->setObjectName(QStringLiteral("Chk_Remain"));
    Label3 = new QLabel(QStringLiteral("Threshold:"), GroupBox1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Trc_Threshold = MakeTrackBar(kRemainThreshold, "Trc_Threshold", GroupBox1);
    Spn_Threshold = MakeSpinEdit(kRemainThreshold, "Spn_Threshold", GroupBox1);
    Label4 = new QLabel(QStringLiteral("Darkness:"), GroupBox1);
    Label4->setObjectName(QStringLiteral("Label4"));
    Trc_Darkness = MakeTrackBar(kRemainDarkness, "Trc_Darkness", GroupBox1);
    Spn_Darkness = MakeSpinEdit(kRemainDarkness, "Spn_Darkness", GroupBox1);
    auto* remainGrid = new QGridLayout(GroupBox1);
    remainGrid->addWidget(Chk_Remain, 0, 0, 1, 3);
    remainGrid->addWidget(Label3, 1, 0);
    remainGrid->addWidget(Trc_Threshold, 1, 1);
    remainGrid->addWidget(Spn_Threshold, 1, 2);
    remainGrid->addWidget(Label4, 2, 0);
    remainGrid->addWidget(Trc_Darkness, 2, 1);
    remainGrid->addWidget(Spn_Darkness, 2, 2);
    remainGrid->setColumnStretch(1, 1);

    Btn_Ok = new QPushButton(QStringLiteral("&OK"), this);
    Btn_Ok->setObjectName(QStringLiteral("Btn_Ok"));
    BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));

    auto* main = new QVBoxLayout(this);
    main->addWidget(RG_SketchType);
    main->addWidget(GroupBox2);
    main->addWidget(GroupBox1);
    main->addStretch(1);
    main->addLayout(ButtonRow(Btn_Ok, BtnCancel));

    for (QWidget* w : {static_cast<QWidget*>(Label3), static_cast<QWidget*>(Trc_Threshold),
                       static_cast<QWidget*>(Spn_Threshold), static_cast<QWidget*>(Label4),
                       static_cast<QWidget*>(Trc_Darkness), static_cast<QWidget*>(Spn_Darkness)})
        w->setEnabled(false);

    ConnectPair(this, Trc_Sharper, Spn_Sharper, target_.Preview);
    ConnectPair(this, Trc_Threshold, Spn_Threshold, target_.Preview);
    ConnectPair(this, Trc_Darkness, Spn_Darkness, target_.Preview);
    connect(Chk_Remain, &QCheckBox::toggled, this, [this] {
        if (isVisible()) UpdateRemainControls();
    });
    connect(RG_SketchType, &RadioGroup::Click, this, [this] {
        if (isVisible()) target_.Preview();
    });
    connect(Btn_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrmSketchMoreOption::UpdateRemainControls() {
    const bool on = Chk_Remain->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label4),
                       static_cast<QWidget*>(Trc_Threshold), static_cast<QWidget*>(Spn_Threshold),
                       static_cast<QWidget*>(Trc_Darkness), static_cast<QWidget*>(Spn_Darkness)})
        w->setEnabled(on);
    target_.Preview();
}

void TFrmSketchMoreOption::Apply(const TEffectParams& p) {
    {
        const QSignalBlocker b(Chk_Remain);
        Chk_Remain->setChecked(p.RemainDark);
    }
    SetPair(Trc_Threshold, Spn_Threshold, p.RemainThreshold);
    SetPair(Trc_Darkness, Spn_Darkness, p.RemainDarkness);
    SetPair(Trc_Sharper, Spn_Sharper, p.Sharper);
    const QSignalBlocker b(RG_SketchType);
    RG_SketchType->SetItemIndex(RadioGroupIndex(std::int64_t(p.SketchType) - 1, 2));
}

void TFrmSketchMoreOption::Take(TEffectParams& p) const {
    p.SketchType = RG_SketchType->ItemIndex() + 1;
    p.Sharper = Trc_Sharper->value();
    p.RemainDark = Chk_Remain->isChecked();
    p.RemainThreshold = Trc_Threshold->value();
    p.RemainDarkness = Trc_Darkness->value();
}

// ---------------------------------------------------------------------------------
// Coloring - More Options

TFrm_ColorMoreOption::TFrm_ColorMoreOption(MoreOptionsTarget target, QWidget* parent)
    : MoreOptionsWindow(std::move(target), parent) {
    setObjectName(QStringLiteral("Frm_ColorMoreOption"));
    setWindowTitle(QStringLiteral("Coloring - More Options"));
    setFixedSize(517, 222);

    GroupBox2 = new QGroupBox(QStringLiteral(" Blending Mode "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    RB_Multiply = new QRadioButton(QStringLiteral("Multiply"), GroupBox2);
    RB_Multiply->setObjectName(QStringLiteral("RB_Multiply"));
    RB_Overlay = new QRadioButton(QStringLiteral("Overlay"), GroupBox2);
    RB_Overlay->setObjectName(QStringLiteral("RB_Overlay"));
    RB_Multiply->setChecked(true);
    Lab_Blending2 = new QLabel(QStringLiteral("Opacity:"), GroupBox2);
    Lab_Blending2->setObjectName(QStringLiteral("Lab_Blending2"));
    Trc_Opeaity = MakeTrackBar(kOpacity, "Trc_Opeaity", GroupBox2);
    Spn_Opeaity = MakeSpinEdit(kOpacity, "Spn_Opeaity", GroupBox2);
    auto* blendGrid = new QGridLayout(GroupBox2);
    blendGrid->addWidget(RB_Multiply, 0, 0);
    blendGrid->addWidget(RB_Overlay, 0, 1);
    blendGrid->addWidget(Lab_Blending2, 1, 0);
    blendGrid->addWidget(Trc_Opeaity, 1, 1);
    blendGrid->addWidget(Spn_Opeaity, 1, 2);
    blendGrid->setColumnStretch(1, 1);

    RG_ColoringMode = new RadioGroup(QStringLiteral(" Coloring Mode "),
                                     {QStringLiteral("Fixed Color"), QStringLiteral("Average")}, 2, this);
    RG_ColoringMode->setObjectName(QStringLiteral("RG_ColoringMode"));
    RG_ColoringMode->SetItemIndex(kDefaultColoringModeIndex);
    RG_SmoothType = new RadioGroup(QStringLiteral(" Smoothing Type "),
                                   {QStringLiteral("Circle"), QStringLiteral("Square")}, 2, this);
    RG_SmoothType->setObjectName(QStringLiteral("RG_SmoothType"));
    RG_SmoothType->SetItemIndex(kDefaultSmoothTypeIndex);

    Btn_Ok = new QPushButton(QStringLiteral("&OK"), this);
    Btn_Ok->setObjectName(QStringLiteral("Btn_Ok"));
    BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));

    auto* groups = new QHBoxLayout;
    groups->addWidget(RG_ColoringMode);
    groups->addWidget(RG_SmoothType);
    auto* main = new QVBoxLayout(this);
    main->addWidget(GroupBox2);
    main->addLayout(groups);
    main->addStretch(1);
    main->addLayout(ButtonRow(Btn_Ok, BtnCancel));

    for (QWidget* w : {static_cast<QWidget*>(Lab_Blending2), static_cast<QWidget*>(Trc_Opeaity),
                       static_cast<QWidget*>(Spn_Opeaity)})
        w->setEnabled(false);

    ConnectPair(this, Trc_Opeaity, Spn_Opeaity, target_.Preview);
    for (QRadioButton* rb : {RB_Multiply, RB_Overlay})
        connect(rb, &QRadioButton::toggled, this, [this](bool on) {
            if (on && isVisible()) UpdateBlendControls();
        });
    for (RadioGroup* rg : {RG_ColoringMode, RG_SmoothType})
        connect(rg, &RadioGroup::Click, this, [this] {
            if (isVisible()) target_.Preview();
        });
    connect(Btn_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrm_ColorMoreOption::UpdateBlendControls() {
    const bool overlay = !RB_Multiply->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(Lab_Blending2), static_cast<QWidget*>(Trc_Opeaity),
                       static_cast<QWidget*>(Spn_Opeaity)})
        w->setEnabled(overlay);
    target_.Preview();
}

void TFrm_ColorMoreOption::Apply(const TEffectParams& p) {
    SetPair(Trc_Opeaity, Spn_Opeaity, p.Opacity);
    const QSignalBlocker b1(RG_ColoringMode), b2(RG_SmoothType), b3(RB_Multiply), b4(RB_Overlay);
    RG_SmoothType->SetItemIndex(RadioGroupIndex(p.SmoothType, 2));
    RG_ColoringMode->SetItemIndex(RadioGroupIndex(p.ColoringMode, 2));
    if (p.BlendMode == 1)
        RB_Multiply->setChecked(true);
    else
        RB_Overlay->setChecked(true);
}

void TFrm_ColorMoreOption::Take(TEffectParams& p) const {
    p.SmoothType = RG_SmoothType->ItemIndex();
    p.BlendMode = RB_Multiply->isChecked() ? 1 : 2;
    p.Opacity = Trc_Opeaity->value();
    p.ColoringMode = RG_ColoringMode->ItemIndex();
}

}  // namespace velmora
