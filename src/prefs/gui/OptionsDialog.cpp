#include "prefs/gui/OptionsDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

#include "common/gui/Messages.h"

namespace velmora {

namespace {

QSpinBox* NumberBox(QWidget* parent, const char* name, int minimum, int maximum = INT_MAX) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(minimum, maximum);
    return spin;
}

}  // namespace

TFrmOptions::TFrmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmOptions"));
    setWindowTitle(QStringLiteral("Preferences"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* sizeGroup = new QGroupBox(this);
    auto* sizeGrid = new QGridLayout(sizeGroup);
    CmbWinSize = new QComboBox(sizeGroup);
    CmbWinSize->setObjectName(QStringLiteral("CmbWinSize"));
    CmbWinSize->addItems({QStringLiteral("Custom"), QStringLiteral("Maximized"), QStringLiteral("Last")});
    Label3 = new QLabel(QStringLiteral("Width:"), sizeGroup);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4 = new QLabel(QStringLiteral("Height:"), sizeGroup);
    Label4->setObjectName(QStringLiteral("Label4"));
    // A window of no width or height could not be used, so the size starts at 1.
    SpnWidth = NumberBox(sizeGroup, "SpnWidth", 1);
    SpnHeight = NumberBox(sizeGroup, "SpnHeight", 1);
    sizeGrid->addWidget(new QLabel(QStringLiteral("Preview Window Size:"), sizeGroup), 0, 0);
    sizeGrid->addWidget(CmbWinSize, 0, 1);
    sizeGrid->addWidget(Label3, 1, 0);
    sizeGrid->addWidget(SpnWidth, 1, 1);
    sizeGrid->addWidget(Label4, 2, 0);
    sizeGrid->addWidget(SpnHeight, 2, 1);

    auto* historyGroup = new QGroupBox(this);
    auto* historyGrid = new QGridLayout(historyGroup);
    // Fewer than no states means none; the most is what the file may hold.
    SpnHistory = NumberBox(historyGroup, "SpnHistory", 0, kMaxHistoryStates);
    historyGrid->addWidget(new QLabel(QStringLiteral("History States:"), historyGroup), 0, 0);
    historyGrid->addWidget(SpnHistory, 0, 1);

    BtnOk = new QPushButton(QStringLiteral("&Ok"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnOk);
    buttons->addWidget(BtnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sizeGroup);
    layout->addWidget(historyGroup);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(282, 274);

    connect(CmbWinSize, &QComboBox::currentIndexChanged, this, [this] { UpdateSizeControls(); });
    connect(BtnOk, &QPushButton::clicked, this, &TFrmOptions::BtnOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Cancel (the button, Escape or the caption's close) takes nothing of what was
    // typed: the controls go back to the values in force, so that the save at the end
    // of the run does not write, and warn about, what the user cancelled.
    connect(this, &QDialog::rejected, this, &TFrmOptions::ShowFields);

    ShowFields();
}

void TFrmOptions::SetOptionsPath(const std::string& path) { path_ = path; }

Options& TFrmOptions::Values() { return values_; }

void TFrmOptions::LoadOptions() {
    if (path_.empty()) {
        const Options defaults;
        values_.PreviewSizeMode = defaults.PreviewSizeMode;
        values_.PreviewWidth = defaults.PreviewWidth;
        values_.PreviewHeight = defaults.PreviewHeight;
        values_.HistoryStates = defaults.HistoryStates;
    } else {
        velmora::LoadOptions(path_, values_);
    }
    // The list offers three sizes; a damaged file's other numbers mean "Custom".
    if (values_.PreviewSizeMode < 0 || values_.PreviewSizeMode > 2) values_.PreviewSizeMode = 0;
    ShowFields();
}

void TFrmOptions::ShowFields() {
    CmbWinSize->setCurrentIndex(values_.PreviewSizeMode);
    SpnWidth->setValue(values_.PreviewWidth);
    SpnHeight->setValue(values_.PreviewHeight);
    SpnHistory->setValue(values_.HistoryStates);
    UpdateSizeControls();
}

void TFrmOptions::UpdateSizeControls() {
    const int index = CmbWinSize->currentIndex();
    if (index != 0 && index != 1 && index != 2) return;
    const bool custom = index == 0;
    for (QWidget* control : {static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label4),
                             static_cast<QWidget*>(SpnWidth), static_cast<QWidget*>(SpnHeight)})
        control->setEnabled(custom);
}

bool TFrmOptions::SaveOptions() {
    if (SpnHistory->value() != values_.HistoryStates)
        ShowMessage(this, QStringLiteral("History States will not take effect until next run"));
    values_.PreviewSizeMode = CmbWinSize->currentIndex();
    values_.PreviewWidth = SpnWidth->value();
    values_.PreviewHeight = SpnHeight->value();
    values_.HistoryStates = SpnHistory->value();

    // Without a file the values live for this run only; there is nothing to write.
    if (path_.empty()) return true;
    const std::string error = velmora::SaveOptions(path_, values_);
    if (error.empty()) return true;
    QString text = QString::fromStdString(error);
    if (!text.contains(QString::fromStdString(path_)))
        text = QString::fromStdString(path_) + QStringLiteral(" could not be written.\n") + text;
    ShowMessage(this, text);
    return false;
}

void TFrmOptions::BtnOkClick() {
    // The dialog closes even when the file could not be written: the user has been
    // told, the values are in force for this run, and the exit tries the file again.
    SaveOptions();
    accept();
}

}  // namespace velmora
