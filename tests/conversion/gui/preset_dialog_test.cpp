// Presets through the conversion dialog: loading and saving through the controls,
// the Load and Save buttons, and the messages for files that cannot be used.

#include <random>

#include "conversion/gui/ConversionTestKit.h"

using namespace velmora;
using namespace velmora::test;

namespace {

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class PresetDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DialogRig> rig_;

    std::unique_ptr<TFrmPreview> Create() { return rig_->Create(); }
    // A dialog shown over the picture, with `preset` loaded before it is shown.
    std::unique_ptr<TFrmPreview> Shown(const char* preset = nullptr) {
        auto dlg = Create();
        if (preset) dlg->LoadPreset(Path(preset));
        DialogRig::Show(*dlg);
        return dlg;
    }
    QString Path(const char* name) const { return rig_->folder.Path(name); }

private slots:
    void init() {
        rig_ = std::make_unique<DialogRig>();
        rig_->host.OpenPicture(TestPicture(160, 120));
    }
    void cleanup() { rig_.reset(); }

    // The clamped record is the core test's and the random test's; here the
    // controls that show a choice must show none for a value out of range.
    void loadingShowsOutOfRangeChoicesAsNone() {
        TEffectParams p = ControlDefaultRecord();
        p.SketchType = 0;
        p.BlendMode = 1;
        p.ReducerType = 1;
        auto dlg = Create();
        TFrmSketchMoreOption& sketch = dlg->SketchMoreOptions();
        for (int count : {6, 3, 0}) {  // none, then a selection that a later load must clear
            p.HandleCount = count;
            WritePreset(Path("odd.set"), p);
            QVERIFY(dlg->LoadPreset(Path("odd.set")));
            QCOMPARE(dlg->Grp_ColorHandles->Cb_HandleCount->currentText(),
                     count == 3 ? QStringLiteral("3") : QString());
        }
        QCOMPARE(sketch.RG_SketchType->ItemIndex(), -1);
        QVERIFY(!sketch.RG_SketchType->Item(0)->isChecked());
        QVERIFY(!sketch.RG_SketchType->Item(1)->isChecked());
        QVERIFY(!dlg->ColorMoreOptions().Trc_Opeaity->isEnabled());
        QVERIFY(!dlg->Grp_ColorHandles->isHidden());
    }

    void aMissingDefaultPresetGivesTheAllZeroRecordThroughTheControls() {
        QFile::remove(Path("default.set"));
        auto dlg = Create();
        QVERIFY(dlg->SavePreset(Path("zero.set")));
        QVERIFY(ReadPreset(Path("zero.set")) == RecordThroughControls(TEffectParams{}));
        QCOMPARE(dlg->Grp_ColorHandles->Cb_HandleCount->currentIndex(), -1);  // not in the record
        QVERIFY(!dlg->Trc_Detail->isEnabled());
        // Showing it displays the photograph unprocessed.
        DialogRig::Show(*dlg);
        QCOMPARE(dlg->PreviewCount(), 0);
    }

    void saveAndLoadRestoreEveryControl() {
        auto a = Shown();
        TFrmSketchMoreOption& sketch = a->SketchMoreOptions();
        TFrm_ColorMoreOption& color = a->ColorMoreOptions();
        // Every page control but the Sketch page's threshold, which is never loaded.
        using P = TFrmPreview;
        const std::pair<QSpinBox* P::*, int> spins[] = {
            {&P::Spn_Detail, 321},     {&P::Spn_Darkness, 200},  {&P::Spn_SketchSmooth, 42}, {&P::Spn_ColorReducer, 77},
            {&P::Spn_ColorSmooth, 5},  {&P::Spn_BorderBlur, 60}, {&P::Spn_Brightness, -20},  {&P::Spn_Contrast, 30},
            {&P::Spn_Saturation, -40}, {&P::Spn_Red, 11},        {&P::Spn_Green, -12},       {&P::Spn_Blue, 13}};
        for (auto [spin, value] : spins) ((*a).*spin)->setValue(value);
        a->Spn_Threshold->setValue(9);
        a->RB_Custom->setChecked(true);
        a->Grp_ColorHandles->Cb_HandleCount->setCurrentIndex(3);
        const int handles[5] = {10, 20, 200, 250, 7};
        for (int i = 0; i < 5; ++i) a->Grp_ColorHandles->Spn_Handle[i]->setValue(handles[i]);
        // The hidden windows do not pair their controls: both are set, and what is
        // saved is the track bar's position.
        sketch.Chk_Remain->setChecked(true);
        sketch.Trc_Threshold->setValue(50);
        sketch.Spn_Threshold->setValue(50);
        sketch.Trc_Darkness->setValue(60);
        sketch.Spn_Darkness->setValue(60);
        sketch.Trc_Sharper->setValue(70);
        sketch.Spn_Sharper->setValue(3);
        sketch.RG_SketchType->SetItemIndex(0);
        color.RB_Overlay->setChecked(true);
        color.Trc_Opeaity->setValue(33);
        color.RG_ColoringMode->SetItemIndex(0);
        color.RG_SmoothType->SetItemIndex(1);
        a->UpdatePreview();  // the record takes the handle editor's fields from here
        QVERIFY(a->SavePreset(Path("all.set"), true));
        a->Btn_Ok->click();

        // What the second dialog shows below proves the rest of the file.
        const TEffectParams saved = ReadPreset(Path("all.set"));
        QCOMPARE(saved.ThresholdLevel, 255 - 9);
        QCOMPARE(saved.SketchType, 1);
        QCOMPARE(saved.BlendMode, 2);

        // A new dialog, with windows of its own, loads it.
        auto b = Create();
        QVERIFY(b->LoadPreset(Path("all.set")));
        TFrmSketchMoreOption& bSketch = b->SketchMoreOptions();
        TFrm_ColorMoreOption& bColor = b->ColorMoreOptions();
        // Saving again at the end proves what saving reads; here are partners and enabling.
        for (auto [spin, value] : spins) QCOMPARE(((*b).*spin)->value(), value);
        QCOMPARE(b->Trc_Threshold->value(), 0);  // the Sketch page's threshold is not loaded
        QVERIFY(b->RB_Custom->isChecked());
        QCOMPARE(b->Grp_ColorHandles->Cb_HandleCount->currentIndex(), 3);
        for (int i = 0; i < 5; ++i) QCOMPARE(b->Grp_ColorHandles->Spn_Handle[i]->value(), handles[i]);
        QVERIFY(bSketch.Trc_Threshold->isEnabled());
        QCOMPARE(bSketch.Spn_Darkness->value(), 60);
        QCOMPARE(bSketch.Spn_Sharper->value(), 70);
        QVERIFY(bColor.Trc_Opeaity->isEnabled());
        QCOMPARE(bColor.Spn_Opeaity->value(), 33);
        QVERIFY(b->SavePreset(Path("again.set")));
        QVERIFY(ReadPreset(Path("again.set")) == saved);
    }

    void savingRefreshesOnlyTheFieldsThatNameAControl() {
        TEffectParams p = ControlDefaultRecord();
        p.Source = 0xDEADBEEF;
        p.Left = 5;
        p.Height = 8;
        p.ThresholdLevel = 3;
        p.Reserved = 42;
        p.HandleCount = 9;
        p.Handles = {1, 2, 3, 4, 5};
        p.Detail = 4000;
        WritePreset(Path("raw.set"), p);
        auto dlg = Create();  // never shown: no preview refreshes the record
        dlg->LoadPreset(Path("raw.set"));
        QVERIFY(dlg->SavePreset(Path("out.set")));
        const TEffectParams out = ReadPreset(Path("out.set"));
        for (auto [got, want] : {std::pair{int(out.Source), int(0xDEADBEEF)}, {out.Left, 5}, {out.Height, 8},
                                 {out.ThresholdLevel, 3}, {int(out.Reserved), 42}, {out.HandleCount, 9},
                                 {int(out.Handles[2]), 3}, {out.Detail, 1024}})
            QCOMPARE(got, want);
    }

    void theFirstTwentyBytesHaveNoEffect() {
        TEffectParams a = ColorDefaults();
        a.Detail = 222;
        TEffectParams b = a;
        b.Source = 0xFFFFFFFF;
        b.Left = -7;
        b.Top = 1 << 30;
        b.Width = -1;
        b.Height = 99999;
        WritePreset(Path("a.set"), a);
        WritePreset(Path("b.set"), b);
        auto da = Shown("a.set");
        auto db = Shown("b.set");
        QVERIFY(Tail(da->Params()) == Tail(db->Params()));
        QCOMPARE(db->Params().Left, 0);
        QVERIFY(da->PaintBox1->Canvas() == db->PaintBox1->Canvas());
    }

    // What the dialog holds after a preset and OK is what the batch converter
    // computes for the same files, for any bytes at all in the preset.
    void recordAfterOkMatchesRecordThroughControls() {
        std::mt19937 rng(20240611);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int round = 0; round < 40; ++round) {
            EffectParamsBytes bytes;
            for (auto& v : bytes) v = static_cast<std::uint8_t>(byte(rng));
            // Alternately sensible and garbage records, for the ordinary and the clamping paths.
            TEffectParams loaded = TEffectParams::FromBytes(bytes);
            if (round % 2 == 0) {
                TEffectParams sane = ControlDefaultRecord();
                sane.Detail = loaded.Detail & 0x7FF;
                sane.HandleCount = loaded.HandleCount & 7;
                sane.Handles = loaded.Handles;
                sane.ReducerType = loaded.ReducerType & 1;
                sane.DrawSketch = round % 3 != 0;
                sane.DrawColor = round % 5 != 0;
                sane.BorderBlur = loaded.BorderBlur & 63;
                sane.SketchType = loaded.SketchType & 3;
                loaded = sane;
            } else {
                loaded.DrawSketch = round % 3 == 1;
                loaded.DrawColor = round % 7 < 3;
                loaded.BorderBlur &= 63;  // keeps the test quick
                loaded.SketchSmooth &= 63;
            }
            WritePreset(Path("random.set"), loaded);
            auto dlg = Shown("random.set");
            dlg->Btn_Ok->click();
            QVERIFY(dlg->Accepted);
            const TEffectParams expected = RecordThroughControls(loaded, 0);
            const QByteArray where = QByteArray::number(round);
            QVERIFY2(Tail(dlg->Params()) == Tail(expected), where.constData());
            QVERIFY2(Tail(ReadPreset(Path("last.set"))) == Tail(expected), where.constData());
        }
    }

    void loadButtonLoadsAndComputesAfterwards() {
        TEffectParams p = ColorDefaults();
        p.ReducerType = 1;
        p.HandleCount = 5;
        p.Handles = {10, 60, 110, 160, 210};
        p.Contrast = 40;
        WritePreset(Path("five.set"), p);
        auto dlg = Shown();
        // Setting the controls computes nothing; the button computes once afterwards.
        int n = dlg->PreviewCount();
        QVERIFY(dlg->LoadPreset(Path("five.set")));
        QCOMPARE(dlg->PreviewCount(), n);
        QVERIFY(dlg->LoadPreset(Path("default.set")));
        n = dlg->PreviewCount();
        ChooseFileInNextDialog(Path("five.set"));
        dlg->Btn_Load->click();
        QCOMPARE(dlg->Trc_Contrast->value(), 40);
        QVERIFY(dlg->PreviewCount() > n);
        QCOMPARE(int(dlg->Params().Handles[4]), 210);
        // The file dialog opens in the program folder, and cancelling it changes nothing.
        dlg->Spn_Contrast->setValue(41);
        QString dir;
        WhenModal<QFileDialog>([&](QFileDialog* d) {
            dir = d->directory().absolutePath();
            d->reject();
        });
        dlg->Btn_Load->click();
        QCOMPARE(dir, QDir(rig_->folder.dir.path()).absolutePath());
        QCOMPARE(dlg->Trc_Contrast->value(), 41);
    }

    // Refusing the question leaves the default preset as it was; any other file is
    // written without a question.
    void savingOverTheDefaultPresetAsksFirst() {
        MessageCapture messages;
        const QByteArray before = FileBytes(Path("default.set"));
        auto dlg = Shown();
        dlg->Spn_Detail->setValue(500);
        const std::tuple<const char*, bool, int> steps[] = {
            {"default.set", false, 1}, {"default.set", true, 2}, {"mine.set", true, 2}};
        for (auto [file, answer, questions] : steps) {
            messages.answer = answer;
            ChooseFileInNextDialog(Path(file));
            dlg->Btn_Save->click();
            QCOMPARE(int(messages.messages.size()), questions);
            if (answer)
                QCOMPARE(ReadPreset(Path(file)).Detail, 500);
            else
                QCOMPARE(FileBytes(Path(file)), before);
        }
        QCOMPARE(messages.messages[0].caption, QStringLiteral("Warning"));
        QCOMPARE(messages.messages[0].text,
                 QStringLiteral("Are you sure you want to overwrite the default configration file?"));
        QVERIFY(messages.messages[0].confirmation);
    }

    void unreadablePresetsTheUserAskedForAreReported() {
        MessageCapture messages;
        auto dlg = Shown();
        dlg->Spn_Detail->setValue(444);
        const QString missing = Path("nowhere.set");
        QVERIFY(!dlg->LoadPreset(missing, true));
        QCOMPARE(int(messages.messages.size()), 1);
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("nowhere.set")));
        QCOMPARE(dlg->Trc_Detail->value(), 444);  // nothing changed
        QVERIFY(dlg->Chk_DrawColor->isChecked());

        // A short file is loaded as far as it goes, and said to be short.
        TEffectParams p = ControlDefaultRecord();
        p.Detail = 12;
        p.Darkness = 34;
        WritePreset(Path("short.set"), p);
        QVERIFY(QFile::resize(Path("short.set"), 32));  // up to Darkness
        ChooseFileInNextDialog(Path("short.set"));
        dlg->Btn_Load->click();
        QCOMPARE(int(messages.messages.size()), 2);
        QVERIFY(messages.messages[1].text.contains(QStringLiteral("short.set")));
        QCOMPARE(dlg->Trc_Detail->value(), 12);
        QCOMPARE(dlg->Trc_Darkness->value(), 34);
        QVERIFY(dlg->Chk_DrawColor->isChecked());  // beyond the file: as before

        // The default preset is read silently, as it always was.
        QFile::remove(Path("default.set"));
        auto quiet = Create();
        QCOMPARE(int(messages.messages.size()), 2);
    }

    void presetsThatCannotBeWrittenAreReported() {
        MessageCapture messages;
        auto dlg = Shown();
        const QString bad = Path("no-such-folder/x.set");
        QVERIFY(!dlg->SavePreset(bad, true));
        QCOMPARE(int(messages.messages.size()), 1);
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("x.set")));
        // "last.set" failing on OK is not worth stopping the conversion for.
        QFile::remove(Path("last.set"));
        QVERIFY(QDir(rig_->folder.dir.path()).mkdir(QStringLiteral("last.set")));
        dlg->Btn_Ok->click();
        QVERIFY(dlg->Accepted);
        QCOMPARE(int(messages.messages.size()), 1);
    }
};

QTEST_MAIN(PresetDialogTest)
#include "preset_dialog_test.moc"
