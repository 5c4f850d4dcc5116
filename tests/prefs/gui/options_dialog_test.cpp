// The Preferences dialog over a real "options.dat" in a temporary folder.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "common/gui/Messages.h"
#include "io/IoTestUtil.h"
#include "prefs/Options.h"
#include "prefs/gui/OptionsDialog.h"

using namespace velmora;

namespace {

const QString kNextRun = QStringLiteral("History States will not take effect until next run");

// The file as its eight little-endian integers.
std::vector<std::int32_t> ReadFields(const std::string& path) {
    const std::vector<std::uint8_t> bytes = testing::Slurp(path);
    std::vector<std::int32_t> fields;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) fields.push_back(std::int32_t(testing::Get32(bytes, i)));
    return fields;
}

void WriteFields(const std::string& path, const std::vector<std::int32_t>& fields) {
    std::vector<std::uint8_t> bytes(4 * fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) testing::Put32(bytes, 4 * i, std::uint32_t(fields[i]));
    testing::Spit(path, bytes);
}

}  // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        path_ = (dir_->path() + QStringLiteral("/options.dat")).toStdString();
        messages_.clear();
        SetMessageHook([this](const QString&, const QString& text, bool) {
            messages_ << text;
            return true;
        });
        dialog_ = std::make_unique<TFrmOptions>();
        dialog_->SetOptionsPath(path_);
        dialog_->LoadOptions();
    }
    void cleanup() {
        dialog_.reset();
        SetMessageHook(nullptr);
        dir_.reset();
    }

    void onlyCustomSizeTakesWidthAndHeight() {
        const QList<QWidget*> sizeControls{dialog_->Label3, dialog_->Label4, dialog_->SpnWidth, dialog_->SpnHeight};
        for (int index : {1, 2, 0, 2}) {
            dialog_->CmbWinSize->setCurrentIndex(index);
            for (QWidget* control : sizeControls) QCOMPARE(control->isEnabled(), index == 0);
        }
    }

    // Reading the file is not a change of History States; OK keeps the last window
    // the file held, saves the controls and warns once about History States.
    void existingFileFillsTheControlsAndOkSavesThemWarningOnce() {
        WriteFields(path_, {1, 1024, 768, 3, 11, 22, 333, 444});
        dialog_->LoadOptions();
        QCOMPARE(dialog_->CmbWinSize->currentIndex(), 1);
        QVERIFY(!dialog_->SpnHeight->isEnabled());
        QCOMPARE(dialog_->SpnWidth->value(), 1024);
        QCOMPARE(dialog_->SpnHeight->value(), 768);
        QCOMPARE(dialog_->SpnHistory->value(), 3);
        QVERIFY(dialog_->SaveOptions());
        QVERIFY(messages_.isEmpty());

        dialog_->CmbWinSize->setCurrentIndex(2);
        dialog_->SpnWidth->setValue(800);
        dialog_->SpnHeight->setValue(600);
        dialog_->SpnHistory->setValue(7);
        dialog_->open();
        QTest::mouseClick(dialog_->BtnOk, Qt::LeftButton);
        QCOMPARE(messages_, (QStringList{kNextRun}));
        QCOMPARE(dialog_->result(), int(QDialog::Accepted));
        QVERIFY(!dialog_->isVisible());
        QCOMPARE(ReadFields(path_), (std::vector<std::int32_t>{2, 800, 600, 7, 11, 22, 333, 444}));
        QCOMPARE(dialog_->Values().HistoryStates, 7);
        // Nothing changed: no message the second time.
        dialog_->open();
        QTest::mouseClick(dialog_->BtnOk, Qt::LeftButton);
        QCOMPARE(messages_.size(), 1);
    }

    // Cancel takes nothing: shown again, the dialog has the values in force, and the
    // save at the program's end writes those, without a word about History States.
    void cancelLeavesEverythingAsItWas() {
        QCOMPARE(dialog_->SpnHistory->value(), 50);
        dialog_->open();
        dialog_->CmbWinSize->setCurrentIndex(1);
        dialog_->SpnHistory->setValue(12);
        dialog_->SpnWidth->setValue(640);
        QTest::mouseClick(dialog_->BtnCancel, Qt::LeftButton);
        QCOMPARE(dialog_->result(), int(QDialog::Rejected));
        QVERIFY(messages_.isEmpty());
        QVERIFY(!std::filesystem::exists(path_));
        QCOMPARE(dialog_->Values().HistoryStates, 50);
        QCOMPARE(dialog_->CmbWinSize->currentIndex(), 0);
        QVERIFY(dialog_->SpnWidth->isEnabled());
        QCOMPARE(dialog_->SpnHistory->value(), 50);
        QCOMPARE(dialog_->SpnWidth->value(), 459);

        // Escape cancels as well.
        dialog_->open();
        dialog_->SpnHeight->setValue(300);
        QTest::keyClick(dialog_.get(), Qt::Key_Escape);
        QVERIFY(!dialog_->isVisible());
        QCOMPARE(dialog_->SpnHeight->value(), 451);

        QVERIFY(dialog_->SaveOptions());
        QVERIFY(messages_.isEmpty());
        QCOMPARE(ReadFields(path_), (std::vector<std::int32_t>{0, 459, 451, 50, 0, 0, 0, 0}));
    }

    void spinEditsRefuseUnusableNumbers() {
        dialog_->SpnWidth->setValue(0);
        dialog_->SpnHeight->setValue(-20);
        dialog_->SpnHistory->setValue(-1);
        QCOMPARE(dialog_->SpnWidth->value(), 1);
        QCOMPARE(dialog_->SpnHeight->value(), 1);
        QCOMPARE(dialog_->SpnHistory->value(), 0);
        dialog_->SpnHistory->setValue(kMaxHistoryStates + 1);
        QCOMPARE(dialog_->SpnHistory->value(), kMaxHistoryStates);
    }

    void failedWriteIsReportedByName() {
        const std::string unwritable = (dir_->path() + QStringLiteral("/no-such-folder/options.dat")).toStdString();
        dialog_->SetOptionsPath(unwritable);
        QVERIFY(!dialog_->SaveOptions());
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_[0].contains(QString::fromStdString(unwritable)), qPrintable(messages_[0]));
        // OK still closes; the values are in force for this run.
        dialog_->open();
        QTest::mouseClick(dialog_->BtnOk, Qt::LeftButton);
        QCOMPARE(messages_.size(), 2);
        QVERIFY(!dialog_->isVisible());
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::string path_;
    QStringList messages_;
    std::unique_ptr<TFrmOptions> dialog_;
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
