#include "conversion/gui/PreviewDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <algorithm>
#include <exception>
#include <vector>

#include "common/gui/Messages.h"
#include "conversion/Preset.h"
#include "common/gui/WaitCursor.h"
#include "conversion/gui/ControlKit.h"
#include "conversion/gui/HandleEditor.h"
#include "conversion/gui/MoreOptions.h"
#include "conversion/gui/PreviewPane.h"
#include "document/DocumentHost.h"
#include "engine/DrawEffect.h"

namespace velmora {

namespace {

// A position no track bar can take, so that the first change of each one counts.
constexpr int kUnseenPosition = 65536;

void SetPair(QSlider* trc, QSpinBox* spn, int value) {
    trc->setValue(value);
    spn->setValue(value);
}

// Paths are compared as the user would: the same file reached through "." or ".."
// or a doubled separator is the same file.
QString NormalPath(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

}  // namespace

TFrmPreview::TFrmPreview(DocumentHost& host, QWidget* parent)
    : QDialog(parent), host_(host), imageSize_([this](PictureSize size) { return ResizePicture(size); }) {
    setObjectName(QStringLiteral("FrmPreview"));
    setWindowTitle(QStringLiteral("Velmora Preview"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    setMinimumSize(kPreviewMinWidth, kPreviewMinHeight);
    setMaximumSize(kPreviewMaxWidth, kPreviewMaxHeight);
    LastSeenPositions.fill(kUnseenPosition);

    BuildControls();
    // The More Options windows share this dialog's owner, so that they open over the
    // main window, but live only as long as this dialog.
    const MoreOptionsTarget target{&params_, [this] { UpdatePreview(); }};
    sketchMore_ = new TFrmSketchMoreOption(target, parent);
    colorMore_ = new TFrm_ColorMoreOption(target, parent);
    ConnectHandlers();
    PlaceWindow();

    LoadPreset(PresetPath("default.set"));
    Accepted = false;
    Closing = false;
}

TFrmPreview::~TFrmPreview() {
    // Hiding the dialog, which QDialog's destructor does after this one, takes the focus
    // from a spin edit; its editingFinished must not reach a dialog that is half gone.
    for (QSpinBox* side : {Spn_Width, Spn_Height}) QObject::disconnect(side, nullptr, this, nullptr);
    host_.SetViewPreview(nullptr);
    delete sketchMore_.data();
    delete colorMore_.data();
}

QString TFrmPreview::PresetPath(const char* name) const {
    return QDir(QString::fromStdString(host_.ProgramFolder())).filePath(QString::fromLatin1(name));
}

TFrmSketchMoreOption& TFrmPreview::SketchMoreOptions() { return *sketchMore_; }
TFrm_ColorMoreOption& TFrmPreview::ColorMoreOptions() { return *colorMore_; }

const PanAxis& TFrmPreview::HorzScrollBar() const { return PaintBox1->Horz(); }
const PanAxis& TFrmPreview::VertScrollBar() const { return PaintBox1->Vert(); }

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
    connect(Grp_ColorHandles, &HandleEditor::Changed, this, [this] { HandlesChanged(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (PageControl1->currentWidget() == TabSheet5 && Chk_DrawColor->isChecked() &&
            !Grp_ColorHandles->isHidden())
            Grp_ColorHandles->PaintHandles();
    });

    connect(PaintBox1, &PreviewPane::PanEnded, this, [this] { UpdatePreview(); });
    connect(PaintBox1, &PaintBox::Resized, this, [this] { FormResize(); });

    connect(Trc_ImageSize, &QSlider::valueChanged, this,
            [this](int v) { ImageSizeChange(&ImageSizePage::MoveSlider, v); });
    connect(Spn_Width, &QSpinBox::valueChanged, this, [this](int v) {
        if (HasText(Spn_Width)) ImageSizeChange(&ImageSizePage::SetWidth, v);
    });
    connect(Spn_Height, &QSpinBox::valueChanged, this, [this](int v) {
        if (HasText(Spn_Height)) ImageSizeChange(&ImageSizePage::SetHeight, v);
    });
    for (QSpinBox* side : {Spn_Width, Spn_Height})
        connect(side, &QSpinBox::editingFinished, this, [this] {
            imageSize_.FinishEditing();
            ShowImageSize();
        });

    connect(Btn_Ok, &QPushButton::clicked, this, [this] { Btn_OkClick(); });
    connect(Btn_Cancle, &QPushButton::clicked, this, [this] { reject(); });
    connect(Btn_Load, &QPushButton::clicked, this, [this] { Btn_LoadClick(); });
    connect(Btn_Save, &QPushButton::clicked, this, [this] { Btn_SaveClick(); });
    connect(Btn_SketchMore, &QPushButton::clicked, this, [this] { Btn_SketchMoreClick(); });
    connect(Btn_ColorMore, &QPushButton::clicked, this, [this] { Btn_ColorMoreClick(); });

    for (QWidget* w : {Btn_Ok, Btn_Cancle, Btn_Load, Btn_Save, Btn_SketchMore, Btn_ColorMore})
        w->installEventFilter(this);
    for (const Pair& p : pairs_) p.Trc->installEventFilter(this);
}

void TFrmPreview::PlaceWindow() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        resize(kPreviewDefaultWidth, kPreviewDefaultHeight);
        return;
    }
    const QRect area = screen->availableGeometry();
    const WindowBox work{area.x(), area.y(), area.width(), area.height()};
    const WindowBox designed = CentredBox(kPreviewDefaultWidth, kPreviewDefaultHeight, work.Left, work.Top,
                                          work.Left + work.Width, work.Top + work.Height);
    const WindowBox box = PlacePreviewWindow(host_.Preferences(), work, designed);
    move(box.Left, box.Top);
    resize(box.Width, box.Height);
    // The work area's size is the whole window's, frame included; only the window
    // manager knows the frame, so "Maximized" asks it to maximize.
    if (host_.Preferences().PreviewSizeMode == 1) setWindowState(windowState() | Qt::WindowMaximized);
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
        // Kept for Cancel. The dialog only ever replaces PhotoBmp (resampling makes a
        // new picture), so the kept photograph shares its pixels instead of costing a
        // copy of the whole picture at every opening; a write to either would first
        // take pixels of its own.
        Bitmap kept = doc.PhotoBmp.Share();
        doc.WorkBmp1.Swap(kept);
    }
    photoKept_ = true;
    // The document's photograph is now the picture this dialog converts, at the size
    // chosen here; the main window, redrawn meanwhile, shows the one kept aside.
    host_.SetViewPreview([this] { RefreshViewAsBefore(); });
    WaitCursor wait;
    LastSeenPositions.fill(kUnseenPosition);
    for (int slot : {kSlotDetail, kSlotDarkness, kSlotSketchSmooth, kSlotColorReducer, kSlotColorSmooth,
                     kSlotBorderBlur, kSlotBrightness, kSlotContrast, kSlotSaturation})
        pairs_[slot].Spn->setValue(pairs_[slot].Trc->value());
    engine_ = std::make_unique<TDrawEffect>();
    engine_->SetCancelToken(&previewCancel_);
    // Each preview sizes this to the region it shows; nothing reads it before.
    previewBmp_ = std::make_unique<Bitmap>();
    PaintBox1->SetupPanning();
    Accepted = false;

    StoreSourcePixels(doc.CompositeBmp, source_);
    const PictureSize original{doc.CompositeBmp.Width(), doc.CompositeBmp.Height()};
    Lbl_Original->setText(QStringLiteral("Original Size: %1 * %2").arg(original.Width).arg(original.Height));
    Spn_Width->setRange(0, original.Width);
    Spn_Height->setRange(0, original.Height);
    // The page resamples at the original size, which makes PhotoBmp a same-size copy
    // of the picture as displayed.
    imageSize_.Open(original);
    pictureTaken_ = true;
    ShowImageSize();
    UpdatePreview();
}

void TFrmPreview::RefreshViewAsBefore() {
    Document& doc = host_.Doc();
    doc.PhotoBmp.Swap(doc.WorkBmp1);
    host_.RefreshView();
    doc.PhotoBmp.Swap(doc.WorkBmp1);
}

void TFrmPreview::done(int result) {
    host_.SetViewPreview(nullptr);
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
    PaintBox1->SetupPanning();
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
        // The buttons that open a window are no default buttons, which leaves Enter
        // unanswered; on them it opens the window, and Ctrl+Enter accepts nothing.
        if (watched == Btn_Save || watched == Btn_SketchMore || watched == Btn_ColorMore) {
            if (!ctrl) static_cast<QPushButton*>(watched)->click();
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

void TFrmPreview::TakeControlFields() {
    for (int slot = 0; slot < kTrackBars; ++slot)
        if (kPageParams[slot].Field) params_.*kPageParams[slot].Field = pairs_[slot].Trc->value();
    params_.DrawSketch = Chk_DrawSketch->isChecked();
    params_.DrawColor = Chk_DrawColor->isChecked();
    sketchMore_->Take(params_);
    colorMore_->Take(params_);
}

void TFrmPreview::UpdatePreview() {
    if (!isVisible() || !engine_ || !previewBmp_ || loading_) return;
    if (!Chk_DrawSketch->isChecked() && !Chk_DrawColor->isChecked()) {
        StatusBar1->clearMessage();
        PaintBox1->ShowOriginalRegion();
        return;
    }
    const Bitmap& photo = host_.Doc().PhotoBmp;
    params_.SourceBitmap = &photo;
    params_.Left = PaintBox1->Horz().Position;
    params_.Top = PaintBox1->Vert().Position;
    params_.Width = std::min(photo.Width(), PaintBox1->width());
    params_.Height = std::min(photo.Height(), PaintBox1->height());
    TakeControlFields();
    params_.ThresholdLevel = 255 - Trc_Threshold->value();
    params_.ReducerType = RB_Custom->isChecked() ? 1 : 0;
    Grp_ColorHandles->CopyHandlesToRecord();

    // A record the engine cannot run (a damaged preset the controls could not
    // mend) shows the picture unprocessed and says why in the status bar.
    const std::string problem = ValidateParams(params_, photo.Width(), photo.Height());
    if (!problem.empty()) {
        StatusBar1->showMessage(QStringLiteral("No preview: %1").arg(QString::fromStdString(problem)));
        PaintBox1->ShowOriginalRegion();
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
        PaintBox1->ShowOriginalRegion();
        return;
    }
    ++previewCount_;
    StatusBar1->clearMessage();
    PaintBox1->PaintRegion(*previewBmp_, 0, 0, previewBmp_->Width(), previewBmp_->Height());
}

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
    Grp_ColorHandles->UpdateHandleCount();
    Grp_ColorHandles->PaintHandles();
    const bool on = Chk_DrawColor->isChecked();
    for (QWidget* w : colorControls_) w->setEnabled(on);
    if (on) Grp_ColorHandles->PaintHandles();
    UpdatePreview();
}

void TFrmPreview::HandlesChanged() {
    Grp_ColorHandles->PaintHandles();
    if (isVisible()) {
        WaitCursor wait;
        UpdatePreview();
    }
}

// ---------------------------------------------------------------------------------
// Image size

bool TFrmPreview::ResizePicture(PictureSize size) {
    bool resized = true;
    try {
        ResampleSourcePixels(source_, size.Width, size.Height, host_.Doc().PhotoBmp);
    } catch (const std::exception&) {
        // Without its copy of the picture as displayed, the dialog would preview and
        // convert the photograph under the layers instead: opening fails as a whole.
        if (!pictureTaken_) throw;
        resized = false;
    }
    PaintBox1->SetupPanning();
    UpdatePreview();
    // Said only now: a preview that succeeds clears the status bar, and the user must
    // learn that the picture kept its earlier size.
    if (!resized) StatusBar1->showMessage(QStringLiteral("Not enough memory to resize the picture"));
    return resized;
}

void TFrmPreview::ImageSizeChange(void (ImageSizePage::*handler)(int), int value) {
    (imageSize_.*handler)(value);
    ShowImageSize();
}

void TFrmPreview::ShowImageSize() {
    // The page's state has run every handler its change set off; the controls only
    // show the outcome.
    const QSignalBlocker b1(Spn_Width), b2(Spn_Height), b3(Trc_ImageSize);
    Spn_Width->setValue(imageSize_.Width());
    Spn_Height->setValue(imageSize_.Height());
    Trc_ImageSize->setValue(imageSize_.Scale());
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

void TFrmPreview::Btn_SketchMoreClick() { ShowMoreOptions(*sketchMore_); }

void TFrmPreview::Btn_ColorMoreClick() { ShowMoreOptions(*colorMore_); }

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
    // Setting the controls would recompute the preview several times over; whoever
    // loads computes it once afterwards.
    const bool wasLoading = loading_;
    loading_ = true;
    {
        std::vector<std::unique_ptr<QSignalBlocker>> blockers;
        for (const Pair& pair : pairs_) {
            if (pair.Trc == Trc_Threshold) continue;  // the Sketch page's threshold keeps its value
            blockers.push_back(std::make_unique<QSignalBlocker>(pair.Trc));
            blockers.push_back(std::make_unique<QSignalBlocker>(pair.Spn));
        }
        blockers.push_back(std::make_unique<QSignalBlocker>(Chk_DrawSketch));
        blockers.push_back(std::make_unique<QSignalBlocker>(Chk_DrawColor));

        for (int slot = 0; slot < kTrackBars; ++slot)
            if (kPageParams[slot].Field) SetPair(pairs_[slot].Trc, pairs_[slot].Spn, p.*kPageParams[slot].Field);
        Chk_DrawSketch->setChecked(p.DrawSketch);
        Chk_DrawColor->setChecked(p.DrawColor);
        // The More Options windows ignore these changes while they are hidden.
        sketchMore_->Apply(p);
        colorMore_->Apply(p);
        if (p.ReducerType == 1)
            RB_Custom->setChecked(true);
        else
            RB_Equality->setChecked(true);
        Grp_ColorHandles->Apply(p);

        UpdateSketchControls();
        UpdateColorControls();
        sketchMore_->UpdateRemainControls();
        colorMore_->UpdateBlendControls();
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
