#pragma once
// The four adjustment dialogs. They share one base: a table of slider rows, each a
// track bar with a spin edit kept equal to it, a preview of the visible part of the
// picture after every actual change, OK applying the adjustment to the whole of each
// drawable layer with one history state, and Cancel or the close box showing the
// unchanged layers again. The subclasses only name their controls and their
// adjustment.

#include <QDialog>
#include <memory>
#include <vector>

#include "adjust/Adjustment.h"

class QKeyEvent;
class QPushButton;
class QSlider;
class QSpinBox;

namespace velmora {

class DocumentHost;
class TColorStep;

// One slider row: its label and the names of its three controls, the range shared by
// the track bar and the spin edit, and the position the dialog opens with.
struct AdjustSliderRow {
    const char* Label;
    const char* LabelName;
    const char* TrackName;
    const char* SpinName;
    int Minimum;
    int Maximum;
    int Default;
};

struct AdjustFormLayout {
    Adjustment Kind;
    const char* FormName;
    const char* Caption;
    int ClientHeight;
    std::vector<AdjustSliderRow> Rows;
    const char* OkName;
};

class TFrmAdjustment : public QDialog {
    Q_OBJECT
public:
    ~TFrmAdjustment() override;

    int RowCount() const { return static_cast<int>(tracks_.size()); }
    QSlider* Track(int row) const { return tracks_.at(row); }
    QSpinBox* Spin(int row) const { return spins_.at(row); }
    Adjustment Kind() const { return kind_; }

    // The adjustment with the track bars' current positions.
    AdjustmentSettings Settings() const;

    // OK: the adjustment over the whole of each drawable layer, one history state,
    // then the dialog closes. Stays open only when memory ran out before any layer
    // was changed.
    void accept() override;
    // Cancel and the close box: the view shows the real layers again.
    void reject() override;

    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;

protected:
    TFrmAdjustment(const AdjustFormLayout& layout, DocumentHost& host, QWidget* parent);
    // Esc does not close these dialogs: a stray key must not throw away the settings.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void TrcChange(int row);
    void SpnChange(int row);
    void PreviewAdjustment();
    bool ApplyToLayers();

    DocumentHost& host_;
    Adjustment kind_;
    std::unique_ptr<TColorStep> ColorStep;
    // The position each track bar had when the preview was last computed; 65536, a
    // position no track bar can take, until the first change.
    std::vector<int> LastSeenPositions;
    std::vector<QSlider*> tracks_;
    std::vector<QSpinBox*> spins_;
};

class TFrmBrightContrast : public TFrmAdjustment {
    Q_OBJECT
public:
    explicit TFrmBrightContrast(DocumentHost& host, QWidget* parent = nullptr);
};

class TFrmSaturation : public TFrmAdjustment {
    Q_OBJECT
public:
    explicit TFrmSaturation(DocumentHost& host, QWidget* parent = nullptr);
};

class TFrmColorBalance : public TFrmAdjustment {
    Q_OBJECT
public:
    explicit TFrmColorBalance(DocumentHost& host, QWidget* parent = nullptr);
};

class TFrmBlur : public TFrmAdjustment {
    Q_OBJECT
public:
    explicit TFrmBlur(DocumentHost& host, QWidget* parent = nullptr);
};

std::unique_ptr<TFrmAdjustment> CreateAdjustmentDialog(Adjustment which, DocumentHost& host,
                                                       QWidget* parent);

}  // namespace velmora
