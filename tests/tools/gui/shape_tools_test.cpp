// The rectangle, ellipse, text and balloon tools driven through the real main window.

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

#include "document/gui/LayersWindow.h"
#include "support/ShapeWindow.h"
#include "tools/BalloonGeometry.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// Grabs whatever handle is at `from` and drags it to `to`.
void DragHandle(TFrmMain& w, QPoint from, QPoint to) { Hover(w, from); Stroke(w, {from, to}); }

// The first pixel of `now` that differs from `before` where `watched` holds, as text.
QString FirstChange(const Bitmap& before, const Bitmap& now, const std::function<bool(int, int)>& watched) {
    for (int y = 0; y < now.Height(); ++y)
        for (int x = 0; x < now.Width(); ++x)
            if (watched(x, y) && PixelValue(before, x, y) != PixelValue(now, x, y))
                return QStringLiteral("(%1, %2)").arg(x).arg(y);
    return {};
}
// Outside the box from (left, top), right and bottom excluded.
std::function<bool(int, int)> OutsideBox(int left, int top, int right, int bottom) {
    return [=](int x, int y) { return x < left || y < top || x >= right || y >= bottom; };
}

// Distance from (px, py) to the segment a-b.
double SegmentDistance(double px, double py, Point a, Point b) {
    const double vx = b.X - a.X, vy = b.Y - a.Y;
    const double len2 = vx * vx + vy * vy;
    const double t = std::clamp(len2 > 0 ? ((px - a.X) * vx + (py - a.Y) * vy) / len2 : 0, 0.0, 1.0);
    return std::hypot(px - (a.X + t * vx), py - (a.Y + t * vy));
}
// Inside the triangle a, b, c or within `margin` of its sides.
bool NearTriangle(int x, int y, Point a, Point b, Point c, double margin) {
    auto side = [&](Point p, Point q) { return (q.X - p.X) * (y - p.Y) - (q.Y - p.Y) * (x - p.X); };
    const long s1 = side(a, b), s2 = side(b, c), s3 = side(c, a);
    if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)) return true;
    return SegmentDistance(x, y, a, b) <= margin || SegmentDistance(x, y, b, c) <= margin ||
           SegmentDistance(x, y, c, a) <= margin;
}

}  // namespace

class ShapeToolsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { s_.reset(); }

    void RectangleBorderAndFillFollowTheOptions() {
        TFrmMain& w = s_.emplace().w;
        const Bitmap photo = w.Doc().ColorBmp;
        ChooseTool(w, ToolRectangle);
        w.FrmToolOption->SpnRectBorderW->setValue(10);
        Place(w, 30, 40);
        // Border 10 on a 20 x 20 box leaves no inside: a solid square on both layers.
        for (const Bitmap* layer : {&w.Doc().SketchBmp, &w.Doc().ColorBmp})
            for (int y = 40; y < 60; ++y)
                for (int x = 30; x < 50; ++x)
                    QVERIFY2(PixelValue(*layer, x, y) == kRed, qPrintable(QString("%1,%2").arg(x).arg(y)));
        QCOMPARE(FirstChange(photo, w.Doc().ColorBmp, OutsideBox(30, 40, 50, 60)), QString());

        // A thinner border redraws the object at once with its back-color inside.
        w.FrmToolOption->SpnRectBorderW->setValue(3);
        QCOMPARE(At(w, 32, 50), kRed);
        QCOMPARE(At(w, 33, 43), kGreen);
        QCOMPARE(At(w, 46, 56), kGreen);
        QCOMPARE(At(w, 47, 56), kRed);

        // Unchecking a drawable box takes the object off that layer.
        w.FrmLayers->Chk_SketchDrawable->click();
        QCOMPARE(PixelValue(w.Doc().SketchBmp, 35, 45), 0xFFFFFFu);
        QCOMPARE(At(w, 35, 45), kGreen);
    }

    void MemoTextStaysInsideTheTextArea() {
        TFrmMain& w = s_.emplace().w;
        ChooseTool(w, ToolRectangle);
        Place(w, 40, 40);
        DragHandle(w, {60, 60}, {160, 120});  // handle 8: the box is now (40, 40)-(160, 120)
        const Bitmap noText = w.Doc().ColorBmp;
        QCOMPARE(PixelValue(noText, 159, 119), kRed);

        w.FrmToolOption->MemRectText->setPlainText(
            "WWWWWWWWWWWWWWWWWWWWWWWW\nHello\nWorld\nMMMM\nMMMM\nMMMM\nMMMM\nMMMM\nMMMM");
        const Bitmap& now = w.Doc().ColorBmp;
        QCOMPARE(FirstChange(noText, now, OutsideBox(50, 50, 150, 110)), QString());
        // The long first line is cut at the right edge and the lines below at the
        // bottom edge, so text reaches close to both.
        QVERIFY(!FirstChange(noText, now, [](int x, int y) { return x >= 140 && x < 150 && y < 70; }).isEmpty());
        QVERIFY(!FirstChange(noText, now, [](int, int y) { return y >= 100 && y < 110; }).isEmpty());
    }

    void TextBoxStartsAtItsCornerAndStopsAboveItsBottom() {
        TFrmMain& w = s_.emplace().w;
        const Bitmap photo = w.Doc().ColorBmp;
        ChooseTool(w, ToolText);
        Place(w, 20, 20);  // 100 x 50: columns 20..119, rows 20..69
        QStringList many;
        for (int i = 0; i < 12; ++i) many << "IIIIIIIIIIIIIIIIIIII";
        w.FrmToolOption->MemTextText->setPlainText(many.join('\n'));
        QCOMPARE(FirstChange(photo, w.Doc().ColorBmp, OutsideBox(20, 20, 120, 70)), QString());
        bool nearCorner = false;
        for (int y = 20; y < 70; ++y)
            for (int x = 20; x < 120; ++x) {
                // The rows below the lowest text line keep the box's back color.
                if (y >= 60) QVERIFY2(At(w, x, y) == kGreen, qPrintable(QString("%1,%2").arg(x).arg(y)));
                if (x < 24 && y < 30 && At(w, x, y) != kGreen) nearCorner = true;
            }
        QVERIFY(nearCorner);
    }

    void ChoosingAnotherToolCommitsAMerePreview() {
        TFrmMain& w = s_.emplace().w;
        // An ellipse that was only previewed is recorded but leaves the layers alone.
        const Bitmap sketch = w.Doc().SketchBmp, color = w.Doc().ColorBmp;
        const int states = StateCount(w);
        ChooseTool(w, ToolEllipse);
        Hover(w, {100, 100});
        Hover(w, {140, 90});
        QVERIFY(!(w.Doc().ColorBmp == color));  // the preview is in the layer
        ChooseTool(w, ToolBrush);
        QCOMPARE(StateCount(w), states + 1);
        QCOMPARE(StateText(w), QStringLiteral("Ellipse / --"));
        QVERIFY(w.Doc().SketchBmp == sketch);
        QVERIFY(w.Doc().ColorBmp == color);
    }

    void CancelAfterDragsRestoresTheLayersExactly() {
        for (int id : {ToolRectangle, ToolEllipse, ToolText, ToolBalloonA, ToolBalloonB, ToolBalloonC}) {
            TFrmMain& w = s_.emplace().w;
            // Something under the object that the copies must bring back.
            ChooseTool(w, ToolPencil);
            Stroke(w, {QPoint(70, 70), QPoint(130, 90)});
            const Bitmap sketch = w.Doc().SketchBmp, color = w.Doc().ColorBmp;
            const int states = StateCount(w);

            ChooseTool(w, id);
            Hover(w, {5, 5});
            Place(w, 60, 60);
            DragHandle(w, {61, 61}, {90, 75});  // move
            DragHandle(w, {90, 75}, {40, 50});  // top-left corner
            w.FrmToolOption->SpnBalloonBorderW->setValue(6);
            w.FrmToolOption->SpnRectBorderW->setValue(6);
            Hover(w, {41, 51});  // handles drawn
            QVERIFY2(!(w.Doc().ColorBmp == color), qPrintable(QString::number(id)));
            w.FormKeyUp(Qt::Key_Delete);

            QCOMPARE(w.Doc().CurrentTool, int(ToolHand));
            QCOMPARE(StateCount(w), states);
            QVERIFY2(w.Doc().SketchBmp == sketch && w.Doc().ColorBmp == color, qPrintable(QString::number(id)));
            QVERIFY(w.MenuItem_SaveAs->isEnabled());

            // A click before any move, as after choosing the tool by its key, places the
            // object under the pointer; its handles go with the cancel too.
            ChooseTool(w, id);
            Stroke(w, {QPoint(60, 60)});
            Hover(w, {61, 61});
            QVERIFY2(!(w.Doc().ColorBmp == color), qPrintable(QString::number(id)));
            w.FormKeyUp(Qt::Key_Delete);
            QVERIFY2(w.Doc().SketchBmp == sketch && w.Doc().ColorBmp == color, qPrintable(QString::number(id)));
        }
    }

    // A drag may end far outside the picture (the pointer on another screen), and an
    // object wider than any picture can be cannot be drawn: the drag is refused with a
    // message, and the object stays as last drawn.
    void AnObjectDraggedWiderThanAnyPictureKeepsItsSize() {
        ShapeWindow& s = s_.emplace();
        ChooseTool(s.w, ToolRectangle);
        Place(s.w, 60, 60);
        Hover(s.w, {80, 80});
        const Bitmap placed = s.w.Doc().ColorBmp;
        DragHandle(s.w, {80, 80}, {kMaxPictureSide + 100, 100});
        QCOMPARE(s.env.messages, QStringList{QStringLiteral("The object cannot be drawn this large.")});
        QVERIFY(s.w.Doc().ColorBmp == placed);
        // A drag within reach still resizes it.
        DragHandle(s.w, {80, 80}, {200, 150});
        QVERIFY(!(s.w.Doc().ColorBmp == placed));
    }

    void HandlesKeysCommitAndCancel() {
        TFrmMain& w = s_.emplace().w;
        const Bitmap photo = w.Doc().ColorBmp;
        const int states = StateCount(w);
        ChooseTool(w, ToolRectangle);
        QVERIFY(!w.MenuItem_SaveAs->isEnabled());
        // Before the object is placed Enter commits nothing and the arrows move nothing.
        Hover(w, {40, 40});
        QTest::keyClick(&w, Qt::Key_Return);
        QTest::keyClick(&w, Qt::Key_Right);
        QCOMPARE(w.Doc().CurrentTool, int(ToolRectangle));
        QCOMPARE(At(w, 40, 45), kRed);

        Stroke(w, {QPoint(40, 40)});
        Hover(w, {41, 39});  // handle 1 at (40, 40)
        QCOMPARE(w.PaintBox1->cursor().shape(), Qt::SizeFDiagCursor);
        QCOMPARE(At(w, 61, 61), 0xFFFFFFu);  // the inside of handle 8

        QTest::keyClick(&w, Qt::Key_Right);
        QCOMPARE(At(w, 40, 45), PixelValue(photo, 40, 45));
        QCOMPARE(At(w, 41, 45), kRed);
        QTest::keyClick(&w, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(At(w, 45, 50), kRed);
        QCOMPARE(At(w, 45, 49), PixelValue(photo, 45, 49));
        QTest::keyClick(&w, Qt::Key_Up);
        QTest::keyClick(&w, Qt::Key_Left, Qt::ShiftModifier);

        // Committing leaves only the box (31, 49)-(51, 69), without its handles.
        w.FrmToolOption->BtnRectCommit->click();
        QCOMPARE(w.Doc().CurrentTool, int(ToolHand));
        QCOMPARE(StateCount(w), states + 1);
        QCOMPARE(StateText(w), QStringLiteral("Rectangle / --"));
        QVERIFY(w.MenuItem_SaveAs->isEnabled());
        QCOMPARE(At(w, 31, 49), kRed);
        QCOMPARE(At(w, 50, 68), kRed);
        QCOMPARE(FirstChange(photo, w.Doc().ColorBmp, OutsideBox(31, 49, 51, 69)), QString());

        const Bitmap committed = w.Doc().ColorBmp;
        ChooseTool(w, ToolEllipse);
        Place(w, 100, 100);
        QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(w.Doc().CurrentTool, int(ToolHand));
        QCOMPARE(StateCount(w), states + 1);
        QVERIFY(w.Doc().ColorBmp == committed);

        // A click in the Tool Option window leaves the keyboard on its tab, which must
        // keep none of these keys: the box moves by (9, 0) to (209, 100) and is committed.
        ChooseTool(w, ToolRectangle);
        Place(w, 200, 100);
        QApplication::setActiveWindow(w.FrmToolOption);
        QWidget* tab = w.FrmToolOption->PageControl1->tabBar();
        QCOMPARE(QApplication::focusWidget(), tab);
        QTest::keyClick(tab, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(tab, Qt::Key_Left);
        QTest::keyClick(tab, Qt::Key_Return);
        QCOMPARE(StateText(w), QStringLiteral("Rectangle / --"));
        QCOMPARE(At(w, 209, 105), kRed);
        QCOMPARE(At(w, 208, 105), PixelValue(photo, 208, 105));
    }

    // A number box takes typed digits only after a pause. Committing before that, by the
    // commit button beside the box or by choosing another tool, draws the object with the
    // border width the box shows.
    void CommitTakesATypedBorderWidth() {
        for (bool byButton : {true, false}) {
            TFrmMain& w = s_.emplace().w;
            ChooseTool(w, ToolRectangle);
            Place(w, 40, 40);
            DragHandle(w, {60, 60}, {100, 100});  // the box is now (40, 40)-(100, 100)
            QSpinBox* border = w.FrmToolOption->SpnRectBorderW;
            border->setFocus();
            border->selectAll();
            QTest::keyClicks(border, "8");
            if (byButton)
                QTest::mouseClick(w.FrmToolOption->BtnRectCommit, Qt::LeftButton);
            else
                ChooseTool(w, ToolPencil);
            QCOMPARE(StateText(w), QStringLiteral("Rectangle / --"));
            QCOMPARE(At(w, 47, 70), kRed);
            QCOMPARE(At(w, 48, 70), kGreen);
        }
    }

    // The arrow keys move the object under a pointer that stays where it is; a press
    // there without a move of the mouse grabs what is now under the pointer.
    void APressAfterANudgeGrabsWhatIsUnderThePointer() {
        TFrmMain& w = s_.emplace().w;
        ChooseTool(w, ToolRectangle);
        Place(w, 40, 40);
        Hover(w, {50, 50});  // inside: the move handle
        QCOMPARE(w.PaintBox1->cursor().shape(), Qt::SizeAllCursor);
        for (int i = 0; i < 5; ++i) QTest::keyClick(&w, Qt::Key_Right, Qt::ShiftModifier);
        // Now (90, 40)-(110, 60): the pointer is beside it.
        QCOMPARE(w.PaintBox1->cursor().shape(), Qt::ArrowCursor);
        Stroke(w, {QPoint(50, 50), QPoint(60, 70)});
        QCOMPARE(At(w, 90, 45), kRed);
        QVERIFY(At(w, 89, 45) != kRed);

        // Moved back under the pointer, the object is grabbed again: (80, 40)-(100, 60),
        // then dragged by 10 to the right.
        Hover(w, {85, 50});
        QCOMPARE(w.PaintBox1->cursor().shape(), Qt::ArrowCursor);
        QTest::keyClick(&w, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(w.PaintBox1->cursor().shape(), Qt::SizeAllCursor);
        Stroke(w, {QPoint(85, 50), QPoint(95, 50)});
        QCOMPARE(At(w, 90, 45), kRed);
        QVERIFY(At(w, 89, 45) != kRed);
    }

    // A zoom puts other pixels under a resting pointer; a press there without a move of
    // the mouse grabs what is under it now, not what was before the zoom.
    void APressAfterAZoomGrabsWhatIsUnderThePointer() {
        TFrmMain& w = s_.emplace().w;
        ChooseTool(w, ToolRectangle);
        Place(w, 40, 40);
        DragHandle(w, {60, 60}, {80, 80});  // the box is now (40, 40)-(80, 80)
        Hover(w, {45, 60});                 // inside: the move handle
        w.MenuItem_ZoomIn->trigger();       // 133 %: the pointer is over (34, 45), beside the box
        Stroke(w, {QPoint(45, 60), QPoint(65, 60)});
        QCOMPARE(At(w, 40, 45), kRed);
        QVERIFY(At(w, 39, 45) != kRed);
    }

    // The cursor over a pending object shows the handle under a resting pointer at once
    // when a zoom or a scroll puts other pixels there, not after the next mouse move.
    void TheCursorFollowsAZoomOrAScrollUnderARestingPointer() {
        for (int id : {ToolRectangle, ToolBalloonA}) {
            TFrmMain& w = s_.emplace().w;
            ChooseTool(w, id);
            Place(w, 40, 40);
            Hover(w, {45, 50});  // inside: the move handle
            QCOMPARE(w.PaintBox1->cursor().shape(), Qt::SizeAllCursor);
            w.MenuItem_ZoomIn->trigger();  // 133 %: the pointer is over (34, 38), beside the object
            QCOMPARE(w.PaintBox1->cursor().shape(), Qt::ArrowCursor);
        }

        PictureWindow big(Gradient(1000, 800));
        TFrmMain& w = big.w;
        QVERIFY(w.HorzScrollBar->isVisible());
        ChooseTool(w, ToolBalloonA);
        Hover(w, {30, 65});             // the preview hangs at (30, 65)
        w.HorzScrollBar->setValue(10);  // and goes along to (40, 65), under the pointer
        QCOMPARE(PixelValue(w.Doc().ColorBmp, 40, 70), 0u);
        QVERIFY(PixelValue(w.Doc().ColorBmp, 30, 70) != 0u);
        w.HorzScrollBar->setValue(0);
        Place(w, 40, 40);  // the body is (40, 40)-(140, 90); its handle 2 is at (40, 65)
        Hover(w, {30, 65});
        QCOMPARE(w.PaintBox1->cursor().shape(), Qt::ArrowCursor);
        w.HorzScrollBar->setValue(10);  // the pointer is over (40, 65) now
        QCOMPARE(w.PaintBox1->cursor().shape(), Qt::SizeHorCursor);
    }

    void CopyHoldsThePictureAsACommitWouldLeaveIt() {
        for (int id : {ToolRectangle, ToolBalloonC}) {
            // The object a click in place draws, without a Copy before it.
            TFrmMain& plain = s_.emplace().w;
            ChooseTool(plain, id);
            Hover(plain, {60, 60});
            Stroke(plain, {QPoint(60, 60)});
            Hover(plain, {61, 61});
            const Bitmap placed = plain.Doc().ColorBmp;

            TFrmMain& w = s_.emplace().w;
            auto copied = [&] {
                w.MenuItem_CopyClick();
                return QGuiApplication::clipboard()->image();
            };
            const QImage before = copied();
            ChooseTool(w, id);
            Hover(w, {60, 60});  // a preview that only follows the mouse
            QCOMPARE(copied(), before);
            Stroke(w, {QPoint(60, 60)});  // a click in place still draws the object
            Hover(w, {61, 61});  // handles drawn
            QVERIFY(w.Doc().ColorBmp == placed);

            const QImage pending = copied();
            QVERIFY(!w.MenuItem_SaveAs->isEnabled());  // the edit goes on
            ChooseTool(w, ToolHand);
            QCOMPARE(copied(), pending);
            QVERIFY(pending != before);
        }
    }

    void KeysWaitForAHeldDragAndHistoryNewsKeepsUndoHeld() {
        ShapeWindow& sw = s_.emplace();
        TFrmMain& w = sw.w;
        ChooseTool(w, ToolPencil);
        Stroke(w, {QPoint(10, 10), QPoint(20, 20)});
        w.FrmHistory->FinishWrites();
        // The next snapshot's path is a folder, so its write fails in the background.
        QVERIFY(QDir().mkpath(QString::fromStdString(w.FrmHistory->SlotPath(w.FrmHistory->Ring().NextSlot()))));
        Stroke(w, {QPoint(30, 10), QPoint(40, 20)});
        const int states = StateCount(w);
        ChooseTool(w, ToolText);
        Place(w, 100, 100);
        QTRY_COMPARE(sw.env.messages.size(), 1);
        QVERIFY(!w.MenuItem_Undo->isEnabled());

        // Enter and Escape under a held drag of the box neither commit nor drop it. The
        // button is pressed as a device does, so that the keys find it held.
        Hover(w, {150, 120});
        DevicePress(w.PaintBox1, {150, 120});
        DeviceMove(w.PaintBox1, {160, 130});
        QTest::keyClick(&w, Qt::Key_Return);
        QTest::keyClick(&w, Qt::Key_Escape);
        DeviceMove(w.PaintBox1, {170, 140});
        DeviceRelease(w.PaintBox1, {170, 140});
        QCOMPARE(w.Doc().CurrentTool, int(ToolText));
        QTest::keyClick(&w, Qt::Key_Return);
        QCOMPARE(w.Doc().CurrentTool, int(ToolHand));
        QCOMPARE(StateCount(w), states);  // the failed stroke's state went, the box's came
        QCOMPARE(StateText(w), QStringLiteral("Text / --"));
        QCOMPARE(At(w, 120, 120), kGreen);  // moved by (20, 20): its back color
        QVERIFY(w.MenuItem_Undo->isEnabled());
    }

    void BalloonsKeepEveryPixelOutsideBodyAndTail() {
        const std::pair<int, const char*> kinds[] = {{ToolBalloonA, "Type: Rectanle"},
                                                     {ToolBalloonB, "Type: Rounded Rectanle"},
                                                     {ToolBalloonC, "Type: Ellipse"}};
        for (const auto& [id, detail] : kinds) {
            TFrmMain& w = s_.emplace().w;
            const Bitmap photo = w.Doc().ColorBmp;
            ChooseTool(w, id);
            w.FrmToolOption->SpnBalloonBorderW->setValue(4);
            // Before any press the body's corner is at the cursor and the tip 15 above.
            Hover(w, {200, 100});
            QCOMPARE(At(w, 200, 85), kRed);
            QCOMPARE(PixelValue(w.Doc().SketchBmp, 200, 85), kRed);
            Stroke(w, {QPoint(200, 100)});
            DragHandle(w, {201, 86}, {140, 190});  // the tail tip, down and to the left

            Point p1, p2;
            QVERIFY(TailBasePoints(200, 100, 100, 50, 140, 190, p1, p2));
            const auto outside = [&](int x, int y) {
                return OutsideBox(200, 100, 300, 150)(x, y) && !NearTriangle(x, y, p1, p2, Point{140, 190}, 3.5);
            };
            QCOMPARE(FirstChange(photo, w.Doc().ColorBmp, outside), QString());
            // Half way down the tail: inside its 4-pixel outline, the back color.
            QCOMPARE(At(w, 195, 157), kGreen);
            QCOMPARE(At(w, 250, 125), kGreen);
            QCOMPARE(At(w, 250, 101), kRed);
            // The rounded and elliptic bodies leave the box's corner to the picture;
            // the rounded one's edge runs straight from the radius (12) on.
            QCOMPARE(At(w, 298, 101) == kRed, id == ToolBalloonA);
            if (id == ToolBalloonB) QCOMPARE(At(w, 287, 100), kRed);

            // Moves at the picture's right or bottom edge are ignored.
            const Bitmap before = w.Doc().ColorBmp;
            Stroke(w, {QPoint(250, 120), QPoint(kPicW, 120), QPoint(250, kPicH)});
            QVERIFY(w.Doc().ColorBmp == before);

            // With the tip on the body's center the tail has no base: the body is drawn alone.
            DragHandle(w, {140, 190}, {250, 125});
            QCOMPARE(FirstChange(photo, w.Doc().ColorBmp, OutsideBox(200, 100, 300, 150)), QString());
            QTest::keyClick(&w, Qt::Key_Enter);
            QCOMPARE(StateText(w), QString("Text Balloon / ") + detail);
        }
    }

    // The tail's wide outline is centred on the tip's pixel: the tip and the round end of
    // the pen around it belong to the balloon, not only the rows and columns before it.
    void AWideTailEndsRoundAtItsTip() {
        TFrmMain& w = s_.emplace().w;
        const Bitmap photo = w.Doc().ColorBmp;
        ChooseTool(w, ToolBalloonA);
        w.FrmToolOption->SpnBalloonBorderW->setValue(10);
        Place(w, 100, 60);
        DragHandle(w, {101, 46}, {250, 180});
        QTest::keyClick(&w, Qt::Key_Return);
        for (const Bitmap* layer : {&w.Doc().SketchBmp, &w.Doc().ColorBmp})
            for (QPoint p : {QPoint(250, 180), QPoint(253, 183), QPoint(254, 180)})
                QVERIFY2(PixelValue(*layer, p.x(), p.y()) == kRed, qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
        Point p1, p2;
        QVERIFY(TailBasePoints(100, 60, 100, 50, 250, 180, p1, p2));
        QCOMPARE(FirstChange(photo, w.Doc().ColorBmp, [&](int x, int y) {
                     return OutsideBox(100, 60, 200, 110)(x, y) && !NearTriangle(x, y, p1, p2, Point{250, 180}, 6.5);
                 }), QString());
    }

    // Beside the picture a balloon takes no move and shows nothing: a press there, even
    // where the body hangs beyond the edge, grabs nothing and places nothing, and the
    // drag that follows it onto the picture leaves the balloon alone.
    void APressBesideThePictureLeavesABalloonAlone() {
        TFrmMain& w = s_.emplace().w;
        const Bitmap photo = w.Doc().ColorBmp;
        ChooseTool(w, ToolBalloonA);
        Hover(w, {250, 60});
        Stroke(w, {QPoint(kPicW + 30, 60)});
        Hover(w, {280, 170});  // the preview still follows the mouse
        QCOMPARE(At(w, 280, 185), kRed);
        QCOMPARE(At(w, 250, 70), PixelValue(photo, 250, 70));

        Stroke(w, {QPoint(280, 170)});  // placed: the body covers columns 280..379, rows 170..219
        Hover(w, {300, 185});           // the move handle
        Hover(w, {kPicW + 20, 185});    // beside the picture, over the body's hidden part
        QCOMPARE(w.PaintBox1->cursor().shape(), Qt::ArrowCursor);
        // A drag that starts there, or below the picture, leaves the balloon where it is.
        for (const auto& [where, start] :
             {std::pair{"beside", QPoint(kPicW + 20, 185)}, {"below", QPoint(300, kPicH + 5)}}) {
            Stroke(w, {start, QPoint(300, 185), QPoint(260, 190)});
            QVERIFY2(At(w, 280, 185) == kRed, where);
            QVERIFY2(At(w, 270, 185) == PixelValue(photo, 270, 185), where);
        }
    }

    // Large glyphs are drawn as smoothed outlines; where a line runs below the elliptic
    // body's widest part, their edge must not reach the picture beside the border.
    void LargeTextStaysOnTheEllipticBalloon() {
        Bitmap drawn[2];
        Bitmap photo;
        for (int withText = 0; withText < 2; ++withText) {
            TFrmMain& w = s_.emplace().w;
            photo = w.Doc().ColorBmp;
            w.FrmToolOption->MemBalloonText->setPlainText(
                withText ? QStringLiteral("Hello there, how are you?\nWWWWWWWWWWWWWWWWWW\n").repeated(6) : QString());
            w.FrmToolOption->SpnBalloonFontSize->setValue(64);
            w.FrmToolOption->SpnBalloonBorderW->setValue(3);
            ChooseTool(w, ToolBalloonC);
            Place(w, 60, 60);
            DragHandle(w, {160, 110}, {231, 163});  // the body is now (60, 60)-(231, 163)
            DragHandle(w, {60, 45}, {200, 150});    // the tail tip inside the body
            QTest::keyClick(&w, Qt::Key_Return);
            drawn[withText] = w.Doc().ColorBmp;
        }
        // The text may only change pixels that the balloon without text covers.
        const auto bare = [&](int x, int y) { return PixelValue(photo, x, y) == PixelValue(drawn[0], x, y); };
        QCOMPARE(FirstChange(photo, drawn[1], bare), QString());
    }

    void NothingSwapsTheLayersUnderAPendingEdit() {
        TFrmMain& w = s_.emplace().w;
        ChooseTool(w, ToolRectangle);
        Place(w, 40, 40);
        // Undo, redo and the history list are out of reach for the whole edit.
        QVERIFY(!w.MenuItem_Undo->isEnabled());
        QVERIFY(!w.FrmHistory->StringGrid1->isEnabled());
        const Bitmap pending = w.Doc().ColorBmp;
        w.MenuItem_UndoClick();
        w.FrmHistory->LoadState(w.FrmHistory->Ring().FirstIndex());
        QVERIFY(w.Doc().ColorBmp == pending);
        QCOMPARE(w.Doc().CurrentTool, int(ToolRectangle));

        // Closing asks first, and a "no" keeps the window and the object.
        s_->env.confirmAnswer = false;
        QVERIFY(!w.close());
        QCOMPARE(s_->env.confirmations.size(), 1);
        QVERIFY(w.isVisible());
        // So does a "save" whose file dialog is then cancelled: nothing was saved, and
        // the object is still being edited, not committed.
        const int states = StateCount(w);
        SetSaveAnswerHook([](const QString&) { return SaveAnswer::Save; });
        QTimer::singleShot(0, [] {
            if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) d->reject();
        });
        const bool closed = w.close();
        SetSaveAnswerHook(nullptr);
        QVERIFY(!closed);
        QCOMPARE(w.Doc().CurrentTool, int(ToolRectangle));
        QVERIFY(!w.MenuItem_Open->isEnabled());
        QCOMPARE(StateCount(w), states);
        QVERIFY(!w.MenuItem_Undo->isEnabled());

        // A letter key chooses another tool as the palette does: the object is
        // committed, and undo comes back.
        w.PaintBox1->setFocus();
        QTest::keyClick(w.PaintBox1, Qt::Key_N);
        QCOMPARE(w.Doc().CurrentTool, int(ToolPencil));
        QCOMPARE(w.FrmToolOption->CurrentPageName(), QStringLiteral("TsPencil"));
        QCOMPARE(StateText(w), QStringLiteral("Rectangle / --"));
        QCOMPARE(PixelValue(w.Doc().SketchBmp, 40, 40), kRed);
        QVERIFY(w.MenuItem_Undo->isEnabled());
        QVERIFY(w.FrmHistory->StringGrid1->isEnabled());
    }

private:
    std::optional<ShapeWindow> s_;
};

QTEST_MAIN(ShapeToolsTest)
#include "shape_tools_test.moc"
