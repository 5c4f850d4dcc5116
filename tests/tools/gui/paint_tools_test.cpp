// The painting tools driven through the real main window, as a user strokes and types.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>

#include <optional>
#include <tuple>

#include "document/gui/LayersWindow.h"
#include "tools/gui/ToolController.h"
#include "support/ShapeWindow.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr std::uint32_t kGray = 0x808080;

void Key(TFrmMain& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w.PaintBox1, key, mods);
}

// The release of a button pressed on the picture goes to a modal window that opened
// over it, as a message box would take it.
void LoseRelease(TFrmMain& w, Qt::MouseButton button = Qt::LeftButton) {
    QDialog over(&w);
    over.setWindowModality(Qt::ApplicationModal);
    over.show();
    QTest::mouseRelease(over.windowHandle(), button, {}, QPoint(5, 5));
}
// A press on the picture whose release goes astray, as above.
void PressAndLoseRelease(TFrmMain& w, QPoint p) {
    DevicePress(w.PaintBox1, p);
    LoseRelease(w);
}

}  // namespace

class PaintToolsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { s_.reset(); }

    void pencilDotsUnderThePointerAndRecordsEvenWithNothingDrawable() {
        TFrmMain& w = Start(Plain(120, 90, kGray), ToolPencil);
        w.FrmTools->SetFrontColor(kRed);

        // Size 1 paints exactly the pixel under the pointer, in both layers.
        Stroke(w, {QPoint(10, 12)});
        QCOMPARE(At(w, 10, 12), kRed);
        QCOMPARE(PixelValue(w.Doc().SketchBmp, 10, 12), kRed);
        QCOMPARE(At(w, 11, 12), kGray);
        QCOMPARE(StateText(w), QStringLiteral("Pencil / --"));

        // Zoomed in to 177.8 %, screen x 17 lies in the right part of image pixel 9
        // (16.0 .. 17.8): the click paints that pixel, not the one the screen names.
        w.MenuItem_ZoomInClick();
        w.MenuItem_ZoomInClick();
        Stroke(w, {QPoint(17, 17)});
        QCOMPARE(At(w, 9, 9), kRed);
        QCOMPARE(At(w, 10, 10), kGray);

        // Neither layer drawable: nothing is painted, the state is still recorded.
        LayerState off = w.GetLayerState();
        off.SketchDrawable = off.ColorDrawable = false;
        w.SetLayerStateQuietly(off);
        const Bitmap sketch = w.Doc().SketchBmp, color = w.Doc().ColorBmp;
        const int states = StateCount(w);
        Stroke(w, {QPoint(40, 40), QPoint(50, 40), QPoint(60, 40), QPoint(70, 42), QPoint(80, 45)});
        QVERIFY(w.Doc().SketchBmp == sketch && w.Doc().ColorBmp == color);
        QCOMPARE(StateCount(w), states + 1);
    }

    void pencilDrawsOnEveryThirdMoveAndAStrokeUndoesExactly() {
        TFrmMain& w = Start(Gradient(160, 120), ToolPencil);
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
        QCOMPARE(At(w, 80, 50), 0u);
        QCOMPARE(At(w, 20, 20), 0u);
        Release(w, QPoint(80, 50));

        // Undo restores the stroke's start exactly and chooses the hand.
        w.MenuItem_UndoClick();
        QVERIFY(w.Doc().ColorBmp == before);
        QCOMPARE(w.Doc().CurrentTool, int(ToolHand));

        // A one-pixel line runs through the very pixels of its points.
        ChooseTool(w, ToolPencil);
        w.FrmToolOption->TrcPencilSize->setValue(1);
        Stroke(w, {QPoint(10, 100), QPoint(14, 100), QPoint(18, 100), QPoint(22, 100)});
        for (int x = 10; x <= 22; ++x)
            QVERIFY2(At(w, x, 100) == 0u, qPrintable(QString::number(x)));
        QCOMPARE(At(w, 22, 101), PixelValue(before, 22, 101));
        QCOMPARE(At(w, 23, 100), PixelValue(before, 23, 100));
    }

    void widePencilLinesCoverTheFootprintTheOutlineShows() {
        // A line of an even width has no middle pixel: it lies where the press's dot and
        // the outline cursor do (size 4 at row 50: rows 48 to 51), not a pixel lower and
        // further right, which left a step at the start of every stroke.
        for (int size : {2, 4, 3}) {
            TFrmMain& w = Start(Plain(120, 90, 0xFFFFFF), ToolPencil);
            w.FrmToolOption->TrcPencilSize->setValue(size);
            Hover(w, QPoint(75, 50));
            const Rect outline = w.PaintBox1->Overlay().Bounds;
            Stroke(w, {QPoint(60, 50), QPoint(70, 50), QPoint(80, 50), QPoint(90, 50)});
            Stroke(w, {QPoint(40, 20), QPoint(40, 25), QPoint(40, 30), QPoint(40, 35)});
            const auto painted = [&w](bool column, int at) {
                QString found;
                for (int i = 0; i < 90; ++i)
                    if (At(w, column ? at : i, column ? i : at) == 0) found += QString::number(i) + " ";
                return found;
            };
            // The outline's box holds its right and bottom edge; the painted part does not.
            const auto span = [](int first, int end) {
                QString all;
                for (int i = first; i < end; ++i) all += QString::number(i) + " ";
                return all;
            };
            QCOMPARE(painted(true, 75), span(outline.Top, outline.Bottom));
            QCOMPARE(painted(false, 28), span(outline.Left - 35, outline.Right - 35));
        }
    }

    void brushBlendsAndStepsBetweenEvents() {
        TFrmMain& w = Start(Plain(120, 90, 0xFFFFFF), ToolBrush);
        w.FrmToolOption->TrcBrushSize->setValue(3);
        w.FrmToolOption->TrcBrushOpacity->setValue(6);
        // Size 3 is a flat square; opacity 6 is a quarter of the front color (black).
        Stroke(w, {QPoint(30, 30)});
        QCOMPARE(At(w, 31, 31), 0xBFBFBFu);  // 255 * 75 div 100
        QCOMPARE(At(w, 32, 32), 0xFFFFFFu);

        // A drag of 20 pixels with size 3 (step 1) covers the line between the events.
        Stroke(w, {QPoint(10, 60), QPoint(30, 60)});
        for (int x = 10; x <= 30; ++x)
            QVERIFY2(At(w, x, 60) != 0xFFFFFFu, qPrintable(QString::number(x)));
        QCOMPARE(StateText(w), QStringLiteral("Brush / --"));

        // ] under the held button widens the brush at once, as its outline shows: from 20
        // to 22 its rim reaches row 40 from row 30, which size 20 does not.
        // The button is pressed as a device does, so that the key finds it held.
        w.FrmToolOption->TrcBrushSize->setValue(20);
        DevicePress(w.PaintBox1, QPoint(20, 30));
        Key(w, Qt::Key_BracketRight);
        DeviceMove(w.PaintBox1, QPoint(60, 30));
        QCOMPARE(w.PaintBox1->Overlay().Bounds, (Rect{49, 19, 71, 41}));
        DeviceRelease(w.PaintBox1, QPoint(60, 30));
        QVERIFY(At(w, 50, 40) != 0xFFFFFFu);
    }

    void aHeldButtonHoldsOffUndoOpeningCommandsAndDelete() {
        TFrmMain& w = Start(Plain(120, 90, kGray), ToolPencil);
        Stroke(w, {QPoint(5, 5)});
        const int current = w.FrmHistory->Ring().CurrentIndex();
        // Pressed as a device does, so that the application knows the button is down.
        DevicePress(w.PaintBox1, QPoint(60, 60));
        const Bitmap during = w.Doc().ColorBmp;
        w.MenuItem_Undo->trigger();
        w.FrmHistory->LoadState(w.FrmHistory->Ring().FirstIndex());
        QVERIFY(!w.OpenFile(WriteBmp(s_->env, "other.bmp", Plain(30, 30, kRed))));
        QCOMPARE(w.FrmHistory->Ring().CurrentIndex(), current);
        QVERIFY(w.Doc().ColorBmp == during);
        DeviceRelease(w.PaintBox1, QPoint(60, 60));
        // Once the stroke has ended, undo works again: back to before it.
        w.MenuItem_Undo->trigger();
        QCOMPARE(At(w, 60, 60), kGray);

        // Neither Delete nor a command acts under a held button: the brush stroke is
        // recorded at its release, and only then does Delete switch to the hand.
        ChooseTool(w, ToolBrush);
        DevicePress(w.PaintBox1, QPoint(40, 40));
        DeviceMove(w.PaintBox1, QPoint(50, 40));
        QTest::keyRelease(&w, Qt::Key_Delete);
        w.MenuItem_ZoomIn->trigger();
        QCOMPARE(w.Doc().CurrentTool, int(ToolBrush));
        QCOMPARE(w.Doc().Zoom, 1.0);
        DeviceRelease(w.PaintBox1, QPoint(50, 40));
        QCOMPARE(StateText(w), QStringLiteral("Brush / --"));
        const int states = StateCount(w);
        QTest::keyRelease(&w, Qt::Key_Delete);
        QCOMPARE(w.Doc().CurrentTool, int(ToolHand));
        QVERIFY(w.FrmTools->BtnGrabber->isChecked());
        QCOMPARE(StateCount(w), states);
        QVERIFY(w.PaintBox1->Overlay().Pixels.empty());

        // A release that went to a window which took the mouse: the next press ends the
        // stroke it belonged to.
        ChooseTool(w, ToolPencil);
        Press(w, QPoint(80, 80));
        Press(w, QPoint(85, 80));
        QCOMPARE(StateCount(w), states + 1);
        Release(w, QPoint(85, 80));
        QCOMPARE(StateCount(w), states + 2);
        w.MenuItem_Undo->trigger();
        QCOMPARE(At(w, 85, 80), kGray);
        QVERIFY(At(w, 80, 80) != kGray);

        // So does a click on another tool in the palette, before the tool is left: the
        // stroke is a step of its own that undo takes away and redo brings back.
        ChooseTool(w, ToolPencil);
        Press(w, QPoint(90, 20));
        ChooseTool(w, ToolEraser);
        w.MenuItem_Undo->trigger();
        QCOMPARE(At(w, 90, 20), kGray);
        w.MenuItem_Redo->trigger();
        QCOMPARE(At(w, 90, 20), 0u);
    }

    void aStrokeWhoseReleasesWentAstrayIsAStateOfItsOwn() {
        TFrmMain& w = Start(Plain(120, 90, kGray), ToolPencil);
        const Bitmap& color = w.Doc().ColorBmp;
        const int states = StateCount(w);
        // The right button went down first and the left one drew; both releases went to
        // a window that took the mouse. The next move without a button ends the stroke.
        Press(w, QPoint(20, 20), Qt::RightButton);
        SendMouse(w.PaintBox1, QEvent::MouseButtonPress, QPoint(30, 20), Qt::LeftButton,
                  Qt::LeftButton | Qt::RightButton);
        Hover(w, QPoint(40, 20));
        QCOMPARE(StateCount(w), states + 1);
        QCOMPARE(StateText(w), QStringLiteral("Pencil / --"));
        Stroke(w, {QPoint(60, 20)});
        QCOMPARE(StateCount(w), states + 2);
        w.MenuItem_Undo->trigger();
        QCOMPARE(PixelValue(color, 60, 20), kGray);
        QVERIFY(PixelValue(color, 30, 20) != kGray);
        w.MenuItem_Redo->trigger();
        ChooseTool(w, ToolPencil);

        // Only the left release went astray: the right one that follows ends the stroke.
        Press(w, QPoint(20, 40), Qt::RightButton);
        SendMouse(w.PaintBox1, QEvent::MouseButtonPress, QPoint(30, 40), Qt::LeftButton,
                  Qt::LeftButton | Qt::RightButton);
        Release(w, QPoint(30, 40), Qt::RightButton);
        QCOMPARE(StateCount(w), states + 3);

        // A command from the menu need not wait for the pointer to come back over the
        // picture: once no button is down, the stroke ends first and the command acts.
        DevicePress(w.PaintBox1, QPoint(80, 60));
        QVERIFY(PixelValue(color, 80, 60) != kGray);
        LoseRelease(w);
        QCOMPARE(StateCount(w), states + 3);
        w.MenuItem_Undo->trigger();
        QCOMPARE(PixelValue(color, 80, 60), kGray);
        QCOMPARE(PixelValue(color, 30, 40), 0u);
        w.MenuItem_Redo->trigger();
        QCOMPARE(StateCount(w), states + 4);
    }

    void keysAndHistoryClicksDoNotWaitForAReleaseThatWentAstray() {
        TFrmMain& w = Start(Plain(120, 90, kGray), ToolPencil);
        const int states = StateCount(w);

        // A tool key: the stroke whose release went astray ends and is recorded first,
        // then the brush is chosen.
        PressAndLoseRelease(w, QPoint(20, 20));
        Key(w, Qt::Key_B);
        QCOMPARE(w.Doc().CurrentTool, int(ToolBrush));
        QCOMPARE(StateCount(w), states + 1);
        QCOMPARE(StateText(w), QStringLiteral("Pencil / --"));

        // Delete: the brush stroke is recorded, then the hand is chosen.
        PressAndLoseRelease(w, QPoint(40, 20));
        QTest::keyRelease(&w, Qt::Key_Delete);
        QCOMPARE(w.Doc().CurrentTool, int(ToolHand));
        QCOMPARE(StateCount(w), states + 2);
        QCOMPARE(StateText(w), QStringLiteral("Brush / --"));

        // A click on a row of the History list: the stroke is recorded as a state of its
        // own, and the list then goes to the state clicked, here the picture as opened.
        ChooseTool(w, ToolEraser);
        PressAndLoseRelease(w, QPoint(60, 20));
        QTableWidget* list = w.FrmHistory->StringGrid1;
        list->scrollToTop();
        const QPoint first = list->visualRect(list->model()->index(0, 1)).center();
        DevicePress(list->viewport(), first);
        DeviceRelease(list->viewport(), first);
        QCOMPARE(StateCount(w), states + 3);
        QCOMPARE(w.FrmHistory->Ring().CurrentRow(), 1);
        QVERIFY(w.Doc().ColorBmp == Plain(120, 90, kGray));
        w.MenuItem_Redo->trigger();
        QVERIFY(At(w, 20, 20) != kGray);

        // A full list drops its oldest state for the stroke's, and the rows move up under
        // the pointer: the click is not taken for the state after the one clicked.
        w.FrmHistory->SetHistoryStates(2);
        ChooseTool(w, ToolPencil);
        Stroke(w, {QPoint(80, 40)});
        Stroke(w, {QPoint(90, 40)});
        PressAndLoseRelease(w, QPoint(100, 40));
        DevicePress(list->viewport(), first);
        DeviceRelease(list->viewport(), first);
        QCOMPARE(StateCount(w), 2);
        QCOMPARE(w.FrmHistory->Ring().CurrentRow(), 2);
        QVERIFY(At(w, 100, 40) != kGray);

        // An arrow key in the list, which may have the focus without a click: the stroke
        // is recorded, and Up then goes to the state before it.
        PressAndLoseRelease(w, QPoint(110, 40));
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(w.FrmHistory->Ring().CurrentRow(), 1);
        QCOMPARE(At(w, 110, 40), kGray);
        w.MenuItem_Redo->trigger();
        QVERIFY(At(w, 110, 40) != kGray);
    }

    void wideCurvedStrokesLeaveTheCompositeAsTheLayersMakeIt() {
        // Each event recomposites only what it touched; anything it missed shows as
        // stale pixels until a whole recomposite, which a fill or a save would hide.
        TFrmMain& w = s_.emplace(Gradient(200, 150)).w;
        TFrmToolOption& o = *w.FrmToolOption;
        const std::pair<int, QSlider*> tools[] = {{ToolPencil, o.TrcPencilSize},   {ToolBrush, o.TrcBrushSize},
                                                  {ToolEraser, o.TrcEraserSize},   {ToolLighten, o.TrcLightenSize},
                                                  {ToolDarken, o.TrcDarkenSize}};
        for (auto [id, size] : tools) {
            ChooseTool(w, id);
            size->setValue(20);
            Stroke(w, {QPoint(20, 20), QPoint(60, 90), QPoint(100, 30), QPoint(140, 110), QPoint(170, 40),
                       QPoint(120, 130), QPoint(40, 120)});
            const Bitmap shown = w.Doc().CompositeBmp;
            w.Doc().CompositeAll(w.GetLayerState());
            QVERIFY2(w.Doc().CompositeBmp == shown, qPrintable(QString::number(id)));
        }
    }

    void aPressIsFinishedByItsReleaseWhateverHappensInBetween() {
        TFrmMain& w = s_.emplace(Plain(120, 90, kGray)).w;
        // Zooming out (Ctrl+wheel) under a held pencil: the release still ends and
        // records the stroke, so undo is not left blocked.
        ChooseTool(w, ToolPencil);
        const int states = StateCount(w);
        Press(w, QPoint(30, 30));
        w.MenuItem_ZoomOutClick();
        Release(w, QPoint(22, 22));
        QCOMPARE(StateCount(w), states + 1);
        QCOMPARE(StateText(w), QStringLiteral("Pencil / --"));
        w.MenuItem_Undo->trigger();
        QCOMPARE(At(w, 30, 30), kGray);
        w.MenuItem_ActualPixelsClick();

        // Zooming out under a hovering brush takes its outline away.
        ChooseTool(w, ToolBrush);
        Hover(w, QPoint(50, 40));
        QVERIFY(!w.PaintBox1->Overlay().Pixels.empty());
        w.MenuItem_ZoomOutClick();
        QVERIFY(w.PaintBox1->Overlay().Pixels.empty());
        // Nor does a new size or color bring it back while the brush rests.
        w.FrmToolOption->TrcBrushSize->setValue(30);
        QTest::keyClick(&w, Qt::Key_X);
        QVERIFY(w.PaintBox1->Overlay().Pixels.empty());
        w.MenuItem_ActualPixelsClick();
    }

    void outlineIsAnOverlayThatSurvivesOptionChangesAndNeverReachesTheComposite() {
        TFrmMain& w = Start(Gradient(160, 120), ToolBrush);
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

        // The freehand tools share the last position they saw: a brush chosen by its key
        // over the picture shows its new size where the pencil's outline just was, not
        // where the brush was last used.
        ChooseTool(w, ToolPencil);
        Hover(w, QPoint(80, 60));
        Key(w, Qt::Key_B);
        Key(w, Qt::Key_BracketRight);
        QCOMPARE(w.FrmToolOption->TrcBrushSize->value(), 10);
        QCOMPARE(w.PaintBox1->Overlay().Bounds, (Rect{75, 55, 85, 65}));
    }

    void outlineDoesNotStayBehindWhenThePictureMovesUnderThePointer() {
        // The outline marks the footprint under the pointer. Once the wheel scrolls or
        // zooms the picture, that place is no longer under the pointer, so the outline
        // must not be left there; the next move draws it where the pointer is.
        TFrmMain& w = Start(Gradient(1500, 1200), ToolBrush);
        Hover(w, QPoint(100, 100));
        QCOMPARE(w.PaintBox1->Overlay().Bounds, (Rect{90, 90, 110, 110}));
        QWheelEvent down(QPointF(100, 100), w.PaintBox1->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.PaintBox1, &down);
        QVERIFY(w.VertScrollBar->value() > 0);
        QVERIFY(w.PaintBox1->Overlay().Pixels.empty());
        Hover(w, QPoint(100, 100));
        QCOMPARE(w.PaintBox1->Overlay().Bounds.Top, w.VertScrollBar->value() + 90);

        // So does a zoom step with Ctrl and the wheel.
        CtrlWheel(w.PaintBox1, QPoint(100, 100), 1);
        QVERIFY(w.Doc().Zoom > 1.0);
        QVERIFY(w.PaintBox1->Overlay().Pixels.empty());
    }

    void toneToolsMapTheStrokeStartPixelsOnce() {
        // At the default contrast darken maps 128 to 65 and 65 to 0, lighten 100 to 177 and 177 to 215.
        for (const auto& [id, start, once, twice, name] :
             {std::tuple{ToolDarken, 0x808080u, 0x414141u, 0x000000u, "Darken Tool / --"},
              {ToolLighten, 0x646464u, 0xB1B1B1u, 0xD7D7D7u, "Lighten Tool / --"}}) {
            TFrmMain& w = Start(Plain(100, 80, start), id);
            // Going over the same place within one stroke does not map it twice.
            Stroke(w, {QPoint(20, 20), QPoint(21, 20), QPoint(20, 20), QPoint(21, 20)});
            QCOMPARE(At(w, 20, 20), once);
            QCOMPARE(StateText(w), QString::fromLatin1(name));
            // A new stroke starts from the result of the last one.
            Stroke(w, {QPoint(20, 20)});
            QCOMPARE(At(w, 20, 20), twice);
            // ] under the held button takes effect at once: size 11 reaches row 25 from row 20.
            DevicePress(w.PaintBox1, QPoint(50, 20));
            Key(w, Qt::Key_BracketRight);
            DeviceMove(w.PaintBox1, QPoint(51, 20));
            DeviceRelease(w.PaintBox1, QPoint(51, 20));
            QCOMPARE(At(w, 50, 25), once);
        }
    }

    void paintBucketFillsInsideAndIgnoresClicksOutside() {
        TFrmMain& w = s_.emplace(Plain(100, 80, kGray)).w;
        // A black wall at x 50 in the sketch layer only: the fill follows the picture
        // as shown, not the layer it paints.
        for (int y = 0; y < 80; ++y) std::fill_n(w.Doc().SketchBmp.Pixel(50, y), 3, 0);
        ChooseTool(w, ToolPaintBucket);
        w.FrmTools->SetFrontColor(kRed);
        const int states = StateCount(w);

        // Beyond the right edge (the gray strip of the view) nothing happens.
        Stroke(w, {QPoint(300, 10)});
        QCOMPARE(StateCount(w), states);

        Stroke(w, {QPoint(10, 10)});
        QCOMPARE(At(w, 49, 79), kRed);
        QCOMPARE(At(w, 50, 0), kGray);
        QCOMPARE(At(w, 51, 0), kGray);
        QCOMPARE(StateText(w), QStringLiteral("Paint Bucket / --"));
    }

    void eyedropperPicksWithEachButtonAndNothingOutside() {
        TFrmMain& w = Start(Gradient(100, 80), ToolEyedropper);
        const int states = StateCount(w);
        Stroke(w, {QPoint(10, 20)});
        QCOMPARE(w.FrmTools->FrontColor(), PixelValue(w.Doc().CompositeBmp, 10, 20));
        Press(w, QPoint(30, 5), Qt::RightButton);
        Release(w, QPoint(30, 5), Qt::RightButton);
        QCOMPARE(w.FrmTools->BackColor(), PixelValue(w.Doc().CompositeBmp, 30, 5));
        const auto readout = [&w] {
            return w.FrmToolOption->LabDropperX->text() + " " + w.FrmToolOption->LabDropperB->text();
        };
        Hover(w, QPoint(7, 8));
        const QString shown = QStringLiteral("X: 7 B: ") + QString::number(w.Doc().CompositeBmp.Pixel(7, 8)[0]);
        QCOMPARE(readout(), shown);

        // Outside the picture the colors and read-outs stay as they were.
        const std::uint32_t front = w.FrmTools->FrontColor();
        Press(w, QPoint(400, 300));
        Hover(w, QPoint(400, 300));
        QCOMPARE(w.FrmTools->FrontColor(), front);
        QCOMPARE(readout(), shown);
        QCOMPARE(StateCount(w), states);

        // A pixel whose composite lags (the pointer reaches one column and row past the
        // view rectangle, which alone is kept) is picked as the layers make it now.
        std::fill_n(w.Doc().ColorBmp.Pixel(99, 79), 3, 0);
        MouseState left;
        left.Button = MouseState::Which::Left;
        left.Left = true;
        w.Tools().ToolMouseDown(99, 79, left);
        QCOMPARE(w.FrmTools->FrontColor(), 0u);
    }

    void eraserStampsTheBackColorOnlyAtEvents() {
        TFrmMain& w = s_.emplace(Plain(100, 80, 0x646464)).w;
        w.FrmTools->SetBackColor(kRed);
        ChooseTool(w, ToolEraser);
        w.FrmToolOption->TrcEraserSize->setValue(1);
        // The eraser paints the back color where the events are, with no line between them.
        Stroke(w, {QPoint(10, 10), QPoint(20, 10)});
        for (const Bitmap* layer : {&w.Doc().SketchBmp, &w.Doc().ColorBmp}) {
            QCOMPARE(PixelValue(*layer, 10, 10), kRed);
            QCOMPARE(PixelValue(*layer, 20, 10), kRed);
        }
        QCOMPARE(At(w, 15, 10), 0x646464u);
        QCOMPARE(StateText(w), QStringLiteral("Eraser / --"));
    }

    void singleKeysChooseToolsAsTheirButtonsDo() {
        TFrmMain& w = s_.emplace(Plain(100, 80, kGray)).w;
        w.PaintBox1->setFocus();
        const std::pair<Qt::Key, int> keys[] = {
            {Qt::Key_N, ToolPencil},     {Qt::Key_B, ToolBrush},      {Qt::Key_E, ToolEraser},
            {Qt::Key_G, ToolPaintBucket}, {Qt::Key_I, ToolEyedropper}, {Qt::Key_R, ToolRectangle},
            {Qt::Key_L, ToolEllipse},    {Qt::Key_T, ToolText},       {Qt::Key_K, ToolBalloonA},
            {Qt::Key_O, ToolLighten},    {Qt::Key_H, ToolHand}};
        for (const auto& [key, id] : keys) {
            Key(w, key);
            QCOMPARE(w.Doc().CurrentTool, id);
            QVERIFY(w.FrmTools->ToolButton(id)->isChecked());
        }
        for (int id : {ToolDarken, ToolLighten}) {
            Key(w, Qt::Key_O, Qt::ShiftModifier);
            QCOMPARE(w.Doc().CurrentTool, id);
        }
        // Shift+K walks the three balloons round, from any other tool to the first.
        for (int id : {ToolBalloonA, ToolBalloonB, ToolBalloonC, ToolBalloonA}) {
            Key(w, Qt::Key_K, Qt::ShiftModifier);
            QCOMPARE(w.Doc().CurrentTool, id);
            QVERIFY(w.FrmTools->ToolButton(id)->isChecked());
        }

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
        // Away from text, the keys work in the palette and the option window as well:
        // a click there must not cost the user the keys.
        QTest::keyClick(w.FrmTools->ToolButton(ToolBrush), Qt::Key_N);
        QCOMPARE(w.Doc().CurrentTool, int(ToolPencil));
        const int pencilSize = w.FrmToolOption->TrcPencilSize->value();
        QTest::keyClick(w.FrmToolOption->TrcPencilSize, Qt::Key_BracketRight);
        QVERIFY(w.FrmToolOption->TrcPencilSize->value() > pencilSize);
        QTest::keyClick(w.FrmToolOption->TrcPencilSize, Qt::Key_E);
        QCOMPARE(w.Doc().CurrentTool, int(ToolEraser));
    }

private:
    // A window with `picture` open and `tool` chosen.
    TFrmMain& Start(const Bitmap& picture, int tool) {
        TFrmMain& w = s_.emplace(picture).w;
        ChooseTool(w, tool);
        return w;
    }

    std::optional<PictureWindow> s_;
};

QTEST_MAIN(PaintToolsTest)
#include "paint_tools_test.moc"
