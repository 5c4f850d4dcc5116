// The painting tools through the real main window, palette, option window and view:
// what a stroke paints and records, the outline cursor, the faults around strokes
// (undo under a held button, clicks outside the picture, zoomed-in mapping), and the
// single-key shortcuts.

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include "document/gui/LayersWindow.h"
#include "support/ToolTestKit.h"
#include <cstring>
#include <functional>

#include "tools/ToolTable.h"
#include "tools/gui/ToolController.h"
#include "tools/gui/ToolOptionWindow.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kGray = 0x808080;

void SetDrawable(TFrmMain& w, bool sketch, bool color) {
    LayerState s = w.GetLayerState();
    s.SketchDrawable = sketch;
    s.ColorDrawable = color;
    w.SetLayerStateQuietly(s);
}

void Key(TFrmMain& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w.PaintBox1, key, mods);
}

// Whether anything of the composite changed inside r.
bool ChangedInside(const Bitmap& before, const Bitmap& after, const Rect& r) {
    for (int y = r.Top; y <= r.Bottom; ++y)
        if (std::memcmp(before.Pixel(r.Left, y), after.Pixel(r.Left, y), 3 * static_cast<size_t>(r.Width())) != 0)
            return true;
    return false;
}

}  // namespace

class PaintToolsTest : public QObject {
    Q_OBJECT

private slots:
    void pencilDotsAndRecordsEvenWithNothingDrawable() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        OpenPicture(w, env, Plain(120, 90, kGray));
        ChooseTool(w, ToolPencil);
        w.FrmTools->SetFrontColor(kRed);

        // Size 1 paints exactly the pixel under the pointer, in both layers.
        Stroke(w, {QPoint(10, 12)});
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 10, 12), kRed);
        QCOMPARE(PixelValue(w.Doc().SketchBmp, 10, 12), kRed);
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 11, 12), kGray);
        QCOMPARE(CurrentState(w), (std::pair<std::string, std::string>{"Pencil", "--"}));

        // Neither layer drawable: nothing is painted, the state is still recorded.
        SetDrawable(w, false, false);
        const Bitmap sketch = w.Doc().SketchBmp, color = w.Doc().ColorBmp;
        const int states = StateCount(w);
        Stroke(w, {QPoint(40, 40), QPoint(50, 40), QPoint(60, 40), QPoint(70, 42), QPoint(80, 45)});
        QVERIFY(w.Doc().SketchBmp == sketch);
        QVERIFY(w.Doc().ColorBmp == color);
        QCOMPARE(StateCount(w), states + 1);
        QCOMPARE(CurrentState(w).first, std::string("Pencil"));
    }

    void pencilDrawsOnEveryThirdMoveAndAStrokeUndoesExactly() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        OpenPicture(w, env, Gradient(160, 120));
        ChooseTool(w, ToolPencil);
        w.FrmToolOption->TrcPencilSize->setValue(3);
        const Bitmap before = w.Doc().ColorBmp;

        // Two moves collect points only: nothing but the press's dot is drawn.
        Press(w, QPoint(20, 20));
        const Bitmap dot = w.Doc().ColorBmp;
        Drag(w, QPoint(40, 30));
        Drag(w, QPoint(60, 40));
        QVERIFY(w.Doc().ColorBmp == dot);
        // The third draws one Bézier segment ending at the pointer.
        Drag(w, QPoint(80, 50));
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 80, 50), 0u);
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 20, 20), 0u);
        QVERIFY(!(w.Doc().ColorBmp == dot));
        Release(w, QPoint(80, 50));

        w.MenuItem_UndoClick();
        QVERIFY(w.Doc().ColorBmp == before);
        w.MenuItem_RedoClick();
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 80, 50), 0u);

        // A one-pixel line runs through the very pixels of its points. (Undo and redo
        // chose the hand.)
        QCOMPARE(w.Doc().CurrentTool, int(ToolHand));
        ChooseTool(w, ToolPencil);
        w.FrmToolOption->TrcPencilSize->setValue(1);
        Stroke(w, {QPoint(10, 100), QPoint(14, 100), QPoint(18, 100), QPoint(22, 100)});
        for (int x = 10; x <= 22; ++x) QVERIFY2(PixelValue(w.Doc().ColorBmp, x, 100) == 0u, qPrintable(QString::number(x)));
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 22, 101), PixelValue(before, 22, 101));
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 23, 100), PixelValue(before, 23, 100));
    }

    void zoomedInClicksPaintThePixelUnderThePointer() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        OpenPicture(w, env, Plain(100, 80, kGray));
        w.MenuItem_ZoomInClick();
        w.MenuItem_ZoomInClick();  // 177.8 %
        ChooseTool(w, ToolPencil);
        // Screen x 17 lies in the right part of image pixel 9 (16.0 .. 17.8).
        Stroke(w, {QPoint(17, 17)});
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 9, 9), 0u);
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 10, 10), kGray);
    }

    void brushBlendsAndStepsBetweenEvents() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        OpenPicture(w, env, Plain(120, 90, 0xFFFFFF));
        ChooseTool(w, ToolBrush);
        w.FrmToolOption->TrcBrushSize->setValue(3);
        w.FrmToolOption->TrcBrushOpacity->setValue(6);
        // Size 3 is a flat square; opacity 6 is a quarter of the front color (black).
        Stroke(w, {QPoint(30, 30)});
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 30, 30), 0xBFBFBFu);  // 255 * 75 div 100
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 31, 31), 0xBFBFBFu);
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 32, 32), 0xFFFFFFu);

        // A drag of 20 pixels with size 3 (step 1) covers the line between the events.
        Stroke(w, {QPoint(10, 60), QPoint(30, 60)});
        for (int x = 10; x <= 30; ++x) QVERIFY2(PixelValue(w.Doc().ColorBmp, x, 60) != 0xFFFFFFu, qPrintable(QString::number(x)));
        QCOMPARE(CurrentState(w).first, std::string("Brush"));
    }

    void deleteDuringABrushStrokeSwitchesToTheHandAndRecordsNothing() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        OpenPicture(w, env, Plain(120, 90, kGray));
        ChooseTool(w, ToolBrush);
        const int states = StateCount(w);
        Press(w, QPoint(40, 40));
        Drag(w, QPoint(50, 40));
        QTest::keyRelease(&w, Qt::Key_Delete);
        QCOMPARE(w.Doc().CurrentTool, int(ToolHand));
        QVERIFY(w.FrmTools->BtnGrabber->isChecked());
        Release(w, QPoint(50, 40));
        QCOMPARE(StateCount(w), states);
        QVERIFY(w.PaintBox1->Overlay().Pixels.empty());
    }

    void undoAndOpeningWaitWhileAButtonIsHeld() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        OpenPicture(w, env, Plain(120, 90, kGray));
        ChooseTool(w, ToolPencil);
        Stroke(w, {QPoint(5, 5)});
        const int current = w.FrmHistory->Ring().CurrentIndex();
        Press(w, QPoint(60, 60));
        const Bitmap during = w.Doc().ColorBmp;
        w.MenuItem_Undo->trigger();
        w.FrmHistory->LoadState(w.FrmHistory->Ring().FirstIndex());
        QVERIFY(!w.OpenFile(WriteBmp(env, "other.bmp", Plain(30, 30, kRed))));
        QCOMPARE(w.FrmHistory->Ring().CurrentIndex(), current);
        QVERIFY(w.Doc().ColorBmp == during);
        Release(w, QPoint(60, 60));
        // Once the stroke has ended, undo works again: back to before it.
        w.MenuItem_Undo->trigger();
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 60, 60), kGray);
    }

    void outlineIsAnOverlayThatSurvivesOptionChangesAndNeverReachesTheComposite() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        OpenPicture(w, env, Gradient(160, 120));
        ChooseTool(w, ToolBrush);
        w.RefreshView();
        const Bitmap composite = w.Doc().CompositeBmp;
        Hover(w, QPoint(50, 40));
        const ViewOverlay first = w.PaintBox1->Overlay();
        QVERIFY(!first.Pixels.empty());
        QCOMPARE(first.Bounds, (Rect{40, 30, 60, 50}));  // size 20
        QVERIFY(w.Doc().CompositeBmp == composite);

        // An option change redraws the outline at the last position with the new size;
        // the refresh that follows it does not wipe it.
        w.FrmToolOption->SpnBrushSize->setValue(9);
        QCOMPARE(w.PaintBox1->Overlay().Bounds, (Rect{46, 36, 54, 44}));
        // A color change and a drawable-box change refresh it too, and still only on screen.
        w.FrmLayers->Chk_SketchDrawable->click();
        QVERIFY(!w.PaintBox1->Overlay().Pixels.empty());
        QVERIFY(w.Doc().CompositeBmp == composite);

        // The overlay shows the inverse of what is under it.
        QImage shown = w.PaintBox1->grab().toImage();
        const Point p = w.PaintBox1->Overlay().Pixels.front();
        const std::uint8_t* under = w.Doc().CompositeBmp.Pixel(p.X, p.Y);
        QCOMPARE(shown.pixelColor(p.X, p.Y), QColor(255 - under[2], 255 - under[1], 255 - under[0]));

        // Leaving the picture or switching tools takes it away.
        ChooseTool(w, ToolHand);
        QVERIFY(w.PaintBox1->Overlay().Pixels.empty());
    }

    void toneToolsReadTheStrokeStartPixels() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        OpenPicture(w, env, Plain(100, 80, kGray));
        ChooseTool(w, ToolDarken);
        w.FrmToolOption->TrcDarkenSize->setValue(5);
        // Going over the same place within one stroke does not darken it twice.
        Stroke(w, {QPoint(20, 20), QPoint(21, 20), QPoint(20, 20), QPoint(21, 20)});
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 20, 20), 0x414141u);  // 128 -> 65
        QCOMPARE(CurrentState(w).first, std::string("Darken Tool"));
        // A new stroke starts from the result of the last one.
        Stroke(w, {QPoint(20, 20)});
        QVERIFY(PixelValue(w.Doc().ColorBmp, 20, 20) < 0x414141u);
    }

    void paintBucketFillsInsideAndIgnoresClicksOutside() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        Bitmap picture = Plain(100, 80, kGray);
        for (int y = 0; y < 80; ++y) std::fill_n(picture.Pixel(50, y), 3, 0);  // a black wall at x 50
        OpenPicture(w, env, picture);
        ChooseTool(w, ToolPaintBucket);
        w.FrmTools->SetFrontColor(kRed);
        const int states = StateCount(w);

        // Beyond the right edge (the gray strip of the view) nothing happens.
        Press(w, QPoint(300, 10));
        Release(w, QPoint(300, 10));
        QCOMPARE(StateCount(w), states);

        Press(w, QPoint(10, 10));
        Release(w, QPoint(10, 10));
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 49, 79), kRed);
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 50, 0), 0u);
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 51, 0), kGray);
        QCOMPARE(CurrentState(w), (std::pair<std::string, std::string>{"Paint Bucket", "--"}));
    }

    void eyedropperPicksWithEachButtonAndNothingOutside() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        OpenPicture(w, env, Gradient(100, 80));
        ChooseTool(w, ToolEyedropper);
        const int states = StateCount(w);
        Press(w, QPoint(10, 20));
        Release(w, QPoint(10, 20));
        QCOMPARE(w.FrmTools->FrontColor(), PixelValue(w.Doc().CompositeBmp, 10, 20));
        Press(w, QPoint(30, 5), Qt::RightButton);
        Release(w, QPoint(30, 5), Qt::RightButton);
        QCOMPARE(w.FrmTools->BackColor(), PixelValue(w.Doc().CompositeBmp, 30, 5));
        Hover(w, QPoint(7, 8));
        QCOMPARE(w.FrmToolOption->LabDropperX->text(), QStringLiteral("X: 7"));
        QCOMPARE(w.FrmToolOption->LabDropperB->text(),
                 QStringLiteral("B: ") + QString::number(w.Doc().CompositeBmp.Pixel(7, 8)[0]));

        // Outside the picture the colors and read-outs stay as they were.
        const std::uint32_t front = w.FrmTools->FrontColor();
        Press(w, QPoint(400, 300));
        Hover(w, QPoint(400, 300));
        QCOMPARE(w.FrmTools->FrontColor(), front);
        QCOMPARE(w.FrmToolOption->LabDropperX->text(), QStringLiteral("X: 7"));
        QCOMPARE(StateCount(w), states);
    }

    void everyToolRetouchesAConvertedPhotograph() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.resize(900, 700);
        w.show();
        QVERIFY(w.OpenFile(ConvertedSample(env)));
        w.MenuItem_ZoomInClick();  // 133 %: the tools map the pointer to the pixel under it
        auto retouch = [&](int tool, const Rect& area, const std::function<void()>& act) {
            ChooseTool(w, tool);
            w.CompositeAll();
            const Bitmap before = w.Doc().CompositeBmp;
            act();
            w.CompositeAll();
            QVERIFY2(ChangedInside(before, w.Doc().CompositeBmp, area), FindTool(tool)->Name);
        };
        auto screen = [](int x, int y) { return QPoint(x * 4 / 3, y * 4 / 3); };
        w.FrmTools->SetFrontColor(0x2020E0);
        retouch(ToolPencil, Rect{40, 40, 200, 80}, [&] {
            w.FrmToolOption->TrcPencilSize->setValue(6);
            Press(w, screen(40, 60));
            for (int x = 50; x <= 200; x += 10) Drag(w, screen(x, 60 + (x % 40 == 0 ? 15 : -5)));
            Release(w, screen(200, 60));
        });
        w.FrmTools->SetFrontColor(0xE06020);
        retouch(ToolBrush, Rect{40, 100, 220, 140}, [&] {
            w.FrmToolOption->TrcBrushSize->setValue(30);
            Stroke(w, {screen(40, 120), screen(100, 110), screen(160, 130), screen(220, 120)});
        });
        retouch(ToolEraser, Rect{250, 40, 330, 80}, [&] { Stroke(w, {screen(250, 60), screen(290, 60), screen(330, 60)}); });
        retouch(ToolLighten, Rect{250, 100, 330, 140}, [&] {
            w.FrmToolOption->TrcLightenSize->setValue(40);
            Stroke(w, {screen(260, 120), screen(300, 120), screen(320, 120)});
        });
        retouch(ToolDarken, Rect{250, 160, 330, 200}, [&] {
            w.FrmToolOption->TrcDarkenSize->setValue(40);
            w.FrmToolOption->TrcDarkenContrast->setValue(255);
            Stroke(w, {screen(260, 180), screen(300, 180), screen(320, 180)});
        });
        w.FrmTools->SetFrontColor(0x40C0F0);
        retouch(ToolPaintBucket, Rect{0, 0, 511, 511}, [&] { Stroke(w, {screen(420, 300)}); });
        ChooseTool(w, ToolEyedropper);
        Press(w, screen(120, 120), Qt::RightButton);
        Release(w, screen(120, 120), Qt::RightButton);
        QCOMPARE(w.FrmTools->BackColor(), PixelValue(w.Doc().CompositeBmp, 120, 120));
        ChooseTool(w, ToolBrush);
        Hover(w, screen(400, 300));
        QVERIFY(!w.PaintBox1->Overlay().Pixels.empty());
    }

    void singleKeysChooseToolsAsTheirButtonsDo() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        OpenPicture(w, env, Plain(100, 80, kGray));
        w.PaintBox1->setFocus();
        const std::pair<Qt::Key, int> keys[] = {{Qt::Key_N, ToolPencil}, {Qt::Key_B, ToolBrush},
                                                {Qt::Key_E, ToolEraser}, {Qt::Key_G, ToolPaintBucket},
                                                {Qt::Key_I, ToolEyedropper}, {Qt::Key_O, ToolLighten},
                                                {Qt::Key_H, ToolHand}};
        for (const auto& [key, id] : keys) {
            Key(w, key);
            QCOMPARE(w.Doc().CurrentTool, id);
            QVERIFY(w.FrmTools->ToolButton(id)->isChecked());
        }
        Key(w, Qt::Key_O, Qt::ShiftModifier);
        QCOMPARE(w.Doc().CurrentTool, int(ToolDarken));
        Key(w, Qt::Key_O, Qt::ShiftModifier);
        QCOMPARE(w.Doc().CurrentTool, int(ToolLighten));
        QVERIFY(w.FrmTools->ToolButton(ToolBrush)->toolTip() == QStringLiteral("Brush (B)"));

        // [ and ] step the size through the option controls.
        Key(w, Qt::Key_B);
        Key(w, Qt::Key_BracketRight);
        QCOMPARE(w.FrmToolOption->TrcBrushSize->value(), 22);
        Key(w, Qt::Key_BracketLeft);
        QCOMPARE(w.FrmToolOption->TrcBrushSize->value(), 20);

        // D and X: black on white, then swapped.
        w.FrmTools->SetFrontColor(kRed);
        Key(w, Qt::Key_D);
        QCOMPARE(w.FrmTools->FrontColor(), 0u);
        QCOMPARE(w.FrmTools->BackColor(), 0xFFFFFFu);
        Key(w, Qt::Key_X);
        QCOMPARE(w.FrmTools->FrontColor(), 0xFFFFFFu);
        QCOMPARE(w.FrmTools->BackColor(), 0u);

        // Below 100 % the buttons are disabled and so are their keys.
        w.MenuItem_ZoomOutClick();
        Key(w, Qt::Key_N);
        QCOMPARE(w.Doc().CurrentTool, int(ToolBrush));
        w.MenuItem_ActualPixelsClick();

        // Typing into a spin edit never chooses a tool.
        w.FrmToolOption->show();
        w.FrmToolOption->SpnBrushSize->setFocus();
        QTest::keyClick(w.FrmToolOption->SpnBrushSize, Qt::Key_N);
        QCOMPARE(w.Doc().CurrentTool, int(ToolBrush));
    }
};

QTEST_MAIN(PaintToolsTest)
#include "paint_tools_test.moc"
