// The two More Options windows over a shown conversion dialog: live previews while
// open, Cancel and the close box putting everything back, no reaction while hidden,
// and windows that live and die with their dialog. Presets loaded into them are
// checked with the Load button.

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

    void sketchWindowPreviewsLiveAndCancelPutsBack() {
        TFrmSketchMoreOption& w = dlg_->SketchMoreOptions();
        QCOMPARE(w.RG_SketchType->Item(0)->text(), QStringLiteral("Black && White"));  // not a mnemonic
        const TEffectParams before = dlg_->Params();
        QCOMPARE(before.Sharper, 0);
        int previewsWhileOpen = 0;
        int sharperSeen = -1;
        bool restoredAtOnce = false;
        WhenModal<TFrmSketchMoreOption>([&](TFrmSketchMoreOption* win) {
            const int n = dlg_->PreviewCount();
            win->Trc_Sharper->setValue(100);
            QCOMPARE(win->Spn_Sharper->value(), 100);
            previewsWhileOpen = dlg_->PreviewCount() - n;
            sharperSeen = dlg_->Params().Sharper;
            win->Chk_Remain->setChecked(true);
            win->RG_SketchType->SetItemIndex(0);
            win->BtnCancel->click();
            restoredAtOnce = !win->isVisible();
        });
        dlg_->Btn_SketchMore->click();
        QCOMPARE(previewsWhileOpen, 1);
        QCOMPARE(sharperSeen, 100);
        QVERIFY(restoredAtOnce);
        // The record is taken from the window's controls, so it proves them restored.
        QVERIFY(dlg_->Params() == before);
        QCOMPARE(w.Spn_Sharper->value(), 0);
        QVERIFY(!w.Trc_Threshold->isEnabled());
        QVERIFY(PaneShows(*dlg_, EnginePreview(dlg_->Params())));
    }

    void okKeepsTheValuesAndTheCloseBoxAndEscCancel() {
        TFrmSketchMoreOption& w = dlg_->SketchMoreOptions();
        const std::pair<int, std::function<void(TFrmSketchMoreOption*)>> ways[] = {
            {25, [](TFrmSketchMoreOption* win) { win->Btn_Ok->click(); }},
            {150, [](TFrmSketchMoreOption* win) { win->close(); }},
            {90, [](TFrmSketchMoreOption* win) { QTest::keyClick(win->Trc_Sharper, Qt::Key_Escape); }},
        };
        for (const auto& [value, leave] : ways) {
            WhenModal<TFrmSketchMoreOption>([value = value, leave = leave](TFrmSketchMoreOption* win) {
                win->Spn_Sharper->setValue(value);
                leave(win);
            });
            dlg_->Btn_SketchMore->click();
            QCOMPARE(w.Trc_Sharper->value(), 25);
            QCOMPARE(dlg_->Params().Sharper, 25);
        }
        QVERIFY(PaneShows(*dlg_, EnginePreview(dlg_->Params())));
    }

    void remainDarkAreaEnablesItsControls() {
        TFrmSketchMoreOption& w = dlg_->SketchMoreOptions();
        bool enabledAfterCheck = false;
        int previews = 0;
        WhenModal<TFrmSketchMoreOption>([&](TFrmSketchMoreOption* win) {
            const int n = dlg_->PreviewCount();
            win->Chk_Remain->setChecked(true);
            enabledAfterCheck = win->Trc_Threshold->isEnabled() && win->Spn_Darkness->isEnabled() &&
                                win->Label3->isEnabled() && win->Label4->isEnabled();
            win->Spn_Threshold->setValue(120);
            previews = dlg_->PreviewCount() - n;
            win->Btn_Ok->click();
        });
        dlg_->Btn_SketchMore->click();
        QVERIFY(enabledAfterCheck);
        QCOMPARE(previews, 2);
        QCOMPARE(w.Trc_Threshold->value(), 120);
        QVERIFY(dlg_->Params().RemainDark);
        QCOMPARE(dlg_->Params().RemainThreshold, 120);
    }

    void coloringWindowBlendModeAndCancel() {
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

    void theWindowsDieWithTheirDialog() {
        WhenModal<TFrm_ColorMoreOption>([](TFrm_ColorMoreOption* win) {
            win->RB_Overlay->setChecked(true);
            win->Trc_Opeaity->setValue(64);
            win->Btn_Ok->click();
        });
        dlg_->Btn_ColorMore->click();
        QCOMPARE(dlg_->Params().Opacity, 64);
        const QPointer<TFrm_ColorMoreOption> before = &dlg_->ColorMoreOptions();
        dlg_->Btn_Ok->click();
        dlg_.reset();
        QVERIFY(before.isNull());  // so the next dialog cannot inherit its values
    }
};

QTEST_MAIN(MoreOptionsTest)
#include "more_options_test.moc"
