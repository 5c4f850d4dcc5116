// The Layers window on its own: paired opacity controls, the opacity row, quiet
// setting by the program, and which of its controls ask for a refresh with which
// layer state (the composite's arithmetic is the core composite test's, and closing
// it is followed through the main window's menu in the main window test).

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QtTest>
#include <functional>

#include "document/Document.h"
#include "document/gui/LayersWindow.h"

using namespace velmora;

namespace {

// A Layers window whose requests are counted, noting the state each one would
// be served with, since the main window reads it when the request arrives.
struct Rig {
    TFrmLayers layers;
    int refreshes = 0;
    int overlays = 0;
    LayerState seen;

    Rig() {
        QObject::connect(&layers, &TFrmLayers::refreshViewRequested, [this] {
            ++refreshes;
            seen = layers.GetLayerState();
        });
        QObject::connect(&layers, &TFrmLayers::refreshToolOverlayRequested, [this] {
            ++overlays;
            seen = layers.GetLayerState();
        });
    }
};

}  // namespace

class LayersWindowTest : public QObject {
    Q_OBJECT
private slots:
    // The window starts in multiply, where opacity has no say, so its row is hidden.
    void SwitchingModesShowsAndHidesTheOpacityRowAndKeepsTheValue() {
        Rig r;
        r.layers.show();
        QCOMPARE(r.layers.GetLayerState(), LayerState{});
        const auto rowShown = [&r](bool shown) {
            return r.layers.Trc_Opacity->isVisible() == shown && r.layers.Spn_Opacity->isVisible() == shown &&
                   r.layers.Label6->isVisible() == shown;
        };
        QVERIFY(rowShown(false));
        r.layers.CmbBlendingMode->setCurrentIndex(1);
        QVERIFY(rowShown(true));
        QCOMPARE(r.refreshes, 1);
        r.layers.Trc_Opacity->setValue(30);
        r.layers.CmbBlendingMode->setCurrentIndex(0);
        QVERIFY(rowShown(false));
        r.layers.CmbBlendingMode->setCurrentIndex(1);
        QCOMPARE(r.layers.Spn_Opacity->value(), 30);
    }

    void PairedControlsFollowEachOther() {
        Rig r;
        r.layers.Trc_Opacity->setValue(70);
        QCOMPARE(r.layers.Spn_Opacity->value(), 70);
        r.layers.Spn_Opacity->setValue(20);
        QCOMPARE(r.layers.Trc_Opacity->value(), 20);
        // Typing into the field moves the track bar as each digit arrives.
        QLineEdit* editor = r.layers.Spn_Opacity->Editor();
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("85"));
        QCOMPARE(r.layers.Trc_Opacity->value(), 85);
        // Emptying the field asks for a refresh but leaves the track bar and the opacity.
        const int before = r.refreshes;
        editor->clear();
        QCOMPARE(r.refreshes, before + 1);
        QCOMPARE(r.layers.Trc_Opacity->value(), 85);
        QCOMPARE(r.layers.GetLayerState().Opacity, 85);
    }

    void QuietSettingFiresNothing() {
        Rig r;
        LayerState s{.BlendingMode = 1, .Opacity = 12, .SketchVisible = false, .SketchDrawable = false,
                     .ColorDrawable = false};
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

    // Visibility, mode and opacity refresh the view with the new state; the
    // drawable boxes only ask for the tool overlay.
    void EachControlAsksForItsRefreshWithItsState() {
        Rig r;
        struct Case {
            const char* what;
            std::function<void()> act;
            std::function<bool(const LayerState&)> holds;
            bool refresh;  // else only the overlay
        };
        const Case cases[] = {
            {"mode", [&] { r.layers.CmbBlendingMode->setCurrentIndex(1); },
             [](const LayerState& s) { return s.BlendingMode == 1 && s.Opacity == 50; }, true},
            {"opacity", [&] { r.layers.Spn_Opacity->setValue(99); },
             [](const LayerState& s) { return s.Opacity == 99; }, true},
            {"sketch visible", [&] { r.layers.Chk_SketchVisible->setChecked(false); },
             [](const LayerState& s) { return !s.SketchVisible && s.ColorVisible; }, true},
            {"color visible", [&] { r.layers.Chk_ColorVisible->setChecked(false); },
             [](const LayerState& s) { return !s.ColorVisible; }, true},
            {"sketch drawable", [&] { r.layers.Chk_SketchDrawable->setChecked(false); },
             [](const LayerState& s) { return !s.SketchDrawable && s.ColorDrawable; }, false},
            {"color drawable", [&] { r.layers.Chk_ColorDrawable->setChecked(false); },
             [](const LayerState& s) { return !s.ColorDrawable; }, false},
        };
        for (const Case& c : cases) {
            const int refreshes = r.refreshes, overlays = r.overlays;
            c.act();
            QVERIFY2(c.holds(r.seen), c.what);
            QVERIFY2((r.refreshes > refreshes) == c.refresh && (r.overlays > overlays) != c.refresh, c.what);
        }
    }
};

QTEST_MAIN(LayersWindowTest)
#include "layers_window_gui_test.moc"
