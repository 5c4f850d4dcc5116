#pragma once
// The Layers window: which layers take part in the composite, which receive drawing,
// the blending mode and the sketch layer's opacity. Its controls are the layer state;
// compositing, saving and the tools read them through GetLayerState.

#include <QSpinBox>
#include <QWidget>

#include "document/LayerState.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace velmora {

// A spin box whose editor is reachable, so the window can react to its raw text
// (an emptied field refreshes the view but moves nothing).
class OpacitySpinBox : public QSpinBox {
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;
    QLineEdit* Editor() const { return lineEdit(); }
};

class TFrmLayers : public QWidget {
    Q_OBJECT
public:
    explicit TFrmLayers(QWidget* parent = nullptr);

    LayerState GetLayerState() const;
    // Sets every control without running its handler; the caller refreshes once.
    void SetLayerStateQuietly(const LayerState& state);

    // Shows the opacity row for "Opacity" and hides it for "Multiply".
    void UpdateOpacityControls();

    QComboBox* CmbBlendingMode = nullptr;
    QLabel* Label6 = nullptr;
    QSlider* Trc_Opacity = nullptr;
    OpacitySpinBox* Spn_Opacity = nullptr;
    QCheckBox* Chk_SketchVisible = nullptr;
    QCheckBox* Chk_ColorVisible = nullptr;
    QCheckBox* Chk_SketchDrawable = nullptr;
    QCheckBox* Chk_ColorDrawable = nullptr;

signals:
    // The composite must be redone and shown (visibility, mode, opacity).
    void refreshViewRequested();
    // A drawable flag changed: the current tool redraws its overlay.
    void refreshToolOverlayRequested();
    // Closed by its caption button.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Chk_VisibleClick();
    void CmbBlendingModeChange();
    void Trc_OpacityChange();
    void Spn_OpacityChange();
    void Chk_DrawableClick();
};

}  // namespace velmora
