// The Layers window on its own: paired opacity controls, the opacity row, quiet
// setting by the program, and that its controls drive the composite (whose rules
// the core composite test proves).

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include "document/Document.h"
#include "document/gui/LayersWindow.h"
#include "support/Images.h"

using namespace velmora;
using velmora::test::Flat;

namespace {

// A document driven by a Layers window the way the main window drives it: every
// refresh recomposites the whole (small) picture from the window's controls.
struct Rig {
    Document doc;
    TFrmLayers layers;
    int refreshes = 0;
    int overlays = 0;

    Rig(std::uint8_t sketch, std::uint8_t color, std::uint8_t photo) {
        doc.SketchBmp = Flat(4, 3, sketch);
        doc.ColorBmp = Flat(4, 3, color);
        doc.PhotoBmp = Flat(4, 3, photo);
        doc.CompositeBmp = Flat(4, 3, 7);
        QObject::connect(&layers, &TFrmLayers::refreshViewRequested, [this] {
            ++refreshes;
            doc.CompositeRect(layers.GetLayerState(), Rect{0, 0, 3, 2});
        });
        QObject::connect(&layers, &TFrmLayers::refreshToolOverlayRequested, [this] { ++overlays; });
    }
    int Shown() const { return doc.CompositeBmp.Pixel(1, 1)[0]; }
};

}  // namespace

class LayersWindowTest : public QObject {
    Q_OBJECT
private slots:
    void StartsInMultiplyWithOpacityRowHidden() {
        TFrmLayers w;
        w.show();
        QCOMPARE(w.CmbBlendingMode->count(), 2);
        QCOMPARE(w.CmbBlendingMode->itemText(0), QStringLiteral("Multiply"));
        QCOMPARE(w.CmbBlendingMode->itemText(1), QStringLiteral("Opacity"));
        QCOMPARE(w.CmbBlendingMode->currentIndex(), 0);
        QVERIFY(!w.Trc_Opacity->isVisible());
        QVERIFY(!w.Spn_Opacity->isVisible());
        QVERIFY(!w.Label6->isVisible());
        for (auto [low, high] : {std::pair{w.Trc_Opacity->minimum(), w.Trc_Opacity->maximum()},
                                 {w.Spn_Opacity->minimum(), w.Spn_Opacity->maximum()}})
            QVERIFY(low == 1 && high == 99);
        QCOMPARE(w.GetLayerState(), LayerState{});
    }

    void SwitchingModesShowsAndHidesTheRowAndKeepsTheValue() {
        Rig r(0, 200, 9);
        r.layers.show();
        r.layers.CmbBlendingMode->setCurrentIndex(1);
        QVERIFY(r.layers.Trc_Opacity->isVisible());
        QVERIFY(r.layers.Spn_Opacity->isVisible());
        QCOMPARE(r.refreshes, 1);
        r.layers.Trc_Opacity->setValue(30);
        r.layers.CmbBlendingMode->setCurrentIndex(0);
        QVERIFY(!r.layers.Trc_Opacity->isVisible());
        r.layers.CmbBlendingMode->setCurrentIndex(1);
        QCOMPARE(r.layers.Spn_Opacity->value(), 30);
    }

    void PairedControlsFollowEachOther() {
        Rig r(0, 200, 9);
        r.layers.Trc_Opacity->setValue(70);
        QCOMPARE(r.layers.Spn_Opacity->value(), 70);
        r.layers.Spn_Opacity->setValue(20);
        QCOMPARE(r.layers.Trc_Opacity->value(), 20);
        // Typing into the field moves the track bar as each digit arrives.
        QLineEdit* editor = r.layers.Spn_Opacity->Editor();
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("85"));
        QCOMPARE(r.layers.Trc_Opacity->value(), 85);
    }

    void EmptiedFieldRefreshesButLeavesTheTrackBar() {
        Rig r(0, 200, 9);
        r.layers.Trc_Opacity->setValue(40);
        const int before = r.refreshes;
        r.layers.Spn_Opacity->Editor()->clear();
        QCOMPARE(r.refreshes, before + 1);
        QCOMPARE(r.layers.Trc_Opacity->value(), 40);
        QCOMPARE(r.layers.GetLayerState().Opacity, 40);
    }

    void QuietSettingFiresNothing() {
        Rig r(0, 200, 9);
        LayerState s;
        s.BlendingMode = 1;
        s.Opacity = 12;
        s.SketchVisible = false;
        s.ColorVisible = true;
        s.SketchDrawable = false;
        s.ColorDrawable = false;
        r.layers.show();
        r.layers.SetLayerStateQuietly(s);
        QCOMPARE(r.refreshes, 0);
        QCOMPARE(r.overlays, 0);
        QCOMPARE(r.layers.GetLayerState(), s);
        QCOMPARE(r.layers.Spn_Opacity->value(), 12);
        // The opacity row follows the mode that was set.
        QVERIFY(r.layers.Trc_Opacity->isVisible());
        // An unknown mode leaves the mode (and the row) as they were.
        s.BlendingMode = 5;
        r.layers.SetLayerStateQuietly(s);
        QCOMPARE(r.layers.CmbBlendingMode->currentIndex(), 1);
    }

    void DrawableBoxesAskForTheToolOverlayOnly() {
        Rig r(0, 200, 9);
        r.layers.Chk_SketchDrawable->setChecked(false);
        r.layers.Chk_ColorDrawable->setChecked(false);
        QCOMPARE(r.overlays, 2);
        QCOMPARE(r.refreshes, 0);
    }

    void CompositeFollowsTheControls() {
        {
            Rig r(0, 200, 9);
            r.layers.CmbBlendingMode->setCurrentIndex(1);  // opacity 50
            QCOMPARE(r.Shown(), 100);
        }
        {
            Rig r(255, 0, 9);
            r.layers.CmbBlendingMode->setCurrentIndex(1);
            r.layers.Spn_Opacity->setValue(99);
            QCOMPARE(r.Shown(), 252);  // 25245 / 100, truncated
        }
        {
            Rig r(128, 200, 9);
            r.layers.Chk_SketchVisible->setChecked(false);
            QCOMPARE(r.Shown(), 200);  // the color layer unchanged
            r.layers.Chk_ColorVisible->setChecked(false);
            QCOMPARE(r.Shown(), 9);  // the photograph, not black
        }
    }

    void CaptionButtonReportsTheClose() {
        TFrmLayers w;
        w.show();
        QSignalSpy spy(&w, &TFrmLayers::closed);
        w.close();
        QCOMPARE(spy.count(), 1);
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(LayersWindowTest)
#include "layers_window_gui_test.moc"
