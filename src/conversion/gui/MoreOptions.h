#pragma once
// The two More Options windows of a conversion dialog, which owns them: their
// controls hold the sketch type, line sharpening, dark-area settings, blending mode,
// opacity, coloring mode and smoothing type. While hidden they ignore changes of
// their controls (a preset sets them then); while shown every change recomputes the
// dialog's preview, and Cancel or the close box puts back the dialog's record and
// the controls as they were when the window was opened.

#include <QDialog>
#include <functional>

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

// What a window works on: the conversion dialog's record and its preview.
struct MoreOptionsTarget {
    TEffectParams* Record = nullptr;
    std::function<void()> Preview;
};

// What both windows share: the record they are shown with, kept so that Cancel can
// put it back, and the controls' two directions.
class MoreOptionsWindow : public QDialog {
    Q_OBJECT
public:
    // Sets the controls from a record (clamped by them) with their handlers quiet,
    // and reads them into a record.
    virtual void Apply(const TEffectParams& p) = 0;
    virtual void Take(TEffectParams& p) const = 0;

    TEffectParams Snapshot;
    QPushButton* Btn_Ok = nullptr;
    QPushButton* BtnCancel = nullptr;

public slots:
    // Cancel, Esc and the close box all come here.
    void reject() override;

protected:
    MoreOptionsWindow(MoreOptionsTarget target, QWidget* parent);
    void showEvent(QShowEvent*) override;
    // Enables the controls that depend on another after Apply has set it.
    virtual void UpdateDependentControls() = 0;

    MoreOptionsTarget target_;
};

class TFrmSketchMoreOption : public MoreOptionsWindow {
    Q_OBJECT
public:
    TFrmSketchMoreOption(MoreOptionsTarget target, QWidget* parent);

    void UpdateRemainControls();
    void Apply(const TEffectParams& p) override;
    void Take(TEffectParams& p) const override;

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

protected:
    void UpdateDependentControls() override { UpdateRemainControls(); }
};

class TFrm_ColorMoreOption : public MoreOptionsWindow {
    Q_OBJECT
public:
    TFrm_ColorMoreOption(MoreOptionsTarget target, QWidget* parent);

    void UpdateBlendControls();
    void Apply(const TEffectParams& p) override;
    void Take(TEffectParams& p) const override;

    QGroupBox* GroupBox2 = nullptr;
    QRadioButton* RB_Multiply = nullptr;
    QRadioButton* RB_Overlay = nullptr;
    QLabel* Lab_Blending2 = nullptr;
    QSlider* Trc_Opeaity = nullptr;
    QSpinBox* Spn_Opeaity = nullptr;
    RadioGroup* RG_ColoringMode = nullptr;
    RadioGroup* RG_SmoothType = nullptr;

protected:
    void UpdateDependentControls() override { UpdateBlendControls(); }
};

}  // namespace velmora
