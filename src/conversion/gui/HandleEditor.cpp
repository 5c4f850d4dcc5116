#include "conversion/gui/HandleEditor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QSpinBox>

#include "conversion/HandleScale.h"
#include "conversion/ParamControls.h"
#include "conversion/gui/ControlKit.h"
#include "conversion/gui/PaintBox.h"

namespace velmora {

HandleEditor::HandleEditor(TEffectParams& record, QWidget* parent)
    : QGroupBox(QStringLiteral(" Color Reducer "), parent), record_(record) {
    setObjectName(QStringLiteral("Grp_ColorHandles"));
    Lbl_HandleCount = new QLabel(QStringLiteral("Handle Count:"), this);
    Lbl_HandleCount->setObjectName(QStringLiteral("Lbl_HandleCount"));
    Cb_HandleCount = new QComboBox(this);
    Cb_HandleCount->setObjectName(QStringLiteral("Cb_HandleCount"));
    Cb_HandleCount->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                              QStringLiteral("5")});
    Cb_HandleCount->setCurrentIndex(-1);
    auto* handleRow = new QHBoxLayout;
    handleRow->setSpacing(2);
    static const char* const kLabelNames[] = {"Lbl_A", "Lbl_B", "Lbl_C", "Lbl_D", "Lbl_E"};
    static const char* const kSpinNames[] = {"Spn_A", "Spn_B", "Spn_C", "Spn_D", "Spn_E"};
    for (int i = 0; i < kMaxHandles; ++i) {
        const QString letter = QString(QChar('A' + i)) + QLatin1Char(':');
        Lbl_Handle[i] = new QLabel(letter, this);
        Lbl_Handle[i]->setObjectName(QString::fromLatin1(kLabelNames[i]));
        Spn_Handle[i] = MakeSpinEdit(kHandle, kSpinNames[i], this);
        Spn_Handle[i]->setMinimumWidth(56);
        handleRow->addWidget(Lbl_Handle[i]);
        handleRow->addWidget(Spn_Handle[i]);
        if (i > 0) {
            Lbl_Handle[i]->hide();
            Spn_Handle[i]->hide();
        }
    }
    handleRow->addStretch(1);
    PB_Handles = new PaintBox(this);
    PB_Handles->setObjectName(QStringLiteral("PB_Handles"));
    PB_Handles->SetBackground(Qt::white);
    PB_Handles->setFixedSize(401, 33);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(2);
    grid->addWidget(Lbl_HandleCount, 0, 0);
    grid->addWidget(Cb_HandleCount, 0, 1);
    grid->addLayout(handleRow, 1, 0, 1, 3);
    grid->addWidget(PB_Handles, 2, 0, 1, 3, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);
    hide();

    // Only a choice of the user counts; the program sets the list without effect.
    connect(Cb_HandleCount, &QComboBox::activated, this, [this] {
        UpdateHandleCount();
        emit Changed();
    });
    for (QSpinBox* s : Spn_Handle) {
        connect(s, &QSpinBox::valueChanged, this, [this] { emit Changed(); });
        // A spin edit left empty gets its number back without a change of value; the
        // scale, not drawn while it was empty, is drawn again then.
        connect(s, &QSpinBox::editingFinished, this, &HandleEditor::PaintHandles);
    }
    connect(PB_Handles, &PaintBox::MouseDown, this, &HandleEditor::MouseDown);
    connect(PB_Handles, &PaintBox::MouseMove, this, &HandleEditor::MouseMove);
}

void HandleEditor::UpdateHandleCount() {
    const int index = Cb_HandleCount->currentIndex();
    if (index < 0) return;
    for (int i = 1; i < kMaxHandles; ++i) {
        Lbl_Handle[i]->setVisible(i <= index);
        Spn_Handle[i]->setVisible(i <= index);
    }
}

void HandleEditor::PaintHandles() {
    if (isHidden()) return;
    const int count = Cb_HandleCount->currentIndex() + 1;
    for (int i = 0; i < count; ++i)
        if (!HasText(Spn_Handle[i])) return;

    QImage& canvas = PB_Handles->Canvas();
    const int W = canvas.width();
    const int H = canvas.height();
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setPen(QPen(Qt::black, 0));
    const QPoint frame[] = {{7, 4}, {7, H - 22}, {W - 7, H - 22}, {W - 7, 4}, {7, 4}};
    p.drawPolyline(frame, 5);
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    // The letters go into the canvas's own pixels, which a scaled screen only enlarges.
    // Left to its default, the hinting is turned off on such a screen, and the letters
    // come out ragged instead of as they are at a scale of 1.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    p.setFont(font);
    CopyHandlesToRecord();
    for (int i = 0; i < count; ++i) {
        const int x = HandlePosition(record_.Handles[i], W);
        // Lines and boxes leave out their last pixel, as the scale was designed.
        p.drawLine(x + 7, 2, x + 7, H - 21);
        p.drawRect(x, H - 20, kHandleMarkerWidth - 1, 17);
        p.drawText(QRect(x + 2, H - 19, 12, 17), Qt::AlignLeft | Qt::AlignTop, QString(QChar('A' + i)));
    }
    p.end();
    PB_Handles->update();
}

void HandleEditor::CopyHandlesToRecord() {
    record_.HandleCount = Cb_HandleCount->currentIndex() + 1;
    for (int i = 0; i < kMaxHandles; ++i) record_.Handles[i] = static_cast<std::uint8_t>(Spn_Handle[i]->value());
}

void HandleEditor::Apply(const TEffectParams& p) {
    Cb_HandleCount->setCurrentIndex(ComboIndex(std::int64_t(p.HandleCount) - 1, kHandleCountItems));
    for (int i = 0; i < kMaxHandles; ++i) Spn_Handle[i]->setValue(p.Handles[i]);
}

void HandleEditor::MouseDown(int x, int y, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    SelectedHandle = -1;
    CopyHandlesToRecord();
    SelectedHandle = HandleAt(x, y, PB_Handles->width(), PB_Handles->height(), record_.Handles.data(),
                              record_.HandleCount);
}

void HandleEditor::MouseMove(int x, int, Qt::MouseButtons buttons) {
    if (!(buttons & Qt::LeftButton)) return;
    if (SelectedHandle < 0 || SelectedHandle >= record_.HandleCount) return;
    // The spin edit clamps the value and its own handler recomputes.
    Spn_Handle[SelectedHandle]->setValue(HandleValueAt(x, PB_Handles->width()));
}

}  // namespace velmora
