// The conversion commands end to end through the real dialogs; their result must equal
// the batch converter's core byte for byte, which the batch tests tie to the engine.

#include "app/Batch.h"
#include "conversion/ConversionRun.h"
#include "conversion/gui/ConversionTestKit.h"
#include "conversion/gui/RunConversion.h"
#include "engine/gui/ProcessDialog.h"

using namespace velmora;
using namespace velmora::test;

namespace {

void AcceptNextConversionDialog(std::function<void(TFrmPreview*)> before = nullptr) {
    WhenModal<TFrmPreview>([before](TFrmPreview* d) {
        if (before) before(d);
        d->Btn_Ok->click();
    });
}

}  // namespace

class RunConversionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DialogRig> rig_;
    FakeHost* host_ = nullptr;
    ProgramFolder* folder_ = nullptr;

private slots:
    void init() {
        rig_ = std::make_unique<DialogRig>(true);
        host_ = &rig_->host;
        folder_ = &rig_->folder;
        QVERIFY(QFile::exists(folder_->Path("default.set")));
    }
    void cleanup() { rig_.reset(); }

    void plainConversionInstallsLayersStateAndHistory() {
        host_->OpenPicture(TestPicture(240, 180));
        host_->state.SketchVisible = host_->state.ColorVisible = false;  // hidden before: visible after
        host_->state.SketchDrawable = false;
        AcceptNextConversionDialog();
        RunConversion(*host_, nullptr, QString());

        // The layers and composite are compared with the batch converter by the shipped-preset test.
        const TEffectParams loaded = ReadPreset(folder_->Path("default.set"));
        QVERIFY(loaded.DrawSketch && loaded.DrawColor);
        QCOMPARE(host_->state.BlendingMode, 0);
        QVERIFY(host_->state.SketchVisible);
        QVERIFY(host_->state.ColorVisible);
        QVERIFY(!host_->state.SketchDrawable);  // drawable flags are not the conversion's

        QCOMPARE(int(host_->states.size()), 1);
        QCOMPARE(host_->states[0].first, std::string("Classic"));
        QCOMPARE(host_->states[0].second, ConversionDetailText(RecordThroughControls(loaded)));
        QCOMPARE(host_->commandStateUpdates, 1);
        QCOMPARE(host_->scrollBarUpdates, 1);
        QVERIFY(host_->refreshes >= 1);
    }

    // A second conversion starts from what the first left displayed, and its overlay
    // choice in the Coloring window reaches the layers window.
    void aSecondConversionStartsFromWhatIsDisplayedAndBlendsAsChosen() {
        host_->OpenPicture(TestPicture(200, 150));
        AcceptNextConversionDialog();
        RunConversion(*host_, nullptr, QString());
        const Bitmap displayed = host_->doc.CompositeBmp;
        AcceptNextConversionDialog([](TFrmPreview* d) {
            WhenModal<TFrm_ColorMoreOption>([](TFrm_ColorMoreOption* w) {
                w->RB_Overlay->setChecked(true);
                w->Spn_Opeaity->setValue(40);
                w->Btn_Ok->click();
            });
            d->Btn_ColorMore->click();
        });
        RunConversion(*host_, nullptr, QString());
        QVERIFY(host_->doc.PhotoBmp == displayed);
        QCOMPARE(host_->state.BlendingMode, 1);
        QCOMPARE(host_->state.Opacity, 40);
        QCOMPARE(int(host_->states.size()), 2);  // their detail text is the core test's
    }

    void closingTheDialogWithoutOkChangesNothing() {
        host_->OpenPicture(TestPicture(200, 150));
        const Snapshot before(*host_);
        WhenModal<TFrmPreview>([](TFrmPreview* d) {
            d->Trc_ImageSize->setValue(20);
            d->Btn_Cancle->click();
        });
        RunConversion(*host_, nullptr, QString());
        QVERIFY(before.SameAs(*host_));
        QVERIFY(host_->states.empty());
        QVERIFY(!QFile::exists(folder_->Path("last.set")));
    }

    void cancelledRunLeavesTheDocumentAndHistoryUntouched() {
        host_->OpenPicture(TestPicture(1600, 1200));
        const Snapshot before(*host_);
        AcceptNextConversionDialog([](TFrmPreview* d) {
            d->Spn_ColorSmooth->setValue(19);
            d->Spn_BorderBlur->setValue(255);
            d->Trc_ImageSize->setValue(90);  // the photograph is resized before the run
        });
        WhenModal<TFrm_Process>([](TFrm_Process* d) { d->Button1->click(); });
        RunConversion(*host_, nullptr, QString());
        QVERIFY(before.SameAs(*host_));
        QVERIFY(host_->states.empty());
        QCOMPARE(host_->commandStateUpdates, 1);
        QVERIFY(QFile::exists(folder_->Path("last.set")));  // the dialog itself was confirmed
    }

    void aRecordTheEngineRejectsIsReportedAndNotRun() {
        MessageCapture messages;
        host_->OpenPicture(TestPicture(100, 80));
        // As a confirmed dialog leaves it: the photograph kept aside, another in its place.
        host_->doc.WorkBmp1 = host_->doc.PhotoBmp;
        host_->doc.PhotoBmp.Fill(9, 9, 9);
        const Snapshot expected = [&] {
            FakeHost copy;
            copy.OpenPicture(TestPicture(100, 80));
            return Snapshot(copy);
        }();
        TEffectParams damaged = ColorDefaults();
        damaged.ColorReducer = 0;
        QVERIFY(!RunFullConversion(*host_, nullptr, damaged));
        QCOMPARE(int(messages.messages.size()), 1);
        QVERIFY(messages.messages[0].text.startsWith(QStringLiteral("The conversion cannot run: ")));
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("ColorReducer")));
        QVERIFY(expected.SameAs(*host_));
        QVERIFY(host_->states.empty());
    }

    void aMissingShortcutPresetIsReportedAndTheDefaultsStay() {
        MessageCapture messages;
        host_->OpenPicture(TestPicture(100, 80));
        int detail = -1;
        WhenModal<TFrmPreview>([&](TFrmPreview* d) {
            detail = d->Trc_Detail->value();
            d->reject();
        });
        RunConversion(*host_, nullptr, QStringLiteral("  ") + folder_->Path("gone.set") + QStringLiteral(" "));
        QCOMPARE(int(messages.messages.size()), 1);
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("gone.set")));
        QCOMPARE(detail, ReadPreset(folder_->Path("default.set")).Detail);
    }

    void shippedPresetsEqualTheBatchConverter_data() {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<int>("scale");
        QTest::newRow("default") << QString() << 100;
        for (const char* name : {"cartoon.set", "sketch.set", "linedrawing.set", "canvas.set"})
            QTest::newRow(name) << QString::fromLatin1(name) << 100;
        QTest::newRow("cartoon.set at 33 %") << QStringLiteral("cartoon.set") << 33;
    }

    // The layers, photograph and composite equal exactly what the batch converter's
    // core makes of the displayed picture with the record it derives from the preset.
    void shippedPresetsEqualTheBatchConverter() {
        QFETCH(QString, preset);
        QFETCH(int, scale);
        const QString presetPath = preset.isEmpty() ? QString() : folder_->Path(preset.toLatin1().constData());
        if (!preset.isEmpty()) QVERIFY(QFile::exists(presetPath));
        const Bitmap photo = SamplePhoto();
        host_->OpenPicture(photo);
        const Bitmap displayed = host_->doc.CompositeBmp;
        AcceptNextConversionDialog([scale](TFrmPreview* d) { d->Trc_ImageSize->setValue(scale); });
        RunConversion(*host_, nullptr, presetPath);
        QCOMPARE(int(host_->states.size()), 1);
        QCOMPARE(host_->doc.CompositeBmp.Width(), 512 * scale / 100);

        // What OK stored is the record the batch converter derives (the run-time fields aside).
        TEffectParams record;
        ConversionOutput out;
        std::string error;
        QVERIFY2(BatchRecord(presetPath.toStdString(), folder_->Folder(), record, error), error.c_str());
        QVERIFY(Tail(ReadPreset(folder_->Path("last.set"))) == Tail(record));
        // The conversion reads the picture as it was displayed (the photograph over
        // the white sketch layer in Multiply, one level darker), not the file.
        QVERIFY(!(displayed == photo));
        QVERIFY2(ConvertDisplayed(displayed, record, scale, 0, out, error), error.c_str());
        QVERIFY(out.Photo == host_->doc.PhotoBmp);
        QVERIFY(out.Sketch == host_->doc.SketchBmp);
        QVERIFY(out.Color == host_->doc.ColorBmp);
        QVERIFY(out.State.BlendingMode == host_->state.BlendingMode);
        QVERIFY(out.State.BlendingMode != 1 || out.State.Opacity == host_->state.Opacity);
        QVERIFY(out.Composite == host_->doc.CompositeBmp);
    }
};

QTEST_MAIN(RunConversionTest)
#include "run_conversion_test.moc"
