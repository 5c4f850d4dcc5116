#pragma once
// The conversion dialog: every effect parameter on five pages, a live preview of the
// part of the picture that fits the preview pane, the picture's size for the
// conversion, and preset loading and saving.

#include <QDialog>
#include <QPointer>
#include <array>
#include <initializer_list>
#include <memory>
#include <vector>

#include "common/Bitmap.h"
#include "conversion/ImageSize.h"
#include "conversion/ParamControls.h"
#include "conversion/Resample.h"
#include "conversion/gui/HandleEditor.h"
#include "conversion/gui/PreviewPane.h"
#include "engine/EffectParams.h"
#include "engine/Progress.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QStatusBar;
class QTabWidget;

namespace velmora {

class DocumentHost;
class TDrawEffect;
class TFrmSketchMoreOption;
class TFrm_ColorMoreOption;
struct PanAxis;

class TFrmPreview : public QDialog {
    Q_OBJECT
public:
    // Creating the dialog loads "default.set" from the program folder.
    TFrmPreview(DocumentHost& host, QWidget* parent = nullptr);
    ~TFrmPreview() override;

    // Reads a preset over the record and applies it to the controls (clamped by
    // them). With `reportProblems` a file that cannot be read, or is shorter than a
    // preset, is reported to the user; an unreadable file then leaves everything as
    // it was. Returns false when the file could not be read.
    bool LoadPreset(const QString& fileName, bool reportProblems = false);
    // Refreshes the record's control fields and writes it. With `reportProblems` a
    // failure is reported. Returns false when the file could not be written.
    bool SavePreset(const QString& fileName, bool reportProblems = false);

    void UpdatePreview();
    void UpdateSketchControls();
    void UpdateColorControls();
    void HandlesChanged();
    // Enter (13) or Ctrl+Enter (10) accepts, Esc (27) cancels.
    void DialogKeyPress(int key);

    // The parameters as last taken from the controls.
    TEffectParams& Params() { return params_; }
    const TEffectParams& Params() const { return params_; }
    // How many times the engine has computed a preview (for tests and diagnostics).
    int PreviewCount() const { return previewCount_; }
    // The scroll state of the preview pane (the position of its top-left corner).
    const PanAxis& HorzScrollBar() const;
    const PanAxis& VertScrollBar() const;
    // The Image Size page's state.
    const ImageSizePage& ImageSize() const { return imageSize_; }
    // The dialog's own More Options windows.
    TFrmSketchMoreOption& SketchMoreOptions();
    TFrm_ColorMoreOption& ColorMoreOptions();

    // Fields.
    bool Closing = false;
    static constexpr int kTrackBars = kPageTrackBars;
    std::array<int, kTrackBars> LastSeenPositions{};
    bool Accepted = false;

    // Controls, named as the rest of the program refers to them.
    PreviewPane* PaintBox1 = nullptr;
    QPushButton* Btn_Ok = nullptr;
    QPushButton* Btn_Cancle = nullptr;
    QPushButton* Btn_Load = nullptr;
    QPushButton* Btn_Save = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QWidget* TabSheet1 = nullptr;  // Sketch
    QWidget* TabSheet2 = nullptr;  // Coloring Step 2
    QWidget* TabSheet3 = nullptr;  // Coloring Step 3
    QWidget* TabSheet4 = nullptr;  // Image Size
    QWidget* TabSheet5 = nullptr;  // Coloring Step 1

    QLabel* Lbl_Original = nullptr;
    QSpinBox* Spn_Width = nullptr;
    QSpinBox* Spn_Height = nullptr;
    QSlider* Trc_ImageSize = nullptr;

    QCheckBox* Chk_DrawSketch = nullptr;
    QPushButton* Btn_SketchMore = nullptr;
    QLabel *Lab_Sketch1 = nullptr, *Lab_Sketch2 = nullptr, *Lab_Sketch3 = nullptr, *Lab_Sketch4 = nullptr;
    QSlider *Trc_Detail = nullptr, *Trc_Darkness = nullptr, *Trc_SketchSmooth = nullptr, *Trc_Threshold = nullptr;
    QSpinBox *Spn_Detail = nullptr, *Spn_Darkness = nullptr, *Spn_SketchSmooth = nullptr, *Spn_Threshold = nullptr;

    QCheckBox* Chk_DrawColor = nullptr;
    QLabel* Lab_Color1 = nullptr;
    QRadioButton* RB_Equality = nullptr;
    QRadioButton* RB_Custom = nullptr;
    QLabel* Lab_ColorReducer = nullptr;
    QSlider* Trc_ColorReducer = nullptr;
    QSpinBox* Spn_ColorReducer = nullptr;
    HandleEditor* Grp_ColorHandles = nullptr;

    QLabel *Lab_Color2 = nullptr, *Lab_Color3 = nullptr, *Lab_Color4 = nullptr, *Lab_Color5 = nullptr,
           *Lab_Color6 = nullptr;
    QSlider *Trc_Saturation = nullptr, *Trc_Contrast = nullptr, *Trc_Brightness = nullptr,
            *Trc_ColorSmooth = nullptr, *Trc_BorderBlur = nullptr;
    QSpinBox *Spn_Saturation = nullptr, *Spn_Contrast = nullptr, *Spn_Brightness = nullptr,
             *Spn_ColorSmooth = nullptr, *Spn_BorderBlur = nullptr;

    QPushButton* Btn_ColorMore = nullptr;
    QLabel *Lab_Color7 = nullptr, *Lab_Color8 = nullptr, *Lab_Color9 = nullptr;
    QSlider *Trc_Red = nullptr, *Trc_Green = nullptr, *Trc_Blue = nullptr;
    QSpinBox *Spn_Red = nullptr, *Spn_Green = nullptr, *Spn_Blue = nullptr;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Pair {
        QSlider* Trc;
        QSpinBox* Spn;
    };

    void BuildControls();
    QWidget* BuildImageSizePage();
    QWidget* BuildSketchPage();
    QWidget* BuildColorStep1Page();
    QWidget* BuildColorStep2Page();
    QWidget* BuildColorStep3Page();
    void MakePair(int slot, QSlider*& trc, QSpinBox*& spn, QWidget* page);
    struct SliderRow;
    void AddSliderRows(QGridLayout* grid, int firstRow, std::initializer_list<SliderRow> rows);
    void ConnectHandlers();
    void PlaceWindow();

    void FormShow();
    void FormClose();
    // Refreshes the main window's view from the photograph as it was before the
    // dialog, which the dialog keeps aside while it works on the document's.
    void RefreshViewAsBefore();
    void FormResize();
    void TrcChange(int slot);
    void SpnChange(int slot);
    void Btn_OkClick();
    void Btn_LoadClick();
    void Btn_SaveClick();
    void Btn_SketchMoreClick();
    void Btn_ColorMoreClick();
    void ShowMoreOptions(QDialog& window);
    // Passes a change of the Image Size page's controls to its state and shows the
    // state's values in all three controls.
    void ImageSizeChange(void (ImageSizePage::*handler)(int), int value);
    void ShowImageSize();
    // Resamples the picture to `size`; false when memory ran out and it kept its size.
    bool ResizePicture(PictureSize size);
    // The record fields that name a control, from those controls.
    void TakeControlFields();
    QString PresetPath(const char* name) const;

    DocumentHost& host_;
    TEffectParams params_;
    // The preview's own stop request, never set: the preview runs on this thread to
    // its end, and a token of its own keeps it from clearing anyone else's cancel.
    CancelToken previewCancel_;
    std::unique_ptr<TDrawEffect> engine_;
    std::unique_ptr<Bitmap> previewBmp_;
    // The picture as shown when the dialog opened, which every size is resampled from.
    SourcePixels source_;
    ImageSizePage imageSize_;
    QPointer<TFrmSketchMoreOption> sketchMore_;
    QPointer<TFrm_ColorMoreOption> colorMore_;
    std::array<Pair, kTrackBars> pairs_{};
    std::vector<QWidget*> colorControls_;
    bool shown_ = false;
    bool photoKept_ = false;
    bool pictureTaken_ = false;  // PhotoBmp has become the picture as displayed
    bool loading_ = false;
    int previewCount_ = 0;
};

}  // namespace velmora
