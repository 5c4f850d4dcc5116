#pragma once
// The Custom color reducer's handle editor on the Coloring Step 1 page: a handle
// count, a spin edit per handle and a scale on which the handles can be dragged.
// It writes the handle count and values into the conversion record it is given
// whenever it repaints or is clicked, as the engine reads them from there.

#include <QGroupBox>
#include <array>

#include "engine/EffectParams.h"

class QComboBox;
class QLabel;
class QSpinBox;

namespace velmora {

class PaintBox;

class HandleEditor : public QGroupBox {
    Q_OBJECT
public:
    HandleEditor(TEffectParams& record, QWidget* parent);

    // Shows the spin edits of as many handles as the list selects.
    void UpdateHandleCount();
    // Redraws the scale; nothing while hidden or while a spin edit is empty.
    void PaintHandles();
    void CopyHandlesToRecord();
    // Sets the count and the values; the values' handlers run as for any change.
    void Apply(const TEffectParams& p);

    QLabel* Lbl_HandleCount = nullptr;
    QComboBox* Cb_HandleCount = nullptr;
    std::array<QLabel*, 5> Lbl_Handle{};    // Lbl_A .. Lbl_E
    std::array<QSpinBox*, 5> Spn_Handle{};  // Spn_A .. Spn_E
    PaintBox* PB_Handles = nullptr;
    int SelectedHandle = -1;

signals:
    // The user chose another count or a handle's value changed.
    void Changed();

private:
    void MouseDown(int x, int y, Qt::MouseButton button);
    void MouseMove(int x, int y, Qt::MouseButtons buttons);

    TEffectParams& record_;
};

}  // namespace velmora
