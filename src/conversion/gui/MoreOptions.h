#pragma once
// The two More Options windows of the conversion dialog. They live for the whole run
// of the program: their controls hold the sketch type, line sharpening, dark-area
// settings, blending mode, opacity, coloring mode and smoothing type from one
// conversion to the next. While hidden they ignore changes of their controls (a
// preset sets them then); while shown every change recomputes the preview, and
// Cancel or the close box puts back what they held when they were opened.

#include <QDialog>

#include "engine/EffectParams.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace velmora {

class RadioGroup;

class TFrmSketchMoreOption : public QDialog {
    Q_OBJECT
public:
    explicit TFrmSketchMoreOption(QWidget* parent = nullptr);

    void UpdateRemainControls();

    TEffectParams Snapshot;

    RadioGroup* RG_SketchType = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label1 = nullptr;
    QSlider* Trc_Sharper = nullptr;
    QSpinBox* Spn_Sharper = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* Chk_Remain = nullptr;
    QLabel* Label3 = nullptr;
    QSlider* Trc_Threshold = nullptr;
    QSpinBox* Spn_Threshold = nullptr;
    QLabel* Label4 = nullptr;
    QSlider* Trc_Darkness = nullptr;
    QSpinBox* Spn_Darkness = nullptr;
    QPushButton* Btn_Ok = nullptr;
    QPushButton* BtnCancel = nullptr;

public slots:
    // Cancel, Esc and the close box all come here.
    void reject() override;

protected:
    void showEvent(QShowEvent*) override;
};

class TFrm_ColorMoreOption : public QDialog {
    Q_OBJECT
public:
    explicit TFrm_ColorMoreOption(QWidget* parent = nullptr);

    void UpdateBlendControls();

    TEffectParams Snapshot;

    QGroupBox* GroupBox2 = nullptr;
    QRadioButton* RB_Multiply = nullptr;
    QRadioButton* RB_Overlay = nullptr;
    QLabel* Lab_Blending2 = nullptr;
    QSlider* Trc_Opeaity = nullptr;
    QSpinBox* Spn_Opeaity = nullptr;
    RadioGroup* RG_ColoringMode = nullptr;
    RadioGroup* RG_SmoothType = nullptr;
    QPushButton* Btn_Ok = nullptr;
    QPushButton* BtnCancel = nullptr;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent*) override;
};

// The program's one instance of each window, created on first use. The main window
// can create them at start-up with itself as owner (so that they are centred on it
// and freed with it); otherwise they are made without an owner.
TFrmSketchMoreOption& FrmSketchMoreOption();
TFrm_ColorMoreOption& Frm_ColorMoreOption();
void CreateMoreOptionWindows(QWidget* owner);

}  // namespace velmora
