#include "adjust/gui/AdjustmentForms.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <algorithm>
#include <new>

#include "common/gui/Messages.h"
#include "common/gui/WaitCursor.h"
#include "document/DocumentHost.h"
#include "engine/ColorStep.h"

namespace velmora {

namespace {

constexpr int kClientWidth = 452;
constexpr int kUnseenPosition = 65536;

// Compositing reads the real layers again however a preview ends.
class RealLayersOnExit {
public:
    explicit RealLayersOnExit(Document& doc) : doc_(doc) {}
    ~RealLayersOnExit() { ShowRealLayers(doc_); }
    RealLayersOnExit(const RealLayersOnExit&) = delete;
    RealLayersOnExit& operator=(const RealLayersOnExit&) = delete;

private:
    Document& doc_;
};

}  // namespace

TFrmAdjustment::TFrmAdjustment(const AdjustFormLayout& layout, DocumentHost& host, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      host_(host),
      kind_(layout.Kind),
      ColorStep(std::make_unique<TColorStep>()),
      LastSeenPositions(layout.Rows.size(), kUnseenPosition) {
    setObjectName(QString::fromLatin1(layout.FormName));
    setWindowTitle(QString::fromLatin1(layout.Caption));
    setModal(true);
    setFixedSize(kClientWidth, layout.ClientHeight);

    // Buttons at the bottom right, a raised line above them, the sliders above that.
    const int buttonW = 75, buttonH = 25, margin = 8;
    const int buttonY = layout.ClientHeight - margin - buttonH;
    const int bevelY = buttonY - 10;

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Raised);
    bevel->setGeometry(margin, bevelY, kClientWidth - 2 * margin, 2);

    const int rows = static_cast<int>(layout.Rows.size());
    const int rowH = 24;
    const int area = bevelY - 2 * margin;
    const int pitch = std::min(40, rows > 0 ? area / rows : area);
    int y = margin + (area - pitch * rows) / 2 + (pitch - rowH) / 2;
    for (int i = 0; i < rows; ++i, y += pitch) {
        const AdjustSliderRow& row = layout.Rows[i];
        auto* label = new QLabel(QString::fromLatin1(row.Label), this);
        label->setObjectName(QString::fromLatin1(row.LabelName));
        label->setGeometry(16, y, 76, rowH);

        auto* track = new QSlider(Qt::Horizontal, this);
        track->setObjectName(QString::fromLatin1(row.TrackName));
        track->setRange(row.Minimum, row.Maximum);
        track->setValue(row.Default);
        track->setGeometry(96, y, 268, rowH);

        auto* spin = new QSpinBox(this);
        spin->setObjectName(QString::fromLatin1(row.SpinName));
        spin->setRange(row.Minimum, row.Maximum);
        spin->setValue(row.Default);
        spin->setGeometry(372, y, 64, rowH);
        label->setBuddy(spin);

        tracks_.push_back(track);
        spins_.push_back(spin);
    }
    // The buttons come after the sliders, so that the keyboard starts on the first
    // slider, as the eye does, and reaches OK and Cancel last.
    BtnOk = new QPushButton(QStringLiteral("&Ok"), this);
    BtnOk->setObjectName(QString::fromLatin1(layout.OkName));
    BtnOk->setGeometry(kClientWidth - 2 * (buttonW + margin), buttonY, buttonW, buttonH);
    BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(kClientWidth - buttonW - margin, buttonY, buttonW, buttonH);
    // Enter in a spin edit must not apply the adjustment to the whole picture.
    for (QPushButton* b : {BtnOk, BtnCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    // Connected only now, so that setting the defaults previews nothing.
    for (int i = 0; i < rows; ++i) {
        connect(tracks_[i], &QSlider::valueChanged, this, [this, i] { TrcChange(i); });
        connect(spins_[i], &QSpinBox::valueChanged, this, [this, i] { SpnChange(i); });
    }
    connect(BtnOk, &QPushButton::clicked, this, &TFrmAdjustment::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &TFrmAdjustment::reject);
}

// However the dialog goes, the view must not call back into it.
TFrmAdjustment::~TFrmAdjustment() { host_.SetViewPreview(nullptr); }

AdjustmentSettings TFrmAdjustment::Settings() const {
    AdjustmentSettings s;
    s.Kind = kind_;
    for (const QSlider* t : tracks_) s.Values.push_back(t->value());
    return s;
}

void TFrmAdjustment::TrcChange(int row) {
    const int position = tracks_[row]->value();
    if (position == LastSeenPositions[row]) return;
    if (spins_[row]->value() != position) spins_[row]->setValue(position);
    PreviewAdjustment();
    LastSeenPositions[row] = position;
}

void TFrmAdjustment::SpnChange(int row) {
    QSpinBox* spin = spins_[row];
    if (spin->cleanText().trimmed().isEmpty()) return;
    // The track bar's own handler previews.
    if (spin->value() != tracks_[row]->value()) tracks_[row]->setValue(spin->value());
}

void TFrmAdjustment::PreviewAdjustment() {
    Document& doc = host_.Doc();
    RealLayersOnExit restore(doc);
    try {
        AdjustDrawableLayers(*ColorStep, Settings(), doc, host_.GetLayerState(), doc.ViewRect,
                             AdjustInto::Scratch);
    } catch (const std::bad_alloc&) {
        // Other refreshes of the view would only try again and say so again.
        host_.SetViewPreview(nullptr);
        ShowRealLayers(doc);
        host_.RefreshView();
        ShowMessage(this, QStringLiteral("Not enough memory to preview the adjustment."));
        return;
    }
    // From now on whatever else refreshes the view shows this preview too.
    host_.SetViewPreview([this] { PreviewAdjustment(); });
    host_.RefreshView();
}

bool TFrmAdjustment::ApplyToLayers() {
    Document& doc = host_.Doc();
    const LayerState state = host_.GetLayerState();
    const AdjustmentSettings settings = Settings();
    // The whole picture; each layer clips it to its own size, so both are covered
    // completely even if their sizes were ever to disagree.
    const Rect whole{0, 0, std::max(doc.SketchBmp.Width(), doc.ColorBmp.Width()) - 1,
                     std::max(doc.SketchBmp.Height(), doc.ColorBmp.Height()) - 1};
    const std::string name = AdjustmentStateName(kind_);
    AdjustedLayers written;
    // The layers themselves are about to change; a preview over them would adjust
    // them twice on screen.
    host_.SetViewPreview(nullptr);
    WaitCursor wait;
    try {
        AdjustDrawableLayers(*ColorStep, settings, doc, state, whole, AdjustInto::Layers, &written);
    } catch (const std::bad_alloc&) {
        const bool changed = written.Sketch || written.Color;
        const bool previewed = std::any_of(LastSeenPositions.begin(), LastSeenPositions.end(),
                                           [](int position) { return position != kUnseenPosition; });
        ShowRealLayers(doc);
        if (changed || !previewed) host_.RefreshView();
        wait.Release();
        ShowMessage(this, QStringLiteral("Not enough memory to apply the adjustment to the whole picture."));
        if (!changed) {
            // The dialog stays open with its sliders where they were, so the view shows
            // their preview again rather than the layers as they are.
            if (previewed) PreviewAdjustment();
            return false;
        }
        // One layer was adjusted before memory ran out: record what the document now
        // holds, naming only that layer, so that undo can take it back.
        host_.AddState(name, AdjustmentDetail(written.Sketch, written.Color, settings.Values));
        return true;
    }
    host_.RefreshView();
    // A failed snapshot keeps the adjusted layers: the host has told the user, the
    // picture stays as they asked for it, and undo still reaches the earlier states.
    host_.AddState(name, AdjustmentDetail(state.SketchDrawable, state.ColorDrawable, settings.Values));
    return true;
}

void TFrmAdjustment::accept() {
    if (ApplyToLayers()) QDialog::accept();
}

void TFrmAdjustment::reject() {
    host_.SetViewPreview(nullptr);
    ShowRealLayers(host_.Doc());
    host_.RefreshView();
    QDialog::reject();
}

void TFrmAdjustment::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    // Neither button is a default one (Enter in a spin edit must not apply), so a
    // button's own Enter would go unanswered: a focused OK or Cancel does what it says.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        for (QPushButton* button : {BtnOk, BtnCancel}) {
            if (button->hasFocus()) {
                event->accept();
                button->click();
                return;
            }
        }
    }
    QDialog::keyPressEvent(event);
}

TFrmBrightContrast::TFrmBrightContrast(DocumentHost& host, QWidget* parent)
    : TFrmAdjustment({Adjustment::BrightContrast,
                      "FrmBrightContrast",
                      "Brightness / Contrast",
                      168,
                      {{"Brightness:", "Lab_Color4", "Trc_Brightness", "Spn_Brightness", -255, 255, 0},
                       {"Contrast:", "Lab_Color5", "Trc_Contrast", "Spn_Contrast", -255, 255, 0}},
                      "BtnOk"},
                     host, parent) {}

TFrmSaturation::TFrmSaturation(DocumentHost& host, QWidget* parent)
    : TFrmAdjustment({Adjustment::Saturation,
                      "FrmSaturation",
                      "Saturation",
                      126,
                      {{"Saturation:", "Label1", "TrcSaturation", "SpnSaturation", -127, 127, 0}},
                      "BtnOK"},
                     host, parent) {}

TFrmColorBalance::TFrmColorBalance(DocumentHost& host, QWidget* parent)
    : TFrmAdjustment({Adjustment::ColorBalance,
                      "FrmColorBalance",
                      "Color Balance",
                      138,
                      {{"Red:", "Lab_Color7", "Trc_Red", "Spn_Red", -255, 255, 0},
                       {"Green:", "Lab_Color8", "Trc_Green", "Spn_Green", -255, 255, 0},
                       {"Blue:", "Lab_Color9", "Trc_Blue", "Spn_Blue", -255, 255, 0}},
                      "BtnOk"},
                     host, parent) {}

TFrmBlur::TFrmBlur(DocumentHost& host, QWidget* parent)
    : TFrmAdjustment({Adjustment::Blur,
                      "FrmBlur",
                      "Blur",
                      138,
                      {{"Blur", "Lab_Color8", "Trc_Blur", "Spn_Blur", 1, 200, 1}},
                      "BtnOk"},
                     host, parent) {}

std::unique_ptr<TFrmAdjustment> CreateAdjustmentDialog(Adjustment which, DocumentHost& host,
                                                       QWidget* parent) {
    switch (which) {
        case Adjustment::BrightContrast: return std::make_unique<TFrmBrightContrast>(host, parent);
        case Adjustment::Saturation: return std::make_unique<TFrmSaturation>(host, parent);
        case Adjustment::ColorBalance: return std::make_unique<TFrmColorBalance>(host, parent);
        case Adjustment::Blur: return std::make_unique<TFrmBlur>(host, parent);
    }
    return nullptr;
}

}  // namespace velmora
