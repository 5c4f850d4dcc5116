// The conversion commands end to end: the dialog, the full run behind the real
// progress dialog, the layers and layer state installed, the history state, and
// what cancelling or a damaged record leaves. The full conversion made through the
// windows must equal the engine's and the batch converter's, byte for byte.

#include <QProcess>

#include "app/Batch.h"
#include "conversion/ConversionRun.h"
#include "conversion/gui/ConversionTestKit.h"
#include "conversion/gui/RunConversion.h"
#include "engine/gui/ProcessDialog.h"
#include "io/Bmp.h"

using namespace velmora;
using namespace velmora::test;

namespace {

void AcceptNextConversionDialog(std::function<void(TFrmPreview*)> before = nullptr) {
    WhenModal<TFrmPreview>([before](TFrmPreview* d) {
        if (before) before(d);
        d->Btn_Ok->click();
    });
}

void CancelNextProgressDialog() {
    WhenModal<TFrm_Process>([](TFrm_Process* d) { d->Button1->click(); }, 60000);
}

// Runs the batch program, when it has been built, on `photo` written as a bitmap
// and compares what it writes with `expected`.
void ExpectBatchProgramGives(const QString& folder, const Bitmap& photo, QStringList args, const Bitmap& expected) {
    const QString batch = QStringLiteral(VELMORA_PROGRAM_DIR "/velmora-batch");
    if (!QFile::exists(batch)) {
        qInfo("velmora-batch is not built; compared with the batch converter's core only");
        return;
    }
    const QString input = QDir(folder).filePath(QStringLiteral("photo.bmp"));
    const QString output = QDir(folder).filePath(QStringLiteral("result.bmp"));
    std::string error;
    QVERIFY(WriteBmpFile(input.toStdString(), photo, error));
    QProcess proc;
    proc.start(batch, args << QStringLiteral("-q") << QStringLiteral("-o") << output << input);
    QVERIFY(proc.waitForFinished(120000));
    QCOMPARE(proc.exitCode(), 0);
    Bitmap written;
    QVERIFY2(ReadBmpFile(output.toStdString(), written, error), error.c_str());
    QVERIFY(written == expected);
}

// The batch converter's core on `displayed` with the record it derives from
// `preset` must give the host's layers, photograph and composite exactly.
void ExpectBatchCoreGives(const FakeHost& host, const ProgramFolder& folder, const Bitmap& displayed,
                          const QString& preset, int scale) {
    TEffectParams record;
    ConversionOutput out;
    std::string error;
    QVERIFY2(BatchRecord(preset.toStdString(), folder.Folder(), record, error), error.c_str());
    QVERIFY2(ConvertDisplayed(displayed, record, scale, 0, out, error), error.c_str());
    QVERIFY(out.Photo == host.doc.PhotoBmp);
    QVERIFY(out.Sketch == host.doc.SketchBmp);
    QVERIFY(out.Color == host.doc.ColorBmp);
    QVERIFY(out.State.BlendingMode == host.state.BlendingMode);
    QVERIFY(out.State.BlendingMode != 1 || out.State.Opacity == host.state.Opacity);
    QVERIFY(out.Composite == host.doc.CompositeBmp);
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
        const Bitmap pic = TestPicture(240, 180);
        host_->OpenPicture(pic);
        host_->state.SketchVisible = false;  // hidden before: visible after
        host_->state.SketchDrawable = false;
        AcceptNextConversionDialog();
        RunConversion(*host_, nullptr, QString());

        // The layers and composite are compared with the engine's by the shipped-preset test.
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

    void overlayChoiceReachesTheLayersWindow() {
        host_->OpenPicture(TestPicture(120, 90));
        host_->state.ColorVisible = false;
        AcceptNextConversionDialog([](TFrmPreview* d) {
            WhenModal<TFrm_ColorMoreOption>([](TFrm_ColorMoreOption* w) {
                w->RB_Overlay->setChecked(true);
                w->Spn_Opeaity->setValue(40);
                w->Btn_Ok->click();
            });
            d->Btn_ColorMore->click();
        });
        RunConversion(*host_, nullptr, QString());
        QCOMPARE(host_->state.BlendingMode, 1);
        QCOMPARE(host_->state.Opacity, 40);
        QVERIFY(host_->state.ColorVisible);
        QVERIFY(host_->state.SketchVisible);
        QCOMPARE(int(host_->states.size()), 1);  // its detail text is the core test's
    }

    void aSecondConversionStartsFromWhatIsDisplayed() {
        host_->OpenPicture(TestPicture(200, 150));
        AcceptNextConversionDialog();
        RunConversion(*host_, nullptr, QString());
        const Bitmap displayed = host_->doc.CompositeBmp;
        AcceptNextConversionDialog();
        RunConversion(*host_, nullptr, QString());
        QVERIFY(host_->doc.PhotoBmp == displayed);
        QCOMPARE(int(host_->states.size()), 2);
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
        const Bitmap pic = TestPicture(1600, 1200);
        host_->OpenPicture(pic);
        const Snapshot before(*host_);
        AcceptNextConversionDialog([](TFrmPreview* d) {
            d->Spn_ColorSmooth->setValue(19);
            d->Spn_BorderBlur->setValue(255);
            d->Trc_ImageSize->setValue(90);  // the photograph is resized before the run
        });
        CancelNextProgressDialog();
        RunConversion(*host_, nullptr, QString());
        QVERIFY(before.SameAs(*host_));
        QVERIFY(host_->doc.PhotoBmp == pic);
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

    void shippedPresetsEqualTheEngineAndTheBatchConverter_data() {
        QTest::addColumn<QString>("preset");
        QTest::newRow("default") << QString();
        for (const char* name : {"cartoon.set", "sketch.set", "linedrawing.set", "canvas.set"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void shippedPresetsEqualTheEngineAndTheBatchConverter() {
        QFETCH(QString, preset);
        const QString presetPath = preset.isEmpty() ? QString() : folder_->Path(preset.toLatin1().constData());
        if (!preset.isEmpty()) QVERIFY(QFile::exists(presetPath));
        const Bitmap photo = SamplePhoto();
        host_->OpenPicture(photo);
        const Bitmap displayed = host_->doc.CompositeBmp;
        AcceptNextConversionDialog();
        RunConversion(*host_, nullptr, presetPath);
        QCOMPARE(int(host_->states.size()), 1);

        // The engine run directly with the record the batch converter derives.
        TEffectParams record;
        std::string error;
        QVERIFY2(BatchRecord(presetPath.toStdString(), folder_->Folder(), record, error), error.c_str());
        // What OK stored is that record too (the run-time fields aside).
        const EffectParamsBytes stored = ReadPreset(folder_->Path("last.set")).ToBytes();
        const EffectParamsBytes derived = record.ToBytes();
        QVERIFY(std::equal(stored.begin() + 20, stored.end(), derived.begin() + 20));
        // The conversion reads the picture as it was displayed (the photograph over
        // the white sketch layer in Multiply, one level darker), not the file.
        QVERIFY(host_->doc.PhotoBmp == displayed);
        QVERIFY(!(displayed == photo));
        TDrawEffect engine;
        engine.SetParams(FullConversionRecord(record, displayed));
        engine.Execute();
        Bitmap sketch, color;
        engine.GetLayers(sketch, color);
        QVERIFY(host_->doc.SketchBmp == sketch);
        QVERIFY(host_->doc.ColorBmp == color);

        // The batch converter's core from the displayed picture, and the batch program.
        ExpectBatchCoreGives(*host_, *folder_, displayed, presetPath, 100);
        ExpectBatchProgramGives(folder_->dir.path(), photo,
                                presetPath.isEmpty() ? QStringList() : QStringList{QStringLiteral("-p"), presetPath},
                                host_->doc.CompositeBmp);
    }

    void imageSizeMatchesTheBatchConvertersScale() {
        const Bitmap photo = SamplePhoto();
        host_->OpenPicture(photo);
        const Bitmap displayed = host_->doc.CompositeBmp;
        AcceptNextConversionDialog([](TFrmPreview* d) { d->Trc_ImageSize->setValue(33); });
        RunConversion(*host_, nullptr, folder_->Path("cartoon.set"));
        QCOMPARE(host_->doc.CompositeBmp.Width(), 168);  // 33 % of 512
        ExpectBatchCoreGives(*host_, *folder_, displayed, folder_->Path("cartoon.set"), 33);
        ExpectBatchProgramGives(folder_->dir.path(), photo,
                                {QStringLiteral("--scale"), QStringLiteral("33"), QStringLiteral("-p"),
                                 folder_->Path("cartoon.set")},
                                host_->doc.CompositeBmp);
    }
};

QTEST_MAIN(RunConversionTest)
#include "run_conversion_test.moc"
