#include "document/gui/LayersWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace velmora {

TFrmLayers::TFrmLayers(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(QStringLiteral("Layers"));

    CmbBlendingMode = new QComboBox(this);
    CmbBlendingMode->addItem(QStringLiteral("Multiply"));
    CmbBlendingMode->addItem(QStringLiteral("Opacity"));
    CmbBlendingMode->setCurrentIndex(0);

    Label6 = new QLabel(QStringLiteral("Opacity:"), this);
    Trc_Opacity = new QSlider(Qt::Horizontal, this);
    Trc_Opacity->setRange(1, 99);
    Trc_Opacity->setValue(50);
    Spn_Opacity = new OpacitySpinBox(this);
    Spn_Opacity->setRange(1, 99);
    Spn_Opacity->setValue(50);

    Chk_SketchVisible = new QCheckBox(this);
    Chk_ColorVisible = new QCheckBox(this);
    Chk_SketchDrawable = new QCheckBox(this);
    Chk_ColorDrawable = new QCheckBox(this);
    for (QCheckBox* box : {Chk_SketchVisible, Chk_ColorVisible, Chk_SketchDrawable, Chk_ColorDrawable})
        box->setChecked(true);
    Chk_SketchVisible->setToolTip(QStringLiteral("Show the sketch layer"));
    Chk_ColorVisible->setToolTip(QStringLiteral("Show the coloring layer"));
    Chk_SketchDrawable->setToolTip(QStringLiteral("Tools and adjustments change the sketch layer"));
    Chk_ColorDrawable->setToolTip(QStringLiteral("Tools and adjustments change the coloring layer"));

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Blending Mode:"), this), 0, 0);
    top->addWidget(CmbBlendingMode, 0, 1, 1, 2);
    // The opacity row keeps its room while hidden, so that switching the blending mode
    // never grows the window over its neighbours.
    for (QWidget* w : std::initializer_list<QWidget*>{Label6, Trc_Opacity, Spn_Opacity}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    top->addWidget(Label6, 1, 0);
    top->addWidget(Trc_Opacity, 1, 1);
    top->addWidget(Spn_Opacity, 1, 2);

    auto* rows = new QGridLayout;
    rows->addWidget(new QLabel(QStringLiteral("Visible"), this), 0, 0);
    rows->addWidget(new QLabel(QStringLiteral("Drawable"), this), 0, 1);
    rows->addWidget(new QLabel(QStringLiteral("Layer Name"), this), 0, 2);
    rows->addWidget(Chk_SketchVisible, 1, 0, Qt::AlignHCenter);
    rows->addWidget(Chk_SketchDrawable, 1, 1, Qt::AlignHCenter);
    rows->addWidget(new QLabel(QStringLiteral("Sketch Layer"), this), 1, 2);
    rows->addWidget(Chk_ColorVisible, 2, 0, Qt::AlignHCenter);
    rows->addWidget(Chk_ColorDrawable, 2, 1, Qt::AlignHCenter);
    rows->addWidget(new QLabel(QStringLiteral(" Coloring Layer"), this), 2, 2);
    rows->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(rows);
    layout->addStretch(1);

    connect(Chk_SketchVisible, &QCheckBox::toggled, this, &TFrmLayers::Chk_VisibleClick);
    connect(Chk_ColorVisible, &QCheckBox::toggled, this, &TFrmLayers::Chk_VisibleClick);
    connect(Chk_SketchDrawable, &QCheckBox::toggled, this, &TFrmLayers::Chk_DrawableClick);
    connect(Chk_ColorDrawable, &QCheckBox::toggled, this, &TFrmLayers::Chk_DrawableClick);
    connect(CmbBlendingMode, &QComboBox::currentIndexChanged, this, &TFrmLayers::CmbBlendingModeChange);
    connect(Trc_Opacity, &QSlider::valueChanged, this, &TFrmLayers::Trc_OpacityChange);
    // A new value arrives through valueChanged; an emptied field changes no value, so
    // the editor's own text is watched for that case.
    connect(Spn_Opacity, &QSpinBox::valueChanged, this, &TFrmLayers::Spn_OpacityChange);
    connect(Spn_Opacity->Editor(), &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.trimmed().isEmpty()) Spn_OpacityChange();
    });

    UpdateOpacityControls();
}

LayerState TFrmLayers::GetLayerState() const {
    LayerState s;
    s.BlendingMode = CmbBlendingMode->currentIndex();
    s.Opacity = Trc_Opacity->value();
    s.SketchVisible = Chk_SketchVisible->isChecked();
    s.ColorVisible = Chk_ColorVisible->isChecked();
    s.SketchDrawable = Chk_SketchDrawable->isChecked();
    s.ColorDrawable = Chk_ColorDrawable->isChecked();
    return s;
}

void TFrmLayers::SetLayerStateQuietly(const LayerState& state) {
    const QSignalBlocker b1(CmbBlendingMode), b2(Trc_Opacity), b3(Spn_Opacity), b4(Spn_Opacity->Editor()),
        b5(Chk_SketchVisible), b6(Chk_ColorVisible), b7(Chk_SketchDrawable), b8(Chk_ColorDrawable);
    if (state.BlendingMode == 0 || state.BlendingMode == 1) CmbBlendingMode->setCurrentIndex(state.BlendingMode);
    Trc_Opacity->setValue(state.Opacity);
    Spn_Opacity->setValue(state.Opacity);
    Chk_SketchVisible->setChecked(state.SketchVisible);
    Chk_ColorVisible->setChecked(state.ColorVisible);
    Chk_SketchDrawable->setChecked(state.SketchDrawable);
    Chk_ColorDrawable->setChecked(state.ColorDrawable);
    UpdateOpacityControls();
}

void TFrmLayers::UpdateOpacityControls() {
    const int mode = CmbBlendingMode->currentIndex();
    if (mode != 0 && mode != 1) return;
    const bool show = mode == 1;
    Label6->setVisible(show);
    Trc_Opacity->setVisible(show);
    Spn_Opacity->setVisible(show);
}

void TFrmLayers::Chk_VisibleClick() { emit refreshViewRequested(); }

void TFrmLayers::CmbBlendingModeChange() {
    UpdateOpacityControls();
    emit refreshViewRequested();
}

void TFrmLayers::Trc_OpacityChange() {
    if (Spn_Opacity->value() != Trc_Opacity->value()) Spn_Opacity->setValue(Trc_Opacity->value());
    emit refreshViewRequested();
}

void TFrmLayers::Spn_OpacityChange() {
    // An emptied field moves nothing, but the view is still refreshed.
    if (!Spn_Opacity->Editor()->text().trimmed().isEmpty() && Spn_Opacity->value() != Trc_Opacity->value())
        Trc_Opacity->setValue(Spn_Opacity->value());
    emit refreshViewRequested();
}

void TFrmLayers::Chk_DrawableClick() { emit refreshToolOverlayRequested(); }

void TFrmLayers::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

}  // namespace velmora
