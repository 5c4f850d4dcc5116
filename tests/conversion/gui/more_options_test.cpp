// The two More Options windows over a shown conversion dialog: live previews, what
// each way of leaving keeps, no reaction while hidden, and their lifetime.

#include <QPointer>

#include "conversion/gui/ConversionTestKit.h"

using namespace velmora;
using namespace velmora::test;

class MoreOptionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DialogRig> rig_;
    std::unique_ptr<TFrmPreview> dlg_;

private slots:
    void init() {
        rig_ = std::make_unique<DialogRig>();
        dlg_ = rig_->Open(TestPicture(400, 300));
    }
    void cleanup() {
        if (dlg_) dlg_->reject();
        dlg_.reset();
        rig_.reset();
    }

    // Every way of leaving the Sketch window: changes preview live while it is open,
    // OK keeps them and the others put every control back. The record is taken from
    // the window's controls, so it proves them kept or restored.
    void sketchWindowPreviewsLiveAndOnlyOkKeeps() {
        using Win = TFrmSketchMoreOption;
        Win& w = dlg_->SketchMoreOptions();
        QCOMPARE(w.RG_SketchType->Item(0)->text(), QStringLiteral("Black && White"));  // not a mnemonic
        const std::pair<const char*, std::function<void(Win*)>> ways[] = {
            {"Cancel", [](Win* win) { win->BtnCancel->click(); }},
            {"OK", [](Win* win) { win->Btn_Ok->click(); }},
            {"close box", [](Win* win) { win->close(); }},
            {"Esc", [](Win* win) { QTest::keyClick(win->Trc_Sharper, Qt::Key_Escape); }},
        };
        int sharper = 20;
        for (const auto& [name, leave] : ways) {
            const TEffectParams before = dlg_->Params();
            bool live = false, hidden = false;
            WhenModal<Win>([&, leave = leave](Win* win) {
                const int n = dlg_->PreviewCount();
                win->Trc_Sharper->setValue(++sharper);
                live = dlg_->PreviewCount() == n + 1 && dlg_->Params().Sharper == sharper &&
                       win->Spn_Sharper->value() == sharper;
                // Remain Dark Area enables its controls, which preview too.
                const bool wasRemain = win->Chk_Remain->isChecked();
                win->Chk_Remain->setChecked(true);
                live = live && win->Trc_Threshold->isEnabled() && win->Spn_Darkness->isEnabled() &&
                       win->Label3->isEnabled() && win->Label4->isEnabled();
                win->Spn_Threshold->setValue(100 + sharper);
                live = live && dlg_->PreviewCount() == n + (wasRemain ? 2 : 3);
                win->RG_SketchType->SetItemIndex(0);
                leave(win);
                hidden = !win->isVisible();
            });
            dlg_->Btn_SketchMore->click();
            QVERIFY2(live && hidden, name);
            const TEffectParams& now = dlg_->Params();
            if (std::string(name) == "OK")
                QVERIFY2(now.Sharper == sharper && now.RemainDark && now.RemainThreshold == 100 + sharper &&
                             now.SketchType == 1, name);
            else
                QVERIFY2(now == before, name);
            QVERIFY2(w.Spn_Sharper->value() == now.Sharper && w.Trc_Threshold->value() == now.RemainThreshold &&
                         w.Trc_Threshold->isEnabled() == now.RemainDark, name);
        }
        QVERIFY(PaneShows(*dlg_, EnginePreview(dlg_->Params())));
    }

    void coloringWindowBlendModeCancelAndLifetime() {
        TFrm_ColorMoreOption& w = dlg_->ColorMoreOptions();
        QVERIFY(w.RB_Multiply->isChecked());
        QVERIFY(!w.Trc_Opeaity->isEnabled());
        bool enabledByOverlay = false;
        int overlayPreviews = 0;
        WhenModal<TFrm_ColorMoreOption>([&](TFrm_ColorMoreOption* win) {
            const int n = dlg_->PreviewCount();
            win->RB_Overlay->setChecked(true);
            enabledByOverlay = win->Trc_Opeaity->isEnabled() && win->Spn_Opeaity->isEnabled() &&
                               win->Lab_Blending2->isEnabled();
            overlayPreviews = dlg_->PreviewCount() - n;
            win->Spn_Opeaity->setValue(70);
            win->Btn_Ok->click();
        });
        dlg_->Btn_ColorMore->click();
        QVERIFY(enabledByOverlay);
        QCOMPARE(overlayPreviews, 1);
        QCOMPARE(dlg_->Params().BlendMode, 2);
        QCOMPARE(dlg_->Params().Opacity, 70);
        const TEffectParams kept = dlg_->Params();

        // Opened with Overlay, switched to Multiply and cancelled: Overlay again.
        bool disabledByMultiply = false;
        int modeWhileOpen = 0;
        WhenModal<TFrm_ColorMoreOption>([&](TFrm_ColorMoreOption* win) {
            win->RB_Multiply->setChecked(true);
            disabledByMultiply = !win->Trc_Opeaity->isEnabled();
            modeWhileOpen = dlg_->Params().BlendMode;
            win->RG_ColoringMode->SetItemIndex(0);
            win->RG_SmoothType->SetItemIndex(1);
            win->Trc_Opeaity->setValue(10);
            win->BtnCancel->click();
        });
        dlg_->Btn_ColorMore->click();
        QVERIFY(disabledByMultiply);
        QCOMPARE(modeWhileOpen, 1);
        QVERIFY(dlg_->Params() == kept);  // taken from the restored controls
        QVERIFY(w.Trc_Opeaity->isEnabled());
        QCOMPARE(w.Spn_Opeaity->value(), 70);
        QVERIFY(PaneShows(*dlg_, EnginePreview(dlg_->Params())));

        // The window dies with its dialog, so the next dialog cannot inherit its values.
        const QPointer<TFrm_ColorMoreOption> window = &w;
        dlg_->Btn_Ok->click();
        dlg_.reset();
        QVERIFY(window.isNull());
    }

    void hiddenWindowsIgnoreTheirControls() {
        TFrmSketchMoreOption& s = dlg_->SketchMoreOptions();
        TFrm_ColorMoreOption& c = dlg_->ColorMoreOptions();
        QVERIFY(!s.isVisible());
        const int n = dlg_->PreviewCount();
        s.Trc_Sharper->setValue(s.Trc_Sharper->value() + 5);
        QVERIFY(s.Spn_Sharper->value() != s.Trc_Sharper->value());
        s.Chk_Remain->setChecked(!s.Chk_Remain->isChecked());
        c.RB_Overlay->setChecked(!c.RB_Overlay->isChecked());
        c.RB_Multiply->setChecked(!c.RB_Overlay->isChecked());
        c.RG_SmoothType->SetItemIndex(1);
        QCOMPARE(dlg_->PreviewCount(), n);
    }
};

QTEST_MAIN(MoreOptionsTest)
#include "more_options_test.moc"
