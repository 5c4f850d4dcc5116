// The adjustment dialogs against a document host without a window.

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "adjust/gui/AdjustDialogs.h"
#include "adjust/gui/AdjustmentForms.h"
#include "common/LargeBlocks.h"
#include "common/Sanitizer.h"
#include "common/gui/Messages.h"
#include "engine/ColorStep.h"
#include "engine/Progress.h"
#include "support/FakeHost.h"
#include "support/Images.h"
#include "support/LowMemory.h"

using namespace velmora;
using velmora::test::Noise;

namespace {

// Notes the cursor in force whenever the dialog refreshes or records a state.
class Host : public test::FakeHost {
public:
    std::vector<Qt::CursorShape> refreshCursors, stateCursors;
    void RefreshView() override {
        refreshCursors.push_back(Cursor());
        FakeHost::RefreshView();
    }
    bool AddState(const std::string& name, const std::string& detail) override {
        stateCursors.push_back(Cursor());
        return FakeHost::AddState(name, detail);
    }
    static Qt::CursorShape Cursor() {
        return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
    }
};

struct Picture {
    Bitmap sketch, color, photo, composite;
};

// What the operation gives on copies of the layers inside r, composited there into a
// copy of the composite as it was.
Bitmap ExpectedComposite(const Picture& before, const LayerState& state, const AdjustmentSettings& s, Rect r) {
    TColorStep step;
    Bitmap sketch = before.sketch, color = before.color, composite = before.composite;
    if (state.SketchDrawable) ApplyAdjustment(step, s, before.sketch, sketch, r);
    if (state.ColorDrawable) ApplyAdjustment(step, s, before.color, color, r);
    CompositeRect(composite, sketch, color, before.photo, state, r);
    return composite;
}

Bitmap WholeAdjusted(const Bitmap& layer, const AdjustmentSettings& s) {
    TColorStep step;
    Bitmap out = layer;
    ApplyAdjustment(step, s, layer, out, WholeBitmap(layer));
    return out;
}

const QString kNoMemoryToApply = QStringLiteral("Not enough memory to apply the adjustment to the whole picture.");

using States = std::vector<std::pair<std::string, std::string>>;

}  // namespace

class AdjustDialogsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Host> host;
    Picture before;

    template <class Form>
    std::unique_ptr<Form> Open() {
        auto form = std::make_unique<Form>(*host);
        form->show();
        return form;
    }
    void Snapshot() {
        before = {host->doc.SketchBmp, host->doc.ColorBmp, host->doc.PhotoBmp, host->doc.CompositeBmp};
    }
    void ExpectLayersUnchanged() {
        QVERIFY(host->doc.SketchBmp == before.sketch);
        QVERIFY(host->doc.ColorBmp == before.color);
        QCOMPARE(host->doc.ShownSketch, &host->doc.SketchBmp);
        QCOMPARE(host->doc.ShownColor, &host->doc.ColorBmp);
    }

private slots:
    void initTestCase() { test::MapLargeMallocsApart(); }

    void init() {
        host = std::make_unique<Host>();
        host->OpenPicture(Noise(24, 18, 11));
        host->doc.SketchBmp = Noise(24, 18, 12);  // a sketch that is not plain white
        host->CompositeAll();
        Snapshot();
    }

    // The keyboard meets the controls as the eye does: the sliders from the top, each
    // track bar before its spin edit, then OK and Cancel below them.
    void focusStartsOnTheFirstSliderAndTabsDownToTheButtons() {
        auto dlg = Open<TFrmColorBalance>();
        QApplication::setActiveWindow(dlg.get());
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
        QStringList order;
        for (int i = 0; i < 8; ++i) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            // A spin edit's focus lies in its line edit.
            order << (qobject_cast<QSpinBox*>(focus->parentWidget()) ? focus->parentWidget() : focus)->objectName();
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(order, QStringList({"Trc_Red", "Spn_Red", "Trc_Green", "Spn_Green", "Trc_Blue", "Spn_Blue", "BtnOk",
                                     "BtnCancel"}));
    }

    // Enter acts on a focused button as on a click, but in a slider or a spin edit it
    // applies nothing to the whole picture; Esc does nothing at all. Cancel and the close
    // box show the layers unadjusted again.
    void enterClicksOnlyAFocusedButton() {
        auto dlg = Open<TFrmBrightContrast>();
        QApplication::setActiveWindow(dlg.get());
        auto* spin = dlg->findChild<QSpinBox*>("Spn_Brightness");
        auto* track = dlg->findChild<QSlider*>("Trc_Contrast");
        spin->setValue(25);
        QCOMPARE(host->refreshes, 1);
        QVERIFY(!(host->doc.CompositeBmp == before.composite));  // the preview is on screen
        for (QWidget* w : QList<QWidget*>{spin, track, dlg.get()}) {
            w->setFocus();
            for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) QTest::keyClick(w, key);
            QTest::keyClick(w, Qt::Key_Enter, Qt::KeypadModifier);
            QVERIFY2(dlg->isVisible() && host->states.empty(), qPrintable(w->objectName()));
        }
        QCOMPARE(host->refreshes, 1);
        ExpectLayersUnchanged();
        dlg->BtnCancel->setFocus();
        QTest::keyClick(dlg->BtnCancel, Qt::Key_Return);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(dlg->result(), int(QDialog::Rejected));
        QVERIFY(host->doc.CompositeBmp == before.composite);
        ExpectLayersUnchanged();

        auto blur = Open<TFrmBlur>();
        blur->Track(0)->setValue(60);
        QVERIFY(!(host->doc.CompositeBmp == before.composite));
        blur->close();  // the close box
        QVERIFY(!blur->isVisible());
        QVERIFY(host->doc.CompositeBmp == before.composite);
        ExpectLayersUnchanged();
        QVERIFY(host->states.empty());

        auto again = Open<TFrmBrightContrast>();
        QApplication::setActiveWindow(again.get());
        again->Track(0)->setValue(25);
        again->BtnOk->setFocus();
        QTest::keyClick(again->BtnOk, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(!again->isVisible());
        QCOMPARE(again->result(), int(QDialog::Accepted));
        QCOMPARE(host->states, (States{{"Brightness/Contrast", "Sketch Layer, Color Layer, 25, 0"}}));
    }

    void typingPreviewsOnceAndRepeatsDoNot() {
        auto dlg = Open<TFrmColorBalance>();
        auto* track = dlg->findChild<QSlider*>("Trc_Green");
        auto* spin = dlg->findChild<QSpinBox*>("Spn_Green");
        QCOMPARE(host->refreshes, 0);  // setting the defaults previewed nothing
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, "7");
        QCOMPARE(host->refreshes, 1);
        QCOMPARE(track->value(), 7);
        spin->selectAll();
        QTest::keyClicks(spin, "-12");  // "-" alone is no value; "-1" and "-12" are two
        QCOMPARE(host->refreshes, 3);
        QCOMPARE(track->value(), -12);
        track->setValue(-12);
        spin->setValue(-12);
        QCOMPARE(host->refreshes, 3);
        track->setValue(5);
        QCOMPARE(host->refreshes, 4);
        QCOMPARE(spin->value(), 5);
        spin->selectAll();
        QTest::keyClick(spin, Qt::Key_Backspace);  // an empty spin edit changes nothing
        QCOMPARE(host->refreshes, 4);
        QCOMPARE(track->value(), 5);
    }

    // Each dialog previews the visible part of its drawable layers and OK adjusts the
    // whole of them. A failed snapshot keeps the adjustment but records no state, and a
    // cancel left by a conversion must not stop a blur (200 is radius 10 in the core test).
    void previewShowsTheVisiblePartAndOkAdjustsTheDrawableLayers() {
        struct Case {
            const char* name;
            bool sketch, color;
            AdjustmentSettings settings;
            States recorded;
            bool failSnapshot = false, leftoverCancel = false;
        };
        const Case cases[] = {
            {"Saturation", false, true, {Adjustment::Saturation, {60}}, {{"Saturation", "Color Layer, 60"}}},
            {"Brightness/Contrast", true, false, {Adjustment::BrightContrast, {10, -5}},
             {{"Brightness/Contrast", "Sketch Layer, 10, -5"}}},
            {"no layer drawable", false, false, {Adjustment::ColorBalance, {-30, 0, 0}},
             {{"Color Balance", "-30, 0, 0"}}},
            {"failed snapshot", true, true, {Adjustment::ColorBalance, {20, 0, -15}}, {}, true},
            {"blurCompletesDespiteALeftoverCancel", true, true, {Adjustment::Blur, {200}},
             {{"Blur", "Sketch Layer, Color Layer, 200"}}, false, true},
        };
        for (const Case& c : cases) {
            init();
            host->doc.ViewRect = Rect{5, 4, 17, 12};
            host->state.BlendingMode = 1;
            host->state.Opacity = 30;
            host->state.SketchDrawable = c.sketch;
            host->state.ColorDrawable = c.color;
            host->failSnapshots = c.failSnapshot;
            host->CompositeAll();
            Snapshot();
            auto dlg = CreateAdjustmentDialog(c.settings.Kind, *host, nullptr);
            dlg->show();
            for (int i = 0; i < dlg->RowCount(); ++i) dlg->Track(i)->setValue(c.settings.Values[i]);
            QVERIFY2(host->doc.CompositeBmp == ExpectedComposite(before, host->state, c.settings, host->doc.ViewRect),
                     c.name);
            ExpectLayersUnchanged();

            CancelFlag = c.leftoverCancel;
            dlg->BtnOk->click();
            CancelFlag = false;
            QCOMPARE(dlg->result(), int(QDialog::Accepted));
            QVERIFY2(host->doc.SketchBmp == (c.sketch ? WholeAdjusted(before.sketch, c.settings) : before.sketch),
                     c.name);
            QVERIFY2(host->doc.ColorBmp == (c.color ? WholeAdjusted(before.color, c.settings) : before.color), c.name);
            // Scratch bitmaps and the shown slots after OK are the core test's.
            QCOMPARE(host->states, c.recorded);
            // Refreshed and recorded under the hourglass, which is gone afterwards.
            QCOMPARE(host->refreshCursors.back(), Qt::WaitCursor);
            QCOMPARE(host->stateCursors.back(), Qt::WaitCursor);
            QVERIFY(QApplication::overrideCursor() == nullptr);
            Bitmap composite = host->doc.CompositeBmp;
            CompositeRect(composite, host->doc.SketchBmp, host->doc.ColorBmp, host->doc.PhotoBmp, host->state,
                          host->doc.ViewRect);
            QVERIFY2(composite == host->doc.CompositeBmp, c.name);
        }
    }

    // OK that runs out of memory before it changes a layer keeps the dialog open with
    // its sliders as they were, so the view must go on showing what they would do.
    // With both layers drawable the white sketch layer could be adjusted in place, but
    // the color layer cannot: neither may change, or the document holds half an edit.
    void okWithoutMemoryKeepsThePreviewOnScreen() {
#ifdef VELMORA_UNDER_SANITIZER
        QSKIP("the sanitizers' allocators need more address space than a cap leaves");
#endif
        for (const bool sketchDrawable : {false, true}) {
            const QString which = sketchDrawable ? "both layers drawable" : "the color layer drawable";
            // A picture just opened is its own color layer: OK must copy those 18 MB
            // before it may adjust them in place, and a cap of 8 MB leaves no room for that.
            host = std::make_unique<Host>();
            host->OpenPicture(test::Gradient(3000, 2000));
            host->state.SketchDrawable = sketchDrawable;
            host->CompositeAll();
            Snapshot();
            QStringList messages;
            SetMessageHook([&](const QString&, const QString& text, bool) {
                messages << text;
                return true;
            });
            auto dlg = Open<TFrmBrightContrast>();
            dlg->Track(0)->setValue(-90);
            const Bitmap preview = host->doc.CompositeBmp;
            QVERIFY2(!(preview == before.composite), qPrintable(which));
            {
                ReleaseKeptBlocks();
                test::AddressSpaceCap cap(8u << 20);
                dlg->BtnOk->click();
            }
            SetMessageHook(nullptr);
            QCOMPARE(messages, QStringList{kNoMemoryToApply});
            QVERIFY2(dlg->isVisible(), qPrintable(which));
            QVERIFY2(host->states.empty(), qPrintable(which));
            ExpectLayersUnchanged();
            QVERIFY2(host->doc.CompositeBmp == preview, qPrintable(which));
            // With memory back the same OK adjusts the layers.
            dlg->BtnOk->click();
            QCOMPARE(dlg->result(), int(QDialog::Accepted));
            const AdjustmentSettings darker{Adjustment::BrightContrast, {-90, 0}};
            QVERIFY2(host->doc.ColorBmp == WholeAdjusted(before.color, darker), qPrintable(which));
            QVERIFY2(host->doc.SketchBmp == (sketchDrawable ? WholeAdjusted(before.sketch, darker) : before.sketch),
                     qPrintable(which));
            QVERIFY2(host->doc.PhotoBmp == before.photo, qPrintable(which));
        }
    }

    void menuEntryShowsEachDialogModally() {
        // The recorded state's name shows which dialog came up.
        for (Adjustment kind :
             {Adjustment::BrightContrast, Adjustment::Saturation, Adjustment::ColorBalance, Adjustment::Blur}) {
            bool seen = false;
            QTimer driver;
            QObject::connect(&driver, &QTimer::timeout, [&] {
                auto* dlg = qobject_cast<TFrmAdjustment*>(QApplication::activeModalWidget());
                if (!dlg) return;
                driver.stop();
                seen = true;
                dlg->Track(0)->setValue(dlg->Track(0)->value() + 3);
                dlg->BtnOk->click();
            });
            driver.start(10);
            ShowAdjustmentDialog(kind, *host, nullptr);
            QVERIFY(seen);
            QCOMPARE(host->states.back().first, std::string(AdjustmentStateName(kind)));
        }
        QCOMPARE(host->states.size(), size_t(4));
        QCOMPARE(host->states[3].second, std::string("Sketch Layer, Color Layer, 4"));  // a fresh Blur at 1 + 3
    }
};

QTEST_MAIN(AdjustDialogsTest)
#include "adjust_dialogs_test.moc"
